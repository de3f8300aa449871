#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/Encoding.h"
#include "base/HtmlText.h"
#include "base/WholePage.h"
#include "engine/ArticleRenderer.h"
#include "engine/PictureStore.h"
#include "net/HttpSession.h"
#include "sim/DemoBlog.h"
#include "sim/ServiceSimulator.h"
#include "support/ScopedProxy.h"
#include "support/TempDir.h"
#include "support/TestSite.h"

using namespace pw;
using namespace pw::sim;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir.File("img"));
        article.title = "标题 <b> & \"引号\"";
        article.time = "2012-01-02 03:04";
        article.category = "杂谈";
        article.url = "http://blog.example.com/a/b/post.html?id=1";
        article.localPath = dir.File("7.html");
        article.fileName = "7.html";
        simulator.Route("pics.example.com", "/Big/Photo.PNG", Response::Text(png, "image/png"));
        simulator.Route("blog.example.com", "/a/b/rel.png", Response::Text(png, "image/png"));
        simulator.Route("blog.example.com", "/a/up.png", Response::Text(png, "image/png"));
        simulator.Route("pics.example.com", "/page.html", Response::Html("<html>not a picture"));
    }

    std::string Render(const std::string& body) {
        EXPECT_EQ(RenderArticlePage(body, article, &store), PageWrite::Written);
        // The frame and the heading have no line feeds, so their length on disk is
        // their length.
        const std::string page = ToUtf8(ReadFile(article.localPath));
        const std::string top = WholePage(article.title, ArticleHeading(article));
        const size_t closing = std::string_view("</body></html>").size();
        EXPECT_EQ(page.substr(0, top.size() - closing), top.substr(0, top.size() - closing));
        EXPECT_EQ(page.substr(page.size() - closing), top.substr(top.size() - closing));
        return page.substr(top.size() - closing, page.size() - top.size());
    }

    test::TempDir dir;
    ServiceSimulator simulator;
    test::ScopedProxy proxy{simulator};
    HttpSession http{test::TestSite::OneAttempt()};
    PictureStore store{http, dir.File("img/")};
    ArticleInfo article;
    std::string png = TinyPng(4, 4, 1);
};

}  // namespace

// A whole document, titled like its heading: the help compiler indexes only
// the body and lists search hits under the title.
TEST_F(RendererTest, PageIsAWholeDocumentTitledLikeItsHeadingBlockWithEscapedTexts) {
    ASSERT_EQ(RenderArticlePage("", article, &store), PageWrite::Written);
    EXPECT_EQ(ToUtf8(ReadFile(article.localPath)),
              "<html><head>"
              "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
              "<title>标题 &lt;b&gt; &amp; &quot;引号&quot;</title></head><body>"
              "<div style=\"FONT-SIZE: 20px; FONT-WEIGHT: bold\">标题 &lt;b&gt; &amp; "
              "&quot;引号&quot;</div></br>"
              "<div style=\"TEXT-JUSTIFY: distribute; TEXT-ALIGN: justify; FONT-SIZE: 13px; "
              "MARGIN: 0px;WORD-BREAK: break-all;  LAYOUT-GRID-MODE: line;LINE-HEIGHT: 20px; "
              "BORDER-TOP: black 2px solid\">时间：2012-01-02 03:04</br>类别：<font "
              "color=black>杂谈</font></br>原文：<a "
              "href=\"http://blog.example.com/a/b/post.html?id=1\" "
              "target=\"_blank\">http://blog.example.com/a/b/post.html?id=1</a></div></br>"
              "</body></html>");
}

TEST_F(RendererTest, HeadingKeepsReferencesAndGivesNoScriptLink) {
    // As Sina's title attributes hold them: "&amp;" stays one reference.
    article.title = "读《瓦尔登湖》&amp;随想 &#128512;";
    article.category = "x\"><script>alert(1)</script>";
    article.url = "javascript:alert(1)";
    const std::string heading = ArticleHeading(article);
    EXPECT_NE(heading.find("读《瓦尔登湖》&amp;随想 &#128512;</div>"), std::string::npos);
    EXPECT_NE(heading.find("x&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;</font>"),
              std::string::npos);
    EXPECT_NE(heading.find("<a href=\"\" target=\"_blank\">javascript:alert(1)</a>"),
              std::string::npos);
    EXPECT_EQ(heading.find("<script"), std::string::npos);
}

TEST_F(RendererTest, BodyKeepsItsLettersAndIsWrittenWithCrLf) {
    EXPECT_EQ(Render("<P>Hello WORLD 中文</P>\nLine two\n"),
              "<P>Hello WORLD 中文</P>\r\nLine two\r\n");
    // The file is the CHM's page: code page 936, what it lacks as references.
    EXPECT_EQ(Render("<p>\xF0\x9F\x98\x80</p>"), "<p>&#128512;</p>");
    // A picture tag in capitals is still found, and only its address changes.
    EXPECT_EQ(Render("<P ALIGN=CENTER><IMG ALT=\"Photo\" SRC=\"http://pics.example.com/Big/"
                     "Photo.PNG\" WIDTH=40></P>"),
              "<P ALIGN=CENTER><IMG ALT=\"Photo\" SRC=\"img/7_1.png\" WIDTH=40></P>");
}

TEST_F(RendererTest, ActiveContentLeavesTheBodyAndTheRestStaysByteForByte) {
    const std::string text = "<p style=\"color:red\">正文 Text</p>";
    EXPECT_EQ(Render(text + "<SCRIPT>alert(1)</SCRIPT>" + text +
                     "<a href=\"javascript:steal()\" onclick=\"x()\" title=T>link</a>"
                     "<iframe src=\"http://evil.example.com/\"></iframe><embed src=\"a.swf\">"
                     "<object data=\"b.swf\"><param name=movie value=b.swf>fallback</object>"),
              text + text + "<a title=T>link</a><param name=movie value=b.swf>fallback");
    // Nothing the scripts name is fetched.
    EXPECT_EQ(Render("<script>document.write('<img src=\"http://pics.example.com/Big/Photo.PNG\">')"
                     "</script>"),
              "");
    EXPECT_TRUE(fs::is_empty(dir.File("img")));
}

TEST_F(RendererTest, PicturesAreStoredUnderSafeNamesWhateverTheirAddress) {
    const std::string out = Render(
        "<IMG SRC=\"http://pics.example.com/Big/Photo.PNG\">"
        "<img src=\"rel.png\" alt=x><img src='../up.png'>"
        "<img class=\"x\" src=\"http://pics.example.com/Big/Photo.PNG\">");
    EXPECT_EQ(out,
              "<IMG SRC=\"img/7_1.png\"><img src=\"img/7_2.png\" alt=x>"
              "<img src='img/7_3.png'><img class=\"x\" src=\"img/7_1.png\">");
    EXPECT_EQ(ReadFile(dir.File("img/7_1.png")), png);
    EXPECT_EQ(fs::directory_iterator(dir.File("img")) == fs::directory_iterator(), false);
    size_t files = 0;
    for ([[maybe_unused]] const auto& f : fs::directory_iterator(dir.File("img"))) ++files;
    EXPECT_EQ(files, 3u);
}

TEST_F(RendererTest, LazyPicturesTakeTheRealAddress) {
    const std::string out = Render(
        "<img src=\"http://x.example.com/blank.gif\" real_src=\"http://pics.example.com/Big/"
        "Photo.PNG\"><img data-original=\"rel.png\" src=\"/loading.gif\">");
    EXPECT_EQ(out, "<img src=\"img/7_1.png\"><img src=\"img/7_2.png\">");
    // Nothing else names a copy of a picture the page holds, or loads it late;
    // a picture named only lazily still gets its src.
    EXPECT_EQ(Render("<picture><source srcset=\"big.png 2x\" type=image/png>"
                     "<img src=rel.png srcset=\"rel.png 1x, big.png 2x\" sizes=\"50vw\" "
                     "loading=lazy alt=a></picture><IMG DATA-SRC='rel.png'>"),
              "<picture><img src=img/7_2.png alt=a></picture>"
              "<IMG src=\"img/7_2.png\">");
}

TEST_F(RendererTest, PicturesThatCannotBeKeptKeepTheirAddress) {
    const std::string out = Render(
        "<img src=\"http://pics.example.com/Missing.png\"><img src=\"http://pics.example.com/"
        "page.html\"><img src=\"data:image/png;base64,AAAA\">");
    EXPECT_EQ(out,
              "<img src=\"http://pics.example.com/Missing.png\"><img src=\"http://pics.example.com/"
              "page.html\"><img src=\"data:image/png;base64,AAAA\">");
    EXPECT_TRUE(fs::is_empty(dir.File("img")));
}

TEST_F(RendererTest, OddTagsLeaveTheRestOfTheBodyIntact) {
    EXPECT_EQ(Render("<img alt=1>text<img src=rel.png>tail"),
              "<img alt=1>text<img src=img/7_1.png>tail");
    EXPECT_EQ(Render("a<img src=\"never closed>rest of the body"),
              "a<img src=\"never closed>rest of the body");
    EXPECT_EQ(Render("<img src=\"\">x"), "<img src=\"\">x");
}

TEST_F(RendererTest, ManyUnclosedTagsAreScannedInOnePass) {
    std::string body;
    while (body.size() < (4u << 20)) body += "<img src=a ";
    const std::string expected = body;
    // Each tag's address is "a", which is fetched once and fails; the rest stays.
    EXPECT_EQ(Render(body), expected);
}

TEST_F(RendererTest, APageOfThousandsOfPicturesIsRewrittenInOnePass) {
    // Every tag changes length as its address is rewritten: edited in place,
    // the rest of the body would be moved once per tag.
    const std::string tag = "<img src=\"http://pics.example.com/Big/Photo.PNG\">";
    std::string body;
    for (int i = 0; i < 100000; ++i) body += tag + "x";
    const std::string page = Render(body);
    const std::string local = "<img src=\"img/7_1.png\">x";
    ASSERT_EQ(page.size(), 100000 * local.size());
    EXPECT_EQ(page.substr(0, 2 * local.size()), local + local);
}

TEST_F(RendererTest, APictureTheStopCutOffLeavesThePageUnwritten) {
    std::stop_source stop;
    SessionOptions options = test::TestSite::OneAttempt();
    options.stop = stop.get_token();
    HttpSession stopped(options);
    PictureStore pictures(stopped, dir.File("img/"));
    stop.request_stop();
    EXPECT_EQ(RenderArticlePage("<p>a</p><img src=\"http://pics.example.com/Big/Photo.PNG\">",
                                article, &pictures),
              PageWrite::Interrupted);
    EXPECT_FALSE(fs::exists(article.localPath));
    EXPECT_EQ(pictures.KeptRemote(), 0);  // not counted as a picture that failed
    EXPECT_EQ(simulator.CountRequests("pics.example.com", "/Big/Photo.PNG"), 0u);
}

TEST_F(RendererTest, MissingFolderOrPathWritesNothing) {
    article.localPath = dir.File("nowhere/1.html");
    EXPECT_EQ(RenderArticlePage("x", article, &store), PageWrite::Failed);
    EXPECT_FALSE(fs::exists(dir.File("nowhere")));
    article.localPath.clear();
    EXPECT_EQ(RenderArticlePage("x", article, &store), PageWrite::Failed);
}

TEST_F(RendererTest, WithoutAStorePicturesStayRemote) {
    ASSERT_EQ(
        RenderArticlePage("<img src=\"http://pics.example.com/Big/Photo.PNG\">", article, nullptr),
        PageWrite::Written);
    EXPECT_NE(ReadFile(article.localPath).find("src=\"http://pics.example.com/Big/Photo.PNG\""),
              std::string::npos);
    EXPECT_TRUE(fs::is_empty(dir.File("img")));
}

TEST(PictureStore, ResolvesAddressesAgainstThePage) {
    const std::string page = "http://h.example.com/a/b/c.html?q=1#f";
    EXPECT_EQ(PictureStore::ResolveUrl(page, "x.png"), "http://h.example.com/a/b/x.png");
    EXPECT_EQ(PictureStore::ResolveUrl(page, "../../../../x.png"), "http://h.example.com/x.png");
    EXPECT_EQ(PictureStore::ResolveUrl(page, "/p/./q/../x.png?a=1&amp;b=2"),
              "http://h.example.com/p/x.png?a=1&b=2");
    EXPECT_EQ(PictureStore::ResolveUrl(page, "//cdn.example.com/x.png"),
              "http://cdn.example.com/x.png");
    EXPECT_EQ(PictureStore::ResolveUrl(page, "HTTPS://Other.example.com/X.png"),
              "HTTPS://Other.example.com/X.png");
    EXPECT_EQ(PictureStore::ResolveUrl(page, "file:///etc/passwd"), "");
    EXPECT_EQ(PictureStore::ResolveUrl(page, " "), "");
    EXPECT_EQ(PictureStore::ResolveUrl(page, "a\nb.png"), "");
    EXPECT_EQ(PictureStore::ResolveUrl("not a url", "x.png"), "");
    // A base without a path: its host ends at the query.
    EXPECT_EQ(PictureStore::ResolveUrl("http://x.example.com?feed=rss2", "/p/1"),
              "http://x.example.com/p/1");
    EXPECT_EQ(PictureStore::ResolveUrl("http://x.example.com#top", "p/1"),
              "http://x.example.com/p/1");
    EXPECT_EQ(SniffPictureExtension("GIF89a..."), std::string("gif"));
    EXPECT_EQ(SniffPictureExtension("<html>"), nullptr);
}

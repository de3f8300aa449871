// A whole book made from pages the renderer wrote, read back the way viewers
// read it: the CHM through libchm's directory walk (as xchm does), the EPUB
// from its zip and through epubcheck. The blog tries everything a hostile or
// unusual blog can: markup in its name and categories, scripts in bodies,
// references in titles, characters code page 936 lacks.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>

#include "base/Encoding.h"
#include "book/BookCompiler.h"
#include "book/BookTestKit.h"
#include "book/ChildProcess.h"
#include "book/EpubWriter.h"
#include "book/ProjectWriter.h"
#include "engine/ArticleRenderer.h"
#include "support/ChmReader.h"
#include "support/Epubcheck.h"

namespace pw {
namespace {

using booktest::Entry;
using booktest::ReadZip;
using booktest::ScratchDir;
using booktest::ZipEntry;

const std::string kCharsetMeta =
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";
// As the text helpers leave it when the category page sends it entity-encoded.
const std::string kHostileCategory = "x\"><param name=\"Local\" value=\"/etc/passwd\">";

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The page as a viewer that honours the declaration decodes it: as GBK.
std::string AsGbk(const std::string& bytes) {
    return ToUtf8(bytes);
}

class ReaderViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (FindExecutable("chmcmd").empty()) return;
        scratch = std::make_unique<ScratchDir>();
        BookDescription book = booktest::Book(scratch->Path() + "/", "acct",
                                              "&lt;script&gt;"
                                              "的博客");
        book.homeUrl = "http://blog.example.com/u/1234";
        book.entries.push_back(Heading(0, book.title));
        book.entries.push_back(Heading(1, kHostileCategory));
        // Sina's title attribute holds "&amp;"; the body holds a character code
        // page 936 lacks.
        book.entries.push_back(Article(book, 1, "读《瓦尔登湖》&amp;随想",
                                       "<P>Emoji \xF0\x9F\x98\x80 和中文 Capital TEXT</P>"
                                       "<script>alert('x')</script><p onclick=\"steal()\">段落</p>"
                                       "<a href=\"javascript:alert(1)\">链接</a>"));
        book.entries.push_back(Article(book, 2, "表情\xF0\x9F\x98\x80标题", "<p>第二篇</p>"));
        WriteIndexPage(book);
        WriteProjectFile(book);
        WriteContentsFile(book);
        WriteIndexFile(book);
        compiled = CompileBook(book);
        epubWritten = WriteEpubBook(book) == 1;
        chm = test::ReadChmObjects(book.dir + "acct.chm");
        epubPath = EpubBookPath(book);
        epub = ReadZip(epubPath);
    }
    static void TearDownTestSuite() { scratch.reset(); }

    void SetUp() override {
        if (FindExecutable("chmcmd").empty()) GTEST_SKIP() << "chmcmd (fp-utils) not installed";
        ASSERT_TRUE(compiled.Made()) << compiled.reason;
        ASSERT_TRUE(epubWritten);
    }

    static TreeEntry Heading(int depth, const std::string& text) {
        TreeEntry entry;
        entry.depth = depth;
        entry.text = text;
        return entry;
    }

    // The article's page as the renderer writes it, and its entry as the job
    // describes it.
    static TreeEntry Article(const BookDescription& book, int n, const std::string& title,
                             const std::string& body) {
        ArticleInfo article;
        article.title = title;
        article.time = "2012-03-04 05:06";
        article.category = kHostileCategory;
        article.url = "http://blog.example.com/s/blog_" + std::to_string(n) + ".html";
        article.fileName = std::to_string(n) + ".html";
        article.localPath = book.dir + article.fileName;
        EXPECT_EQ(RenderArticlePage(body, article, nullptr), PageWrite::Written);
        TreeEntry entry = Heading(2, title);
        entry.article = true;
        entry.fileName = article.fileName;
        entry.title = article.title;
        entry.time = article.time;
        entry.category = article.category;
        entry.url = article.url;
        entry.heading = ArticleHeading(article);
        return entry;
    }

    static std::string Chm(const std::string& name) {
        const auto found = chm.find(name);
        return found == chm.end() ? "<missing " + name + ">" : found->second;
    }

    // The EPUB document that holds text (UTF-8).
    static std::string EpubDocumentWith(const std::string& text) {
        for (const ZipEntry& entry : epub) {
            if (entry.name.rfind("EPUB/article", 0) == 0 &&
                entry.bytes.find(text) != std::string::npos) {
                return entry.bytes;
            }
        }
        return {};
    }

    static inline std::unique_ptr<ScratchDir> scratch;
    static inline CompileResult compiled;
    static inline bool epubWritten = false;
    static inline std::map<std::string, std::string> chm;
    static inline std::string epubPath;
    static inline std::vector<ZipEntry> epub;
};

TEST_F(ReaderViewTest, TheChmReadsBackWithEveryPage) {
    for (const char* name : {"/index.html", "/1.html", "/2.html", "/acct.hhc", "/acct.hhk"}) {
        EXPECT_EQ(chm.count(name), 1u) << name;
    }
    EXPECT_EQ(Chm("/1.html"), booktest::ReadBytes(scratch->Path() + "/1.html"));
}

TEST_F(ReaderViewTest, PagesDeclareTheirCodePageAndReadAsChinese) {
    for (const char* name : {"/index.html", "/1.html", "/2.html"}) {
        const std::string page = Chm(name);
        EXPECT_EQ(page.substr(0, 12 + kCharsetMeta.size()), "<html><head>" + kCharsetMeta) << name;
        EXPECT_NE(page.find("</title></head><body>"), std::string::npos) << name;
        EXPECT_EQ(page.substr(page.size() - 14), "</body></html>") << name;
        EXPECT_EQ(Count(page, "charset="), 1u) << name;
        EXPECT_EQ(AsGbk(page).find('?'), std::string::npos) << name;  // every byte decodes
    }
    EXPECT_NE(AsGbk(Chm("/index.html")).find("&lt;script&gt;的博客</a>"), std::string::npos);
    const std::string article = AsGbk(Chm("/1.html"));
    const std::string heading =
        "<div style=\"FONT-SIZE: 20px; FONT-WEIGHT: bold\">"
        "读《瓦尔登湖》&amp;随想</div></br>";
    const std::string head = "<title>读《瓦尔登湖》&amp;随想</title></head><body>";
    EXPECT_EQ(article.substr(12 + kCharsetMeta.size(), head.size() + heading.size()),
              head + heading);
    EXPECT_NE(article.find("时间：2012-03-04 05:06</br>类别："), std::string::npos);
    // Letter case kept; the emoji travels as a reference readers decode.
    EXPECT_NE(article.find("<P>Emoji &#128512; 和中文 Capital TEXT</P>"), std::string::npos);
    EXPECT_NE(AsGbk(Chm("/acct.hhc")).find("表情&#128512;标题"), std::string::npos);
}

TEST_F(ReaderViewTest, NothingInTheChmIsActiveOrLeadsOutOfTheBook) {
    for (const auto& [name, bytes] : chm) {
        EXPECT_EQ(bytes.find("<script"), std::string::npos) << name;
        EXPECT_EQ(bytes.find("onclick"), std::string::npos) << name;
        EXPECT_EQ(bytes.find("href=\"javascript"), std::string::npos) << name;
    }
    EXPECT_NE(AsGbk(Chm("/1.html")).find("<p>段落</p><a>链接</a>"), std::string::npos);
    for (const char* name : {"/acct.hhc", "/acct.hhk"}) {
        const std::string sitemap = Chm(name);
        EXPECT_EQ(Count(sitemap, "name=\"Local\""), 2u) << sitemap;
        EXPECT_EQ(sitemap.find("value=\"/etc/passwd\""), std::string::npos) << sitemap;
        EXPECT_NE(sitemap.find("<param name=\"Local\" value=\"1.html\">"), std::string::npos);
    }
    EXPECT_NE(Chm("/acct.hhc")
                  .find("value=\"x&quot;&gt;&lt;param name=&quot;Local&quot; "
                        "value=&quot;/etc/passwd&quot;&gt;\">"),
              std::string::npos);
}

TEST_F(ReaderViewTest, TheEpubShowsWhatTheChmShows) {
    // The emoji as the character itself; "&amp;" decoded once, to "&".
    const std::string first = EpubDocumentWith("Capital TEXT");
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first.find("Emoji \xF0\x9F\x98\x80 和中文"), std::string::npos) << first;
    EXPECT_NE(first.find("<h1 class=\"title\">读《瓦尔登湖》&#38;随想</h1>"), std::string::npos)
        << first;
    EXPECT_EQ(first.find("amp;"), std::string::npos);
    EXPECT_EQ(first.find("&#128512;"), std::string::npos);
    EXPECT_NE(first.find("类别：x&#34;&#62;&#60;param"), std::string::npos);
    const std::string nav = Entry(epub, "EPUB/nav.xhtml");
    EXPECT_NE(nav.find(">读《瓦尔登湖》&#38;随想</a>"), std::string::npos) << nav;
    EXPECT_NE(nav.find(">表情\xF0\x9F\x98\x80标题</a>"), std::string::npos) << nav;
    EXPECT_NE(Entry(epub, "EPUB/toc.ncx").find("<text>读《瓦尔登湖》&#38;随想</text>"),
              std::string::npos);
    EXPECT_NE(Entry(epub, "EPUB/package.opf").find("<dc:title>&#60;script&#62;的博客</dc:title>"),
              std::string::npos);
    const std::string title = Entry(epub, "EPUB/title.xhtml");
    EXPECT_EQ(title.find("charset"), std::string::npos) << title;
    EXPECT_EQ(title.find("<script"), std::string::npos) << title;
    EXPECT_NE(title.find("script&#62;的博客</a>"), std::string::npos) << title;
    if (!test::EpubcheckInstalled()) GTEST_SKIP() << "epubcheck is not installed";
    const test::CheckResult check = test::RunEpubcheck(epubPath);
    ASSERT_TRUE(check.ran) << check.output;
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
    EXPECT_EQ(check.output.find("ERROR"), std::string::npos) << check.output;
}

}  // namespace
}  // namespace pw

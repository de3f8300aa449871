#include <gtest/gtest.h>

#include <filesystem>

#include "base/Encoding.h"
#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "sites/SinaBlog.h"
#include "sites/SiteTestKit.h"
#include "support/TempDir.h"

using namespace pw;
using namespace pw::sim;
using namespace pw::sitetest;
namespace fs = std::filesystem;

namespace {

const char kSevereError[] = "出现严重错误，请联系开发者!";

class SinaBlogTest : public EngineTest {
protected:
    std::string ListPath(int category, int page) {
        return "/s/articlelist_" + blog.account + "_" + std::to_string(category) + "_" +
               std::to_string(page) + ".html";
    }
    size_t ListRequests() const {
        size_t n = 0;
        for (const auto& r : simulator.Requests()) n += r.path.find("/s/articlelist_") == 0;
        return n;
    }

    DemoBlog blog = MakeDemoBlog({.categories = 3, .articlesPerCategory = 3, .pageSize = 2});
    std::unique_ptr<BlogBase> engine = MakeSinaBlog(site);
};

}  // namespace

TEST_F(SinaBlogTest, DeclinesOtherAddressesWithoutFetching) {
    EXPECT_FALSE(engine->ParseAddress("http://blog.sina.com.cn"));
    EXPECT_FALSE(engine->ParseAddress("http://hi.baidu.com/someone"));
    EXPECT_TRUE(simulator.Requests().empty());
    EXPECT_TRUE(site.Messages().empty());
}

TEST_F(SinaBlogTest, ReadsUidAndBlogName) {
    AddSinaBlog(simulator, blog, {.blogPath = "/myblog"});
    simulator.Route(kSinaHost, "/named",
                    Response::Html("<title>\n  A &amp; B  </title>$uid : \"42\""));
    ASSERT_TRUE(engine->ParseAddress("http://blog.sina.com.cn/myblog"));
    EXPECT_EQ(engine->account, blog.account);
    EXPECT_EQ(engine->homeUrl, "http://blog.sina.com.cn/u/" + blog.account);
    EXPECT_EQ(engine->blogName, blog.name + "_新浪博客");
    EXPECT_EQ(engine->author, blog.name);  // the book's author, without the service
    ASSERT_TRUE(engine->ParseAddress("http://blog.sina.com.cn/named"));
    EXPECT_EQ(engine->account, "42");
    EXPECT_EQ(engine->blogName, "A & B");
    EXPECT_EQ(engine->author, "A & B");
}

TEST_F(SinaBlogTest, MissingUidIsReportedAndDeclined) {
    simulator.Route(kSinaHost, "/nouid", Response::Html("<title>x</title>"));
    engine->account = "before";
    EXPECT_FALSE(engine->ParseAddress("http://blog.sina.com.cn/nouid"));
    EXPECT_EQ(engine->account, "before");
    EXPECT_EQ(site.Messages(),
              (std::vector<std::string>{"获取新浪博客uid时出现错误，请检查您的输入!"}));
    // A page without a title keeps the uid as the name, entities and all.
    simulator.Route(kSinaHost, "/untitled", Response::Html("$uid=\"7&amp;7\""));
    ASSERT_TRUE(engine->ParseAddress("http://blog.sina.com.cn/untitled"));
    EXPECT_EQ(engine->blogName, "7&amp;7");
    // A uid whose quotes never close is empty, not a piece of the page.
    simulator.Route(kSinaHost, "/open", Response::Html("<a href=\"x\">$uid=5"));
    ASSERT_TRUE(engine->ParseAddress("http://blog.sina.com.cn/open"));
    EXPECT_EQ(engine->account, "");
}

TEST_F(SinaBlogTest, CategoriesComeAfterTheAllArticlesEntry) {
    AddSinaBlog(simulator, blog);
    engine->account = blog.account;
    std::vector<std::string> list{"stale"};
    ASSERT_TRUE(engine->GetCategories(list));
    EXPECT_EQ(Utf8List(list),
              (std::vector<std::string>{"全部博文", "旅行札记", "读书笔记", "家常菜谱"}));

    // Links behind the block's end are no categories.
    simulator.Route(kSinaHost, ListPath(0, 1),
                    Response::Html("</em></span></div><a href=\"1\">A &amp; B</a></div></li></ul>"
                                   "<a href=\"2\">after</a>"));
    ASSERT_TRUE(engine->GetCategories(list));
    EXPECT_EQ(Utf8List(list), (std::vector<std::string>{"全部博文", "A & B"}));

    simulator.Route(kSinaHost, ListPath(0, 1), Response::Html("<html>no block</html>"));
    ASSERT_FALSE(engine->GetCategories(list));
    EXPECT_EQ(Utf8List(list), (std::vector<std::string>{"全部博文"}));
    EXPECT_EQ(site.Messages(),
              (std::vector<std::string>{"获取文章分类时出现未知错误，请联系开发者!"}));
}

TEST_F(SinaBlogTest, ListsEveryArticleUnderAllAndUnderItsCategoryAcrossPages) {
    AddSinaBlog(simulator, blog);
    engine->account = blog.account;
    const auto listed = ListAll(*engine);
    ASSERT_EQ(listed.size(), 18u);
    EXPECT_EQ(engine->articleCount, 18);
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(listed[i].category, "全部博文");
        EXPECT_EQ(listed[i].title, blog.articles[i].title);
        EXPECT_EQ(listed[i].url, SinaArticleUrl(blog.articles[i]));
        EXPECT_EQ(listed[i].time, blog.articles[i].time.substr(0, 16));
    }
    EXPECT_EQ(listed[9].category, "旅行札记");
    EXPECT_EQ(listed[9].url, SinaArticleUrl(blog.articles[0]));
    EXPECT_EQ(listed[12].category, "读书笔记");
    // Category 0 has five pages of two; each category two pages.
    EXPECT_EQ(simulator.CountRequests(kSinaHost, ListPath(0, 5)), 1u);
    EXPECT_EQ(simulator.CountRequests(kSinaHost, ListPath(0, 6)), 0u);
    EXPECT_EQ(simulator.CountRequests(kSinaHost, ListPath(3, 2)), 1u);
    // Page 1 of category 0 serves the categories once and the list once.
    EXPECT_EQ(simulator.CountRequests(kSinaHost, ListPath(0, 1)), 2u);
    EXPECT_TRUE(site.Statuses().empty());
}

TEST_F(SinaBlogTest, ListingEndsWhenTheCallbackOrTheJobSaysSo) {
    AddSinaBlog(simulator, blog);
    engine->account = blog.account;
    // Three articles are on page 2 of category 0: nothing behind it is asked for.
    EXPECT_EQ(ListAll(*engine, 3).size(), 3u);
    EXPECT_EQ(engine->articleCount, 3);
    EXPECT_EQ(ListRequests(), 3u);  // the categories, then pages 1 and 2

    simulator.ClearRequests();
    site.stopping = true;
    EXPECT_TRUE(ListAll(*engine).empty());
    EXPECT_EQ(ListRequests(), 1u);  // only the categories

    simulator.ClearRequests();
    site.stopping = false;
    engine->articleCount = 7;
    engine->ListArticles(nullptr);
    EXPECT_EQ(engine->articleCount, 7);
    EXPECT_TRUE(simulator.Requests().empty());
}

TEST_F(SinaBlogTest, BrokenEntriesAreSkippedAndScansEnd) {
    engine->account = blog.account;
    const std::string block =
        "<span><em>x</em></span></div><ul><li><div><a href=\"u\">C1</a></div></li></ul>";
    auto entry = [](const std::string& n, bool dated) {
        return "<span class=\"atc_title\"><a title=\"T" + n + "\" href=\"http://x/" + n +
               "\"></a></span>" +
               (dated ? "<span class=\"SG_txtc\">2011-01-0" + n + "</span>" : "");
    };
    // The last entry has no date behind it: skipped; the next page follows.
    simulator.Route(
        kSinaHost, ListPath(0, 1),
        Response::Html(block + entry("2", true) + entry("1", false) + "下一页&nbsp;&gt;"));
    // An entry without its own date is skipped, the next one keeps its own; a
    // marker without any title behind it ends the page's scan.
    simulator.Route(kSinaHost, ListPath(0, 2),
                    Response::Html(entry("5", false) + entry("3", true) +
                                   "<span class=\"atc_title\">no title"));
    // An unterminated address ends the scan and leaves no next page.
    simulator.Route(kSinaHost, ListPath(1, 1),
                    Response::Html("<span class=\"atc_title\"><a title=\"T4\" href=\"http://x/4"
                                   "下一页&nbsp;&gt;"));
    std::vector<std::string> titles;
    for (const auto& l : ListAll(*engine)) titles.push_back(l.title + "@" + l.url + "@" + l.time);
    EXPECT_EQ(titles,
              (std::vector<std::string>{"T2@http://x/2@2011-01-02", "T3@http://x/3@2011-01-03"}));
    EXPECT_EQ(simulator.CountRequests(kSinaHost, ListPath(0, 3)), 0u);
    EXPECT_EQ(simulator.CountRequests(kSinaHost, ListPath(1, 2)), 0u);
}

TEST_F(SinaBlogTest, AnEntryWithoutItsOwnAddressLeavesTheNextIntact) {
    engine->account = blog.account;
    // The second entry's address stands behind the third entry's marker.
    simulator.Route(kSinaHost, ListPath(0, 1),
                    Response::Html("<span class=\"atc_title\"><a title=\"A\" href=\"http://x/a\">"
                                   "<span class=\"SG_txtc\">d1</span>"
                                   "<span class=\"atc_title\"><a title=\"B\">"
                                   "<span class=\"atc_title\"><a title=\"C\" href=\"http://x/c\">"
                                   "<span class=\"SG_txtc\">d3<"));
    std::vector<std::string> titles;
    for (const auto& l : ListAll(*engine)) titles.push_back(l.title + "@" + l.url + "@" + l.time);
    EXPECT_EQ(titles, (std::vector<std::string>{"A@http://x/a@d1", "C@http://x/c@d3"}));
}

TEST_F(SinaBlogTest, EntriesWithoutAddressesAreScannedInOnePass) {
    engine->account = blog.account;
    std::string page = "<span><em>x</em></span></div><ul></ul>";
    const std::string entry = "\"atc_title\">title=\"" + std::string(40, 'h') + "\"";
    while (page.size() < (8u << 20)) page += entry;
    simulator.Route(kSinaHost, ListPath(0, 1), Response::Html(page));
    EXPECT_TRUE(ListAll(*engine).empty());
}

TEST_F(SinaBlogTest, EndlessIdenticalPagesEndTheListing) {
    engine->account = blog.account;
    const std::string page =
        "<span><em>x</em></span></div><ul><li><div></div></li></ul>"
        "<span class=\"atc_title\"><a title=\"Same\" href=\"http://x/1\"></a></span>"
        "<span class=\"SG_txtc\">2011</span>下一页&nbsp;&gt;";
    simulator.RouteHost(kSinaHost, [page](const Request&) { return Response::Html(page); });
    const auto listed = ListAll(*engine);
    EXPECT_EQ(listed.size(), 1u);  // page 2 repeats page 1: the category ends there
    EXPECT_LE(simulator.Requests().size(), 4u);

    // Pages without articles but with the next link lead on, yet not forever.
    const std::string empty = "<span><em>x</em></span></div><ul></ul>下一页&nbsp;&gt;";
    simulator.RouteHost(kSinaHost, [empty](const Request&) { return Response::Html(empty); });
    simulator.ClearRequests();
    EXPECT_TRUE(ListAll(*engine).empty());
    EXPECT_LT(simulator.Requests().size(), 40u);
}

TEST_F(SinaBlogTest, DownloadCutsTheBodyAndStoresLazyPictures) {
    test::TempDir dir;
    fs::create_directories(dir.File("img"));
    site.KeepPicturesIn(dir.File("img/"));
    AddSinaBlog(simulator, blog);
    ArticleInfo article = ArticleAt(SinaArticleUrl(blog.articles[0]), dir.File("1.html"));
    article.title = blog.articles[0].title;
    EXPECT_TRUE(engine->DownloadArticle(article).Saved());
    const std::string page = ToUtf8(ReadFile(dir.File("1.html")));
    EXPECT_NE(page.find("这是<b>第9篇</b>文章的正文。Hello World"), std::string::npos);
    EXPECT_NE(page.find("src=\"img/1_1.png\""), std::string::npos);
    EXPECT_EQ(page.find("正文结束"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.File("img/1_1.png")), blog.articles[0].pictures[0].bytes);

    // The share block ends the body when the comment is missing.
    AddSinaBlog(simulator, blog, {.shareUpEnding = true});
    EXPECT_TRUE(engine->DownloadArticle(article).Saved());
    EXPECT_NE(ReadFile(dir.File("1.html")).find("Hello World"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.File("1.html")).find("shareUp"), std::string::npos);
}

TEST_F(SinaBlogTest, PagesWithoutTheBodyAreFailuresAndNotWritten) {
    test::TempDir dir;
    const ArticleInfo article =
        ArticleAt("http://blog.sina.com.cn/s/blog_x.html", dir.File("1.html"));
    // Both end markers missing, or the start tag never closed: worth another try.
    for (const std::string html : {"<div class=\"articalContent\">text only</div>",
                                   "<div class=articalContent <!-- 正文结束 --"}) {
        simulator.Route(kSinaHost, "/s/blog_x.html", Response::Html(html));
        const ArticleOutcome outcome = engine->DownloadArticle(article);
        EXPECT_FALSE(outcome.Saved()) << html;
        EXPECT_TRUE(outcome.markersMissing) << html;
        EXPECT_EQ(outcome.reason, kSevereError);
        EXPECT_EQ(outcome.httpStatus, 200);
    }
    EXPECT_FALSE(fs::exists(article.localPath));

    // A page that did not come is the fetch's failure, not a missing marker.
    const ArticleOutcome missing = engine->DownloadArticle(
        ArticleAt("http://blog.sina.com.cn/s/none.html", dir.File("2.html")));
    EXPECT_EQ(missing.kind, ArticleOutcome::Kind::Failed);
    EXPECT_FALSE(missing.markersMissing);
    EXPECT_EQ(missing.httpStatus, 404);
    EXPECT_NE(missing.reason.find("404"), std::string::npos) << missing.reason;
    EXPECT_TRUE(site.Messages().empty());
}

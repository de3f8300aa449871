#include <gtest/gtest.h>

#include <filesystem>

#include "base/Encoding.h"
#include "base/WholePage.h"
#include "sim/DemoBlog.h"
#include "sim/RenrenService.h"
#include "sites/RenrenBlog.h"
#include "sites/SiteTestKit.h"
#include "support/TempDir.h"

using namespace pw;
using namespace pw::sim;
using namespace pw::sitetest;
namespace fs = std::filesystem;

namespace {

std::string Entry(const std::string& n, bool stamped = true) {
    return "<div class=\"list-blog\"><strong><a href=\"http://blog.renren.com/blog/1/" + n +
           "\">T" + n + "</a></strong>" +
           (stamped ? "<span class=\"timestamp\">t" + n + "</span>" : "") + "</div>";
}

class RenrenBlogTest : public EngineTest {
protected:
    void ServeList(int page, const std::string& entries) {
        simulator.Route(kRenrenBlog, RenrenListPath("1", page),
                        Response::Html(RenrenListPage(entries)));
    }
    size_t ListRequests() const {
        size_t n = 0;
        for (const auto& r : simulator.Requests()) n += r.path == "/blog/1/friends";
        return n;
    }

    DemoBlog blog =
        MakeDemoBlog({.account = "1", .categories = 2, .articlesPerCategory = 3, .pageSize = 3});
    std::unique_ptr<BlogBase> engine = MakeRenrenBlog(site);
};

}  // namespace

TEST_F(RenrenBlogTest, UserIdIsTheDigitsBehindId) {
    AddRenrenBlog(simulator, blog);
    ASSERT_TRUE(engine->ParseAddress("http://www.renren.com/profile.do?id=1&ref=x"));
    EXPECT_EQ(engine->account, "1");
    EXPECT_EQ(engine->homeUrl, "http://www.renren.com/profile.do?id=1");
    EXPECT_EQ(engine->blogName, blog.name);

    ASSERT_TRUE(engine->ParseAddress("http://renren.com/profile.do?id=abc"));
    EXPECT_EQ(engine->account, "");
    EXPECT_EQ(engine->blogName, "");

    simulator.ClearRequests();
    EXPECT_FALSE(engine->ParseAddress("http://blog.renren.com/blog/1/2"));
    EXPECT_FALSE(engine->ParseAddress("http://www.renren.com?id=1"));
    EXPECT_TRUE(simulator.Requests().empty());

    std::vector<std::string> list{"stale"};
    ASSERT_TRUE(engine->GetCategories(list));
    EXPECT_EQ(Utf8List(list), (std::vector<std::string>{"日志"}));
}

TEST_F(RenrenBlogTest, TwoFullPagesTakeThreeRequests) {
    AddRenrenBlog(simulator, blog);
    engine->ParseAddress("http://www.renren.com/profile.do?id=1");
    const auto listed = ListAll(*engine);
    ASSERT_EQ(listed.size(), 6u);
    EXPECT_EQ(engine->articleCount, 6);
    for (size_t i = 0; i < listed.size(); ++i) {
        const DemoArticle& a = blog.articles[i];
        EXPECT_EQ(listed[i], (Listed{"", a.title, RenrenDiaryUrl(blog, a), "日志", a.time}));
    }
    EXPECT_EQ(ListRequests(), 3u);
    EXPECT_EQ(site.Statuses(),
              (std::vector<std::string>{"正在获取第 1 页文章……", "正在获取第 2 页文章……",
                                        "正在获取第 3 页文章……"}));
}

TEST_F(RenrenBlogTest, AnEntryWithoutItsOwnTimestampIsSkipped) {
    engine->account = "1";
    ServeList(0, Entry("1") + Entry("2", false) + Entry("3"));
    EXPECT_EQ(ListAll(*engine),
              (std::vector<Listed>{{"", "T1", "http://blog.renren.com/blog/1/1", "日志", "t1"},
                                   {"", "T3", "http://blog.renren.com/blog/1/3", "日志", "t3"}}));
    EXPECT_EQ(ListRequests(), 2u);
}

TEST_F(RenrenBlogTest, HostileListPagesEndTheirScan) {
    engine->account = "1";
    const std::vector<std::string> broken = {
        "<div class=\"list-blog\">no link",
        "<div class=\"list-blog\"><strong><a href=\"/relative\">T</a>",
        "<div class=\"list-blog\"><strong><a href=\"http://unterminated>T</a>",
        "<div class=\"list-blog\"><strong><a href=\"http://x\"",
        "</a><div class=\"list-blog\"><strong><a href=\"http://x\">no end",
        "<div class=\"list-blog\"><strong><a href=\"http://x\">T9</a><span class=\"timestamp\">t9",
    };
    for (const std::string& tail : broken) {
        simulator.ClearRequests();
        ServeList(0, Entry("1") + tail);
        ServeList(1, Entry("2") + tail);
        const auto titles = Titles(ListAll(*engine));
        ASSERT_FALSE(titles.empty()) << tail;
        EXPECT_EQ(titles.front(), "T1") << tail;
        // Page 2 is missing (an empty page): the listing ends there.
        EXPECT_EQ(ListRequests(), 3u) << tail;
    }

    // A list whose every page is the same never runs out by itself.
    simulator.ClearRoutes();
    simulator.ClearRequests();
    simulator.RouteHost(kRenrenBlog, [](const Request&) {
        return Response::Html(RenrenListPage(Entry("1") + Entry("2")));
    });
    EXPECT_EQ(ListAll(*engine).size(), 2u);
    EXPECT_EQ(ListRequests(), 2u);
}

TEST_F(RenrenBlogTest, ListingEndsWhenTheCallbackOrTheJobSaysSo) {
    AddRenrenBlog(simulator, blog);
    engine->account = "1";
    // The third article is the last of page 1: page 2 is never asked for.
    EXPECT_EQ(ListAll(*engine, 3).size(), 3u);
    EXPECT_EQ(ListRequests(), 1u);

    simulator.ClearRequests();
    site.stopping = true;
    EXPECT_TRUE(ListAll(*engine).empty());
    EXPECT_EQ(engine->articleCount, 0);
    EXPECT_TRUE(simulator.Requests().empty());
}

TEST_F(RenrenBlogTest, DownloadCutsTheDiaryText) {
    test::TempDir dir;
    fs::create_directories(dir.File("img"));
    site.KeepPicturesIn(dir.File("img/"));
    AddRenrenBlog(simulator, blog);
    ArticleInfo article = ArticleAt(RenrenDiaryUrl(blog, blog.articles[0]), dir.File("1.html"));
    EXPECT_TRUE(engine->DownloadArticle(article).Saved());
    const std::string page = ToUtf8(ReadFile(dir.File("1.html")));
    EXPECT_NE(page.find("文章的正文。Hello World"), std::string::npos);
    EXPECT_NE(page.find("src=\"img/"), std::string::npos);
    EXPECT_EQ(page.find("XN_Anti"), std::string::npos);

    simulator.Route(kRenrenBlog, "/s",
                    Response::Html("<div class=\"text-article\">Body<p "
                                   "class=\"stat-article\">views</p>"));
    article.url = "http://blog.renren.com/s";
    EXPECT_TRUE(engine->DownloadArticle(article).Saved());
    const std::string second(PageContent(ReadFile(dir.File("1.html"))));
    EXPECT_EQ(second.substr(second.rfind("</div></br>") + 11), "Body");

    // The end markers must stand behind the start.
    simulator.Route(kRenrenBlog, "/u",
                    Response::Html("<p class=\"stat-article\"><div "
                                   "class=\"text-article\">no end"));
    article = ArticleAt("http://blog.renren.com/u", dir.File("2.html"));
    const ArticleOutcome outcome = engine->DownloadArticle(article);
    EXPECT_TRUE(outcome.markersMissing);
    EXPECT_EQ(outcome.reason, "出现严重错误，请联系开发者!");
    EXPECT_FALSE(fs::exists(article.localPath));
}

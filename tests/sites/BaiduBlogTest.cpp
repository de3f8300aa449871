#include <gtest/gtest.h>

#include <filesystem>

#include "base/Encoding.h"
#include "base/WholePage.h"
#include "sim/BaiduService.h"
#include "sim/DemoBlog.h"
#include "sites/BaiduBlog.h"
#include "sites/SiteTestKit.h"
#include "support/TempDir.h"

using namespace pw;
using namespace pw::sim;
using namespace pw::sitetest;
namespace fs = std::filesystem;

namespace {

const char kDateError[] = "获取日期时间时发生错误，请联系开发者!";

// One index entry with the given pieces; an empty piece leaves its part out.
std::string Entry(const std::string& link, const std::string& title, const std::string& date,
                  const std::string& category) {
    std::string html = "<div class=\"tit\"><a href=\"" + link + "\">" + title + "</a></div>";
    if (!date.empty()) html += "<div class=\"date\">" + date + "</div>";
    if (!category.empty()) html += "<a title=\"x\">类别：" + category + "</a>";
    return ToAnsi(html);
}

class BaiduBlogTest : public EngineTest {
protected:
    void ServeIndex(int page, const std::string& entries) {
        simulator.Route(kBaiduHost, "/someone/blog/index/" + std::to_string(page),
                        Response::Html(BaiduIndexPage(entries)));
    }
    size_t IndexRequests() const {
        size_t n = 0;
        for (const auto& r : simulator.Requests())
            n += r.path.find("/blog/index/") != std::string::npos;
        return n;
    }

    DemoBlog blog = MakeDemoBlog(
        {.account = "someone", .categories = 3, .articlesPerCategory = 3, .pageSize = 4});
    std::unique_ptr<BlogBase> engine = MakeBaiduBlog(site);
};

}  // namespace

TEST_F(BaiduBlogTest, AccountIsTheFirstPathSegment) {
    AddBaiduBlog(simulator, blog);
    ASSERT_TRUE(engine->ParseAddress("http://hi.baidu.com/someone/blog/item/abc.html"));
    EXPECT_EQ(engine->account, "someone");
    EXPECT_EQ(engine->homeUrl, "http://hi.baidu.com/someone");
    // The typed address is the page read for the name; this one has none.
    EXPECT_EQ(engine->blogName, "someone");

    ASSERT_TRUE(engine->ParseAddress("hi.baidu.com/someone"));
    EXPECT_EQ(engine->account, "someone");
    ASSERT_TRUE(engine->ParseAddress("http://hi.baidu.com/someone"));
    EXPECT_EQ(engine->blogName, blog.name);

    simulator.Route(kBaiduHost, "/plain", Response::Html("<title>My days</title>"));
    ASSERT_TRUE(engine->ParseAddress("http://hi.baidu.com/plain"));
    EXPECT_EQ(engine->blogName, "plain");
    simulator.Route(kBaiduHost, "/days",
                    Response::Html(ToAnsi("<title> My days _百度空间</title>")));
    ASSERT_TRUE(engine->ParseAddress("http://hi.baidu.com/days"));
    EXPECT_EQ(engine->blogName, "My days");
    EXPECT_TRUE(site.Messages().empty());

    simulator.ClearRequests();
    EXPECT_FALSE(engine->ParseAddress("http://hi.baidu.com"));
    EXPECT_FALSE(engine->ParseAddress("http://someone.blog.163.com/"));
    EXPECT_TRUE(simulator.Requests().empty());
}

TEST_F(BaiduBlogTest, CategoriesStopAtTheTable) {
    AddBaiduBlog(simulator, blog);
    engine->account = "someone";
    std::vector<std::string> list;
    ASSERT_TRUE(engine->GetCategories(list));
    EXPECT_EQ(Utf8List(list), (std::vector<std::string>{"旅行札记", "读书笔记", "家常菜谱"}));

    simulator.Route(kBaiduHost, "/someone/blog", Response::Html("<div id=\"m_artclg\"></div>"));
    ASSERT_TRUE(engine->GetCategories(list));
    EXPECT_TRUE(list.empty());
    simulator.Route(kBaiduHost, "/someone/blog", Response::Html("<div id=\"other\"></div>"));
    EXPECT_FALSE(engine->GetCategories(list));
    EXPECT_EQ(site.Messages(),
              (std::vector<std::string>{"获取文章分类时出现未知错误，请联系开发者!"}));
}

TEST_F(BaiduBlogTest, ListsIndexPagesUntilOneHasNoDates) {
    AddBaiduBlog(simulator, blog);
    engine->account = "someone";
    const auto listed = ListAll(*engine);
    ASSERT_EQ(listed.size(), 9u);
    EXPECT_EQ(engine->articleCount, 9);
    for (size_t i = 0; i < listed.size(); ++i) {
        const DemoArticle& a = blog.articles[i];
        EXPECT_EQ(listed[i], (Listed{"", a.title, BaiduArticleUrl(blog, a), a.category, a.time}));
    }
    EXPECT_EQ(IndexRequests(), 4u);
    EXPECT_EQ(site.Statuses(),
              (std::vector<std::string>{"正在获取第 1 页文章……", "正在获取第 2 页文章……",
                                        "正在获取第 3 页文章……", "正在获取第 4 页文章……"}));

    // Enough after five: page 3 is never asked for.
    simulator.ClearRequests();
    EXPECT_EQ(ListAll(*engine, 5).size(), 5u);
    EXPECT_EQ(IndexRequests(), 2u);
}

TEST_F(BaiduBlogTest, EntriesWithoutTheirOwnFieldsAreSkippedAndToldOnceAPage) {
    engine->account = "someone";
    ServeIndex(0, Entry("/1", " A &amp; B ", "d1", "C1") + Entry("/2", "T2", "", "C2") +
                      Entry("/3", "T3", "d3", "C3") + Entry("/4", "T4", "", ""));
    // A category behind the next entry's title is that entry's.
    ServeIndex(1, Entry("/5", "T5", "d5", "") + Entry("/6", "T6", "", "C6") +
                      Entry("/7", "T7", "d7", "C7"));
    const auto listed = ListAll(*engine);
    EXPECT_EQ(listed, (std::vector<Listed>{{"", "A & B", "http://hi.baidu.com/1", "C1", "d1"},
                                           {"", "T3", "http://hi.baidu.com/3", "C3", "d3"},
                                           {"", "T7", "http://hi.baidu.com/7", "C7", "d7"}}));
    EXPECT_EQ(site.Messages(), (std::vector<std::string>{kDateError, kDateError}));
}

TEST_F(BaiduBlogTest, HostileIndexPagesEndTheirScan) {
    engine->account = "someone";
    const std::string good = Entry("/ok", "OK", "d", "C");
    const std::vector<std::string> broken = {
        "<div class=\"tit\">no link at all",
        "<div class=\"tit\"><a href=\"/unterminated>T</a>",
        "<div class=\"tit\"><a href=\"/x\">T</a><div class=\"date\">d</div>no category",
        "<div class=\"tit\"><a href=\"/x\">T</a><div class=\"date\">never ends",
        "</a><div class=\"tit\"><a href=\"/x\"",
    };
    for (size_t i = 0; i < broken.size(); ++i) {
        simulator.ClearRequests();
        ServeIndex(0, good + broken[i]);
        ServeIndex(1, Entry("/next", "Next", "d", "C") + broken[i]);
        EXPECT_EQ(Titles(ListAll(*engine)), (std::vector<std::string>{"OK", "Next"})) << i;
        EXPECT_EQ(IndexRequests(), 3u) << i;
    }

    // An index whose every page is the same never runs out by itself: the
    // listing ends where a page repeats the previous one.
    simulator.ClearRoutes();
    simulator.ClearRequests();
    simulator.RouteHost(kBaiduHost, [&](const Request&) {
        return Response::Html(BaiduIndexPage(Entry("/same", "S", "d", "C")));
    });
    EXPECT_EQ(ListAll(*engine).size(), 1u);
    EXPECT_EQ(IndexRequests(), 2u);
}

TEST_F(BaiduBlogTest, DownloadCutsFromTheTableToTheOptions) {
    test::TempDir dir;
    fs::create_directories(dir.File("img"));
    site.KeepPicturesIn(dir.File("img/"));
    AddBaiduBlog(simulator, blog);
    ArticleInfo article = ArticleAt(BaiduArticleUrl(blog, blog.articles[0]), dir.File("1.html"));
    EXPECT_TRUE(engine->DownloadArticle(article).Saved());
    const std::string page = ToUtf8(ReadFile(dir.File("1.html")));
    EXPECT_NE(page.find("<table style=\"table-layout:fixed"), std::string::npos);
    EXPECT_NE(page.find("文章的正文。Hello World"), std::string::npos);
    EXPECT_NE(page.find("src=\"img/"), std::string::npos);
    EXPECT_EQ(page.find("浏览"), std::string::npos);

    // Without the options block the table's end closes the body.
    simulator.Route(kBaiduHost, "/t",
                    Response::Html("<div id=\"m_blog\"><table style=\"\"><tr><td>"
                                   "Body</td></tr></table>tail"));
    article.url = "http://hi.baidu.com/t";
    EXPECT_TRUE(engine->DownloadArticle(article).Saved());
    const std::string second(PageContent(ReadFile(dir.File("1.html"))));
    EXPECT_EQ(second.substr(second.find("<table")), "<table style=\"\"><tr><td>Body");

    // The table must stand behind the block's marker.
    simulator.Route(kBaiduHost, "/u", Response::Html("<table style=\"\"><div id=\"m_blog\">"));
    article = ArticleAt("http://hi.baidu.com/u", dir.File("2.html"));
    const ArticleOutcome outcome = engine->DownloadArticle(article);
    EXPECT_TRUE(outcome.markersMissing);
    EXPECT_EQ(outcome.reason, "出现严重错误，请联系开发者!");
    EXPECT_FALSE(fs::exists(article.localPath));
}

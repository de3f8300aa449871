#include <gtest/gtest.h>

#include <filesystem>

#include "base/Encoding.h"
#include "sim/DemoBlog.h"
#include "sim/DemoPages.h"
#include "sim/QzoneService.h"
#include "sites/QQZone.h"
#include "sites/SiteTestKit.h"
#include "support/TempDir.h"

using namespace pw;
using namespace pw::sim;
using namespace pw::sitetest;
namespace fs = std::filesystem;

namespace {

const char kCategoryPath[] = "/cgi-bin/blognew/blog_get_category";
const char kTitleListPath[] = "/cgi-bin/blognew/blog_output_titlelist";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

DemoArticle Article(const std::string& id, const std::string& title, const std::string& time) {
    DemoArticle article;
    article.id = id;
    article.title = title;
    article.time = time;
    article.category = "C";
    return article;
}

class QQZoneTest : public EngineTest {
protected:
    // The (num, from) pairs of the title list requests, in order.
    std::vector<std::pair<int, int>> TitleListRequests() const {
        std::vector<std::pair<int, int>> pairs;
        for (const auto& r : simulator.Requests()) {
            if (r.path != kTitleListPath) continue;
            EXPECT_TRUE(EndsWith(r.query, "&g_tk=5381")) << r.query;
            pairs.emplace_back(std::atoi(QueryValue(r.query, "num").c_str()),
                               std::atoi(QueryValue(r.query, "from").c_str()));
        }
        return pairs;
    }
    // The category answer states the count; every title list answer holds the
    // entries. The count reaches the engine as in a job, through its categories.
    void ServeTitleList(int statedCount, const std::string& entries) {
        simulator.RouteHost(kQzoneCgiHost, [this, statedCount, entries](const Request& r) {
            if (r.path == kCategoryPath) {
                return Response::Html(QzoneCategoryAnswer(blog, statedCount));
            }
            return r.path == kTitleListPath ? Response::Html(QzoneTitleList(entries))
                                            : Response::NotFound();
        });
        std::vector<std::string> categories;
        ASSERT_TRUE(engine->GetCategories(categories));
        simulator.ClearRequests();
    }

    DemoBlog blog = MakeDemoBlog({.account = "12345", .categories = 2, .articlesPerCategory = 16});
    std::unique_ptr<BlogBase> engine = MakeQQZone(site);
};

}  // namespace

TEST_F(QQZoneTest, AccountFromEitherAddressFormWithoutFetching) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"http://user.qzone.qq.com/12345/blog/1", "12345"},
        {"http://12345.qzone.qq.com", "12345"},
        {"12345.qzone.qq.com/blog", "12345"},
        {"http://user.qzone.qq.com/", ""},
    };
    for (const auto& [address, account] : cases) {
        ASSERT_TRUE(engine->ParseAddress(address)) << address;
        EXPECT_EQ(engine->account, account);
        EXPECT_EQ(engine->blogName, account);
        EXPECT_EQ(engine->homeUrl, "http://" + account + ".qzone.qq.com/");
    }
    engine->account = "before";
    EXPECT_FALSE(engine->ParseAddress("http://qzone.qq.com/12345"));
    EXPECT_EQ(engine->account, "before");
    EXPECT_TRUE(simulator.Requests().empty());
}

TEST_F(QQZoneTest, CategoryAnswerGivesCountAndNames) {
    AddQzoneBlog(simulator, blog, {.statedCount = 31});
    engine->ParseAddress("http://user.qzone.qq.com/12345");
    std::vector<std::string> list{"stale"};
    ASSERT_TRUE(engine->GetCategories(list));
    EXPECT_EQ(Utf8List(list), (std::vector<std::string>{"旅行札记", "读书笔记"}));
    const Request request = simulator.Requests().back();
    EXPECT_TRUE(EndsWith(request.query, "&g_tk=")) << request.query;
    EXPECT_EQ(QueryValue(request.query, "r").size(), 18u);
    // The stated 31 articles are asked for in three title list requests.
    simulator.ClearRequests();
    ListAll(*engine);
    EXPECT_EQ(TitleListRequests().size(), 3u);

    // A failed category request leaves no count behind for the listing.
    simulator.RouteHost(kQzoneCgiHost, [](const Request&) { return Response::Html("{}"); });
    EXPECT_FALSE(engine->GetCategories(list));
    EXPECT_EQ(site.Messages(),
              (std::vector<std::string>{"获取文章分类时出现未知错误，请联系开发者!"}));
    simulator.ClearRequests();
    EXPECT_TRUE(ListAll(*engine).empty());
    EXPECT_TRUE(simulator.Requests().empty());
}

TEST_F(QQZoneTest, PageCountFollowsTheStatedCount) {
    engine->ParseAddress("http://user.qzone.qq.com/12345");
    const std::vector<std::pair<int, std::vector<std::pair<int, int>>>> cases = {
        {31, {{15, 0}, {15, 15}, {1, 30}}},
        {30, {{15, 0}, {15, 15}}},
        {0, {}},
        {-3, {}},
    };
    for (const auto& [count, pairs] : cases) {
        ServeTitleList(count, "");
        const size_t statuses = site.Statuses().size();
        EXPECT_TRUE(ListAll(*engine).empty());
        EXPECT_EQ(TitleListRequests(), pairs) << count;
        EXPECT_EQ(site.Statuses().size() - statuses, pairs.size());
    }

    // A count far beyond what the service delivers stops after a run of empty
    // pages; one beyond 32 bits is held at the largest count, not wrapped.
    for (const char* huge : {"2000000000", "99999999999999999999"}) {
        simulator.RouteHost(kQzoneCgiHost, [huge](const Request& r) {
            return Response::Html(r.path == kCategoryPath
                                      ? "{\"blog_num\":" + std::string(huge) + ",}"
                                      : QzoneTitleList(""));
        });
        std::vector<std::string> categories;
        ASSERT_TRUE(engine->GetCategories(categories));
        simulator.ClearRequests();
        ListAll(*engine);
        const auto requests = TitleListRequests();
        EXPECT_EQ(requests.size(), 11u) << huge;
        EXPECT_EQ(requests.front(), std::make_pair(15, 0)) << huge;
    }
}

TEST_F(QQZoneTest, ListsEveryArticleWithTheHomeAsItsAddress) {
    AddQzoneBlog(simulator, blog);
    engine->ParseAddress("12345.qzone.qq.com");
    std::vector<std::string> list;
    ASSERT_TRUE(engine->GetCategories(list));
    const auto listed = ListAll(*engine);
    ASSERT_EQ(listed.size(), 32u);
    EXPECT_EQ(engine->articleCount, 32);
    for (size_t i = 0; i < listed.size(); ++i) {
        const DemoArticle& a = blog.articles[i];
        EXPECT_EQ(listed[i],
                  (Listed{a.id, a.title, "http://12345.qzone.qq.com/", a.category, a.time}));
    }
    EXPECT_EQ(TitleListRequests(), (std::vector<std::pair<int, int>>{{15, 0}, {15, 15}, {2, 30}}));
    EXPECT_EQ(site.Statuses().back(), "正在获取第 3 页文章……");

    // Enough after the sixteenth: the third page is never asked for.
    simulator.ClearRequests();
    EXPECT_EQ(ListAll(*engine, 16).size(), 16u);
    EXPECT_EQ(TitleListRequests().size(), 2u);
}

TEST_F(QQZoneTest, EntriesWithoutTheirOwnDateAreSkipped) {
    engine->ParseAddress("12345.qzone.qq.com");
    std::string undated = QzoneTitleEntry(Article("2", "T2", "t2"));
    undated.erase(undated.find(ToAnsi("发表于")));
    ServeTitleList(3, QzoneTitleEntry(Article("1", "T1", "t1")) + undated +
                          QzoneTitleEntry(Article("3", "T3", "t3")));
    const auto listed = ListAll(*engine);
    EXPECT_EQ(Titles(listed), (std::vector<std::string>{"T1", "T3"}));
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1].id, "3");
    EXPECT_EQ(listed[1].time, "t3");
}

TEST_F(QQZoneTest, HostileTitleListsEndTheirScan) {
    engine->ParseAddress("12345.qzone.qq.com");
    const DemoArticle good = Article("9", "OK", "t");
    for (const std::string broken :
         {"selectCategory(\\'C", "selectCategory(\\'C\\')", "selectCategory(\\'C\\') blogtitle_1",
          "selectCategory(\\'C\\') blogtitle_1\\\" no tag",
          "selectCategory(\\'C\\') blogtitle_1\\\">T"}) {
        // Two pages of the same answer: the stated count bounds this list, so
        // a repeated page is listed again.
        ServeTitleList(30, QzoneTitleEntry(good) + broken);
        EXPECT_EQ(Titles(ListAll(*engine)), (std::vector<std::string>{"OK", "OK"})) << broken;
    }
}

TEST_F(QQZoneTest, DownloadBuildsTheArticleRequestAndCutsTheBody) {
    test::TempDir dir;
    fs::create_directories(dir.File("img"));
    site.KeepPicturesIn(dir.File("img/"));
    AddQzoneBlog(simulator, blog);
    engine->ParseAddress("12345.qzone.qq.com");
    ArticleInfo article = ArticleAt("http://12345.qzone.qq.com/", dir.File("1.html"));
    article.id = blog.articles[0].id;
    EXPECT_TRUE(engine->DownloadArticle(article).Saved());
    const std::string page = ToUtf8(ReadFile(dir.File("1.html")));
    EXPECT_NE(page.find("文章的正文。Hello World"), std::string::npos);
    EXPECT_NE(page.find("src=\"img/"), std::string::npos);
    EXPECT_EQ(page.find("</div>\n<div class=\"tail\""), std::string::npos);
    const Request request = simulator.Requests().front();
    EXPECT_EQ(request.path, "/cgi-bin/blognew/blog_output_data");
    EXPECT_EQ(QueryValue(request.query, "blogid"), blog.articles[0].id);
    const std::string stamp = QueryValue(request.query, "timestamp");
    EXPECT_FALSE(stamp.empty());
    EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos) << stamp;
    EXPECT_TRUE(EndsWith(request.query, "&dprefix=&g_tk="));

    // The simulator answers an unknown id with an error status.
    article.id = "missing";
    article.localPath = dir.File("2.html");
    const ArticleOutcome outcome = engine->DownloadArticle(article);
    EXPECT_EQ(outcome.kind, ArticleOutcome::Kind::Failed);
    EXPECT_FALSE(fs::exists(article.localPath));

    simulator.RouteHost(kQzoneCgiHost, [](const Request&) {
        return Response::Html("<div id=\"blogDetailDiv\">body without its end</div>");
    });
    const ArticleOutcome unmarked = engine->DownloadArticle(article);
    EXPECT_TRUE(unmarked.markersMissing);
    EXPECT_EQ(unmarked.reason, "出现严重错误，请联系开发者!");
    EXPECT_FALSE(fs::exists(article.localPath));
}

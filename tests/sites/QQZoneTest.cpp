#include <gtest/gtest.h>

#include <filesystem>

#include "base/Encoding.h"
#include "sim/DemoBlog.h"
#include "sim/DemoPages.h"
#include "sim/QzoneService.h"
#include "sites/QQZone.h"
#include "sites/SiteTestKit.h"
#include "support/ScopedProxy.h"
#include "support/TempDir.h"
#include "support/TestHost.h"

using namespace pw;
using namespace pw::sim;
using namespace pw::sitetest;
namespace fs = std::filesystem;

namespace {

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

class QQZoneTest : public ::testing::Test {
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
    void ServeTitleList(const std::string& entries) {
        simulator.RouteHost(kQzoneCgiHost, [entries](const Request& r) {
            return r.path == kTitleListPath ? Response::Html(QzoneTitleList(entries))
                                            : Response::NotFound();
        });
    }

    ServiceSimulator simulator;
    test::ScopedProxy proxy{simulator};
    test::TestHost host;
    DemoBlog blog = MakeDemoBlog({.account = "12345", .categories = 2, .articlesPerCategory = 16});
    CQQZone engine;
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
        ASSERT_EQ(engine.ParseAddress(address), 1) << address;
        EXPECT_EQ(engine.m_strAccount, account);
        EXPECT_EQ(engine.m_strBlogName, account);
        EXPECT_EQ(engine.m_strHomeUrl, "http://" + account + ".qzone.qq.com/");
    }
    EXPECT_EQ(engine.ParseAddress("http://qzone.qq.com/12345"), 0);
    EXPECT_EQ(engine.m_strAccount, "");
    EXPECT_TRUE(simulator.Requests().empty());
}

TEST_F(QQZoneTest, CategoryAnswerGivesCountAndNames) {
    AddQzoneBlog(simulator, blog, {.statedCount = 31});
    engine.ParseAddress("http://user.qzone.qq.com/12345");
    CStringList list;
    ASSERT_EQ(engine.GetCategories(&list), 1);
    EXPECT_EQ(engine.m_nBlogCount, 31);
    EXPECT_EQ(Utf8List(list), (std::vector<std::string>{"旅行札记", "读书笔记"}));
    const Request request = simulator.Requests().back();
    EXPECT_TRUE(EndsWith(request.query, "&g_tk=")) << request.query;
    EXPECT_EQ(QueryValue(request.query, "r").size(), 18u);

    simulator.RouteHost(kQzoneCgiHost, [](const Request&) { return Response::Html("{}"); });
    EXPECT_EQ(engine.GetCategories(&list), 0);
    EXPECT_EQ(engine.m_nBlogCount, 0);
    EXPECT_TRUE(host.HasMessage("获取文章分类时出现未知错误，请联系开发者!"));
}

TEST_F(QQZoneTest, PageCountFollowsTheStatedCount) {
    engine.ParseAddress("http://user.qzone.qq.com/12345");
    const std::vector<std::pair<int, std::vector<std::pair<int, int>>>> cases = {
        {31, {{15, 0}, {15, 15}, {1, 30}}},
        {30, {{15, 0}, {15, 15}}},
        {0, {}},
        {-3, {}},
    };
    for (const auto& [count, pairs] : cases) {
        simulator.ClearRequests();
        ServeTitleList("");
        engine.m_nBlogCount = count;
        EXPECT_TRUE(ListAll(engine).empty());
        EXPECT_EQ(TitleListRequests(), pairs) << count;
        EXPECT_EQ(host.statuses.size(), pairs.size());
        host.statuses.clear();
    }

    // A count far beyond what the service delivers stops after a run of empty pages.
    simulator.ClearRequests();
    engine.m_nBlogCount = 2000000000;
    ListAll(engine);
    EXPECT_LE(TitleListRequests().size(), 20u);
}

TEST_F(QQZoneTest, ListsEveryArticleWithTheHomeAsItsAddress) {
    AddQzoneBlog(simulator, blog);
    engine.ParseAddress("12345.qzone.qq.com");
    CStringList list;
    ASSERT_EQ(engine.GetCategories(&list), 1);
    const auto listed = ListAll(engine);
    ASSERT_EQ(listed.size(), 32u);
    for (size_t i = 0; i < listed.size(); ++i) {
        const DemoArticle& a = blog.articles[i];
        EXPECT_EQ(listed[i],
                  (Listed{a.id, a.title, "http://12345.qzone.qq.com/", a.category, a.time}));
    }
    EXPECT_EQ(TitleListRequests(), (std::vector<std::pair<int, int>>{{15, 0}, {15, 15}, {2, 30}}));
    EXPECT_EQ(host.statuses.back(), "正在获取第 3 页文章……");
}

TEST_F(QQZoneTest, EntriesWithoutTheirOwnDateAreSkipped) {
    engine.ParseAddress("12345.qzone.qq.com");
    engine.m_nBlogCount = 3;
    std::string undated = QzoneTitleEntry(Article("2", "T2", "t2"));
    undated.erase(undated.find(Gbk("发表于")));
    ServeTitleList(QzoneTitleEntry(Article("1", "T1", "t1")) + undated +
                   QzoneTitleEntry(Article("3", "T3", "t3")));
    EXPECT_EQ(Titles(ListAll(engine)), (std::vector<std::string>{"T1", "T3"}));
}

TEST_F(QQZoneTest, HostileTitleListsEndTheirScan) {
    engine.ParseAddress("12345.qzone.qq.com");
    engine.m_nBlogCount = 30;
    const DemoArticle good = Article("9", "OK", "t");
    for (const std::string broken :
         {"selectCategory(\\'C", "selectCategory(\\'C\\')", "selectCategory(\\'C\\') blogtitle_1",
          "selectCategory(\\'C\\') blogtitle_1\\\" no tag",
          "selectCategory(\\'C\\') blogtitle_1\\\">T"}) {
        simulator.ClearRequests();
        ServeTitleList(QzoneTitleEntry(good) + broken);
        EXPECT_EQ(Titles(ListAll(engine)), (std::vector<std::string>{"OK", "OK"})) << broken;
    }
}

TEST_F(QQZoneTest, DownloadBuildsTheArticleRequestAndCutsTheBody) {
    test::TempDir dir;
    fs::create_directories(dir.File("img"));
    engine.m_strImageDir = dir.File("img/");
    AddQzoneBlog(simulator, blog);
    engine.ParseAddress("12345.qzone.qq.com");
    ArticleInfo article;
    article.strId = blog.articles[0].id;
    article.strLocalPath = dir.File("1.html");
    engine.DownloadArticle(&article);
    const std::string page = ToUtf8(ReadFile(dir.File("1.html")));
    EXPECT_NE(page.find("文章的正文。hello world"), std::string::npos);
    EXPECT_NE(page.find("src=\"img/"), std::string::npos);
    EXPECT_EQ(page.find("</div>\n<div class=\"tail\""), std::string::npos);
    const Request request = simulator.Requests().front();
    EXPECT_EQ(request.path, "/cgi-bin/blognew/blog_output_data");
    EXPECT_EQ(QueryValue(request.query, "blogid"), blog.articles[0].id);
    const std::string stamp = QueryValue(request.query, "timestamp");
    EXPECT_FALSE(stamp.empty());
    EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos) << stamp;
    EXPECT_TRUE(EndsWith(request.query, "&dprefix=&g_tk="));

    article.strId = "missing";
    article.strLocalPath = dir.File("2.html");
    engine.DownloadArticle(&article);
    EXPECT_FALSE(fs::exists(article.strLocalPath));
    EXPECT_TRUE(host.HasMessage("出现严重错误，请联系开发者!"));
}

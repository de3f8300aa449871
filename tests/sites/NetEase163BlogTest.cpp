#include <gtest/gtest.h>

#include <filesystem>

#include "base/Encoding.h"
#include "sim/DemoBlog.h"
#include "sim/NetEase163Service.h"
#include "sites/NetEase163Blog.h"
#include "sites/RemoteCallAnswer.h"
#include "sites/SiteTestKit.h"
#include "support/TempDir.h"

using namespace pw;
using namespace pw::sim;
using namespace pw::sitetest;
namespace fs = std::filesystem;

namespace {

class NetEase163BlogTest : public EngineTest {
protected:
    // Answers the remote call by offset from a table; offsets not in it get "[]".
    void AnswerByOffset(std::map<long long, std::string> answers, int windowBits = 31) {
        simulator.Route(k163Api, k163ListPath, [answers, windowBits](const Request& request) {
            const size_t at = request.body.find("c0-param1=number:");
            const long long offset =
                at == std::string::npos ? -1 : std::atoll(request.body.c_str() + at + 17);
            const auto found = answers.find(offset);
            return NetEase163Answer(found == answers.end() ? "cb([]);" : found->second, windowBits);
        });
    }
    // The user id the remote calls asked by.
    std::vector<std::string> RequestedUserIds() const {
        std::vector<std::string> ids;
        for (const auto& r : simulator.Requests()) {
            const size_t at = r.body.find("c0-param0=number:");
            if (r.host == k163Api && at != std::string::npos) {
                ids.push_back(r.body.substr(at + 17, r.body.find('\n', at) - at - 17));
            }
        }
        return ids;
    }
    std::vector<long long> RequestedOffsets() const {
        std::vector<long long> offsets;
        for (const auto& r : simulator.Requests()) {
            const size_t at = r.body.find("c0-param1=number:");
            if (r.host == k163Api && at != std::string::npos) {
                offsets.push_back(std::atoll(r.body.c_str() + at + 17));
            }
        }
        return offsets;
    }

    ChinaTimeZone zone;
    DemoBlog blog =
        MakeDemoBlog({.account = "someone", .categories = 3, .articlesPerCategory = 15});
    std::unique_ptr<BlogBase> engine = MakeNetEase163Blog(site);
};

}  // namespace

TEST_F(NetEase163BlogTest, AccountComesFromTheHostWithOrWithoutScheme) {
    Add163Blog(simulator, blog);
    for (const char* address :
         {"http://someone.blog.163.com/", "someone.blog.163.com/blog/static/123",
          "https://someone.blog.163.com", "someone.blog.163.com/x//y"}) {
        ASSERT_TRUE(engine->ParseAddress(address)) << address;
        EXPECT_EQ(engine->account, "someone") << address;
        EXPECT_EQ(engine->homeUrl, "http://someone.blog.163.com/");
        EXPECT_EQ(engine->blogName, blog.name);
    }
    EXPECT_TRUE(site.Messages().empty());

    simulator.ClearRequests();
    EXPECT_FALSE(engine->ParseAddress("http://hi.baidu.com/someone"));
    EXPECT_EQ(engine->account, "someone");
    EXPECT_TRUE(simulator.Requests().empty());
}

TEST_F(NetEase163BlogTest, UnreachableHomeKeepsTheAccountAndReportsTheMissingUserId) {
    Add163Blog(simulator, blog);
    ASSERT_TRUE(engine->ParseAddress("http://someone.blog.163.com/"));
    ListAll(*engine);
    ASSERT_TRUE(engine->ParseAddress("http://nobody.blog.163.com/"));
    EXPECT_EQ(engine->blogName, "nobody");
    EXPECT_EQ(site.Messages(), (std::vector<std::string>{"发现未知错误,请联系开发者!"}));
    // The previous blog's user id must not carry over to this one's listing.
    ListAll(*engine);
    const auto ids = RequestedUserIds();
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.front(), "27182818");
    EXPECT_EQ(ids.back(), "");
}

TEST_F(NetEase163BlogTest, CategoriesStopAtTheBlockEnd) {
    Add163Blog(simulator, blog);
    engine->account = "someone";
    std::vector<std::string> list{"stale"};
    ASSERT_TRUE(engine->GetCategories(list));
    EXPECT_EQ(Utf8List(list), (std::vector<std::string>{"旅行札记", "读书笔记", "家常菜谱"}));

    // Without "}]," the names run to the end of the page.
    simulator.Route("someone.blog.163.com", "/blog",
                    Response::Html("{id:\"fks_1\",name:\"A &amp; B\"} x name:\"tail\""));
    ASSERT_TRUE(engine->GetCategories(list));
    EXPECT_EQ(Utf8List(list), (std::vector<std::string>{"A & B", "tail"}));

    simulator.Route("someone.blog.163.com", "/blog", Response::Html("{id:\"other\"}"));
    EXPECT_FALSE(engine->GetCategories(list));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(site.Messages(),
              (std::vector<std::string>{"获取文章分类时出现未知错误，请联系开发者!"}));
}

TEST_F(NetEase163BlogTest, ListsTheBlogTwentyAtATime) {
    Add163Blog(simulator, blog);
    ASSERT_TRUE(engine->ParseAddress("someone.blog.163.com"));
    const auto listed = ListAll(*engine);
    ASSERT_EQ(listed.size(), 45u);
    EXPECT_EQ(engine->articleCount, 45);
    for (size_t i = 0; i < listed.size(); ++i) {
        const DemoArticle& a = blog.articles[i];
        EXPECT_EQ(listed[i],
                  (Listed{"", a.title, NetEase163ArticleUrl(blog, a), a.category, a.time}));
    }
    EXPECT_EQ(RequestedOffsets(), (std::vector<long long>{0, 20, 40, 45}));
    EXPECT_EQ(site.Statuses(), (std::vector<std::string>{"已获取 20 个文章……", "已获取 40 个文章……",
                                                         "已获取 45 个文章……"}));
    const Request first = simulator.Requests()[1];
    EXPECT_EQ(first.method, "POST");
    EXPECT_EQ(first.body.substr(0, first.body.find("batchId=")),
              "callCount=1\nscriptSessionId=${scriptSessionId}187\nc0-scriptName=BlogBeanNew\n"
              "c0-methodName=getBlogs\nc0-id=0\nc0-param0=number:27182818\nc0-param1=number:0\n"
              "c0-param2=number:20\n");
    const int batch = std::atoi(first.body.c_str() + first.body.find("batchId=") + 8);
    EXPECT_GE(batch, 100000);
    EXPECT_LE(batch, 100000 + 32767);
    EXPECT_EQ(first.body.back(), '\n');
}

TEST_F(NetEase163BlogTest, IncompleteVariablesAreSkippedButCounted) {
    engine->homeUrl = "http://someone.blog.163.com/";
    AnswerByOffset(
        {{0,
          "s0.permalink=\"blog/static/1\";s0.title=\"\\u4E2D\\u6587\";s0.publishTime=1262275200000;"
          "s0.className=\"C\";s1.permalink=\"blog/static/2\";s1.title=\"T1\";"
          "s1.publishTime=0;\ncb('1','0',[s0,s1]);"},
         {2,
          "s0.permalink=\"p\";s0.title=\"zlib\";s0.publishTime=-5000;s0.className=\"\";cb([s0]);"}},
        15);
    const auto listed = ListAll(*engine);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0], (Listed{"", "中文", "http://someone.blog.163.com/blog/static/1", "C",
                                 "2010-01-01 00:00:00"}));
    // A negative publish time cannot be shown: the time stays empty.
    EXPECT_EQ(listed[1], (Listed{"", "zlib", "http://someone.blog.163.com/p", "", ""}));
    EXPECT_EQ(RequestedOffsets(), (std::vector<long long>{0, 2, 3}));
    // "[]" ends the listing without a progress text of its own.
    EXPECT_EQ(site.Statuses(),
              (std::vector<std::string>{"已获取 2 个文章……", "已获取 3 个文章……"}));
}

TEST_F(NetEase163BlogTest, HostileAnswersEndTheListing) {
    engine->homeUrl = "http://someone.blog.163.com/";
    const std::string full =
        "s0.permalink=\"a\";s0.title=\"t\";s0.publishTime=1;s0.className=\"c\";";
    for (const std::string answer : {"cb([,,,]);", "cb(]s0[);", "no list at all", ""}) {
        simulator.ClearRequests();
        AnswerByOffset({{0, full + answer}});
        EXPECT_TRUE(ListAll(*engine).empty()) << answer;
        EXPECT_EQ(RequestedOffsets().size(), 1u) << answer;
    }

    // The same page for every offset would never run out.
    simulator.ClearRequests();
    simulator.Route(k163Api, k163ListPath,
                    [&](const Request&) { return NetEase163Answer(full + "cb([s0]);"); });
    EXPECT_EQ(ListAll(*engine).size(), 1u);
    EXPECT_LE(RequestedOffsets().size(), 3u);

    // A list naming one variable a hundred thousand times is no answer of the
    // service: it ends the listing instead of costing memory.
    std::string names = "s0";
    for (int i = 0; i < 100000; ++i) names += ",s0";
    simulator.ClearRequests();
    AnswerByOffset({{0, "s0.permalink=\"a\";s0.title=\"t;s0.publishTime=1;cb([" + names + "]);"}});
    EXPECT_TRUE(ListAll(*engine).empty());
    EXPECT_EQ(RequestedOffsets(), (std::vector<long long>{0}));
}

TEST_F(NetEase163BlogTest, DownloadCutsTheBodyBetweenItsMarkers) {
    test::TempDir dir;
    fs::create_directories(dir.File("img"));
    site.KeepPicturesIn(dir.File("img/"));
    Add163Blog(simulator, blog);
    ArticleInfo article =
        ArticleAt(NetEase163ArticleUrl(blog, blog.articles[0]), dir.File("1.html"));
    EXPECT_TRUE(engine->DownloadArticle(article).Saved());
    const std::string page = ToUtf8(ReadFile(dir.File("1.html")));
    EXPECT_NE(page.find("文章的正文。Hello World"), std::string::npos);
    EXPECT_NE(page.find("src=\"img/"), std::string::npos);
    EXPECT_EQ(page.find("分享"), std::string::npos);

    // The end must stand behind the start.
    simulator.Route("someone.blog.163.com", "/broken",
                    Response::Html("<div >x</div><div class=\"nbw-blog ztag\">no end"));
    article = ArticleAt("http://someone.blog.163.com/broken", dir.File("2.html"));
    const ArticleOutcome outcome = engine->DownloadArticle(article);
    EXPECT_TRUE(outcome.markersMissing);
    EXPECT_EQ(outcome.reason, "出现严重错误，请联系开发者!");
    EXPECT_FALSE(fs::exists(article.localPath));
    EXPECT_TRUE(site.Messages().empty());
}

TEST(RemoteCallAnswerTest, AnOverlongNameListIsNoList) {
    std::string names;
    for (int i = 0; i < 40000; ++i) names += "s0,";
    EXPECT_TRUE(pw::RemoteCallAnswer("var s0={};\n[" + names + "s0];").ListedVariables().empty());
    EXPECT_EQ(pw::RemoteCallAnswer("[s0,s1];").ListedVariables().size(), 2u);
}

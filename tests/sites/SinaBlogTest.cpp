#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/Encoding.h"
#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "sites/SinaBlog.h"
#include "support/ScopedProxy.h"
#include "support/TempDir.h"
#include "support/TestHost.h"

using namespace pw;
using namespace pw::sim;
namespace fs = std::filesystem;

namespace {

struct Listed {
    std::string title, url, category, time;
};

int Collect(ArticleInfo* article, void* list) {
    static_cast<std::vector<Listed>*>(list)->push_back({ToUtf8(article->strTitle), article->strUrl,
                                                        ToUtf8(article->strCategory),
                                                        article->strTime});
    return 0;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SinaBlogTest : public ::testing::Test {
protected:
    std::string ListPath(int category, int page) {
        return "/s/articlelist_" + blog.account + "_" + std::to_string(category) + "_" +
               std::to_string(page) + ".html";
    }
    std::vector<Listed> ListAll() {
        std::vector<Listed> listed;
        engine.ListArticles(Collect, &listed);
        return listed;
    }

    ServiceSimulator simulator;
    test::ScopedProxy proxy{simulator};
    test::TestHost host;
    DemoBlog blog = MakeDemoBlog({.categories = 3, .articlesPerCategory = 3, .pageSize = 2});
    CSinaBlog engine;
};

}  // namespace

TEST_F(SinaBlogTest, DeclinesOtherAddressesWithoutFetching) {
    EXPECT_EQ(engine.ParseAddress("http://blog.sina.com.cn"), 0);
    EXPECT_EQ(engine.ParseAddress("http://hi.baidu.com/someone"), 0);
    EXPECT_TRUE(simulator.Requests().empty());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SinaBlogTest, ReadsUidAndBlogName) {
    AddSinaBlog(simulator, blog, {.blogPath = "/myblog"});
    simulator.Route(kSinaHost, "/named",
                    Response::Html("<title>\n  A &amp; B  </title>$uid : \"42\""));
    ASSERT_EQ(engine.ParseAddress("http://blog.sina.com.cn/myblog"), 1);
    EXPECT_EQ(engine.m_strAccount, blog.account);
    EXPECT_EQ(engine.m_strHomeUrl, "http://blog.sina.com.cn/u/" + blog.account);
    EXPECT_EQ(ToUtf8(engine.m_strBlogName), blog.name + "_新浪博客");
    ASSERT_EQ(engine.ParseAddress("http://blog.sina.com.cn/named"), 1);
    EXPECT_EQ(engine.m_strAccount, "42");
    EXPECT_EQ(engine.m_strBlogName, "A & B");
}

TEST_F(SinaBlogTest, MissingUidIsReportedAndDeclined) {
    simulator.Route(kSinaHost, "/nouid", Response::Html("<title>x</title>"));
    engine.m_strAccount = "before";
    EXPECT_EQ(engine.ParseAddress("http://blog.sina.com.cn/nouid"), 0);
    EXPECT_EQ(engine.m_strAccount, "before");
    EXPECT_TRUE(host.HasMessage("获取新浪博客uid时出现错误，请检查您的输入!"));
    // A page without a title keeps the uid as the name.
    simulator.Route(kSinaHost, "/untitled", Response::Html("$uid=\"77\""));
    ASSERT_EQ(engine.ParseAddress("http://blog.sina.com.cn/untitled"), 1);
    EXPECT_EQ(engine.m_strBlogName, "77");
}

TEST_F(SinaBlogTest, CategoriesComeAfterTheAllArticlesEntry) {
    AddSinaBlog(simulator, blog);
    engine.m_strAccount = blog.account;
    CStringList list{"stale"};
    ASSERT_EQ(engine.GetCategories(&list), 1);
    std::vector<std::string> names;
    for (const auto& name : list) names.push_back(ToUtf8(name));
    EXPECT_EQ(names, (std::vector<std::string>{"全部博文", "旅行札记", "读书笔记", "家常菜谱"}));

    simulator.Route(kSinaHost, ListPath(0, 1), Response::Html("<html>no block</html>"));
    ASSERT_EQ(engine.GetCategories(&list), 0);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(ToUtf8(list.front()), "全部博文");
    EXPECT_TRUE(host.HasMessage("获取文章分类时出现未知错误，请联系开发者!"));
}

TEST_F(SinaBlogTest, ListsEveryArticleUnderAllAndUnderItsCategoryAcrossPages) {
    AddSinaBlog(simulator, blog);
    engine.m_strAccount = blog.account;
    const auto listed = ListAll();
    ASSERT_EQ(listed.size(), 18u);
    EXPECT_EQ(engine.m_nArticleCount, 18);
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
    // Page 1 of category 0 serves the categories twice and the list once.
    EXPECT_EQ(simulator.CountRequests(kSinaHost, ListPath(0, 1)), 2u);
}

TEST_F(SinaBlogTest, NullCallbackListsNothing) {
    AddSinaBlog(simulator, blog);
    engine.m_nArticleCount = 7;
    engine.ListArticles(nullptr, nullptr);
    EXPECT_EQ(engine.m_nArticleCount, 7);
    EXPECT_TRUE(simulator.Requests().empty());
}

TEST_F(SinaBlogTest, BrokenEntriesAreSkippedAndScansEnd) {
    engine.m_strAccount = blog.account;
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
    for (const auto& l : ListAll()) titles.push_back(l.title + "@" + l.url + "@" + l.time);
    EXPECT_EQ(titles,
              (std::vector<std::string>{"T2@http://x/2@2011-01-02", "T3@http://x/3@2011-01-03"}));
    EXPECT_EQ(simulator.CountRequests(kSinaHost, ListPath(0, 3)), 0u);
    EXPECT_EQ(simulator.CountRequests(kSinaHost, ListPath(1, 2)), 0u);
}

TEST_F(SinaBlogTest, EntriesWithoutAddressesAreScannedInOnePass) {
    engine.m_strAccount = blog.account;
    std::string page = "<span><em>x</em></span></div><ul></ul>";
    const std::string entry = "\"atc_title\">title=\"" + std::string(40, 'h') + "\"";
    while (page.size() < (8u << 20)) page += entry;
    simulator.Route(kSinaHost, ListPath(0, 1), Response::Html(page));
    EXPECT_TRUE(ListAll().empty());
}

TEST_F(SinaBlogTest, EndlessIdenticalPagesEndTheListing) {
    engine.m_strAccount = blog.account;
    const std::string page =
        "<span><em>x</em></span></div><ul><li><div></div></li></ul>"
        "<span class=\"atc_title\"><a title=\"Same\" href=\"http://x/1\"></a></span>"
        "<span class=\"SG_txtc\">2011</span>下一页&nbsp;&gt;";
    simulator.RouteHost(kSinaHost, [page](const Request&) { return Response::Html(page); });
    const auto listed = ListAll();
    EXPECT_EQ(listed.size(), 1u);  // page 2 repeats page 1: the category ends there
    EXPECT_LE(simulator.Requests().size(), 4u);

    // Pages without articles but with the next link lead on, yet not forever.
    const std::string empty = "<span><em>x</em></span></div><ul></ul>下一页&nbsp;&gt;";
    simulator.RouteHost(kSinaHost, [empty](const Request&) { return Response::Html(empty); });
    simulator.ClearRequests();
    EXPECT_TRUE(ListAll().empty());
    EXPECT_LT(simulator.Requests().size(), 40u);
}

TEST_F(SinaBlogTest, DownloadCutsTheBodyAndStoresLazyPictures) {
    test::TempDir dir;
    fs::create_directories(dir.File("img"));
    engine.m_strImageDir = dir.File("img/");
    AddSinaBlog(simulator, blog);
    ArticleInfo article;
    article.strUrl = SinaArticleUrl(blog.articles[0]);
    article.strTitle = Gbk(blog.articles[0].title);
    article.strLocalPath = dir.File("1.html");
    article.strFileName = "1.html";
    engine.DownloadArticle(&article);
    const std::string page = ToUtf8(ReadFile(dir.File("1.html")));
    EXPECT_NE(page.find("这是<b>第9篇</b>文章的正文。hello world"), std::string::npos);
    EXPECT_NE(page.find("src=\"img/1_1.png\""), std::string::npos);
    EXPECT_EQ(page.find("正文结束"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.File("img/1_1.png")), blog.articles[0].pictures[0].bytes);

    // The share block ends the body when the comment is missing.
    AddSinaBlog(simulator, blog, {.shareUpEnding = true});
    engine.DownloadArticle(&article);
    EXPECT_NE(ReadFile(dir.File("1.html")).find("hello world"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.File("1.html")).find("shareUp"), std::string::npos);
}

TEST_F(SinaBlogTest, PageWithoutBodyMarkersIsReportedAndNotWritten) {
    test::TempDir dir;
    ArticleInfo article;
    article.strUrl = "http://blog.sina.com.cn/s/blog_x.html";
    article.strLocalPath = dir.File("1.html");
    simulator.Route(kSinaHost, "/s/blog_x.html",
                    Response::Html("<div class=\"articalContent\">text only</div>"));
    engine.DownloadArticle(&article);
    EXPECT_FALSE(fs::exists(article.strLocalPath));
    EXPECT_TRUE(host.HasMessage("出现严重错误，请联系开发者!"));
    engine.DownloadArticle(nullptr);
}

// The whole job on a simulated Sina blog: address in, book on the desktop.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/AppSettings.h"
#include "book/ProjectWriter.h"
#include "base/Encoding.h"
#include "job/ArticlePage.h"
#include "job/DownloadJob.h"
#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "sites/SinaBlog.h"
#include "support/ChmReader.h"
#include "support/Epubcheck.h"
#include "support/ScopedEnv.h"
#include "support/ScopedProxy.h"
#include "support/TempDir.h"
#include "support/TestHost.h"

using namespace pw;
using namespace pw::sim;
namespace fs = std::filesystem;

namespace {

class SinaJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        OnContinueDownload();  // every test starts with an open gate
        jobRoot = temp.File("jobs/");
        desktop = temp.File("Desktop/");
        fs::create_directories(jobRoot);
        fs::create_directories(desktop);
        page.SetJobRoot(jobRoot);
        page.SetDesktopDir(desktop);
        page.SetWorkerCount(3);
    }

    void Start(const std::string& address) { page.OnStartButton(Gbk(address)); }

    std::vector<std::string> Texts(int parent) {
        std::vector<std::string> texts;
        for (int i = page.Tree().GetChildItem(parent); i; i = page.Tree().GetNextSiblingItem(i)) {
            texts.push_back(ToUtf8(page.Tree().GetItemText(i)));
        }
        return texts;
    }

    // Files below dir, relative, sorted.
    static std::vector<std::string> Listing(const std::string& dir) {
        std::vector<std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            files.push_back(fs::relative(e.path(), dir).string());
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    ServiceSimulator simulator;
    test::ScopedProxy proxy{simulator};
    test::TempDir temp;
    test::TestHost host;
    std::string jobRoot, desktop;
    CArticlePage page;
};

}  // namespace

TEST_F(SinaJobTest, AddressBecomesACompleteBook) {
    const DemoBlog blog = MakeDemoBlog({.categories = 3, .articlesPerCategory = 3, .pageSize = 2});
    const std::string address = AddSinaBlog(simulator, blog);
    Start(address);
    EXPECT_FALSE(page.StartEnabled());
    ASSERT_TRUE(host.RunUntilFinished());
    EXPECT_TRUE(page.StartEnabled());
    ASSERT_EQ(host.book, desktop + blog.account + ".chm");
    EXPECT_EQ(page.DeliveredBooks(),
              (std::vector<std::string>{host.book, desktop + blog.account + ".epub"}));
    EXPECT_TRUE(host.HasMessage("电子书编译完毕(在桌面上)，请您欣赏"));
    EXPECT_TRUE(host.HasStatus("文章列表获取完毕，可以下载备份成书了"));
    EXPECT_TRUE(host.HasStatus("文章列表下载完毕，开始制作电子书……"));
    EXPECT_FALSE(fs::exists(jobRoot + blog.account));  // the pages are gone after delivery
    EXPECT_EQ(host.lastDone, 18);
    EXPECT_EQ(host.lastTotal, 18);

    // The tree: blog, "all articles" and the three categories, every article twice.
    const int root = page.Tree().GetRootItem();
    EXPECT_EQ(ToUtf8(page.Tree().GetItemText(root)), blog.name + "_新浪博客");
    const auto categories = Texts(root);
    ASSERT_EQ(categories,
              (std::vector<std::string>{"全部博文", "旅行札记", "读书笔记", "家常菜谱"}));
    const int all = page.Tree().GetChildItem(root);
    const auto allTitles = Texts(all);
    ASSERT_EQ(allTitles.size(), 9u);
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(allTitles[i], blog.articles[i].title);

    // The book holds every page, picture, the title page, contents and index.
    const auto objects = test::ReadChmObjects(host.book);
    ASSERT_FALSE(objects.empty());
    for (int n = 1; n <= 18; ++n) {
        const std::string name = "/" + std::to_string(n) + ".html";
        ASSERT_TRUE(objects.count(name)) << name;
        EXPECT_NE(objects.at(name).find(" src=\"img/"), std::string::npos) << name;
    }
    size_t pictures = 0;
    for (const auto& [path, bytes] : objects) {
        if (path.rfind("/img/", 0) == 0) {
            ++pictures;
            EXPECT_EQ(bytes.substr(1, 3), "PNG");
        }
    }
    EXPECT_EQ(pictures, 18u);  // each article once per listing, each copy its own
    EXPECT_TRUE(objects.count("/index.html"));
    ASSERT_TRUE(objects.count("/" + blog.account + ".hhc"));
    EXPECT_EQ(objects.at("/" + blog.account + ".hhc"),
              TextModeBytes(ContentsFileText(g_vecTreeEntries)));
    EXPECT_EQ(objects.at("/" + blog.account + ".hhk"),
              TextModeBytes(IndexFileText(g_vecTreeEntries)));
    // Each article page's file name is the one the contents point at.
    for (const auto& entry : g_vecTreeEntries) {
        if (!entry.bArticle) continue;
        const std::string& pageBytes = objects.at("/" + entry.pArticle->strFileName);
        EXPECT_NE(pageBytes.find(entry.pArticle->strTitle), std::string::npos);
    }
}

TEST_F(SinaJobTest, TheEpubBesideTheBookPassesTheValidator) {
    if (!test::EpubcheckInstalled()) GTEST_SKIP() << "epubcheck is not installed";
    const DemoBlog blog =
        MakeDemoBlog({.categories = 3, .articlesPerCategory = 2, .picturesPerArticle = 2});
    Start(AddSinaBlog(simulator, blog));
    ASSERT_TRUE(host.RunUntilFinished());
    const std::string epub = desktop + blog.account + ".epub";
    ASSERT_TRUE(fs::is_regular_file(epub));
    const test::CheckResult check = test::RunEpubcheck(epub);
    ASSERT_TRUE(check.bRan);
    EXPECT_EQ(check.nExitCode, 0) << check.strOutput;
}

TEST_F(SinaJobTest, OneWorkerNumbersThePagesInTreeOrder) {
    const DemoBlog blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 2});
    page.SetWorkerCount(1);
    Start(AddSinaBlog(simulator, blog));
    ASSERT_TRUE(host.RunUntilFinished());
    int expected = 0;
    for (const auto& entry : g_vecTreeEntries) {
        if (entry.bArticle) {
            EXPECT_EQ(entry.pArticle->strFileName, std::to_string(++expected) + ".html");
        }
    }
    EXPECT_EQ(expected, 8);
    EXPECT_FALSE(host.book.empty());
}

TEST_F(SinaJobTest, StopMakesABookOfWhatWasDownloaded) {
    const DemoBlog blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 10});
    page.SetWorkerCount(2);
    Start(AddSinaBlog(simulator, blog, {.delayMs = 150}));
    ASSERT_TRUE(host.RunUntil([&] { return host.progressCalls >= 2; }));
    OnStopDownload();
    ASSERT_TRUE(host.RunUntilFinished());
    const int started = g_nStartedCount.load();
    EXPECT_LT(started, 40);
    ASSERT_FALSE(host.book.empty());
    const auto objects = test::ReadChmObjects(host.book);
    int pages = 0;
    for (const auto& [path, bytes] : objects) {
        if (path.find(".html") != std::string::npos && path != "/index.html" &&
            path.find("search") == std::string::npos) {
            ++pages;
        }
    }
    EXPECT_EQ(pages, started);

    // The gate stays closed after a stop: the next job waits until continue.
    host.finished = false;
    Start(AddSinaBlog(simulator, MakeDemoBlog({.categories = 1, .articlesPerCategory = 2})));
    ASSERT_TRUE(host.RunUntil([&] { return page.State() == PageState::Downloading; }));
    EXPECT_FALSE(host.RunUntil([&] { return host.finished; }, 1));
    EXPECT_EQ(g_nStartedCount.load(), 0);
    OnContinueDownload();
    ASSERT_TRUE(host.RunUntilFinished());
    EXPECT_FALSE(host.book.empty());
}

TEST_F(SinaJobTest, PauseHoldsTheWorkersUntilContinue) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 8});
    page.SetWorkerCount(2);
    Start(AddSinaBlog(simulator, blog, {.delayMs = 100}));
    ASSERT_TRUE(host.RunUntil([&] { return host.progressCalls >= 1; }));
    OnPauseDownload();
    EXPECT_TRUE(host.HasStatus("暂停下载"));
    host.RunUntil([] { return false; }, 1);  // let the articles in hand finish
    const int held = g_nStartedCount.load();
    host.RunUntil([] { return false; }, 1);
    EXPECT_EQ(g_nStartedCount.load(), held);
    EXPECT_LT(held, 16);
    OnContinueDownload();
    ASSERT_TRUE(host.RunUntilFinished());
    EXPECT_EQ(g_nStartedCount.load(), 16);
}

TEST_F(SinaJobTest, HostileAccountStaysInsideTheJobRoot) {
    std::ofstream(temp.File("sentinel")) << "keep";
    for (const std::string uid : {"../../..", "", "a/../../b", "..\\x\x01", "-rf"}) {
        host.finished = false;
        simulator.Route(kSinaHost, "/evil", Response::Html("<title>t</title>$uid=\"" + uid + "\""));
        simulator.RouteHost(kSinaHost, [](const Request&) {
            return Response::Html("<span><em>x</em></span></div><ul></ul>");
        });
        Start("http://blog.sina.com.cn/evil");
        ASSERT_TRUE(host.RunUntilFinished()) << uid;
        ASSERT_FALSE(host.book.empty()) << uid;
        EXPECT_EQ(fs::path(host.book).parent_path(), fs::path(desktop).parent_path());
        EXPECT_EQ(Listing(jobRoot), std::vector<std::string>{}) << uid;
    }
    EXPECT_TRUE(fs::exists(temp.File("sentinel")));
    const auto top = Listing(temp.Path());
    for (const auto& path : top) {
        EXPECT_TRUE(path == "sentinel" || path.rfind("jobs", 0) == 0 ||
                    path.rfind("Desktop", 0) == 0)
            << path;
    }
}

TEST_F(SinaJobTest, OverlongListedFieldsAreCut) {
    const std::string title = std::string(1023, 'x') + Gbk("中") + std::string(100000, 'y');
    simulator.Route(kSinaHost, "/huge", Response::Html("$uid=\"5\""));
    simulator.RouteHost(kSinaHost, [title](const Request& request) {
        if (request.path != "/s/articlelist_5_0_1.html") return Response::NotFound();
        return Response::Html("<span><em>x</em></span></div><ul></ul>"
                              "<span class=\"atc_title\"><a title=\"" + ToUtf8(title) +
                              "\" href=\"http://x/1\"></a><span class=\"SG_txtc\">t</span>");
    });
    page.SetWorkerCount(0);
    Start("http://blog.sina.com.cn/huge");
    ASSERT_TRUE(host.RunUntilFinished());
    const int all = page.Tree().GetChildItem(page.Tree().GetRootItem());
    const int article = page.Tree().GetChildItem(all);
    ASSERT_NE(article, 0);
    // 1,023 letters and no half of the double-byte character behind them.
    EXPECT_EQ(page.Tree().GetItemText(article), std::string(1023, 'x'));
    EXPECT_EQ(page.Tree().GetItemData(article)->strTitle, std::string(1023, 'x'));
}

TEST_F(SinaJobTest, UnknownAddressIsRefused) {
    Start("http://weibo.com/u/123");
    ASSERT_TRUE(host.RunUntilFinished());
    EXPECT_TRUE(host.book.empty());
    EXPECT_TRUE(host.HasMessage("未能识别该博客类型，请联系作者添加!"));
    EXPECT_TRUE(page.StartEnabled());
    EXPECT_EQ(page.Tree().GetRootItem(), 0);
}

TEST_F(SinaJobTest, FailedCompileKeepsThePagesAndSaysSo) {
    test::ScopedEnv env;
    env.Set("PAGEWELL_CHMCMD", "/bin/false");
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 2});
    Start(AddSinaBlog(simulator, blog));
    ASSERT_TRUE(host.RunUntilFinished());
    EXPECT_TRUE(host.book.empty());
    EXPECT_FALSE(host.HasMessage("电子书编译完毕(在桌面上)，请您欣赏"));
    EXPECT_TRUE(fs::exists(jobRoot + blog.account + "/1.html"));
    // The EPUB that was made still reaches the desktop.
    EXPECT_EQ(Listing(desktop), std::vector<std::string>{blog.account + ".epub"});
}

TEST_F(SinaJobTest, TheSettingChoosesTheBooks) {
    const std::string saved = Settings().m_strBookFormats;
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 2});
    const std::string address = AddSinaBlog(simulator, blog);
    for (const std::string formats : {"chm", "epub"}) {
        host.finished = false;
        Settings().m_strBookFormats = formats;
        Start(address);
        ASSERT_TRUE(host.RunUntilFinished());
        EXPECT_EQ(page.DeliveredBooks(),
                  std::vector<std::string>{desktop + blog.account + "." + formats});
        EXPECT_FALSE(fs::exists(jobRoot + blog.account));
        fs::remove(desktop + blog.account + "." + formats);
    }
    Settings().m_strBookFormats = saved;
}

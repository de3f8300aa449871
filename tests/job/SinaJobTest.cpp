// The whole job on a simulated Sina blog: address in, books on the desktop.

#include <sys/stat.h>

#include <fstream>

#include "app/AppSettings.h"
#include "base/TextFile.h"
#include "book/ProjectWriter.h"
#include "job/JobTestKit.h"
#include "sim/SinaService.h"
#include "support/ChmReader.h"
#include "support/Epubcheck.h"
#include "support/HeldAnswers.h"
#include "support/ScopedEnv.h"

using namespace pw;
using namespace pw::sim;
namespace fs = std::filesystem;

namespace {

class SinaJobTest : public test::JobTest {
protected:
    std::vector<std::string> Texts(const Job& job, int parent) {
        std::vector<std::string> texts;
        const ArticleTree& tree = job.Tree();
        for (int i = tree.GetChildItem(parent); i; i = tree.GetNextSiblingItem(i)) {
            texts.push_back(tree.GetItemText(i));
        }
        return texts;
    }

    static int CountPages(const std::map<std::string, std::string>& objects) {
        int pages = 0;
        for (const auto& [path, bytes] : objects) {
            const bool page = path.size() > 5 && path.compare(path.size() - 5, 5, ".html") == 0 &&
                              path != "/index.html" && path.find("search") == std::string::npos;
            pages += page;
        }
        return pages;
    }
};

}  // namespace

TEST_F(SinaJobTest, AddressBecomesACompleteBook) {
    const DemoBlog blog = MakeDemoBlog({.categories = 3, .articlesPerCategory = 3, .pageSize = 2});
    Job& job = Run(Options(AddSinaBlog(simulator, blog)));
    const JobResult& result = job.Result();
    ASSERT_EQ(result.end, JobResult::End::Delivered);
    EXPECT_TRUE(result.Complete());
    const std::string book = desktop + blog.account + ".chm";
    EXPECT_EQ(result.books, (std::vector<std::string>{book, desktop + blog.account + ".epub"}));
    EXPECT_EQ(result.finalText, "电子书编译完毕(在桌面上)，请您欣赏");
    EXPECT_TRUE(listener.HasStatus("文章列表获取完毕，可以下载备份成书了"));
    EXPECT_TRUE(listener.HasStatus("文章列表下载完毕，开始制作电子书……"));
    EXPECT_EQ(Listing(jobRoot), std::vector<std::string>{});  // the pages are gone after delivery
    EXPECT_EQ(result.articles, 9);
    EXPECT_EQ(result.saved, 9);
    EXPECT_EQ(listener.LastDone(), 9);
    EXPECT_EQ(listener.LastTotal(), 9);
    EXPECT_EQ(listener.FinishedCalls(), 1);

    // The tree: blog, "all articles" and the three categories, every article twice.
    const int root = job.Tree().GetRootItem();
    EXPECT_EQ(job.Tree().GetItemText(root), blog.name + "_新浪博客");
    ASSERT_EQ(Texts(job, root),
              (std::vector<std::string>{"全部博文", "旅行札记", "读书笔记", "家常菜谱"}));
    const auto allTitles = Texts(job, job.Tree().GetChildItem(root));
    ASSERT_EQ(allTitles.size(), 9u);
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(allTitles[i], blog.articles[i].title);

    // An article listed twice is fetched once: nine pages, nine pictures.
    for (const auto& article : blog.articles) {
        const std::string url = SinaArticleUrl(article);
        EXPECT_EQ(simulator.CountRequests(kSinaHost, url.substr(url.find("/s/"))), 1u);
    }
    const auto objects = test::ReadChmObjects(book);
    ASSERT_FALSE(objects.empty());
    EXPECT_EQ(CountPages(objects), 9);
    size_t pictures = 0;
    for (const auto& [path, bytes] : objects) {
        if (path.rfind("/img/", 0) == 0) {
            ++pictures;
            EXPECT_EQ(bytes.substr(1, 3), "PNG");
        }
    }
    EXPECT_EQ(pictures, 9u);
    EXPECT_TRUE(objects.count("/index.html"));

    // Contents and index keep all 18 entries; both entries of an article name its one page.
    const std::vector<TreeEntry>& entries = job.Entries();
    ASSERT_TRUE(objects.count("/" + blog.account + ".hhc"));
    EXPECT_EQ(objects.at("/" + blog.account + ".hhc"),
              TextModeBytes(ToAnsiMarkup(ContentsFileText(entries))));
    EXPECT_EQ(objects.at("/" + blog.account + ".hhk"),
              TextModeBytes(ToAnsiMarkup(IndexFileText(entries))));
    std::map<std::string, std::set<std::string>> pagesOf;
    int articleEntries = 0;
    for (const auto& entry : entries) {
        if (!entry.article) continue;
        ++articleEntries;
        pagesOf[entry.url].insert(entry.fileName);
        ASSERT_TRUE(objects.count("/" + entry.fileName)) << entry.fileName;
        EXPECT_NE(objects.at("/" + entry.fileName).find(ToAnsiMarkup(entry.title)),
                  std::string::npos);
        EXPECT_NE(objects.at("/" + entry.fileName).find(" src=\"img/"), std::string::npos);
    }
    EXPECT_EQ(articleEntries, 18);
    for (const auto& [url, pages] : pagesOf) EXPECT_EQ(pages.size(), 1u) << url;
    // The one page names the article's own category, not the listing 全部博文.
    for (const auto& article : blog.articles) {
        const std::string url = SinaArticleUrl(article);
        const std::string& page = objects.at("/" + *pagesOf.at(url).begin());
        EXPECT_NE(page.find(ToAnsi("类别：<font color=black>" + article.category + "</font>")),
                  std::string::npos)
            << article.title;
    }
}

TEST_F(SinaJobTest, TheEpubBesideTheBookPassesTheValidator) {
    if (!test::EpubcheckInstalled()) GTEST_SKIP() << "epubcheck is not installed";
    const DemoBlog blog =
        MakeDemoBlog({.categories = 3, .articlesPerCategory = 2, .picturesPerArticle = 2});
    Run(Options(AddSinaBlog(simulator, blog)));
    const std::string epub = desktop + blog.account + ".epub";
    ASSERT_TRUE(fs::is_regular_file(epub));
    const test::CheckResult check = test::RunEpubcheck(epub);
    ASSERT_TRUE(check.ran);
    EXPECT_EQ(check.exitCode, 0) << check.output;
}

TEST_F(SinaJobTest, OneWorkerNumbersThePagesInTreeOrder) {
    const DemoBlog blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 2});
    Job& job = Run(Options(AddSinaBlog(simulator, blog), 1));
    // The first listing (全部博文) meets every article first.
    int expected = 0;
    std::set<std::string> seen;
    for (const auto& entry : job.Entries()) {
        if (!entry.article || !seen.insert(entry.url).second) continue;
        EXPECT_EQ(entry.fileName, std::to_string(++expected) + ".html");
    }
    EXPECT_EQ(expected, 4);
    EXPECT_TRUE(job.Result().Complete());
}

TEST_F(SinaJobTest, PictureUsedTwiceIsFetchedOnce) {
    DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 4});
    for (auto& article : blog.articles) article.pictures = {blog.articles[0].pictures[0]};
    Job& job = Run(Options(AddSinaBlog(simulator, blog)));
    ASSERT_TRUE(job.Result().Complete());
    const std::string& url = blog.articles[0].pictures[0].url;
    const std::string path = url.substr(url.find('/', 7));
    EXPECT_EQ(simulator.CountRequests("s1.sinaimg.cn", path), 1u);
    const auto objects = test::ReadChmObjects(desktop + blog.account + ".chm");
    size_t pictures = 0;
    for (const auto& [name, bytes] : objects) pictures += name.rfind("/img/", 0) == 0;
    EXPECT_EQ(pictures, 1u);
}

TEST_F(SinaJobTest, ConnectionsAreAboutTheWorkers) {
    const DemoBlog blog = MakeDemoBlog({.categories = 4, .articlesPerCategory = 10});
    Job& job = Run(Options(AddSinaBlog(simulator, blog), 5));
    ASSERT_TRUE(job.Result().Complete());
    EXPECT_GE(simulator.Requests().size(), 80u);
    EXPECT_LE(simulator.Connections(), 5u + 3u);
    EXPECT_EQ(job.NetworkStats().requests, simulator.Requests().size());
}

TEST_F(SinaJobTest, StopMakesABookOfWhatWasDownloadedAndEndsOnlyItsJob) {
    const DemoBlog blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 10});
    test::TestListener first;
    Job job(Options(AddSinaBlog(simulator, blog, {.delayMs = 150}), 2), first);
    job.Start();
    ASSERT_TRUE(test::WaitFor([&] { return first.ProgressCalls() >= 2; }));
    job.Stop();
    ASSERT_TRUE(job.WaitFor(std::chrono::seconds(60)));
    job.Wait();
    const JobResult& result = job.Result();
    ASSERT_EQ(result.end, JobResult::End::Delivered);
    EXPECT_GT(result.saved, 0);
    EXPECT_LT(result.saved, 20);
    EXPECT_EQ(result.saved + static_cast<int>(result.missing.size()), 20);
    EXPECT_EQ(result.missing.back().reason, "下载已停止");
    EXPECT_EQ(CountPages(test::ReadChmObjects(result.books.front())), result.saved);
    EXPECT_FALSE(result.jobFolder.empty());  // kept for the next run

    // The next job is not held by that stop.
    const DemoBlog other =
        MakeDemoBlog({.account = "2222", .categories = 1, .articlesPerCategory = 2});
    Job& next = Run(Options(AddSinaBlog(simulator, other)));
    EXPECT_TRUE(next.Result().Complete());
}

TEST_F(SinaJobTest, PauseHoldsTheWorkersUntilContinue) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 8});
    const std::string address = AddSinaBlog(simulator, blog);
    // The pause comes while each of the two workers surely holds an article.
    test::HeldAnswers held;
    test::HoldSinaArticlePages(simulator, blog, held);
    Job job(Options(address, 2), listener);
    job.Start();
    ASSERT_TRUE(held.WaitForArrivals(2));
    job.Pause();
    EXPECT_TRUE(listener.HasStatus("暂停下载"));
    held.LetThrough(2);
    ASSERT_TRUE(test::WaitFor([&] { return listener.ProgressCalls() == 2; }));

    // A whole other job runs while this one is paused; its workers stay at the gate.
    test::TestListener otherListener;
    const DemoBlog other =
        MakeDemoBlog({.account = "2222", .categories = 1, .articlesPerCategory = 2});
    EXPECT_TRUE(Run(Options(AddSinaBlog(simulator, other)), &otherListener).Result().Complete());
    EXPECT_EQ(held.Arrived(), 2);
    EXPECT_EQ(listener.ProgressCalls(), 2);

    job.Continue();
    held.LetAllThrough();
    ASSERT_TRUE(test::RunJob(job));
    EXPECT_EQ(listener.ProgressCalls(), 8);
    EXPECT_TRUE(job.Result().Complete());
}

TEST_F(SinaJobTest, HostileAccountStaysInsideTheJobRoot) {
    std::ofstream(temp.File("sentinel")) << "keep";
    for (const std::string uid : {"../../..", "", "a/../../b", "..\\x\x01", "-rf", ".hidden"}) {
        simulator.Route(kSinaHost, "/evil", Response::Html("<title>t</title>$uid=\"" + uid + "\""));
        simulator.RouteHost(kSinaHost, [](const Request&) {
            return Response::Html("<span><em>x</em></span></div><ul></ul>");
        });
        Job& job = Run(Options("http://blog.sina.com.cn/evil"));
        ASSERT_EQ(job.Result().end, JobResult::End::Delivered) << uid;
        for (const auto& book : job.Result().books) {
            EXPECT_EQ(fs::path(book).parent_path(), fs::path(desktop).parent_path()) << uid;
            EXPECT_NE(fs::path(book).filename().string()[0], '.') << uid;
        }
        EXPECT_EQ(Listing(jobRoot), std::vector<std::string>{}) << uid;
    }
    EXPECT_TRUE(fs::exists(temp.File("sentinel")));
    for (const auto& path : Listing(temp.Path())) {
        EXPECT_TRUE(path == "sentinel" || path.rfind("data", 0) == 0 ||
                    path.rfind("Desktop", 0) == 0)
            << path;
    }
}

TEST_F(SinaJobTest, AccountsInOtherScriptsKeepReadableNames) {
    simulator.RouteHost(kSinaHost, [](const Request&) {
        return Response::Html("<span><em>x</em></span></div><ul></ul>");
    });
    const std::vector<std::pair<std::string, std::string>> names = {
        {"听风看雨", "听风看雨"}, {"Café_1", "Café_1"}, {"a/b", "a_b_"}};
    for (const auto& [uid, name] : names) {
        simulator.Route(kSinaHost, "/named",
                        Response::Html("<title>t</title>$uid=\"" + uid + "\""));
        Job& job = Run(Options("http://blog.sina.com.cn/named"));
        ASSERT_EQ(job.Result().books.size(), 2u) << uid;
        const std::string book = fs::path(job.Result().books[0]).filename().string();
        // Replaced characters add a hash, so that names stay apart.
        EXPECT_EQ(book.substr(0, name.size()), name) << uid;
        EXPECT_EQ(book.size() == name.size() + 4, uid == name) << book;
    }
}

TEST_F(SinaJobTest, OverlongListedFieldsAreCut) {
    const std::string title = std::string(1023, 'x') + "中" + std::string(100000, 'y');
    simulator.Route(kSinaHost, "/huge", Response::Html("$uid=\"5\""));
    simulator.RouteHost(kSinaHost, [title](const Request& request) {
        if (request.path != "/s/articlelist_5_0_1.html") return Response::NotFound();
        return Response::Html(
            "<span><em>x</em></span></div><ul></ul>"
            "<span class=\"atc_title\"><a title=\"" +
            title + "\" href=\"http://x/1\"></a><span class=\"SG_txtc\">t</span>");
    });
    Job& job = Run(Options("http://blog.sina.com.cn/huge", 0));
    const ArticleTree& tree = job.Tree();
    const int article = tree.GetChildItem(tree.GetChildItem(tree.GetRootItem()));
    ASSERT_NE(article, 0);
    // 1,023 letters and no half of the double-byte character behind them.
    EXPECT_EQ(tree.GetItemText(article), std::string(1023, 'x'));
    EXPECT_EQ(tree.GetItemData(article)->title, std::string(1023, 'x'));
}

TEST_F(SinaJobTest, UnknownAddressIsRefused) {
    Job& job = Run(Options("http://weibo.com/u/123"));
    EXPECT_EQ(job.Result().end, JobResult::End::NoEngine);
    EXPECT_TRUE(job.Result().books.empty());
    EXPECT_EQ(job.Result().finalText, "未能识别该博客类型，请联系作者添加!");
    EXPECT_EQ(job.Tree().GetRootItem(), 0);
    EXPECT_EQ(listener.States().back(), JobState::Idle);
}

TEST_F(SinaJobTest, WhenOneBookFailsTheOtherArrivesAndThePagesStay) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 2});
    const std::string address = AddSinaBlog(simulator, blog);
    {
        test::ScopedEnv env;
        env.Set("PAGEWELL_CHMCMD", "/bin/false");
        Job& job = Run(Options(address));
        EXPECT_EQ(job.Result().end, JobResult::End::Delivered);
        EXPECT_EQ(job.Result().books, std::vector<std::string>{desktop + blog.account + ".epub"});
        EXPECT_NE(job.Result().finalText.find("CHM 电子书制作失败"), std::string::npos);
        EXPECT_TRUE(fs::exists(job.Result().jobFolder + "1.html"));
    }
    fs::remove(desktop + blog.account + ".epub");
    {
        // A folder where the EPUB would be written fails the EPUB alone.
        const std::string folder = jobRoot + blog.account + "/";
        fs::create_directories(folder + blog.account + ".epub");
        std::ofstream(folder + ".blog") << "http://blog.sina.com.cn/u/" + blog.account;
        Job& job = Run(Options(address));
        EXPECT_EQ(job.Result().end, JobResult::End::Delivered);
        EXPECT_EQ(job.Result().books, std::vector<std::string>{desktop + blog.account + ".chm"});
        EXPECT_NE(job.Result().finalText.find("EPUB 电子书制作失败"), std::string::npos);
        EXPECT_EQ(job.Result().jobFolder, folder);
        EXPECT_TRUE(fs::exists(folder + "1.html"));
    }
}

TEST_F(SinaJobTest, TheOptionsChooseTheBooks) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 2});
    const std::string address = AddSinaBlog(simulator, blog);
    for (const std::string formats : {"chm", "epub"}) {
        JobOptions options = Options(address);
        options.formats = ParseBookFormats(formats);
        Job& job = Run(options);
        EXPECT_EQ(job.Result().books,
                  std::vector<std::string>{desktop + blog.account + "." + formats});
        EXPECT_TRUE(job.Result().Complete());
        EXPECT_EQ(Listing(jobRoot), std::vector<std::string>{});
        fs::remove(desktop + blog.account + "." + formats);
    }
}

// Jobs that continue: after a stop, with kept downloads, and one job per folder.

#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <latch>

#include "job/JobFolder.h"
#include "job/JobTestKit.h"
#include "job/Manifest.h"
#include "sim/SinaService.h"
#include "support/ChmReader.h"
#include "support/OneShotGate.h"

using namespace pw;
using namespace pw::sim;
namespace fs = std::filesystem;

namespace {

class JobResumeTest : public test::JobTest {
protected:
    size_t ArticleRequests() const { return CountPaths("/s/blog_"); }
    size_t PictureRequests() const { return CountPaths("/middle/"); }

    void RemoveBooks(const JobResult& result) {
        for (const auto& book : result.books) fs::remove(book);
    }
};

}  // namespace

TEST_F(JobResumeTest, AStoppedJobContinuesWhereItStopped) {
    const DemoBlog blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 10});
    const std::string address = AddSinaBlog(simulator, blog, {.delayMs = 80});
    int savedFirst = 0;
    {
        Job job(Options(address, 2), listener);
        job.Start();
        ASSERT_TRUE(test::WaitFor([&] { return listener.ProgressCalls() >= 5; }));
        job.Stop();
        job.Wait();
        savedFirst = job.Result().saved;
        ASSERT_GT(savedFirst, 0);
        ASSERT_LT(savedFirst, 20);
        RemoveBooks(job.Result());
    }
    simulator.ClearRequests();
    test::TestListener second;
    Job& job = Run(Options(address, 2), &second);
    const JobResult& result = job.Result();
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(result.resumedWith, savedFirst);
    EXPECT_EQ(ArticleRequests(), static_cast<size_t>(20 - savedFirst));
    EXPECT_GE(second.CountStatuses("继续上次的任务"), 1);
    const auto objects = test::ReadChmObjects(result.books.front());
    int pages = 0;
    for (const auto& entry : job.Entries()) {
        if (!entry.article) continue;
        ASSERT_TRUE(objects.count("/" + entry.fileName)) << entry.fileName;
        EXPECT_NE(objects.at("/" + entry.fileName).find(ToAnsiMarkup(entry.title)),
                  std::string::npos);
        ++pages;
    }
    EXPECT_EQ(pages, 40);
    EXPECT_EQ(Listing(jobRoot), std::vector<std::string>{});  // complete: the folder is gone
}

TEST_F(JobResumeTest, AnArticleWhosePicturesTheStopCutOffIsFetchedAgainWhole) {
    const DemoBlog blog =
        MakeDemoBlog({.categories = 1, .articlesPerCategory = 2, .picturesPerArticle = 2});
    const std::string address = AddSinaBlog(simulator, blog);
    // The first picture asked for holds its worker until the job was stopped,
    // then answers that the host is busy for half a minute: the stop does not
    // wait for that, and the article is left unfinished.
    test::OneShotGate entered, release;
    std::atomic<int> asked{0};
    for (const auto& article : blog.articles) {
        const DemoPicture picture = article.pictures.front();
        const std::string path = picture.url.substr(picture.url.find("/middle/"));
        simulator.Route("s1.sinaimg.cn", path, [&, picture](const Request&) {
            if (++asked > 1) return Response::Text(picture.bytes, "image/png");
            entered.Set();
            release.Wait();
            Response busy = Response::Html("busy", 429);
            busy.headers.emplace_back("Retry-After", "30");
            return busy;
        });
    }
    {
        Job job(Options(address, 1), listener);
        job.Start();
        entered.Wait();
        job.Stop();
        release.Set();
        ASSERT_TRUE(job.WaitFor(std::chrono::seconds(15)));
        job.Wait();
        EXPECT_EQ(job.Result().saved, 0);
        EXPECT_EQ(job.Result().picturesKeptRemote, 0);
        EXPECT_EQ(job.Result().missing.size(), 2u);  // both untouched or cut off: none failed
        RemoveBooks(job.Result());
    }
    Job& job = Run(Options(address, 1));
    const JobResult& result = job.Result();
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(result.resumedWith, 0);
    EXPECT_EQ(result.picturesKeptRemote, 0);
    EXPECT_EQ(PictureRequests(), 5u);  // the busy answer, then each picture once
}

TEST_F(JobResumeTest, AStopLetsTheArticlesInFlightFinishWithTheirPictures) {
    const DemoBlog blog =
        MakeDemoBlog({.categories = 1, .articlesPerCategory = 3, .picturesPerArticle = 2});
    const std::string address = AddSinaBlog(simulator, blog);
    test::OneShotGate entered, release;
    for (const auto& article : blog.articles) {
        const DemoPicture picture = article.pictures.front();
        const std::string path = picture.url.substr(picture.url.find("/middle/"));
        simulator.Route("s1.sinaimg.cn", path, [&, picture](const Request&) {
            entered.Set();
            release.Wait();
            return Response::Text(picture.bytes, "image/png");
        });
    }
    Job job(Options(address, 1), listener);
    job.Start();
    entered.Wait();
    job.Stop();
    release.Set();
    job.Wait();
    // The article in flight is whole: both its pictures were fetched after the stop.
    EXPECT_EQ(job.Result().saved, 1);
    EXPECT_EQ(job.Result().picturesKeptRemote, 0);
    EXPECT_EQ(PictureRequests(), 2u);
    RemoveBooks(job.Result());
}

TEST_F(JobResumeTest, KeptDownloadsFetchOnlyWhatIsNew) {
    DemoBlog blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 3});
    JobOptions options = Options(AddSinaBlog(simulator, blog));
    options.keepDownloads = true;
    const JobResult first = Run(options).Result();
    ASSERT_TRUE(first.Complete());
    ASSERT_FALSE(first.jobFolder.empty());
    RemoveBooks(first);

    simulator.ClearRequests();
    const JobResult again = Run(options).Result();
    EXPECT_TRUE(again.Complete());
    EXPECT_EQ(again.resumedWith, 6);
    EXPECT_EQ(ArticleRequests(), 0u);
    EXPECT_EQ(PictureRequests(), 0u);
    EXPECT_EQ(again.books.size(), 2u);
    RemoveBooks(again);

    // A new article appears on the blog: only it is fetched, the book has all seven.
    DemoBlog grown = MakeDemoBlog({.categories = 2, .articlesPerCategory = 4});
    simulator.ClearRoutes();
    AddSinaBlog(simulator, grown);
    simulator.ClearRequests();
    Job& job = Run(options);
    EXPECT_TRUE(job.Result().Complete());
    EXPECT_EQ(job.Result().saved, 8);
    EXPECT_EQ(ArticleRequests(), 2u);
    const auto objects = test::ReadChmObjects(job.Result().books.front());
    for (const auto& article : grown.articles) {
        bool found = false;
        for (const auto& [path, bytes] : objects) {
            found = found || bytes.find(ToAnsi(article.title)) != std::string::npos;
        }
        EXPECT_TRUE(found) << article.title;
    }
}

TEST_F(JobResumeTest, FreshStartsOver) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 3});
    JobOptions options = Options(AddSinaBlog(simulator, blog));
    options.keepDownloads = true;
    RemoveBooks(Run(options).Result());
    simulator.ClearRequests();
    options.fresh = true;
    const JobResult result = Run(options).Result();
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(result.resumedWith, 0);
    EXPECT_EQ(ArticleRequests(), 3u);
}

TEST_F(JobResumeTest, ASecondJobOnTheSameBlogIsRefused) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 6});
    const std::string address = AddSinaBlog(simulator, blog, {.delayMs = 150});
    Job first(Options(address, 1), listener);
    first.Start();
    ASSERT_TRUE(test::WaitFor([&] { return first.State() == JobState::Downloading; }));

    test::TestListener secondListener;
    Job& second = Run(Options(address), &secondListener);
    EXPECT_EQ(second.Result().end, JobResult::End::Busy);
    EXPECT_TRUE(second.Result().books.empty());
    EXPECT_NE(second.Result().finalText.find("另一个任务"), std::string::npos);

    first.Wait();
    EXPECT_TRUE(first.Result().Complete());
    EXPECT_EQ(first.Result().saved, 6);
}

TEST_F(JobResumeTest, AnotherBlogsFolderIsNeverUsedOrDeleted) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 2});
    const std::string theirs = jobRoot + blog.account + "/";
    fs::create_directories(theirs);
    std::ofstream(theirs + ".blog") << "http://hi.baidu.com/someone-else";
    std::ofstream(theirs + "1.html") << "their page";
    const std::string unrelated = jobRoot + blog.account + "-2/";
    fs::create_directories(unrelated);
    std::ofstream(unrelated + "notes.txt") << "not a job";

    Job& job = Run(Options(AddSinaBlog(simulator, blog)));
    EXPECT_TRUE(job.Result().Complete());
    EXPECT_TRUE(fs::exists(theirs + "1.html"));
    EXPECT_TRUE(fs::exists(unrelated + "notes.txt"));
    EXPECT_EQ(
        Listing(jobRoot),
        (std::vector<std::string>{blog.account, blog.account + "-2", blog.account + "-2/notes.txt",
                                  blog.account + "/.blog", blog.account + "/1.html"}));
}

TEST(Manifest, KeepsWholeLinesAndIgnoresATornOne) {
    test::TempDir temp;
    const std::string path = temp.File("manifest.txt");
    {
        Manifest manifest;
        ASSERT_TRUE(manifest.Open(path));
        manifest.ArticleSaved("http://a/1\tx\n%", "3.html");
        manifest.PictureSaved("http://p/a.png", "img/3_1.png");
        manifest.ArticleSaved("http://a/2", "12.html");
    }
    std::ofstream(path, std::ios::app) << "A\thttp://a/3\t4.ht";  // a kill in mid-write
    Manifest manifest;
    ASSERT_TRUE(manifest.Open(path));
    EXPECT_EQ(manifest.Articles().size(), 2u);
    EXPECT_EQ(manifest.Articles().at("http://a/1\tx\n%"), "3.html");
    EXPECT_EQ(manifest.Pictures().at("http://p/a.png"), "img/3_1.png");
    EXPECT_EQ(manifest.HighestNumber(), 12);
    manifest.ArticleSaved("http://a/4", "13.html");
    Manifest reread;
    ASSERT_TRUE(reread.Open(path));
    EXPECT_EQ(reread.Articles().size(), 3u);
    EXPECT_EQ(reread.Articles().at("http://a/4"), "13.html");
}

TEST(Manifest, ARecordThatDoesNotFitIsTakenBackWhole) {
    test::TempDir temp;
    const std::string path = temp.File("manifest.txt");
    Manifest manifest;
    ASSERT_TRUE(manifest.Open(path));
    ASSERT_TRUE(manifest.ArticleSaved("http://a/1", "1.html"));
    const auto size = fs::file_size(path);
    // A full disk, as far as this process can tell: room for a few bytes more.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = size + 5;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool written = manifest.ArticleSaved("http://a/2", "2.html");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(fs::file_size(path), size);
    ASSERT_TRUE(manifest.ArticleSaved("http://a/3", "3.html"));
    Manifest reread;
    ASSERT_TRUE(reread.Open(path));
    EXPECT_EQ(reread.Articles(), (std::map<std::string, std::string>{{"http://a/1", "1.html"},
                                                                     {"http://a/3", "3.html"}}));
}

TEST(JobFolder, LocksAndBelongsToOneBlog) {
    test::TempDir temp;
    const std::string root = temp.File("jobs/");
    auto held = JobFolder::Open(root, "blog", "http://x/a").folder;
    ASSERT_TRUE(held);
    EXPECT_FALSE(held->Existed());
    const JobFolder::Opened busy = JobFolder::Open(root, "blog", "http://x/a");
    EXPECT_FALSE(busy.folder);
    EXPECT_EQ(busy.status, JobFolder::Status::Busy);
    EXPECT_EQ(busy.path, root + "blog/");
    // The same name for another blog is another folder.
    auto other = JobFolder::Open(root, "blog", "http://x/b").folder;
    ASSERT_TRUE(other);
    EXPECT_NE(other->Path(), held->Path());
    held.reset();  // as a killed process's lock, it goes with the descriptor
    auto again = JobFolder::Open(root, "blog", "http://x/a").folder;
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->Existed());
    EXPECT_EQ(again->Path(), root + "blog/");
    // Nothing of the making is left beside the folders.
    for (const auto& entry : fs::directory_iterator(root)) {
        EXPECT_NE(entry.path().filename().string().rfind(".claim", 0), 0u) << entry.path();
    }
}

// Two jobs on one blog that start at the same moment: one gets the folder, the
// other is told the blog is busy, and neither goes to a second folder.
TEST(JobFolder, TwoJobsStartingTogetherShareNoBlog) {
    test::TempDir temp;
    for (int round = 0; round < 20; ++round) {
        const std::string root = temp.File("jobs" + std::to_string(round) + "/");
        std::latch start(2);
        JobFolder::Opened a, b;
        {
            std::jthread first([&] {
                start.arrive_and_wait();
                a = JobFolder::Open(root, "blog", "http://x/a");
            });
            std::jthread second([&] {
                start.arrive_and_wait();
                b = JobFolder::Open(root, "blog", "http://x/a");
            });
        }
        ASSERT_NE(!a.folder, !b.folder) << "round " << round;
        EXPECT_EQ(a.folder ? b.status : a.status, JobFolder::Status::Busy);
        EXPECT_EQ(a.path, root + "blog/");
        EXPECT_EQ(b.path, root + "blog/");
    }
}

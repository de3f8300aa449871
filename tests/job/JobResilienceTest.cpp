// Jobs on services that misbehave: failures that pass, rate limits, pages that
// never come, hostile listings, and jobs side by side.

#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <map>

#include "job/JobReport.h"
#include "job/JobTestKit.h"
#include "sim/BaiduService.h"
#include "sim/NetEase163Service.h"
#include "sim/SinaService.h"
#include "support/ChmReader.h"
#include "support/HeldAnswers.h"

using namespace pw;
using namespace pw::sim;
namespace fs = std::filesystem;

namespace {

class JobResilienceTest : public test::JobTest {
protected:
    std::map<std::string, std::string> Book(const JobResult& result) {
        return result.books.empty() ? std::map<std::string, std::string>{}
                                    : test::ReadChmObjects(result.books.front());
    }

    // The pages of a book, without the title page and the build stub.
    static std::set<std::string> PageNames(const std::map<std::string, std::string>& objects) {
        std::set<std::string> pages;
        for (const auto& [path, bytes] : objects) {
            if (path.size() > 5 && path.compare(path.size() - 5, 5, ".html") == 0 &&
                path != "/index.html" && path.find("search") == std::string::npos) {
                pages.insert(path);
            }
        }
        return pages;
    }
};

}  // namespace

TEST_F(JobResilienceTest, OneAddressInFiveFailingOnceGivesTheSameBook) {
    const DemoBlog blog = MakeDemoBlog({.categories = 3, .articlesPerCategory = 6, .pageSize = 4});
    const std::string address = AddSinaBlog(simulator, blog);
    Job& clean = Run(Options(address));
    ASSERT_TRUE(clean.Result().Complete());
    const auto cleanBook = Book(clean.Result());
    fs::remove(clean.Result().books[0]);
    fs::remove(clean.Result().books[1]);

    simulator.ClearRequests();
    simulator.SetBadMoments({.flakyOneIn = 5});
    Job& flaky = Run(Options(address));
    const JobResult& result = flaky.Result();
    EXPECT_TRUE(result.Complete()) << result.missing.size() << " missing";
    EXPECT_GT(simulator.BadAnswers(), 5u);
    const auto flakyBook = Book(result);
    EXPECT_EQ(PageNames(flakyBook).size(), PageNames(cleanBook).size());
    for (const auto& name : PageNames(cleanBook)) {
        ASSERT_TRUE(flakyBook.count(name)) << name;
        // Same pages but for the time stamp-free heading: the bodies match.
        EXPECT_EQ(flakyBook.at(name), cleanBook.at(name)) << name;
    }
    EXPECT_TRUE(listener.CountStatuses("服务器繁忙") > 0);
}

TEST_F(JobResilienceTest, ARateLimitedServiceStillGivesEveryArticle) {
    const DemoBlog blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 10, .pageSize = 5});
    simulator.SetBadMoments({.perSecondLimit = 15});
    Job& job = Run(Options(AddSinaBlog(simulator, blog), 5));
    EXPECT_TRUE(job.Result().Complete()) << job.Result().missing.size() << " missing";
    EXPECT_EQ(job.Result().saved, 20);
}

TEST_F(JobResilienceTest, APermanentlyMissingArticleIsReportedByName) {
    DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 4});
    blog.articles[2].title = "读《瓦尔登湖》&amp;随想";  // as the blog's HTML writes it
    AddSinaBlog(simulator, blog);
    const std::string url = SinaArticleUrl(blog.articles[2]);
    simulator.Route(kSinaHost, url.substr(url.find("/s/")), Response::NotFound());
    Job& job = Run(Options("http://blog.sina.com.cn/" + blog.account));
    const JobResult& result = job.Result();
    ASSERT_EQ(result.end, JobResult::End::Delivered);
    EXPECT_FALSE(result.Complete());
    ASSERT_EQ(result.missing.size(), 1u);
    EXPECT_EQ(result.missing[0].title, blog.articles[2].title);
    EXPECT_EQ(result.missing[0].url, url);
    EXPECT_EQ(result.missing[0].httpStatus, 404);
    EXPECT_EQ(result.saved, 3);
    // Not retried, and the report in the kept folder names it.
    EXPECT_EQ(simulator.CountRequests(kSinaHost, url.substr(url.find("/s/"))), 1u);
    ASSERT_FALSE(result.reportPath.empty());
    std::ifstream in(result.reportPath);
    const std::string report((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(report.find("读《瓦尔登湖》&随想\t"), std::string::npos) << report;
    EXPECT_NE(report.find(url), std::string::npos);
    EXPECT_NE(report.find("已下载 3/4 篇文章，1 篇失败"), std::string::npos);
}

TEST_F(JobResilienceTest, AListPageThatNeverComesLeavesTheJobIncompleteAndTheEarlierBook) {
    const DemoBlog blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 6, .pageSize = 3});
    const std::string address = AddSinaBlog(simulator, blog);
    JobOptions options = Options(address);
    options.deliveryRecordDir = temp.File("data/");
    fs::create_directories(options.deliveryRecordDir);
    const JobResult first = Run(options).Result();
    ASSERT_TRUE(first.Complete());
    ASSERT_EQ(first.books.size(), 2u);
    const auto before = fs::last_write_time(first.books.front());

    // The second page of the first category fails on every attempt.
    const std::string page = "/s/articlelist_" + blog.account + "_1_2.html";
    simulator.Route(kSinaHost, page, Response::Html("busy", 500));
    simulator.ClearRequests();
    const JobResult& result = Run(options).Result();
    EXPECT_EQ(simulator.CountRequests(kSinaHost, page), 4u);  // retried, then given up
    EXPECT_EQ(result.end, JobResult::End::Delivered);
    EXPECT_TRUE(result.listingIncomplete);
    EXPECT_FALSE(result.Complete());
    bool told = false;
    for (const std::string& message : result.messages) {
        told = told || message.find("文章列表不完整") != std::string::npos;
    }
    EXPECT_TRUE(told);
    // The folder stays with its report; the complete book on the desktop is
    // not replaced by a short one.
    ASSERT_FALSE(result.reportPath.empty());
    std::ifstream in(result.reportPath);
    const std::string report((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(report.find("文章列表不完整"), std::string::npos);
    EXPECT_NE(report.find(page), std::string::npos);
    ASSERT_EQ(result.books.size(), 2u);
    EXPECT_NE(result.books.front(), first.books.front());
    EXPECT_EQ(fs::last_write_time(first.books.front()), before);
}

TEST_F(JobResilienceTest, AListPageRefusedIsNoEndOfTheList) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 6, .pageSize = 3});
    const std::string address = AddSinaBlog(simulator, blog);
    const std::string page = "/s/articlelist_" + blog.account + "_1_2.html";
    simulator.Route(kSinaHost, page, Response::Html("forbidden", 403));
    const JobResult& result = Run(Options(address)).Result();
    EXPECT_EQ(simulator.CountRequests(kSinaHost, page), 1u);  // final: not retried
    EXPECT_TRUE(result.listingIncomplete);
    EXPECT_FALSE(result.Complete());
}

TEST_F(JobResilienceTest, ABlogThatCannotBeReachedSaysWhy) {
    simulator.Route(kSinaHost, "/gone", Response::NotFound());
    Job& job = Run(Options("http://blog.sina.com.cn/gone"));
    EXPECT_EQ(job.Result().end, JobResult::End::NoEngine);
    // Beside the service's own complaint, the answer that caused it.
    ASSERT_EQ(job.Result().messages.size(), 2u);
    EXPECT_NE(job.Result().messages[1].find("http://blog.sina.com.cn/gone  服务器返回 HTTP 404"),
              std::string::npos);
    EXPECT_FALSE(job.Result().listingIncomplete);
}

TEST_F(JobResilienceTest, APageWithoutTheArticleIsAskedForOnceMore) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 2});
    AddSinaBlog(simulator, blog);
    const std::string url = SinaArticleUrl(blog.articles[0]);
    const std::string path = url.substr(url.find("/s/"));
    auto served = std::make_shared<std::atomic<int>>(0);
    const std::string real = SinaArticlePage(blog.articles[0], {});
    simulator.Route(kSinaHost, path, [served, real](const Request&) {
        return ++*served == 1 ? Response::Html("<html>服务器忙，请稍后再试</html>")
                              : Response::Html(real);
    });
    Job& job = Run(Options("http://blog.sina.com.cn/" + blog.account));
    EXPECT_TRUE(job.Result().Complete());
    EXPECT_EQ(served->load(), 2);
    EXPECT_TRUE(job.Result().messages.empty());
}

TEST_F(JobResilienceTest, ArticlesWithoutMarkersNeverStopTheJob) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 3});
    AddSinaBlog(simulator, blog);
    for (const auto& article : blog.articles) {
        const std::string url = SinaArticleUrl(article);
        simulator.Route(kSinaHost, url.substr(url.find("/s/")),
                        Response::Html("<html>改版了</html>"));
    }
    Job& job = Run(Options("http://blog.sina.com.cn/" + blog.account));
    const JobResult& result = job.Result();
    ASSERT_EQ(result.missing.size(), 3u);
    for (const auto& missing : result.missing) {
        EXPECT_EQ(missing.reason, "出现严重错误，请联系开发者!");
    }
    // Told once, with the article it belongs to.
    EXPECT_TRUE(result.messages.empty());
}

// The user's cookies go to the blog's own service only: not to a picture host
// elsewhere, and not to another service's host (where the user may be logged
// in too) that a Sina page happens to name.
TEST_F(JobResilienceTest, CookiesReachOnlyTheServiceHosts) {
    const std::vector<std::string> pictureHosts = {"tracker.example.net", "p1.photo.qq.com",
                                                   "img.blog.163.com"};
    for (size_t i = 0; i < pictureHosts.size(); ++i) {
        const std::string& pictureHost = pictureHosts[i];
        const DemoBlog blog = MakeDemoBlog({.account = std::to_string(1000 + i),
                                            .categories = 1,
                                            .articlesPerCategory = 2,
                                            .pictureHost = pictureHost});
        JobOptions options = Options(AddSinaBlog(simulator, blog));
        options.cookies = [](const std::string&) { return std::string("SUE=secret"); };
        simulator.ClearRequests();
        Job& job = Run(options);
        ASSERT_TRUE(job.Result().Complete()) << pictureHost;
        size_t withCookie = 0, pictures = 0;
        for (const auto& request : simulator.Requests()) {
            if (request.host == pictureHost) {
                EXPECT_EQ(request.Header("Cookie"), "") << request.host << request.path;
                ++pictures;
            } else {
                EXPECT_EQ(request.Header("Cookie"), "SUE=secret") << request.host << request.path;
                ++withCookie;
            }
        }
        EXPECT_GT(withCookie, 3u) << pictureHost;
        EXPECT_EQ(pictures, 2u) << pictureHost;
    }
}

// A listener may steer the job from inside its reports.
TEST_F(JobResilienceTest, AListenerMayPauseAndStopFromItsReports) {
    struct Steering : test::TestListener {
        Job* job = nullptr;
        std::atomic<bool> steered{false};
        void OnArticleProgress(int done, int total, const std::string& title) override {
            TestListener::OnArticleProgress(done, total, title);
            if (steered.exchange(true)) return;
            job->Pause();
            job->Continue();
            job->Stop();
        }
    } steering;
    const DemoBlog blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 10});
    auto job = std::make_unique<Job>(Options(AddSinaBlog(simulator, blog), 2), steering);
    steering.job = job.get();
    job->Start();
    if (!job->WaitFor(std::chrono::seconds(60))) {
        (void)job.release();  // its threads hang on for good: the job cannot be ended
        FAIL() << "the job hung in a report that steered it";
    }
    EXPECT_TRUE(steering.HasStatus("暂停下载"));
    EXPECT_TRUE(steering.HasStatus("停止下载"));
    EXPECT_EQ(job->Result().end, JobResult::End::Delivered);
    EXPECT_LT(job->Result().saved, 20);
    EXPECT_EQ(steering.FinishedCalls(), 1);
}

TEST_F(JobResilienceTest, AnEndlessListEndsAtTheCap) {
    // Every list page names 2,000 new articles and promises a next page.
    simulator.Route(kSinaHost, "/endless", Response::Html("$uid=\"9\""));
    simulator.RouteHost(kSinaHost, [](const Request& request) {
        const std::string prefix = "/s/articlelist_9_0_";
        if (request.path.rfind(prefix, 0) != 0) return Response::NotFound();
        const std::string page = request.path.substr(prefix.size());
        std::string html = "<span><em>x</em></span></div><ul></ul>";
        for (int i = 0; i < 2000; ++i) {
            const std::string id = page + "_" + std::to_string(i);
            html += "<span class=\"atc_title\"><a title=\"t" + id +
                    "\" href=\"http://blog.sina.com.cn/s/x" + id +
                    ".html\"></a><span class=\"SG_txtc\">d</span>\n";
        }
        return Response::Html(html + "下一页&nbsp;&gt;");
    });
    JobOptions options = Options("http://blog.sina.com.cn/endless", 0);
    options.formats = {false, false};  // the listing is what is measured here
    Job& job = Run(options);
    EXPECT_EQ(job.Result().articles, kDefaultMaxArticles);
    EXPECT_TRUE(job.Result().listingIncomplete);
    ASSERT_FALSE(job.Result().messages.empty());
    EXPECT_NE(job.Result().messages.front().find("100000"), std::string::npos);
}

TEST_F(JobResilienceTest, StopEndsTheListingToo) {
    simulator.Route(kSinaHost, "/slow", Response::Html("$uid=\"8\""));
    simulator.RouteHost(kSinaHost, [](const Request& request) {
        const std::string prefix = "/s/articlelist_8_0_";
        if (request.path.rfind(prefix, 0) != 0) return Response::NotFound();
        const std::string page = request.path.substr(prefix.size());
        Response response = Response::Html(
            "<span><em>x</em></span></div><ul></ul><span class=\"atc_title\"><a title=\"t\" "
            "href=\"http://blog.sina.com.cn/s/x" +
            page +
            ".html\"></a><span "
            "class=\"SG_txtc\">d</span>下一页&nbsp;&gt;");
        response.delayMs = 50;
        return response;
    });
    Job job(Options("http://blog.sina.com.cn/slow", 0), listener);
    job.Start();
    ASSERT_TRUE(test::WaitFor([&] { return CountPaths("/s/articlelist_8_0_") >= 3; }));
    job.Stop();
    ASSERT_TRUE(test::RunJob(job));
    EXPECT_LT(job.Result().articles, 20);
}

TEST_F(JobResilienceTest, TwoJobsOnTwoBlogsRunAtOnce) {
    const DemoBlog a = MakeDemoBlog({.account = "1111", .categories = 2, .articlesPerCategory = 4});
    const DemoBlog b = MakeDemoBlog({.account = "2222", .categories = 3, .articlesPerCategory = 3});
    const std::string addressA = AddSinaBlog(simulator, a, {.delayMs = 30});
    const std::string addressB = AddSinaBlog(simulator, b, {.delayMs = 30});
    test::TestListener listenerA, listenerB;
    Job jobA(Options(addressA), listenerA);
    Job jobB(Options(addressB), listenerB);
    jobA.Start();
    jobB.Start();
    ASSERT_TRUE(jobA.WaitFor(std::chrono::seconds(60)) && jobB.WaitFor(std::chrono::seconds(60)));
    jobA.Wait();
    jobB.Wait();
    EXPECT_TRUE(jobA.Result().Complete());
    EXPECT_TRUE(jobB.Result().Complete());
    EXPECT_EQ(jobA.Result().saved, 8);
    EXPECT_EQ(jobB.Result().saved, 9);
    EXPECT_EQ(listenerA.LastTotal(), 8);
    EXPECT_EQ(listenerB.LastTotal(), 9);
    // Each book holds its own blog's pages only.
    for (const auto& [job, blog] : {std::pair{&jobA, &a}, std::pair{&jobB, &b}}) {
        const auto objects = test::ReadChmObjects(job->Result().books.front());
        EXPECT_EQ(PageNames(objects).size(), blog->articles.size());
    }
}

TEST_F(JobResilienceTest, CancelEndsEveryPhaseAndKeepsTheFolder) {
    const DemoBlog blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 20});
    {
        const std::string address = AddSinaBlog(simulator, blog);
        // The pages never come unless let through: only a cancel that ends the
        // transfers in flight lets this job end.
        test::HeldAnswers held;
        test::HoldSinaArticlePages(simulator, blog, held);
        Job job(Options(address, 2), listener);
        job.Start();
        ASSERT_TRUE(held.WaitForArrivals(2));
        job.Cancel();
        job.Wait();
        EXPECT_EQ(job.Result().end, JobResult::End::Cancelled);
        EXPECT_TRUE(job.Result().books.empty());
        EXPECT_TRUE(fs::exists(job.Result().jobFolder + "manifest.txt"));
    }
    EXPECT_EQ(Listing(desktop), std::vector<std::string>{});
    // A job destroyed while it runs cancels itself and joins its threads.
    test::TestListener runningListener;
    auto running =
        std::make_unique<Job>(Options("http://blog.sina.com.cn/" + blog.account), runningListener);
    running->Start();
    ASSERT_TRUE(test::WaitFor([&] { return runningListener.ProgressCalls() >= 1; }));
    running.reset();
}

TEST_F(JobResilienceTest, TheJobFolderIsPrivate) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 3});
    JobOptions options = Options(AddSinaBlog(simulator, blog));
    options.keepDownloads = true;
    Job& job = Run(options);
    ASSERT_TRUE(job.Result().Complete());
    const std::string folder = job.Result().jobFolder;
    ASSERT_FALSE(folder.empty());
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        ASSERT_EQ(::stat(entry.path().c_str(), &st), 0);
        const unsigned mode = st.st_mode & 0777;
        EXPECT_EQ(mode, entry.is_directory() ? 0700u : 0600u) << entry.path();
        ++files;
    }
    EXPECT_GT(files, 5);
}

TEST_F(JobResilienceTest, BrokenPicturesCountTowardTheCapOfAnArticle) {
    DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 1});
    blog.articles[0].pictures.clear();
    for (int i = 0; i < 2000; ++i) {
        blog.articles[0].pictures.push_back(
            {"http://broken.example.net/p" + std::to_string(i) + ".png", ""});
    }
    Job& job = Run(Options(AddSinaBlog(simulator, blog)));
    EXPECT_EQ(job.Result().saved, 1);
    size_t tried = 0;
    for (const auto& request : simulator.Requests()) tried += request.host == "broken.example.net";
    EXPECT_EQ(tried, 500u);
    EXPECT_EQ(job.Result().picturesKeptRemote, 500);
}

// The report names each picture the book shows from afar, once, with why.
TEST_F(JobResilienceTest, EachPictureLeftRemoteIsReportedWithItsReason) {
    DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 2});
    const std::string gone = "http://broken.example.net/gone.png";
    const std::string empty = "http://broken.example.net/empty.png";
    blog.articles[0].pictures.push_back({gone, ""});
    blog.articles[1].pictures.push_back({gone, ""});
    blog.articles[1].pictures.push_back({empty, ""});
    const std::string address = AddSinaBlog(simulator, blog);
    simulator.Route("broken.example.net", "/gone.png", Response::NotFound());
    const JobResult& result = Run(Options(address)).Result();
    EXPECT_EQ(result.saved, 2);
    ASSERT_EQ(result.missingPictures.size(), 2u);
    std::map<std::string, MissingPicture> byUrl;
    for (const MissingPicture& missing : result.missingPictures) byUrl[missing.url] = missing;
    EXPECT_EQ(byUrl[gone].httpStatus, 404);
    EXPECT_EQ(byUrl[gone].reason, "服务器返回 HTTP 404");
    EXPECT_EQ(byUrl[empty].reason, "不是图片");
    const std::string report = ReportText(result, "blog", address);
    EXPECT_NE(report.find(gone + "\t服务器返回 HTTP 404\n"), std::string::npos);
    EXPECT_NE(report.find(empty + "\t不是图片\n"), std::string::npos);
}

TEST_F(JobResilienceTest, EveryJobHasAPictureBudgetOfItsOwn) {
    // Each blog's pictures fill the budget; a budget shared across jobs would
    // leave the second blog's pictures remote.
    const DemoBlog a = MakeDemoBlog({.account = "1111", .categories = 1, .articlesPerCategory = 3});
    const DemoBlog b = MakeDemoBlog({.account = "2222", .categories = 1, .articlesPerCategory = 3});
    uint64_t bytes = 0;
    for (const auto& article : a.articles) bytes += article.pictures[0].bytes.size();
    for (const auto* blog : {&a, &b}) {
        JobOptions options = Options(AddSinaBlog(simulator, *blog));
        options.pictureBudget = bytes + 100;
        Job& job = Run(options);
        EXPECT_TRUE(job.Result().Complete());
        EXPECT_EQ(job.Result().picturesKeptRemote, 0) << blog->account;
    }
}

TEST_F(JobResilienceTest, APictureOverTheBudgetSaysSo) {
    const DemoBlog blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 1});
    JobOptions options = Options(AddSinaBlog(simulator, blog));
    options.pictureBudget = 1;
    const JobResult& result = Run(options).Result();
    ASSERT_EQ(result.missingPictures.size(), 1u);
    EXPECT_EQ(result.missingPictures[0].url, blog.articles[0].pictures[0].url);
    EXPECT_EQ(result.missingPictures[0].reason, "超出本任务的图片总量");
}

// A list answer that does not decompress is a list page that never came: the
// listing is not taken for complete.
TEST_F(JobResilienceTest, ARemoteCallAnswerThatDoesNotInflateLeavesTheListingIncomplete) {
    const DemoBlog blog =
        MakeDemoBlog({.account = "mozhou", .categories = 1, .articlesPerCategory = 25});
    const std::string address = Add163Blog(simulator, blog);
    auto answers = std::make_shared<std::atomic<int>>(0);
    simulator.Route(k163Api, k163ListPath, [blog, answers](const Request&) {
        if (answers->fetch_add(1) == 0) return NetEase163Answer(NetEase163ListAnswer(blog, 0, 20));
        return Response::Text("[s0,s1]", "application/x-javascript");
    });
    const JobResult& result = Run(Options(address)).Result();
    EXPECT_EQ(result.articles, 20);
    EXPECT_TRUE(result.listingIncomplete);
    EXPECT_FALSE(result.Complete());
}

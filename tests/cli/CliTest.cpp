// The terminal program, run as a user would run it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "sim/AtomBlogService.h"
#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "sim/WordPressService.h"
#include "support/ChmReader.h"
#include "support/HeldAnswers.h"
#include "support/ScopedProxy.h"
#include "support/TempDir.h"

using namespace pw::sim;
namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// What a test does to the running program once it has printed enough lines.
struct Interrupt {
    int afterLines = 0;
    int signal = SIGINT;
};

std::string ReadAll(int fd) {
    std::string text;
    std::array<char, 4096> buffer;
    ssize_t n;
    while ((n = read(fd, buffer.data(), buffer.size())) > 0)
        text.append(buffer.data(), static_cast<size_t>(n));
    return text;
}

// Starts the program with stdout and stderr in pipes (not a terminal).
CliRun RunCli(const std::vector<std::string>& args, Interrupt interrupt = {}) {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(errPipe[0]);
        std::vector<char*> argv{const_cast<char*>(PAGEWELL_CLI_PATH)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(PAGEWELL_CLI_PATH, argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    CliRun run;
    std::thread errReader([&] { run.err = ReadAll(errPipe[0]); });
    std::array<char, 4096> buffer;
    bool interrupted = false;
    ssize_t n;
    while ((n = read(outPipe[0], buffer.data(), buffer.size())) > 0) {
        run.out.append(buffer.data(), static_cast<size_t>(n));
        const int lines = static_cast<int>(std::count(run.out.begin(), run.out.end(), '\n'));
        if (interrupt.afterLines > 0 && !interrupted && lines >= interrupt.afterLines) {
            kill(pid, interrupt.signal);
            interrupted = true;
        }
    }
    close(outPipe[0]);
    errReader.join();
    close(errPipe[0]);
    waitpid(pid, &run.status, 0);
    return run;
}

int ExitCode(const CliRun& run) {
    return WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class CliTest : public ::testing::Test {
protected:
    size_t ArticleRequests() const {
        size_t count = 0;
        for (const auto& request : simulator.Requests())
            count += request.path.rfind("/s/blog_", 0) == 0;
        return count;
    }

    ServiceSimulator simulator;
    pw::test::ScopedProxy proxy{simulator};
    pw::test::ScopedHome home;
};

}  // namespace

TEST_F(CliTest, MakesTheBooksOnTheDesktopAndPrintsTheirPaths) {
    const auto blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 3});
    const CliRun run = RunCli({AddSinaBlog(simulator, blog), "-j", "2"});
    ASSERT_EQ(ExitCode(run), 0) << run.out << run.err;
    const std::string book = home.Desktop() + "/" + blog.account + ".chm";
    EXPECT_TRUE(fs::is_regular_file(book)) << run.out;
    EXPECT_NE(run.out.find(book + "\n"), std::string::npos);
    EXPECT_NE(run.out.find("[6/6] "), std::string::npos);
    EXPECT_NE(run.err.find("pagewell: 电子书编译完毕(在桌面上)，请您欣赏"), std::string::npos);
}

TEST_F(CliTest, PipedOutputHasOneLinePerPhaseAndArticle) {
    const auto blog = MakeDemoBlog({.categories = 3, .articlesPerCategory = 4, .pageSize = 2});
    CliRun run = RunCli({AddSinaBlog(simulator, blog)});
    ASSERT_EQ(ExitCode(run), 0) << run.err;
    const auto lines = Lines(run.out);
    const std::set<std::string> distinct(lines.begin(), lines.end());
    EXPECT_EQ(distinct.size(), lines.size()) << run.out;
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l[0] == '['; }),
        12);
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
    EXPECT_EQ(run.out.find("\x1b["), std::string::npos);
    EXPECT_EQ(run.out.find("chmcmd"), std::string::npos);  // the compiler speaks only with -v

    run = RunCli({"http://blog.sina.com.cn/" + blog.account, "-q", "--keep"});
    EXPECT_EQ(ExitCode(run), 0) << run.err;
    EXPECT_EQ(Lines(run.out).size(), 2u) << run.out;  // just the two books
    run = RunCli({"http://blog.sina.com.cn/" + blog.account, "-q", "-v"});
    EXPECT_NE(run.out.find("chmcmd: "), std::string::npos);
}

TEST_F(CliTest, NetworkTextIsShownAsWrittenAndCannotDriveTheTerminal) {
    auto blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 2});
    blog.articles[0].title =
        "evil\x1b]0;owned\x07\x1b[2J\x9b"
        "31m";
    // As the blog's HTML writes it; a reference to a control is no control either.
    blog.articles[1].title = "读《瓦尔登湖》&amp;随想&#27;[1J";
    const CliRun run = RunCli({AddSinaBlog(simulator, blog)});
    ASSERT_EQ(ExitCode(run), 0) << run.err;
    for (const std::string* text : {&run.out, &run.err}) {
        EXPECT_EQ(text->find('\x1b'), std::string::npos);
        EXPECT_EQ(text->find('\x07'), std::string::npos);
        EXPECT_EQ(text->find("\xc2\x9b"), std::string::npos);
    }
    EXPECT_NE(run.out.find("evil ]0;owned  [2J"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("读《瓦尔登湖》&随想 [1J\n"), std::string::npos) << run.out;
}

TEST_F(CliTest, ExitStatusTellsWhatWasDelivered) {
    // A permanently missing article: a book, but status 3 and the article named.
    const auto blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 3});
    AddSinaBlog(simulator, blog);
    const std::string url = SinaArticleUrl(blog.articles[1]);
    simulator.Route(kSinaHost, url.substr(url.find("/s/")), Response::NotFound());
    CliRun run = RunCli({"http://blog.sina.com.cn/" + blog.account, "-q"});
    EXPECT_EQ(ExitCode(run), 3) << run.err;
    EXPECT_NE(run.err.find(blog.articles[1].title), std::string::npos);
    EXPECT_NE(run.err.find(url), std::string::npos);
    EXPECT_NE(run.err.find("已下载 2/3 篇文章，1 篇失败"), std::string::npos);
    EXPECT_NE(run.err.find("report.txt"), std::string::npos);
    EXPECT_EQ(Lines(run.out).size(), 2u);

    run = RunCli({"http://example.com/blog", "-q"});
    EXPECT_EQ(ExitCode(run), 1);
    EXPECT_NE(run.err.find("未能识别该博客类型，请联系作者添加!"), std::string::npos);
    EXPECT_EQ(ExitCode(RunCli({})), 2);
    EXPECT_EQ(ExitCode(RunCli({"x", "--workers", "0"})), 2);
    EXPECT_EQ(ExitCode(RunCli({"x", "--cookies", "/nonexistent/cookies.txt"})), 2);
    run = RunCli({"--help"});
    EXPECT_EQ(ExitCode(run), 0);
    for (const char* option :
         {"--desktop", "--delay", "--retries", "--fresh", "--keep", "--cookies", "Exit status"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    }
    run = RunCli({"--version"});
    EXPECT_EQ(ExitCode(run), 0);
    EXPECT_EQ(run.out, "pagewell-cli 1.0\n");
}

TEST_F(CliTest, InterruptStopsTheDownloadAndTheNextRunContinues) {
    const auto blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 30});
    const std::string address = AddSinaBlog(simulator, blog, {.delayMs = 100});
    CliRun run = RunCli({address, "-j", "1"}, {.afterLines = 6});
    ASSERT_EQ(ExitCode(run), 3) << run.err;
    EXPECT_NE(run.err.find("停止下载"), std::string::npos);
    const std::string book = home.Desktop() + "/" + blog.account + ".chm";
    EXPECT_TRUE(fs::is_regular_file(book));
    const size_t first = ArticleRequests();
    EXPECT_LT(first, 30u);

    simulator.ClearRequests();
    run = RunCli({address, "-j", "1"});
    ASSERT_EQ(ExitCode(run), 0) << run.err;
    EXPECT_EQ(ArticleRequests(), 30u - first);
}

TEST_F(CliTest, AKilledRunIsContinuedAndFetchesAgainOnlyWhatWasInFlight) {
    const auto blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 15});
    const std::string address = AddSinaBlog(simulator, blog, {.delayMs = 60});
    CliRun run = RunCli({address, "-j", "3"}, {.afterLines = 12, .signal = SIGKILL});
    ASSERT_TRUE(WIFSIGNALED(run.status));
    const size_t before = ArticleRequests();
    const size_t finished = static_cast<size_t>(std::count(run.out.begin(), run.out.end(), '['));
    ASSERT_LT(before, 30u);

    simulator.ClearRequests();
    run = RunCli({address, "-j", "3"});
    ASSERT_EQ(ExitCode(run), 0) << run.err;
    // At most the articles that were in flight when the kill came are fetched twice.
    EXPECT_LE(ArticleRequests(), 30u - finished + 3u);
    EXPECT_GE(ArticleRequests(), 30u - before);
    const auto objects = pw::test::ReadChmObjects(home.Desktop() + "/" + blog.account + ".chm");
    for (const auto& article : blog.articles) {
        bool found = false;
        for (const auto& [path, bytes] : objects)
            found = found || bytes.find(SinaArticleUrl(article)) != std::string::npos;
        EXPECT_TRUE(found) << article.title;
    }
}

TEST_F(CliTest, ASecondRunOnTheSameBlogIsRefusedWhileTheFirstWorks) {
    const auto blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 10});
    const std::string address = AddSinaBlog(simulator, blog);
    // The first run holds its first article until the second has been refused.
    pw::test::HeldAnswers held;
    for (const auto& article : blog.articles) {
        const std::string url = SinaArticleUrl(article);
        simulator.Route(kSinaHost, url.substr(url.find("/s/")),
                        held.Hold(Response::Html(SinaArticlePage(article, {}))));
    }
    CliRun first;
    std::thread firstRun([&] { first = RunCli({address, "-j", "1", "-q"}); });
    const bool working = held.WaitForArrivals(1);
    const CliRun second = working ? RunCli({address, "-q"}) : CliRun{};
    held.LetAllThrough();
    firstRun.join();
    ASSERT_TRUE(working);
    EXPECT_EQ(ExitCode(second), 1);
    EXPECT_NE(second.err.find("另一个任务"), std::string::npos) << second.err;
    EXPECT_EQ(ExitCode(first), 0) << first.err;
}

TEST_F(CliTest, CookiesFileGoesToTheServiceOnly) {
    const auto blog = MakeDemoBlog(
        {.categories = 1, .articlesPerCategory = 2, .pictureHost = "pictures.example.net"});
    pw::test::TempDir dir;
    const std::string cookies = dir.File("cookies.txt");
    FILE* file = std::fopen(cookies.c_str(), "w");
    std::fputs(
        "# Netscape HTTP Cookie File\n"
        ".sina.com.cn\tTRUE\t/\tFALSE\t0\tSUP\tfriend-login\n"
        ".example.net\tTRUE\t/\tFALSE\t0\tOTHER\tnot-for-pictures\n",
        file);
    std::fclose(file);
    const CliRun run = RunCli({AddSinaBlog(simulator, blog), "--cookies", cookies, "-q"});
    ASSERT_EQ(ExitCode(run), 0) << run.err;
    for (const auto& request : simulator.Requests()) {
        if (request.host == "pictures.example.net") {
            EXPECT_EQ(request.Header("Cookie"), "");
        } else {
            EXPECT_EQ(request.Header("Cookie"), "SUP=friend-login") << request.path;
        }
    }
}

TEST_F(CliTest, ReadsFeedBlogsByTheirHomeOrFeedAddress) {
    AddWordPressBlog(simulator, MakeWordPressBlog(kWordPressHost));
    const auto booksOf = [this](const CliRun& run) {
        const auto lines = Lines(run.out);
        for (const auto& line : lines) {
            EXPECT_EQ(line.rfind(home.Desktop() + "/", 0), 0u) << line;
            EXPECT_TRUE(fs::is_regular_file(line)) << line;
        }
        return lines.size();
    };
    CliRun run = RunCli({"http://wp.pagewell.test/", "-q", "--keep"});
    ASSERT_EQ(ExitCode(run), 0) << run.err;
    EXPECT_EQ(booksOf(run), 2u) << run.out;
    const auto uploads = [this] {
        size_t count = 0;
        for (const auto& request : simulator.Requests())
            count +=
                request.path.rfind("/wp-content/", 0) == 0 || request.path.rfind("/2012/", 0) == 0;
        return count;
    };
    EXPECT_GT(uploads(), 0u);
    simulator.ClearRequests();
    run = RunCli({"http://wp.pagewell.test/", "-q", "--keep"});
    EXPECT_EQ(ExitCode(run), 0) << run.err;
    EXPECT_EQ(booksOf(run), 2u) << run.out;
    EXPECT_EQ(uploads(), 0u);

    AddAtomBlog(simulator, MakeAtomBlog());
    run = RunCli({"http://atom.pagewell.test/feeds/all.atom.xml", "-q"});
    EXPECT_EQ(ExitCode(run), 0) << run.err;
    EXPECT_EQ(booksOf(run), 2u) << run.out;
}

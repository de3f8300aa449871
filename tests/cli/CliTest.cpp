// The terminal program, run as a user would run it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "support/ScopedProxy.h"
#include "support/TempDir.h"

using namespace pw::sim;
namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

// Starts the program with its output in a pipe; interruptAfterLines > 0 sends
// SIGINT once that many lines have been printed.
CliRun RunCli(const std::vector<std::string>& args, int interruptAfterLines = 0) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(pipeFds[1], STDERR_FILENO);
        close(pipeFds[0]);
        std::vector<char*> argv{const_cast<char*>(PAGEWELL_CLI_PATH)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(PAGEWELL_CLI_PATH, argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    CliRun run;
    std::array<char, 4096> buffer;
    int lines = 0;
    bool interrupted = false;
    ssize_t n;
    while ((n = read(pipeFds[0], buffer.data(), buffer.size())) > 0) {
        run.out.append(buffer.data(), static_cast<size_t>(n));
        lines = static_cast<int>(std::count(run.out.begin(), run.out.end(), '\n'));
        if (interruptAfterLines > 0 && !interrupted && lines >= interruptAfterLines) {
            kill(pid, SIGINT);
            interrupted = true;
        }
    }
    close(pipeFds[0]);
    waitpid(pid, &run.status, 0);
    return run;
}

int ExitCode(const CliRun& run) {
    return WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1;
}

class CliTest : public ::testing::Test {
protected:
    ServiceSimulator simulator;
    pw::test::ScopedProxy proxy{simulator};
    pw::test::ScopedHome home;
};

}  // namespace

TEST_F(CliTest, MakesTheBookOnTheDesktopAndPrintsItsPath) {
    const auto blog = MakeDemoBlog({.categories = 2, .articlesPerCategory = 3});
    const CliRun run = RunCli({AddSinaBlog(simulator, blog), "-j", "2"});
    ASSERT_EQ(ExitCode(run), 0) << run.out;
    const std::string book = home.Desktop() + "/" + blog.account + ".chm";
    EXPECT_TRUE(fs::is_regular_file(book)) << run.out;
    EXPECT_NE(run.out.find(book + "\n"), std::string::npos);
    EXPECT_NE(run.out.find("12/12"), std::string::npos);
    EXPECT_NE(run.out.find("电子书编译完毕(在桌面上)，请您欣赏"), std::string::npos);
}

TEST_F(CliTest, UnknownAddressAndBadUsageFail) {
    CliRun run = RunCli({"http://example.com/blog", "-q"});
    EXPECT_EQ(ExitCode(run), 1);
    EXPECT_NE(run.out.find("未能识别该博客类型，请联系作者添加!"), std::string::npos);
    EXPECT_EQ(ExitCode(RunCli({})), 2);
    EXPECT_EQ(ExitCode(RunCli({"x", "--workers", "0"})), 2);
    run = RunCli({"--help"});
    EXPECT_EQ(ExitCode(run), 0);
    EXPECT_NE(run.out.find("--desktop"), std::string::npos);
}

TEST_F(CliTest, InterruptStopsTheDownloadAndStillDeliversABook) {
    const auto blog = MakeDemoBlog({.categories = 1, .articlesPerCategory = 30});
    pw::test::TempDir desk;
    const CliRun run =
        RunCli({AddSinaBlog(simulator, blog, {.delayMs = 200}), "-j", "1", "-d", desk.Path()},
               /*interruptAfterLines=*/5);
    ASSERT_EQ(ExitCode(run), 0) << run.out;
    EXPECT_TRUE(fs::is_regular_file(desk.File(blog.account + ".chm")));
    EXPECT_NE(run.out.find("停止下载"), std::string::npos);
    EXPECT_EQ(run.out.find("60/60"), std::string::npos);  // it did not download everything
}

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "book/BookTestKit.h"
#include "book/ChildProcess.h"

namespace pw {
namespace {

using namespace std::chrono_literals;
using booktest::ScratchDir;

struct ShellRun {
    ChildResult result;
    std::vector<std::string> lines;
};

ShellRun Shell(const std::string& script, std::chrono::milliseconds timeout = 60s,
               const std::string& dir = "/") {
    ShellRun run;
    run.result = RunChildProcess({"/bin/sh", "-c", script}, dir, timeout,
                                 [&](const std::string& line) { run.lines.push_back(line); });
    return run;
}

TEST(ChildProcessTest, MergesBothStreamsLineByLineInTheFolderGiven) {
    ScratchDir dir;
    const ShellRun run =
        Shell("pwd; echo two >&2; printf 'three\\r\\n\\n'; printf tail; exit 217", 60s, dir.Path());
    EXPECT_TRUE(run.result.started);
    EXPECT_FALSE(run.result.timedOut);
    EXPECT_EQ(run.result.exitCode, 217);
    EXPECT_EQ(run.lines, (std::vector<std::string>{dir.Path(), "two", "three", "", "tail"}));
}

TEST(ChildProcessTest, ReadsAFloodOfOutputWithoutStalling) {
    // Far more than a pipe holds, partly in one endless line.
    const ShellRun run = Shell("head -c 3000000 /dev/zero | tr '\\0' x; echo; seq 1 20000");
    EXPECT_EQ(run.result.exitCode, 0);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(), "20000");
    size_t xs = 0;
    for (const std::string& line : run.lines) {
        EXPECT_LE(line.size(), 64u * 1024);
        if (!line.empty() && line[0] == 'x') xs += line.size();
    }
    EXPECT_EQ(xs, 3000000u);
}

// Waits up to a minute for the process, which need not be our child, to end.
bool ProcessIsGone(pid_t pid) {
    const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) return errno == ESRCH;
    pollfd ended{fd, POLLIN, 0};
    const bool gone = poll(&ended, 1, 60000) == 1;
    close(fd);
    return gone;
}

TEST(ChildProcessTest, KillsAHangingChildAndWhatItStartedAtTheTimeOut) {
    ScratchDir dir;
    const ShellRun run =
        Shell("sleep 300 & echo $! > grandchild; echo started; sleep 300", 500ms, dir.Path());
    EXPECT_TRUE(run.result.timedOut);
    EXPECT_EQ(run.result.exitCode, 128 + SIGKILL);
    EXPECT_EQ(run.lines, std::vector<std::string>{"started"});
    std::ifstream in(dir / "grandchild");
    pid_t grandchild = 0;
    ASSERT_TRUE(in >> grandchild);
    EXPECT_TRUE(ProcessIsGone(grandchild));
}

TEST(ChildProcessTest, AChildThatClosesItsOutputButLingersIsStillBounded) {
    const ShellRun run = Shell("exec >/dev/null 2>&1; sleep 300", 500ms);
    EXPECT_TRUE(run.result.timedOut);
}

TEST(ChildProcessTest, AMissingProgramOrFolderIsNotStarted) {
    bool called = false;
    const auto onLine = [&](const std::string&) { called = true; };
    EXPECT_FALSE(RunChildProcess({"/nonexistent/prog"}, "/", 5s, onLine).started);
    EXPECT_FALSE(
        RunChildProcess({"/bin/sh", "-c", "true"}, "/nonexistent-dir", 5s, onLine).started);
    EXPECT_FALSE(RunChildProcess({}, "/", 5s, onLine).started);
    EXPECT_FALSE(called);
}

TEST(ChildProcessTest, FindsOnlyExecutableFiles) {
    ScratchDir dir;
    booktest::WriteBytes(dir / "plain", "#!/bin/sh\n");
    EXPECT_EQ(FindExecutable(dir / "plain"), "");
    ::chmod((dir / "plain").c_str(), 0755);
    EXPECT_EQ(FindExecutable(dir / "plain"), dir / "plain");
    EXPECT_EQ(FindExecutable(dir.Path()), "");
    EXPECT_NE(FindExecutable("sh"), "");
    EXPECT_EQ(FindExecutable("pagewell-no-such-program"), "");
    EXPECT_EQ(FindExecutable(""), "");
}

}  // namespace
}  // namespace pw

#include "book/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>

extern char** environ;

namespace pw {

namespace {

using Clock = std::chrono::steady_clock;

// A line longer than this is handed on in pieces rather than held without bound.
constexpr size_t kMaxLine = 64 * 1024;

class LineSplitter {
public:
    explicit LineSplitter(const std::function<void(const std::string&)>& onLine)
        : onLine_(onLine) {}

    void Feed(const char* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            if (data[i] == '\n') {
                Emit();
            } else {
                line_.push_back(data[i]);
                if (line_.size() >= kMaxLine) Emit();
            }
        }
    }

    void Finish() {
        if (!line_.empty()) Emit();
    }

private:
    void Emit() {
        if (!line_.empty() && line_.back() == '\r') line_.pop_back();
        if (onLine_) onLine_(line_);
        line_.clear();
    }

    const std::function<void(const std::string&)>& onLine_;
    std::string line_;
};

// Milliseconds to the deadline as poll takes them; 0 once it has passed.
int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, std::numeric_limits<int>::max()));
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// The child leads its own process group, so this also reaches what it started.
void KillChildGroup(pid_t pid) {
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
}

// A descriptor that becomes readable once the stop is requested, so that one
// poll waits for the child and the stop together.
class StopWake {
public:
    explicit StopWake(const std::stop_token& stop)
        : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), onStop_(stop, [this] { Wake(); }) {}
    ~StopWake() {
        if (fd_ >= 0) ::close(fd_);
    }
    StopWake(const StopWake&) = delete;
    StopWake& operator=(const StopWake&) = delete;

    int Fd() const { return fd_; }

private:
    void Wake() {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
    }

    int fd_;
    std::stop_callback<std::function<void()>> onStop_;
};

// Waits until fd is readable (true), or the stop or the deadline comes first.
bool WaitReadable(int fd, Clock::time_point deadline, const std::stop_token& stop,
                  const StopWake& wake) {
    for (;;) {
        if (stop.stop_requested()) return false;
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake.Fd(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) return false;  // the deadline
        if (ready < 0 || fds[0].revents != 0) return true;
    }
}

// Reads the pipe to its end; false when the stop or the deadline came first.
bool DrainOutput(int fd, Clock::time_point deadline, LineSplitter& lines,
                 const std::stop_token& stop, const StopWake& wake) {
    char buffer[8192];
    for (;;) {
        if (!WaitReadable(fd, deadline, stop, wake)) return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return true;
        lines.Feed(buffer, static_cast<size_t>(n));
    }
}

// Waits for the child's end; false when the stop or the deadline came first.
// The child's pidfd becomes readable when it exits.
bool WaitForExit(pid_t pid, Clock::time_point deadline, int& status, const std::stop_token& stop,
                 const StopWake& wake) {
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidFd >= 0) {
        const bool ended = WaitReadable(pidFd, deadline, stop, wake);
        ::close(pidFd);
        if (!ended) return false;
    }
    // Without a pidfd (a kernel before 5.3) this waits without a deadline.
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, 0);
        if (done == pid || (done < 0 && errno != EINTR)) return true;
    }
}

class SpawnSetup {
public:
    SpawnSetup(int outFd, const std::string& workDir) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attr_);
        posix_spawn_file_actions_addchdir_np(&actions_, workDir.c_str());
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions_, outFd, 1);
        posix_spawn_file_actions_adddup2(&actions_, outFd, 2);
        // A fresh group to kill as a whole, and none of our own signal settings.
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGCHLD}) {
            sigaddset(&defaults, sig);
        }
        posix_spawnattr_setpgroup(&attr_, 0);
        posix_spawnattr_setsigmask(&attr_, &none);
        posix_spawnattr_setsigdefault(&attr_, &defaults);
        posix_spawnattr_setflags(
            &attr_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attr_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attr_;
};

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

ChildResult RunChildProcess(const std::vector<std::string>& argv, const std::string& workDir,
                            std::chrono::milliseconds timeout,
                            const std::function<void(const std::string&)>& onLine,
                            std::stop_token stop) {
    ChildResult result;
    if (argv.empty()) return result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return result;

    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    int spawnError = 0;
    {
        SpawnSetup setup(fds[1], workDir);
        spawnError =
            ::posix_spawn(&pid, args[0], setup.Actions(), setup.Attributes(), args.data(), environ);
    }
    ::close(fds[1]);
    if (spawnError != 0) {
        ::close(fds[0]);
        return result;
    }
    result.started = true;

    const Clock::time_point deadline = Clock::now() + timeout;
    LineSplitter lines(onLine);
    const StopWake wake(stop);
    const bool drained = DrainOutput(fds[0], deadline, lines, stop, wake);
    int status = 0;
    if (!drained || !WaitForExit(pid, deadline, status, stop, wake)) {
        result.cancelled = stop.stop_requested();
        result.timedOut = !result.cancelled;
        KillChildGroup(pid);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    ::close(fds[0]);
    lines.Finish();
    result.exitCode = ExitCodeOf(status);
    return result;
}

std::string FindExecutable(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty()) {
            const std::string candidate = dir + "/" + name;
            if (IsExecutableFile(candidate)) return candidate;
        }
        start = end + 1;
    }
    return {};
}

}  // namespace pw

#include "app/LaunchNewVersion.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

#include "app/FileDigest.h"

extern char** environ;

namespace pw {

namespace {

// Every descriptor from 3 up is closed by the exec, but keep. Runs in the child
// between fork and exec: system calls only.
void CloseOnExecAllBut(int keep, int highest) {
    if (::syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd <= highest; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    ::fcntl(keep, F_SETFD, 0);
}

int HighestDescriptor() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > 65536) {
        return 65535;
    }
    return static_cast<int>(limit.rlim_cur) - 1;
}

}  // namespace

ProgramFile::ProgramFile(std::string path) : path_(std::move(path)) {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

ProgramFile::~ProgramFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::string ProgramFile::Sha256() const {
    return Sha256OfDescriptor(fd_);
}

int ProgramFile::Start(const std::vector<std::string>& args) const {
    if (fd_ < 0 || ::fchmod(fd_, 0700) != 0) return -1;
    // Everything the child needs is made before the fork: after it, in a
    // process with other threads, only system calls are safe.
    std::vector<std::string> all{path_};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int highest = HighestDescriptor();
    // The exec closes the report pipe; a failing exec writes its errno into it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return -1;

    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return -1;
    }
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction defaults {};
        defaults.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &defaults, nullptr);
        ::setsid();
        CloseOnExecAllBut(fd_, highest);
        ::fexecve(fd_, argv.data(), environ);
        const int error = errno;
        (void)!::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int error = 0;
    ssize_t got;
    while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (got > 0) {
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

LaunchOutcome LaunchNewVersion(const std::string& file, const std::string& sha256) {
    const ProgramFile program(file);
    if (!program.IsOpen() || sha256.empty() || program.Sha256() != sha256) {
        return LaunchOutcome::kUnverified;
    }
    return program.Start({"delete", SelfExecutablePath()}) < 0 ? LaunchOutcome::kFailed
                                                               : LaunchOutcome::kStarted;
}

std::string SelfExecutablePath() {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

}  // namespace pw

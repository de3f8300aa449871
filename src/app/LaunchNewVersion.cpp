#include "app/LaunchNewVersion.h"

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

extern char** environ;

namespace pw {

namespace {

// Owns the spawn attributes and file actions for one start.
class SpawnSetup {
public:
    SpawnSetup() {
        ok_ = posix_spawnattr_init(&attr_) == 0;
        ok_ = posix_spawn_file_actions_init(&actions_) == 0 && ok_;
        if (!ok_) return;
        // The new program must not inherit sockets, the download's file or the
        // GUI's descriptors, nor this thread's blocked signals.
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        ok_ = posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0 &&
                posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
                posix_spawnattr_setsigdefault(&attr_, &defaults) == 0 &&
                posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                      POSIX_SPAWN_SETSIGDEF) == 0;
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool Ok() const { return ok_; }
    const posix_spawnattr_t* Attr() const { return &attr_; }
    const posix_spawn_file_actions_t* Actions() const { return &actions_; }

private:
    posix_spawnattr_t attr_;
    posix_spawn_file_actions_t actions_;
    bool ok_ = false;
};

}  // namespace

std::string SelfExecutablePath() {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

int StartNewVersion(const std::string& file, const std::string& selfPath) {
    if (file.empty() || ::chmod(file.c_str(), 0700) != 0) return -1;
    SpawnSetup setup;
    if (!setup.Ok()) return -1;
    std::string program = file, word = "delete", old = selfPath;
    char* argv[] = {program.data(), word.data(), old.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, file.c_str(), setup.Actions(), setup.Attr(), argv, environ) != 0) {
        return -1;
    }
    return pid;
}

void LaunchNewVersion(const std::string& file) {
    if (StartNewVersion(file, SelfExecutablePath()) < 0) return;
    // At once, like a process that is being replaced: no destructors of a GUI
    // that other threads may still be using.
    std::_Exit(0);
}

}  // namespace pw

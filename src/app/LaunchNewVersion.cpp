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
        m_bOk = posix_spawnattr_init(&m_attr) == 0;
        m_bOk = posix_spawn_file_actions_init(&m_actions) == 0 && m_bOk;
        if (!m_bOk) return;
        // The new program must not inherit sockets, the download's file or the
        // GUI's descriptors, nor this thread's blocked signals.
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        m_bOk = posix_spawn_file_actions_addclosefrom_np(&m_actions, 3) == 0 &&
                posix_spawnattr_setsigmask(&m_attr, &none) == 0 &&
                posix_spawnattr_setsigdefault(&m_attr, &defaults) == 0 &&
                posix_spawnattr_setflags(&m_attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                      POSIX_SPAWN_SETSIGDEF) == 0;
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool Ok() const { return m_bOk; }
    const posix_spawnattr_t* Attr() const { return &m_attr; }
    const posix_spawn_file_actions_t* Actions() const { return &m_actions; }

private:
    posix_spawnattr_t m_attr;
    posix_spawn_file_actions_t m_actions;
    bool m_bOk = false;
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

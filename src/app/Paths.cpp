#include "app/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/Text.h"

namespace pw {

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path.push_back('/');
    return path;
}

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value == '/' ? std::string(value) : fallback;
}

std::string HomeDir() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) : std::string("/tmp");
}

bool IsDir(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The XDG_DESKTOP_DIR line of user-dirs.dirs, with $HOME expanded.
std::string DesktopFromUserDirs() {
    const std::string config = EnvOr("XDG_CONFIG_HOME", HomeDir() + "/.config");
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("XDG_DESKTOP_DIR=", 0) != 0) continue;
        std::string value = line.substr(16);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.rfind("$HOME", 0) == 0) value = HomeDir() + value.substr(5);
        if (!value.empty() && value.front() == '/') return value;
    }
    return {};
}

}  // namespace

std::string GetModuleDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return "./";
    return WithSlash(exe.parent_path().string());
}

std::string GetTempDir() {
    return WithSlash(EnvOr("TMPDIR", "/tmp"));
}

std::string GetConfigDir() {
    return WithSlash(EnvOr("XDG_CONFIG_HOME", HomeDir() + "/.config")) + "pagewell/";
}

std::string GetDataDir() {
    return WithSlash(EnvOr("XDG_DATA_HOME", HomeDir() + "/.local/share")) + "pagewell/";
}

std::string GetJobRootDir() {
    return GetDataDir() + "jobs/";
}

std::string GetWorkDir() {
    return WithSlash(EnvOr("XDG_CACHE_HOME", HomeDir() + "/.cache")) + "pagewell/";
}

bool IsPrivateDir(const std::string& path) {
    // With its trailing "/" a link would be followed.
    std::string bare = path;
    while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
    struct stat st {};
    return ::lstat(bare.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

std::string GetDesktopDir() {
    const std::string fromUserDirs = DesktopFromUserDirs();
    if (!fromUserDirs.empty() && IsDir(fromUserDirs)) return WithSlash(fromUserDirs);
    const std::string desktop = HomeDir() + "/Desktop";
    if (IsDir(desktop)) return WithSlash(desktop);
    return WithSlash(HomeDir());
}

std::string FindDataFile(const std::string& name) {
    const std::string candidates[] = {
        GetModuleDir() + name,
        GetModuleDir() + "../share/pagewell/" + name,
        std::string(PAGEWELL_SHARE_DIR) + "/" + name,
    };
    for (const auto& candidate : candidates) {
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec)) return fs::weakly_canonical(candidate, ec).string();
    }
    return {};
}

}  // namespace pw

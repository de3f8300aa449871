#include "support/TempDir.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace pw::test {

namespace fs = std::filesystem;

namespace {

std::string MakeUniqueDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base && *base == '/' ? base : "/tmp") + "/pagewell-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) throw std::runtime_error("cannot create " + pattern);
    return buffer.data();
}

std::string MakeSubdir(const TempDir& root, const std::string& name) {
    const std::string path = root.File(name);
    fs::create_directories(path);
    return path;
}

}  // namespace

TempDir::TempDir() : path_(MakeUniqueDir()) {}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& relative) const {
    return path_ + "/" + relative;
}

ScopedHome::ScopedHome()
    : home_(MakeSubdir(root_, "home")),
      configHome_(MakeSubdir(root_, "config")),
      dataHome_(MakeSubdir(root_, "data")),
      desktop_(MakeSubdir(root_, "home/Desktop-test")) {
    env_.Set("HOME", home_);
    env_.Set("XDG_CONFIG_HOME", configHome_);
    env_.Set("XDG_DATA_HOME", dataHome_);
    std::ofstream(configHome_ + "/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"" << desktop_ << "\"\n";
}

}  // namespace pw::test

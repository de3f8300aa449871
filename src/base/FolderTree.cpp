#include "base/FolderTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>
#include <vector>

namespace pw {

bool MakeDirs(const std::string& path, unsigned mode) {
    struct stat st {};
    auto isDir = [&] { return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode); };
    if (isDir()) return true;
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (!ec) ::chmod(path.c_str(), mode);
    return isDir();
}

namespace {

// Job folders are two levels deep; anything far deeper is not ours to chase.
constexpr int kMaxDepth = 32;

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The components of folder below root; empty when folder is not strictly
// inside root or takes a "." or ".." step.
std::vector<std::string> StepsBelow(const std::string& folder, const std::string& root) {
    std::vector<std::string> steps;
    if (root.empty() || root.front() != '/' || root == "/") return steps;
    const std::string prefix = root + "/";
    if (folder.compare(0, prefix.size(), prefix) != 0) return steps;
    const std::string rest = folder.substr(prefix.size());
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('/', start);
        if (end == std::string::npos) end = rest.size();
        const std::string step = rest.substr(start, end - start);
        if (step.empty() || step == "." || step == "..") return {};
        steps.push_back(step);
        start = end + 1;
    }
    return steps;
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }

private:
    int fd_;
};

Fd OpenSubfolder(int parent, const std::string& name) {
    return Fd(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

std::vector<std::string> EntryNames(int folder) {
    std::vector<std::string> names;
    const int copy = ::dup(folder);
    if (copy < 0) return names;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool IsRealFolder(int parent, const std::string& name) {
    struct stat st {};
    return ::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

// Removes what the folder holds; links and files are unlinked, folders emptied
// through a handle opened without following links, then removed.
void RemoveContents(int folder, int depth) {
    for (const std::string& name : EntryNames(folder)) {
        if (!IsRealFolder(folder, name)) {
            ::unlinkat(folder, name.c_str(), 0);
            continue;
        }
        if (depth < kMaxDepth) {
            const Fd sub = OpenSubfolder(folder, name);
            if (sub.Valid()) RemoveContents(sub.Get(), depth + 1);
        }
        ::unlinkat(folder, name.c_str(), AT_REMOVEDIR);
    }
}

bool Exists(int parent, const std::string& name) {
    struct stat st {};
    return ::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

}  // namespace

bool DeleteFolderTree(const std::string& folder, const std::string& jobRoot) {
    const std::string root = WithoutTrailingSlashes(jobRoot);
    const std::vector<std::string> steps = StepsBelow(WithoutTrailingSlashes(folder), root);
    if (steps.empty()) return false;

    Fd parent(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.Valid()) return errno == ENOENT;
    for (size_t i = 0; i + 1 < steps.size(); ++i) {
        Fd next = OpenSubfolder(parent.Get(), steps[i]);
        if (!next.Valid()) return errno == ENOENT;
        parent = std::move(next);
    }
    const std::string& last = steps.back();
    if (!Exists(parent.Get(), last)) return true;
    const Fd target = OpenSubfolder(parent.Get(), last);
    if (!target.Valid()) return false;  // a link or a file in the folder's place
    RemoveContents(target.Get(), 0);
    ::unlinkat(parent.Get(), last.c_str(), AT_REMOVEDIR);
    return !Exists(parent.Get(), last);
}

}  // namespace pw

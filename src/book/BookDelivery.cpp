#include "book/BookDelivery.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "engine/Encoding.h"

namespace pw {

namespace {

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path.push_back('/');
    return path;
}

bool IsBook(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

// A single file name: the book must land in the desktop folder itself.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool CopyAll(int from, int to) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
    }
}

// Copies source into a hidden temporary file beside target and renames it
// over target, so target is either the old book or the whole new one.
bool CopyInto(const std::string& source, const std::string& target, const std::string& targetDir,
              const std::string& name) {
    const int from = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (from < 0) return false;
    std::string temp = targetDir + "." + name + ".chm.XXXXXX";
    const int to = ::mkostemp(temp.data(), O_CLOEXEC);
    if (to < 0) {
        ::close(from);
        return false;
    }
    bool ok = CopyAll(from, to) && ::fchmod(to, 0644) == 0 && ::fsync(to) == 0;
    ok = ::close(to) == 0 && ok;
    ::close(from);
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool MoveBook(const std::string& source, const std::string& target, const std::string& targetDir,
              const std::string& name) {
    if (::rename(source.c_str(), target.c_str()) == 0) return true;
    if (errno != EXDEV || !CopyInto(source, target, targetDir, name)) return false;
    ::unlink(source.c_str());
    return true;
}

}  // namespace

std::string DeliverBook(const std::string& dir, const std::string& name, const std::string& desktop,
                        const std::string& jobRoot) {
    const std::string source = WithSlash(dir) + name + ".chm";
    const std::string targetDir = WithSlash(desktop);
    const std::string target = targetDir + name + ".chm";
    if (!IsPlainName(name) || desktop.empty() || !IsBook(source)) return {};
    if (!MoveBook(source, target, targetDir, name)) return {};
    DeleteFolderTree(dir, jobRoot);
    return target;
}

std::string BookDeliveredText() {
    return A("电子书编译完毕(在桌面上)，请您欣赏");
}

std::string BookFailedText(const std::string& folder) {
    return A("电子书编译失败，已下载的文章保存在：") + ToAnsi(folder);
}

}  // namespace pw

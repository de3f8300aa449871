#include "book/BookFileMove.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pw {

namespace {

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path.push_back('/');
    return path;
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool IsBookFile(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
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

bool CopyOver(const std::string& source, const std::string& target, const std::string& folder,
              const std::string& fileName) {
    const int from = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (from < 0) return false;
    std::string temp = folder + "." + fileName + ".XXXXXX";
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

}  // namespace

std::string MoveBookFile(const std::string& dir, const std::string& fileName,
                         const std::string& folder, const std::string& targetName) {
    const std::string& name = targetName.empty() ? fileName : targetName;
    if (!IsPlainName(fileName) || !IsPlainName(name) || folder.empty()) return {};
    const std::string source = WithSlash(dir) + fileName;
    const std::string targetFolder = WithSlash(folder);
    const std::string target = targetFolder + name;
    if (!IsBookFile(source)) return {};
    if (::rename(source.c_str(), target.c_str()) == 0) return target;
    if (errno != EXDEV || !CopyOver(source, target, targetFolder, name)) return {};
    ::unlink(source.c_str());
    return target;
}

}  // namespace pw

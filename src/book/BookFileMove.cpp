#include "book/BookFileMove.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pw {

namespace {

constexpr mode_t kBookMode = 0644;

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

// Renames from to to within one file system without ever replacing a file at
// to: 0, or the errno (EEXIST when to is taken).
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    // File systems without the flag: a hard link fails on an existing name.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST) return EEXIST;
    // No hard links either (FAT): claim the name first, then take its place.
    const int claim =
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (claim < 0) return errno;
    ::close(claim);
    if (::rename(from.c_str(), to.c_str()) == 0) return 0;
    const int error = errno;
    ::unlink(to.c_str());
    return error;
}

int Place(const std::string& from, const std::string& to, bool replace) {
    if (replace) return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    return RenameNoReplace(from, to);
}

// A copy of source at a hidden name in folder, ready to be renamed; empty when
// it could not be made.
std::string CopyBeside(const std::string& source, const std::string& folder,
                       const std::string& name) {
    const int from = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (from < 0) return {};
    std::string temp = folder + "." + name + ".XXXXXX";
    const int to = ::mkostemp(temp.data(), O_CLOEXEC);
    if (to < 0) {
        ::close(from);
        return {};
    }
    bool ok = CopyAll(from, to) && ::fchmod(to, kBookMode) == 0 && ::fsync(to) == 0;
    ok = ::close(to) == 0 && ok;
    ::close(from);
    if (!ok) {
        ::unlink(temp.c_str());
        return {};
    }
    return temp;
}

BookMove Outcome(int error) {
    return error == 0        ? BookMove::Moved
           : error == EEXIST ? BookMove::TargetTaken
                             : BookMove::Failed;
}

}  // namespace

BookMove MoveBookFile(const std::string& dir, const std::string& fileName,
                      const std::string& folder, const std::string& targetName, bool replace) {
    const std::string& name = targetName.empty() ? fileName : targetName;
    if (!IsPlainName(fileName) || !IsPlainName(name) || folder.empty()) return BookMove::Failed;
    const std::string source = WithSlash(dir) + fileName;
    const std::string targetFolder = WithSlash(folder);
    const std::string target = targetFolder + name;
    if (!IsBookFile(source)) return BookMove::Failed;
    int error = Place(source, target, replace);
    if (error == 0) {
        ::chmod(target.c_str(), kBookMode);
        return BookMove::Moved;
    }
    if (error != EXDEV) return Outcome(error);
    const std::string temp = CopyBeside(source, targetFolder, name);
    if (temp.empty()) return BookMove::Failed;
    error = Place(temp, target, replace);
    if (error != 0) {
        ::unlink(temp.c_str());
        return Outcome(error);
    }
    ::unlink(source.c_str());
    return BookMove::Moved;
}

}  // namespace pw

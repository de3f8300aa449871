#include "job/JobFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "base/FileBytes.h"
#include "base/FolderTree.h"

namespace pw {

namespace {

constexpr int kMaxNameTries = 100;
constexpr int kLooksPerName = 3;

bool IsRealDir(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDir(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    return errno == EEXIST && IsRealDir(path);
}

// How looking at one candidate name went.
enum class Look { Taken, Busy, NotOurs, Changed, Broken };

struct Claim {
    Look look = Look::NotOurs;
    int fd = -1;
    bool existed = false;
    std::string broken;  // what could not be made, for Broken
};

Claim Seen(Look look) {
    Claim claim;
    claim.look = look;
    return claim;
}

Claim Held(int fd, bool existed) {
    Claim claim;
    claim.look = Look::Taken;
    claim.fd = fd;
    claim.existed = existed;
    return claim;
}

Claim Broken(std::string what) {
    Claim claim;
    claim.look = Look::Broken;
    claim.broken = std::move(what);
    return claim;
}

bool IsEmptyDir(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return false;
    bool empty = true;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") empty = false;
    }
    ::closedir(dir);
    return empty;
}

bool SameFile(int fd, const std::string& path) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

std::string WithoutSlash(const std::string& path) {
    return path.substr(0, path.size() - 1);
}

// A folder recorded for this blog: ours unless another job holds its lock.
Claim UseRecorded(const std::string& path, const std::string& identity) {
    const std::string lockPath = path + JobFolder::kLockFile;
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Seen(Look::Changed);  // removed meanwhile, say
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return Seen(busy ? Look::Busy : Look::Changed);
    }
    // What was read before the lock may have changed before it was taken (a
    // job ending and removing the folder, say).
    std::string owner;
    if (!ReadFileBytes(path + JobFolder::kIdentityFile, owner) || owner != identity ||
        !SameFile(fd, lockPath)) {
        ::close(fd);
        return Seen(Look::Changed);
    }
    ::chmod(path.c_str(), 0700);
    if (!MakeDir(path + "img/")) {
        ::close(fd);
        return Broken(path + "img/");
    }
    return Held(fd, true);
}

// Makes the folder complete under a private name and renames it into place;
// the rename fails when something took the name meanwhile (an empty folder in
// the way is replaced).
Claim MakeNew(const std::string& root, const std::string& path, const std::string& identity) {
    static std::atomic<unsigned> serial{0};
    const std::string making = root + ".claim-" + std::to_string(::getpid()) + "-" +
                               std::to_string(serial.fetch_add(1)) + "/";
    if (::mkdir(WithoutSlash(making).c_str(), 0700) != 0) return Broken(root);
    const int fd = ::open((making + JobFolder::kLockFile).c_str(),
                          O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    const bool ready = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                       WriteFileBytes(making + JobFolder::kIdentityFile, identity) &&
                       MakeDir(making + "img/");
    if (ready && ::rename(WithoutSlash(making).c_str(), WithoutSlash(path).c_str()) == 0) {
        return Held(fd, false);
    }
    const int why = errno;
    if (fd >= 0) ::close(fd);
    DeleteFolderTree(making, root);
    if (!ready) return Broken(path);
    return why == EEXIST || why == ENOTEMPTY ? Seen(Look::Changed) : Broken(path);
}

Claim Examine(const std::string& root, const std::string& path, const std::string& identity) {
    struct stat st {};
    if (::lstat(WithoutSlash(path).c_str(), &st) != 0) return MakeNew(root, path, identity);
    if (!S_ISDIR(st.st_mode)) return Seen(Look::NotOurs);  // a file or link of that name
    // Another blog's folder, or anything else that is not a job's, is not
    // touched at all.
    std::string owner;
    if (ReadFileBytes(path + JobFolder::kIdentityFile, owner)) {
        return owner == identity ? UseRecorded(path, identity) : Seen(Look::NotOurs);
    }
    return IsEmptyDir(path) ? MakeNew(root, path, identity) : Seen(Look::NotOurs);
}

std::string Candidate(const std::string& name, int attempt) {
    return attempt == 0 ? name : name + "-" + std::to_string(attempt + 1);
}

}  // namespace

JobFolder::JobFolder(std::string root, std::string path, int lockFd, bool existed)
    : root_(std::move(root)), path_(std::move(path)), lockFd_(lockFd), existed_(existed) {}

JobFolder::~JobFolder() {
    if (lockFd_ >= 0) ::close(lockFd_);
}

JobFolder::Opened JobFolder::Open(const std::string& root, const std::string& name,
                                  const std::string& identity) {
    if (!IsRealDir(root) && (!MakeDirs(root, 0700) || !IsRealDir(root))) {
        return {nullptr, Status::Unusable, root};
    }
    for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
        const std::string path = root + Candidate(name, attempt) + "/";
        // A name that changed hands while it was looked at is looked at again.
        for (int look = 0; look < kLooksPerName; ++look) {
            const Claim claim = Examine(root, path, identity);
            if (claim.look == Look::Taken) {
                return {
                    std::unique_ptr<JobFolder>(new JobFolder(root, path, claim.fd, claim.existed)),
                    Status::Ready, path};
            }
            if (claim.look == Look::Busy) return {nullptr, Status::Busy, path};
            if (claim.look == Look::Broken) return {nullptr, Status::Unusable, claim.broken};
            if (claim.look == Look::NotOurs) break;
        }
    }
    return {nullptr, Status::NoFreeName, root + name};
}

bool JobFolder::Clear() {
    DIR* dir = ::opendir(path_.c_str());
    if (!dir) return false;
    bool ok = true;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name == kIdentityFile || name == kLockFile) continue;
        const std::string full = path_ + name;
        struct stat st {};
        if (::lstat(full.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            ok = DeleteFolderTree(full + "/", root_) && ok;
        } else {
            ok = ::unlink(full.c_str()) == 0 && ok;
        }
    }
    ::closedir(dir);
    return MakeDir(path_ + "img/") && ok;
}

bool JobFolder::Remove() {
    // Out of the way first, in one step, while still locked: a job starting on
    // the same blog meanwhile finds no folder, or a locked one, never one half
    // deleted.
    const std::string name = path_.substr(root_.size(), path_.size() - root_.size() - 1);
    const std::string removing =
        root_ + "." + name + ".removing-" + std::to_string(::getpid()) + "/";
    std::string doomed = path_;
    if (::rename(path_.substr(0, path_.size() - 1).c_str(),
                 removing.substr(0, removing.size() - 1).c_str()) == 0) {
        doomed = removing;
    }
    const bool removed = DeleteFolderTree(doomed, root_);
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
    return removed;
}

}  // namespace pw

#include "job/JobFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/FileBytes.h"
#include "base/FolderTree.h"

namespace pw {

namespace {

constexpr int kMaxNameTries = 100;

bool IsRealDir(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDir(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    return errno == EEXIST && IsRealDir(path);
}

// Locks the folder's lock file; -1 with busy set when another job holds it.
int LockFolder(const std::string& path, bool* busy) {
    *busy = false;
    const int fd = ::open((path + JobFolder::kLockFile).c_str(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *busy = errno == EWOULDBLOCK;
        ::close(fd);
        return -1;
    }
    return fd;
}

// A folder no job has recorded is claimed only while it is empty (a lock file
// of a job that is claiming it aside).
bool HoldsOnlyTheLock(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return false;
    bool empty = true;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != JobFolder::kLockFile) empty = false;
    }
    ::closedir(dir);
    return empty;
}

// Waits a moment for the job that holds a new folder to record its blog.
bool RecordedSoon(const std::string& path, std::string* owner) {
    for (int i = 0; i < 100; ++i) {
        if (ReadFileBytes(path + JobFolder::kIdentityFile, *owner)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
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

std::unique_ptr<JobFolder> JobFolder::Open(const std::string& root, const std::string& name,
                                           const std::string& identity, Status* status,
                                           std::string* error) {
    *status = Status::Failed;
    if (!IsRealDir(root) && (!MakeDirs(root, 0700) || !IsRealDir(root))) {
        *error = "cannot create " + root;
        return nullptr;
    }
    for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
        const std::string path = root + Candidate(name, attempt) + "/";
        struct stat st {};
        const bool exists = ::lstat(path.substr(0, path.size() - 1).c_str(), &st) == 0;
        if (exists && !S_ISDIR(st.st_mode)) continue;  // a file or link of that name: not ours
        if (!exists && !MakeDir(path)) continue;
        // Another blog's folder, or anything else that is not a job's, is not
        // touched at all.
        std::string owner;
        const bool recorded = ReadFileBytes(path + kIdentityFile, owner);
        if (recorded && owner != identity) continue;
        if (!recorded && !HoldsOnlyTheLock(path)) continue;
        bool busy = false;
        const int fd = LockFolder(path, &busy);
        if (fd < 0) {
            // Held: by this blog's job (refuse), or by one that is just making
            // the folder for its blog and has yet to record which.
            if (busy && (recorded || RecordedSoon(path, &owner)) && owner == identity) {
                *status = Status::Busy;
                *error = path;
                return nullptr;
            }
            continue;
        }
        // What was read before the lock may have changed before it was taken
        // (a job ending, a job of another blog claiming the new folder).
        std::string nowOwner;
        const bool nowRecorded = ReadFileBytes(path + kIdentityFile, nowOwner);
        if (nowRecorded != recorded || (recorded && nowOwner != identity) ||
            (!recorded && !HoldsOnlyTheLock(path))) {
            ::close(fd);
            continue;
        }
        if (!recorded && !WriteFileBytes(path + kIdentityFile, identity)) {
            ::close(fd);
            continue;
        }
        ::chmod(path.c_str(), 0700);
        if (!MakeDir(path + "img/")) {
            ::close(fd);
            *error = "cannot create " + path + "img/";
            return nullptr;
        }
        *status = Status::Ready;
        return std::unique_ptr<JobFolder>(new JobFolder(root, path, fd, recorded));
    }
    *error = "no free folder name for " + name + " in " + root;
    return nullptr;
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

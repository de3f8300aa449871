#include "base/FileBytes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace pw {

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[16384];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok;
}

namespace {

int OpenForWriting(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
}

bool WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done == bytes.size();
}

}  // namespace

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    const int fd = OpenForWriting(path);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, bytes);
    const bool closed = ::close(fd) == 0;
    return written && closed;
}

FileReplacement::FileReplacement(std::string path)
    : path_(std::move(path)), temporary_(path_ + ".part"), fd_(OpenForWriting(temporary_)) {
    failed_ = fd_ < 0;
}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temporary_.c_str());
}

bool FileReplacement::Append(std::string_view bytes) {
    if (!failed_ && !WriteAll(fd_, bytes)) failed_ = true;
    return !failed_;
}

bool FileReplacement::Commit() {
    if (failed_ || committed_) return false;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!closed || ::rename(temporary_.c_str(), path_.c_str()) != 0) {
        failed_ = true;
        return false;
    }
    committed_ = true;
    return true;
}

bool ReplaceFileBytes(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".part";
    if (!WriteFileBytes(temporary, bytes) || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace pw

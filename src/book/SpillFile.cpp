#include "book/SpillFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

namespace pw {

SpillFile::SpillFile(const std::string& dir) {
    std::string pattern = dir + ".spill-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ >= 0) path_ = pattern;
}

SpillFile::~SpillFile() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(path_.c_str());
}

int64_t SpillFile::Append(std::string_view bytes) {
    if (fd_ < 0) return -1;
    const int64_t start = size_;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A part written halfway is left behind; nothing refers to it.
            size_ += static_cast<int64_t>(done);
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    size_ += static_cast<int64_t>(done);
    return start;
}

}  // namespace pw

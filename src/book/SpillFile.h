#pragma once
// One private scratch file beside a book being made: parts of the book are
// appended to it as they are ready and read back by the zip, so that they are
// not held in memory. A single file, since creating thousands of small ones
// costs far more than writing them. Removed when the object goes.

#include <cstdint>
#include <string>
#include <string_view>

namespace pw {

class SpillFile {
public:
    // A new file (mode 0600) in dir, which ends in "/".
    explicit SpillFile(const std::string& dir);
    ~SpillFile();
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    bool Made() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    // Where the next append begins.
    int64_t Size() const { return size_; }

    // Appends bytes; where they begin in the file, or -1 when they could not
    // all be written.
    int64_t Append(std::string_view bytes);

private:
    std::string path_;
    int fd_ = -1;
    int64_t size_ = 0;
};

}  // namespace pw

#pragma once
// A zip archive written in one go (libzip): entries appear in the order they
// are added, and the file at the path is replaced only when the whole archive
// has been written; until then, and after any failure, it stays as it was.

#include <cstdint>
#include <ctime>
#include <deque>
#include <string>

typedef struct zip zip_t;

namespace pw {

class ZipWriter {
public:
    // Entries carry the time `when`.
    ZipWriter(const std::string& path, std::time_t when);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // compress false stores the bytes as they are (the EPUB mimetype entry,
    // pictures that are compressed already).
    bool AddBytes(const std::string& name, std::string bytes, bool compress);
    // The file, or length bytes of it from start (-1: to its end), read when
    // the archive is written.
    bool AddFile(const std::string& name, const std::string& path, bool compress,
                 uint64_t start = 0, int64_t length = -1);

    // Writes the archive; false when it was not written completely (nothing is
    // left at the path then).
    bool Commit();

    // What one file entry reads; the archive's read callback works on it.
    struct FileRange;

private:
    bool Added(long long index, bool compress);

    zip_t* zip_ = nullptr;
    std::time_t time_;
    bool failed_ = false;
    std::deque<std::string> buffers_;  // stay put until the archive is written
    // A book of 100,000 pages adds 100,000 ranges of one spill file: each keeps
    // a few dozen bytes here instead of libzip's own file source of half a
    // kilobyte, and the path once.
    std::deque<std::string> paths_;
    std::deque<FileRange> ranges_;
};

}  // namespace pw

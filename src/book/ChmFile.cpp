#include "book/ChmFile.h"

#include <chm_lib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace pw {

namespace {

// ITSF file header: the directory's place.
constexpr uint64_t kItsfDirectoryOffset = 0x48;
constexpr uint64_t kItsfMinSize = 0x58;
// ITSP directory header fields.
constexpr uint64_t kItspHeaderLength = 0x08;
constexpr uint64_t kItspChunkSize = 0x10;
constexpr uint64_t kItspFirstListing = 0x20;
constexpr uint64_t kItspChunkCount = 0x2C;
constexpr uint64_t kItspMinLength = 0x30;
// PMGL listing chunk: number of the previous listing chunk, -1 for none.
constexpr uint64_t kPmglPrevious = 0x0C;
constexpr uint32_t kNoChunk = 0xFFFFFFFF;
constexpr uint32_t kMaxChunkSize = 1 << 20;

class RawFile {
public:
    explicit RawFile(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC)) {
        struct stat st {};
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
            size_ = static_cast<uint64_t>(st.st_size);
        }
    }
    ~RawFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    // Reads bytes at offset; false when any of them lies outside the file.
    bool Read(uint64_t offset, void* out, uint64_t length) const {
        if (fd_ < 0 || offset > size_ || length > size_ - offset) return false;
        return ::pread(fd_, out, length, static_cast<off_t>(offset)) ==
               static_cast<ssize_t>(length);
    }
    bool Le32(uint64_t offset, uint32_t& value) const {
        unsigned char b[4];
        if (!Read(offset, b, 4)) return false;
        value = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
        return true;
    }
    bool Le64(uint64_t offset, uint64_t& value) const {
        uint32_t low = 0, high = 0;
        if (!Le32(offset, low) || !Le32(offset + 4, high)) return false;
        value = static_cast<uint64_t>(high) << 32 | low;
        return true;
    }
    bool HasTag(uint64_t offset, const char* tag) const {
        char b[4];
        return Read(offset, b, 4) && std::memcmp(b, tag, 4) == 0;
    }
    bool WriteLe32(uint64_t offset, uint32_t value) const {
        if (fd_ < 0 || offset > size_ || size_ - offset < 4) return false;
        const unsigned char b[4] = {
            static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
        return ::pwrite(fd_, b, 4, static_cast<off_t>(offset)) == 4;
    }
    uint64_t Size() const { return size_; }

private:
    int fd_;
    uint64_t size_ = 0;
};

struct Directory {
    uint64_t offset = 0;  // of its ITSP header
    uint64_t chunksAt = 0;
    uint32_t chunkSize = 0;
    uint32_t chunkCount = 0;
};

bool ReadDirectory(const RawFile& book, Directory& dir) {
    uint32_t headerLength = 0;
    if (book.Size() < kItsfMinSize || !book.HasTag(0, "ITSF")) return false;
    if (!book.Le64(kItsfDirectoryOffset, dir.offset)) return false;
    if (!book.HasTag(dir.offset, "ITSP")) return false;
    if (!book.Le32(dir.offset + kItspHeaderLength, headerLength) || headerLength < kItspMinLength ||
        !book.Le32(dir.offset + kItspChunkSize, dir.chunkSize) ||
        !book.Le32(dir.offset + kItspChunkCount, dir.chunkCount)) {
        return false;
    }
    if (dir.chunkSize < 0x20 || dir.chunkSize > kMaxChunkSize) return false;
    dir.chunksAt = dir.offset + headerLength;
    if (dir.chunksAt > book.Size()) return false;
    // Only chunks that lie wholly inside the file count.
    const uint64_t fit = (book.Size() - dir.chunksAt) / dir.chunkSize;
    if (dir.chunkCount > fit) dir.chunkCount = static_cast<uint32_t>(fit);
    return dir.chunkCount > 0;
}

// The listing chunk that no other one precedes; kNoChunk when there is none.
uint32_t FirstListingChunk(const RawFile& book, const Directory& dir) {
    for (uint32_t chunk = 0; chunk < dir.chunkCount; ++chunk) {
        const uint64_t at = dir.chunksAt + static_cast<uint64_t>(chunk) * dir.chunkSize;
        uint32_t previous = 0;
        if (book.HasTag(at, "PMGL") && book.Le32(at + kPmglPrevious, previous) &&
            previous == kNoChunk) {
            return chunk;
        }
    }
    return kNoChunk;
}

int CollectObject(chmFile*, chmUnitInfo* unit, void* context) {
    auto* objects = static_cast<std::map<std::string, uint64_t>*>(context);
    unit->path[CHM_MAX_PATHLEN] = '\0';
    (*objects)[unit->path] = unit->length;
    return CHM_ENUMERATOR_CONTINUE;
}

}  // namespace

bool MendDirectoryPointer(const std::string& chmPath) {
    const RawFile book(chmPath);
    Directory dir;
    if (!ReadDirectory(book, dir)) return false;
    const uint32_t first = FirstListingChunk(book, dir);
    if (first == kNoChunk) return false;
    uint32_t written = 0;
    if (!book.Le32(dir.offset + kItspFirstListing, written)) return false;
    return written == first || book.WriteLe32(dir.offset + kItspFirstListing, first);
}

bool ListChmObjects(const std::string& chmPath, std::map<std::string, uint64_t>& objects) {
    objects.clear();
    chmFile* book = chm_open(chmPath.c_str());
    if (!book) return false;
    const int walked = chm_enumerate(book, CHM_ENUMERATE_ALL, CollectObject, &objects);
    chm_close(book);
    return walked != 0;
}

}  // namespace pw

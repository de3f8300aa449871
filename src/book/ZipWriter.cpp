#include "book/ZipWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>

namespace pw {

struct ZipWriter::FileRange {
    const std::string* path = nullptr;
    uint64_t start = 0;
    uint64_t length = 0;
    uint64_t done = 0;
    int fd = -1;  // open only while libzip reads this entry
    zip_error_t error{};
};

namespace {

constexpr zip_uint32_t kFileMode = 0100644;  // a regular file, rw-r--r--

zip_int64_t Failed(ZipWriter::FileRange& range, int zipError) {
    zip_error_set(&range.error, zipError, errno);
    return -1;
}

zip_int64_t ReadRange(ZipWriter::FileRange& range, void* data, zip_uint64_t size) {
    const uint64_t want = std::min<uint64_t>(size, range.length - range.done);
    ssize_t n = 0;
    do {
        n = ::pread(range.fd, data, want, static_cast<off_t>(range.start + range.done));
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Failed(range, ZIP_ER_READ);
    // A file that shrank since it was added would give a short entry.
    if (n == 0 && want > 0) return Failed(range, ZIP_ER_READ);
    range.done += static_cast<uint64_t>(n);
    return n;
}

zip_int64_t RangeSource(void* user, void* data, zip_uint64_t size, zip_source_cmd_t command) {
    auto& range = *static_cast<ZipWriter::FileRange*>(user);
    switch (command) {
        case ZIP_SOURCE_OPEN:
            range.fd = ::open(range.path->c_str(), O_RDONLY | O_CLOEXEC);
            range.done = 0;
            return range.fd < 0 ? Failed(range, ZIP_ER_OPEN) : 0;
        case ZIP_SOURCE_READ:
            return ReadRange(range, data, size);
        case ZIP_SOURCE_CLOSE:
            if (range.fd >= 0) ::close(range.fd);
            range.fd = -1;
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = range.length;
            st->valid |= ZIP_STAT_SIZE;
            return sizeof(*st);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&range.error, data, size);
        case ZIP_SOURCE_FREE:
            if (range.fd >= 0) ::close(range.fd);
            range.fd = -1;
            zip_error_fini(&range.error);
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                  ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&range.error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

}  // namespace

ZipWriter::ZipWriter(const std::string& path, std::time_t when) : time_(when) {
    int error = 0;
    zip_ = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    failed_ = zip_ == nullptr;
}

ZipWriter::~ZipWriter() {
    if (zip_) zip_discard(zip_);
}

bool ZipWriter::Added(long long index, bool compress) {
    if (index < 0) return false;
    const auto entry = static_cast<zip_uint64_t>(index);
    return zip_set_file_compression(zip_, entry, compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) ==
               0 &&
           zip_file_set_mtime(zip_, entry, time_, 0) == 0 &&
           zip_file_set_external_attributes(zip_, entry, 0, ZIP_OPSYS_UNIX, kFileMode << 16) == 0;
}

bool ZipWriter::AddBytes(const std::string& name, std::string bytes, bool compress) {
    if (failed_) return false;
    const std::string& kept = buffers_.emplace_back(std::move(bytes));
    zip_source_t* source = zip_source_buffer(zip_, kept.data(), kept.size(), 0);
    zip_int64_t index = -1;
    if (source) {
        index = zip_file_add(zip_, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) zip_source_free(source);
    }
    failed_ = !Added(index, compress);
    return !failed_;
}

bool ZipWriter::AddFile(const std::string& name, const std::string& path, bool compress,
                        uint64_t start, int64_t length) {
    if (failed_) return false;
    // The range must be there now, as libzip's own file source checked.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        failed_ = true;
        return false;
    }
    const auto size = static_cast<uint64_t>(st.st_size);
    if (start > size || (length >= 0 && static_cast<uint64_t>(length) > size - start)) {
        failed_ = true;
        return false;
    }
    if (paths_.empty() || paths_.back() != path) paths_.push_back(path);
    FileRange& range = ranges_.emplace_back();
    range.path = &paths_.back();
    range.start = start;
    range.length = length < 0 ? size - start : static_cast<uint64_t>(length);
    zip_error_init(&range.error);
    zip_source_t* source = zip_source_function(zip_, RangeSource, &range);
    zip_int64_t index = -1;
    if (source) {
        index = zip_file_add(zip_, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) zip_source_free(source);
    }
    failed_ = !Added(index, compress);
    return !failed_;
}

bool ZipWriter::Commit() {
    if (!zip_) return false;
    if (failed_) {
        zip_discard(zip_);
        zip_ = nullptr;
        return false;
    }
    const bool written = zip_close(zip_) == 0;
    if (!written) zip_discard(zip_);
    zip_ = nullptr;
    return written;
}

}  // namespace pw

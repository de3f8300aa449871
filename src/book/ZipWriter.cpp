#include "book/ZipWriter.h"

#include <zip.h>

namespace pw {

namespace {
constexpr zip_uint32_t kFileMode = 0100644;  // a regular file, rw-r--r--
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
    zip_source_t* source = zip_source_file(zip_, path.c_str(), start, length);
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

#include "book/ZipWriter.h"

#include <zip.h>

namespace pw {

namespace {
constexpr zip_uint32_t kFileMode = 0100644;  // a regular file, rw-r--r--
}  // namespace

CZipWriter::CZipWriter(const std::string& path, std::time_t when) : m_time(when) {
    int error = 0;
    m_zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    m_bFailed = m_zip == nullptr;
}

CZipWriter::~CZipWriter() {
    if (m_zip) zip_discard(m_zip);
}

bool CZipWriter::Added(long long index, bool compress) {
    if (index < 0) return false;
    const auto entry = static_cast<zip_uint64_t>(index);
    return zip_set_file_compression(m_zip, entry, compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) ==
               0 &&
           zip_file_set_mtime(m_zip, entry, m_time, 0) == 0 &&
           zip_file_set_external_attributes(m_zip, entry, 0, ZIP_OPSYS_UNIX, kFileMode << 16) == 0;
}

bool CZipWriter::AddBytes(const std::string& name, std::string bytes, bool compress) {
    if (m_bFailed) return false;
    const std::string& kept = m_buffers.emplace_back(std::move(bytes));
    zip_source_t* source = zip_source_buffer(m_zip, kept.data(), kept.size(), 0);
    zip_int64_t index = -1;
    if (source) {
        index = zip_file_add(m_zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) zip_source_free(source);
    }
    m_bFailed = !Added(index, compress);
    return !m_bFailed;
}

bool CZipWriter::AddFile(const std::string& name, const std::string& path, bool compress) {
    if (m_bFailed) return false;
    zip_source_t* source = zip_source_file(m_zip, path.c_str(), 0, -1);
    zip_int64_t index = -1;
    if (source) {
        index = zip_file_add(m_zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) zip_source_free(source);
    }
    m_bFailed = !Added(index, compress);
    return !m_bFailed;
}

bool CZipWriter::Commit() {
    if (!m_zip) return false;
    if (m_bFailed) {
        zip_discard(m_zip);
        m_zip = nullptr;
        return false;
    }
    const bool written = zip_close(m_zip) == 0;
    if (!written) zip_discard(m_zip);
    m_zip = nullptr;
    return written;
}

}  // namespace pw

#include "app/FileDigest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace pw {

namespace {

std::string Hex(const unsigned char* bytes, unsigned size) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (unsigned i = 0; i < size; ++i) {
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 15];
    }
    return out;
}

}  // namespace

std::string Sha256OfDescriptor(int fd) {
    if (fd < 0) return {};
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) return {};

    char buffer[64 * 1024];
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return {};
        }
        offset += got;
        if (EVP_DigestUpdate(ctx.get(), buffer, static_cast<size_t>(got)) != 1) return {};
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest, &size) != 1) return {};
    return Hex(digest, size);
}

std::string Sha256OfFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string digest = Sha256OfDescriptor(fd);
    ::close(fd);
    return digest;
}

}  // namespace pw

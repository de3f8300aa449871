#pragma once
// SHA-256 (FIPS 180-4), for recognising files the program wrote earlier.

#include <cstdint>
#include <string>
#include <string_view>

namespace pw {

class Sha256 {
public:
    Sha256();
    void Update(std::string_view bytes);
    // The digest as 64 lower-case hex digits; the object is spent afterwards.
    std::string HexDigest();

private:
    void Block(const unsigned char* block);

    uint32_t state_[8];
    unsigned char buffer_[64];
    size_t buffered_ = 0;
    uint64_t length_ = 0;  // bytes so far
};

std::string Sha256Hex(std::string_view bytes);
// The digest of a regular file's bytes (never through a link); empty when it
// cannot be read.
std::string Sha256OfRegularFile(const std::string& path);

}  // namespace pw

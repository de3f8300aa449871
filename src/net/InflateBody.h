#pragma once
// Decompression of the remote-call answers, which arrive gzip- or zlib-wrapped.

#include <cstddef>
#include <string>

namespace pw {

// No remote-call answer comes near this; more is a hostile or broken server.
inline constexpr size_t kMaxInflatedBytes = 64u << 20;

// Inflates a gzip or zlib stream (the header decides) into result, using block
// (blockSize bytes) as the output window and draining it after every step, so
// an answer may expand any number of times over. True when the stream ended or
// the input ran out; false on damaged data or when the result would pass
// kMaxInflatedBytes. Either way result keeps what was decompressed before.
bool InflateBody(const unsigned char* data, size_t length, unsigned char* block, size_t blockSize,
                 std::string& result);

}  // namespace pw

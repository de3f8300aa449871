#include "net/InflateBody.h"

#include <zlib.h>

#include <climits>

namespace pw {

namespace {

// 15 window bits plus 32: a zlib or a gzip header is recognised automatically.
constexpr int kWindowBitsAutoHeader = 47;

// Appends what the last inflate step wrote into the block; false when the cap is hit.
bool Drain(const unsigned char* block, size_t produced, std::string& result) {
    if (produced > kMaxInflatedBytes - result.size()) {
        result.append(reinterpret_cast<const char*>(block), kMaxInflatedBytes - result.size());
        return false;
    }
    result.append(reinterpret_cast<const char*>(block), produced);
    return true;
}

}  // namespace

bool InflateBody(const unsigned char* data, size_t length, unsigned char* block, size_t blockSize,
                 std::string& result) {
    result.clear();
    if (length == 0) return true;
    // zlib counts in 32-bit units; nothing this size is ever handed over.
    if (length > UINT_MAX || blockSize > UINT_MAX) return false;

    z_stream stream{};
    stream.next_in = const_cast<unsigned char*>(data);
    stream.avail_in = static_cast<uInt>(length);
    if (inflateInit2(&stream, kWindowBitsAutoHeader) != Z_OK) return false;

    bool ok = false;
    while (true) {
        stream.next_out = block;
        stream.avail_out = static_cast<uInt>(blockSize);
        const int rc = inflate(&stream, Z_NO_FLUSH);
        const size_t produced = blockSize - stream.avail_out;
        if (rc == Z_STREAM_END) {
            ok = Drain(block, produced, result);
            break;
        }
        // Z_BUF_ERROR with no input left is a stream cut short: keep what came out.
        const bool inputUsedUp = stream.avail_in == 0;
        if (rc != Z_OK && !(rc == Z_BUF_ERROR && inputUsedUp)) break;
        if (!Drain(block, produced, result)) break;
        // A full block may hide output zlib still holds; only a partly filled one
        // after the last input byte means the answer is complete.
        if (inputUsedUp && stream.avail_out > 0) {
            ok = true;
            break;
        }
        if (rc == Z_BUF_ERROR) {
            ok = true;
            break;
        }
    }
    const bool ended = inflateEnd(&stream) == Z_OK;
    return ok && ended;
}

}  // namespace pw

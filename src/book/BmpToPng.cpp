#include "book/BmpToPng.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace pw {

namespace {

constexpr int kMaxSide = 32768;

uint32_t U16(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

uint32_t U32(const std::string& b, size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

struct Bitmap {
    int64_t width = 0, height = 0;
    bool topDown = false;
    unsigned bitsPerPixel = 0;
    uint64_t pixelOffset = 0, stride = 0;
    std::vector<uint32_t> palette;  // 0x00RRGGBB
};

bool ReadPalette(const std::string& b, size_t at, size_t entrySize, uint32_t count,
                 Bitmap& bitmap) {
    if (at + static_cast<uint64_t>(count) * entrySize > b.size()) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t p = at + i * entrySize;
        bitmap.palette.push_back(static_cast<unsigned char>(b[p + 2]) << 16 |
                                 static_cast<unsigned char>(b[p + 1]) << 8 |
                                 static_cast<unsigned char>(b[p]));
    }
    return true;
}

bool ReadHeader(const std::string& b, Bitmap& bitmap) {
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
    bitmap.pixelOffset = U32(b, 10);
    const uint32_t headerSize = U32(b, 14);
    uint32_t colours = 0;
    size_t entrySize = 4;
    if (headerSize == 12) {  // OS/2 core header
        bitmap.width = U16(b, 18);
        bitmap.height = U16(b, 20);
        bitmap.bitsPerPixel = U16(b, 24);
        entrySize = 3;
    } else if (headerSize >= 40 && b.size() >= 54) {
        bitmap.width = static_cast<int32_t>(U32(b, 18));
        bitmap.height = static_cast<int32_t>(U32(b, 22));
        bitmap.bitsPerPixel = U16(b, 28);
        if (U32(b, 30) != 0) return false;  // compressed or bit fields
        colours = U32(b, 46);
    } else {
        return false;
    }
    bitmap.topDown = bitmap.height < 0;
    if (bitmap.topDown) bitmap.height = -bitmap.height;
    if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > kMaxSide ||
        bitmap.height > kMaxSide || bitmap.width * bitmap.height > kMaxBitmapPixels) {
        return false;
    }
    const unsigned bpp = bitmap.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    bitmap.stride = (static_cast<uint64_t>(bitmap.width) * bpp + 31) / 32 * 4;
    if (bitmap.pixelOffset + bitmap.stride * static_cast<uint64_t>(bitmap.height) > b.size()) {
        return false;
    }
    if (bpp > 8) return true;
    const uint32_t full = 1u << bpp;
    return ReadPalette(b, 14 + headerSize, entrySize,
                       colours == 0 || colours > full ? full : colours, bitmap);
}

uint32_t Pixel(const std::string& b, const Bitmap& bitmap, size_t row, int64_t x) {
    const unsigned bpp = bitmap.bitsPerPixel;
    if (bpp >= 24) {
        const size_t p = row + static_cast<size_t>(x) * (bpp / 8);
        return static_cast<unsigned char>(b[p + 2]) << 16 |
               static_cast<unsigned char>(b[p + 1]) << 8 | static_cast<unsigned char>(b[p]);
    }
    const uint64_t bit = static_cast<uint64_t>(x) * bpp;
    const auto byte = static_cast<unsigned char>(b[row + bit / 8]);
    const unsigned index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
    return index < bitmap.palette.size() ? bitmap.palette[index] : 0;
}

// Rows top to bottom, each led by filter type 0, three bytes per pixel.
std::string RawRows(const std::string& b, const Bitmap& bitmap) {
    std::string raw;
    raw.reserve(static_cast<size_t>(bitmap.height * (1 + 3 * bitmap.width)));
    for (int64_t y = 0; y < bitmap.height; ++y) {
        const int64_t stored = bitmap.topDown ? y : bitmap.height - 1 - y;
        const size_t row = static_cast<size_t>(bitmap.pixelOffset + stored * bitmap.stride);
        raw.push_back('\0');
        for (int64_t x = 0; x < bitmap.width; ++x) {
            const uint32_t rgb = Pixel(b, bitmap, row, x);
            raw.push_back(static_cast<char>(rgb >> 16));
            raw.push_back(static_cast<char>(rgb >> 8));
            raw.push_back(static_cast<char>(rgb));
        }
    }
    return raw;
}

void AppendU32(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v >> 24));
    out.push_back(static_cast<char>(v >> 16));
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v));
}

void AppendChunk(std::string& png, const char* type, const std::string& data) {
    AppendU32(png, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    AppendU32(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                               static_cast<uInt>(typed.size()))));
}

}  // namespace

std::string BmpToPng(const std::string& bmp) {
    Bitmap bitmap;
    if (!ReadHeader(bmp, bitmap)) return {};
    const std::string raw = RawRows(bmp, bitmap);
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 6) != Z_OK) {
        return {};
    }
    packed.resize(packedSize);
    std::string header;
    AppendU32(header, static_cast<uint32_t>(bitmap.width));
    AppendU32(header, static_cast<uint32_t>(bitmap.height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", packed);
    AppendChunk(png, "IEND", "");
    return png;
}

}  // namespace pw

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "book/BmpToPng.h"

namespace pw {
namespace {

void PutLe(std::string& out, uint32_t value, int bytes) {
    // Bytes past the fourth are zero.
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(i < 4 ? value >> (8 * i) : 0));
}

// A bitmap file with a 40-byte header; rows are given bottom row first for a
// positive height, as stored.
std::string Bitmap(int32_t width, int32_t height, uint16_t bits,
                   const std::vector<uint32_t>& palette, const std::vector<std::string>& storedRows,
                   uint32_t compression = 0) {
    std::string pixels;
    for (const std::string& row : storedRows) pixels += row;
    const uint32_t offset = 54 + 4 * static_cast<uint32_t>(palette.size());
    std::string bmp = "BM";
    PutLe(bmp, offset + static_cast<uint32_t>(pixels.size()), 4);
    PutLe(bmp, 0, 4);
    PutLe(bmp, offset, 4);
    PutLe(bmp, 40, 4);
    PutLe(bmp, static_cast<uint32_t>(width), 4);
    PutLe(bmp, static_cast<uint32_t>(height), 4);
    PutLe(bmp, 1, 2);
    PutLe(bmp, bits, 2);
    PutLe(bmp, compression, 4);
    PutLe(bmp, static_cast<uint32_t>(pixels.size()), 4);
    PutLe(bmp, 0, 8);
    PutLe(bmp, static_cast<uint32_t>(palette.size()), 4);
    PutLe(bmp, 0, 4);
    for (uint32_t colour : palette) PutLe(bmp, colour, 4);  // B G R 0 in memory
    return bmp + pixels;
}

uint32_t Be32(const std::string& b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
           static_cast<unsigned char>(b[at + 1]) << 16 |
           static_cast<unsigned char>(b[at + 2]) << 8 | static_cast<unsigned char>(b[at + 3]);
}

struct Png {
    uint32_t width = 0, height = 0;
    std::string rows;  // filter byte and RGB per row, top row first
};

// Reads the chunks back, checking every CRC.
Png Decode(const std::string& png) {
    Png out;
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    std::string packed;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = Be32(png, at);
        const std::string typed = png.substr(at + 4, 4 + length);
        EXPECT_EQ(Be32(png, at + 8 + length),
                  crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size()));
        if (typed.substr(0, 4) == "IHDR") {
            out.width = Be32(typed, 4);
            out.height = Be32(typed, 8);
            EXPECT_EQ(typed.substr(12, 5), std::string("\x08\x02\x00\x00\x00", 5));
        }
        if (typed.substr(0, 4) == "IDAT") packed += typed.substr(4);
        at += 12 + length;
    }
    uLongf size = out.height * (1 + 3 * out.width);
    out.rows.resize(size);
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.rows.data()), &size,
                         reinterpret_cast<const Bytef*>(packed.data()), packed.size()),
              Z_OK);
    return out;
}

const std::string kRed("\xff\x00\x00", 3), kGreen("\x00\xff\x00", 3), kBlue("\x00\x00\xff", 3);

TEST(BmpToPngTest, PalettedBitmapStoredBottomUpComesOutTopDown) {
    // 3x2, 8 bits: bottom row red green red, top row green green green.
    const std::string bmp = Bitmap(3, 2, 8, {0xFF0000, 0x00FF00},
                                   {std::string("\0\1\0\0", 4), std::string("\1\1\1\0", 4)});
    const Png png = Decode(BmpToPng(bmp));
    EXPECT_EQ(png.width, 3u);
    EXPECT_EQ(png.height, 2u);
    EXPECT_EQ(png.rows, std::string(1, '\0') + kGreen + kGreen + kGreen + std::string(1, '\0') +
                            kRed + kGreen + kRed);
}

TEST(BmpToPngTest, TrueColourAndOneBitBitmapsConvert) {
    // Negative height: stored top-down. Pixels are B G R.
    const std::string topDown =
        Bitmap(1, -2, 24, {}, {std::string("\xff\0\0\0", 4), std::string("\0\0\xff\0", 4)});
    EXPECT_EQ(Decode(BmpToPng(topDown)).rows,
              std::string(1, '\0') + kBlue + std::string(1, '\0') + kRed);
    // 1 bit: 0b10100000 with palette {blue, red}.
    const std::string mono = Bitmap(3, 1, 1, {0x0000FF, 0xFF0000}, {std::string("\xa0\0\0\0", 4)});
    EXPECT_EQ(Decode(BmpToPng(mono)).rows, std::string(1, '\0') + kRed + kBlue + kRed);
}

TEST(BmpToPngTest, BitmapsItCannotReadGiveNothing) {
    const std::string good = Bitmap(2, 1, 24, {}, {std::string(8, '\0')});
    ASSERT_FALSE(BmpToPng(good).empty());
    EXPECT_TRUE(BmpToPng(good.substr(0, good.size() - 1)).empty());  // cut short
    EXPECT_TRUE(BmpToPng("BM").empty());
    EXPECT_TRUE(BmpToPng(Bitmap(2, 1, 8, {}, {std::string(4, '\0')}, 1)).empty());  // RLE
    EXPECT_TRUE(BmpToPng(Bitmap(2, 1, 16, {}, {std::string(4, '\0')})).empty());
    EXPECT_TRUE(BmpToPng(Bitmap(0, 1, 24, {}, {})).empty());
    // Huge dimensions are refused before any pixel memory is taken.
    EXPECT_TRUE(BmpToPng(Bitmap(30000, 30000, 24, {}, {std::string(64, '\0')})).empty());
    EXPECT_TRUE(BmpToPng(Bitmap(1, INT32_MIN, 24, {}, {std::string(4, '\0')})).empty());
}

}  // namespace
}  // namespace pw

#pragma once
// Windows bitmaps are no picture type of the e-book; they travel as PNG.

#include <string>

namespace pw {

// The PNG form of a Windows bitmap file, or empty when the bytes are no bitmap
// this can read (uncompressed, 1, 4, 8, 24 or 32 bits per pixel), are cut
// short, or describe more than kMaxBitmapPixels pixels.
inline constexpr long long kMaxBitmapPixels = 16LL * 1024 * 1024;
std::string BmpToPng(const std::string& bmp);

}  // namespace pw

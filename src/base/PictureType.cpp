#include "base/PictureType.h"

#include <cstring>

namespace pw {

const char* SniffPictureExtension(const std::string& b) {
    auto starts = [&](const char* magic, size_t n, size_t at = 0) {
        return b.size() >= at + n && std::memcmp(b.data() + at, magic, n) == 0;
    };
    if (starts("\x89PNG\r\n\x1a\n", 8)) return "png";
    if (starts("\xFF\xD8\xFF", 3)) return "jpg";
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return "gif";
    if (starts("BM", 2) && b.size() > 14) return "bmp";
    if (starts("RIFF", 4) && starts("WEBP", 4, 8)) return "webp";
    return nullptr;
}

}  // namespace pw

#include "base/TextFile.h"

#include "base/FileBytes.h"

namespace pw {

std::string TextModeBytes(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') bytes.push_back('\r');
        bytes.push_back(c);
    }
    return bytes;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    return ReplaceFileBytes(path, TextModeBytes(text));
}

}  // namespace pw

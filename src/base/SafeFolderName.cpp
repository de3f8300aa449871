#include "base/SafeFolderName.h"

#include <cstdint>
#include <cstdio>

#include "base/Encoding.h"
#include "base/Text.h"

namespace pw {

namespace {

constexpr const char* kFallbackName = "blog";

bool IsKeptByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

bool IsAlnum(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Bytes of the code page 936 character at i.
size_t CharacterLength(const std::string& text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    return lead >= 0x81 && lead <= 0xFE && i + 1 < text.size() ? 2 : 1;
}

std::string HashSuffix(const std::string& text) {
    uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    char suffix[10];
    std::snprintf(suffix, sizeof suffix, "_%08x", hash);
    return suffix;
}

}  // namespace

std::string ReadableFileName(const std::string& utf8) {
    std::string name;
    bool changed = false;
    for (size_t i = 0; i < utf8.size();) {
        if (name.size() >= kMaxReadableNameBytes) {
            changed = true;
            break;
        }
        const size_t length = Utf8SequenceLength(utf8, i);
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (length == 0 || c < 0x20 || c == 0x7F || c == '/' || (name.empty() && c == '.')) {
            // Dots may not lead (hidden files, "." and ".."); others become "_".
            if (!(name.empty() && c == '.')) name.push_back('_');
            changed = true;
            i += length == 0 ? 1 : length;
            continue;
        }
        name.append(utf8, i, length);
        i += length;
    }
    if (name.empty()) {
        changed = changed || !utf8.empty();
        name = kFallbackName;
    }
    return changed ? name + HashSuffix(utf8) : name;
}

std::string SafeFolderName(const std::string& utf8) {
    // Earlier versions made the name of the account's code page 936 form; the
    // books and the project files of their job folders keep those names.
    const std::string account = ToAnsiMarkup(utf8);
    std::string name;
    bool changed = false;
    for (size_t i = 0; i < account.size();) {
        const size_t length = CharacterLength(account, i);
        const auto c = static_cast<unsigned char>(account[i]);
        const bool leading = name.empty() && (c == '.' || c == '-');
        if (name.size() >= kMaxFolderNameLength) {
            changed = true;
            break;
        }
        if (leading) {
            changed = true;
        } else if (length == 1 && IsKeptByte(c)) {
            name.push_back(static_cast<char>(c));
        } else {
            name.push_back('_');
            changed = true;
        }
        i += length;
    }
    bool hasAlnum = false;
    for (unsigned char c : name) hasAlnum = hasAlnum || IsAlnum(c);
    if (!hasAlnum) {
        changed = changed || !name.empty();
        name = kFallbackName;
    }
    return changed ? name + HashSuffix(account) : name;
}

}  // namespace pw

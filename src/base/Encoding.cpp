#include "base/Encoding.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace pw {

namespace {

// Length of the well-formed UTF-8 sequence at p, or 0 when it is malformed.
size_t Utf8SequenceLength(const unsigned char* p, size_t left) {
    const unsigned char c = p[0];
    size_t n = c < 0x80                 ? 1
               : c >= 0xC2 && c <= 0xDF ? 2
               : c >= 0xE0 && c <= 0xEF ? 3
               : c >= 0xF0 && c <= 0xF4 ? 4
                                        : 0;
    if (n == 0 || n > left) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
    }
    return n;
}

// Length of the code page 936 character at p (a lone or cut lead byte counts as one).
size_t AnsiSequenceLength(const unsigned char* p, size_t left) {
    return p[0] >= 0x81 && p[0] <= 0xFE && left >= 2 ? 2 : 1;
}

using SequenceLength = size_t (*)(const unsigned char*, size_t);

// Runs iconv over the whole input. Where a character cannot be converted (or is
// malformed) it writes "?" and carries on behind that character, since iconv
// itself stops at the first one.
std::string Convert(std::string_view in, const char* to, const char* from,
                    SequenceLength badLength) {
    if (in.empty()) return {};
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    std::string out(in.size() * 2 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    while (srcLeft > 0) {
        char* dst = out.data() + used;
        size_t dstLeft = out.size() - used;
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL: skip one character and put "?" in its place.
        size_t skip = badLength(reinterpret_cast<unsigned char*>(src), srcLeft);
        if (skip == 0) skip = 1;
        if (used + 1 > out.size()) out.resize(out.size() * 2);
        out[used++] = '?';
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    out.resize(used);
    return out;
}

bool IsAscii(std::string_view s) {
    for (unsigned char c : s) {
        if (c >= 0x80) return false;
    }
    return true;
}

}  // namespace

std::string ToAnsi(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Convert(utf8, "CP936", "UTF-8", Utf8SequenceLength);
}

std::string ToUtf8(std::string_view ansi) {
    if (IsAscii(ansi)) return std::string(ansi);
    return Convert(ansi, "UTF-8", "CP936", AnsiSequenceLength);
}

void Utf8ToAnsi(std::string& text) {
    text = ToAnsi(text);
}
void AnsiToUtf8(std::string& text) {
    text = ToUtf8(text);
}

std::string Utf16ToAnsi(const std::u16string& wide) {
    std::string bytes;
    bytes.reserve(wide.size() * 2);
    for (char16_t u : wide) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    // A lone surrogate is malformed UTF-16LE; skip its two bytes as one "?".
    return Convert(bytes, "CP936", "UTF-16LE",
                   [](const unsigned char*, size_t left) -> size_t { return left >= 2 ? 2 : 1; });
}

}  // namespace pw

#include "base/Encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
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

// What takes the place of a character the target cannot hold: the bytes it
// spans at p (at least one) and the text written instead.
struct Substitute {
    size_t length;
    std::string text;
};
using Fallback = Substitute (*)(const unsigned char* p, size_t left);

Substitute QuestionMark(size_t length) {
    return {length == 0 ? 1 : length, "?"};
}

std::string Reference(uint32_t codePoint) {
    return "&#" + std::to_string(codePoint) + ";";
}

Substitute Utf8AsQuestionMark(const unsigned char* p, size_t left) {
    return QuestionMark(Utf8SequenceLength(p, left));
}

// A character as a numeric reference; malformed bytes (overlong forms and
// surrogates too, which must not turn into markup characters) as "?".
Substitute Utf8AsReference(const unsigned char* p, size_t left) {
    const size_t n = Utf8SequenceLength(p, left);
    if (n == 0) return QuestionMark(1);
    uint32_t codePoint = n == 1 ? p[0] : p[0] & (0x7F >> n);
    for (size_t i = 1; i < n; ++i) codePoint = codePoint << 6 | (p[i] & 0x3F);
    static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid = codePoint >= kLeast[n] && codePoint <= 0x10FFFF &&
                       !(codePoint >= 0xD800 && codePoint <= 0xDFFF);
    return valid ? Substitute{n, Reference(codePoint)} : QuestionMark(n);
}

Substitute AnsiAsQuestionMark(const unsigned char* p, size_t left) {
    return QuestionMark(AnsiSequenceLength(p, left));
}

// UTF-16LE code unit at p.
uint32_t Unit(const unsigned char* p) {
    return p[0] | static_cast<uint32_t>(p[1]) << 8;
}

bool IsHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

Substitute Utf16AsQuestionMark(const unsigned char* p, size_t left) {
    if (left >= 4 && IsHighSurrogate(Unit(p)) && IsLowSurrogate(Unit(p + 2))) {
        return QuestionMark(4);
    }
    return QuestionMark(left >= 2 ? 2 : 1);
}

// A lone surrogate names no character: it stays "?".
Substitute Utf16AsReference(const unsigned char* p, size_t left) {
    if (left < 2) return QuestionMark(1);
    const uint32_t unit = Unit(p);
    if (left >= 4 && IsHighSurrogate(unit) && IsLowSurrogate(Unit(p + 2))) {
        return {4, Reference(0x10000 + ((unit - 0xD800) << 10) + (Unit(p + 2) - 0xDC00))};
    }
    if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) return QuestionMark(2);
    return {2, Reference(unit)};
}

// Runs iconv over the whole input. Where a character cannot be converted (or is
// malformed) it writes the fallback's text and carries on behind that
// character, since iconv itself stops at the first one.
std::string Convert(std::string_view in, const char* to, const char* from, Fallback fallback) {
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
        // EILSEQ or EINVAL: put the fallback's text in the character's place.
        Substitute substitute = fallback(reinterpret_cast<unsigned char*>(src), srcLeft);
        const size_t skip = std::min(substitute.length, srcLeft);
        while (used + substitute.text.size() > out.size()) out.resize(out.size() * 2);
        out.replace(used, substitute.text.size(), substitute.text);
        used += substitute.text.size();
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    out.resize(used);
    return out;
}

// UTF-16 code units as the UTF-16LE bytes iconv reads.
std::string Utf16Bytes(const std::u16string& wide) {
    std::string bytes;
    bytes.reserve(wide.size() * 2);
    for (char16_t u : wide) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
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
    return Convert(utf8, "CP936", "UTF-8", Utf8AsQuestionMark);
}

std::string ToAnsiMarkup(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Convert(utf8, "CP936", "UTF-8", Utf8AsReference);
}

std::string ToUtf8(std::string_view ansi) {
    if (IsAscii(ansi)) return std::string(ansi);
    return Convert(ansi, "UTF-8", "CP936", AnsiAsQuestionMark);
}

void Utf8ToAnsi(std::string& text) {
    text = ToAnsi(text);
}
void Utf8ToAnsiMarkup(std::string& text) {
    text = ToAnsiMarkup(text);
}
void AnsiToUtf8(std::string& text) {
    text = ToUtf8(text);
}

std::string Utf16ToAnsi(const std::u16string& wide) {
    return Convert(Utf16Bytes(wide), "CP936", "UTF-16LE", Utf16AsQuestionMark);
}

std::string Utf16ToAnsiMarkup(const std::u16string& wide) {
    return Convert(Utf16Bytes(wide), "CP936", "UTF-16LE", Utf16AsReference);
}

namespace {

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character of "&#NNN;" or "&#xHH;" at text[at], and the reference's length.
size_t NumericReference(std::string_view text, size_t at, uint32_t* c) {
    size_t i = at + 2;
    if (i > text.size() || text.substr(at, 2) != "&#") return 0;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) ++i;
    uint32_t value = 0;
    const size_t digits = i;
    for (; i < text.size() && i - digits < 8; ++i) {
        const char d = text[i];
        int v = -1;
        if (d >= '0' && d <= '9') v = d - '0';
        if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
        if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
        if (v < 0) break;
        value = value * (hex ? 16 : 10) + static_cast<uint32_t>(v);
    }
    if (i == digits || i >= text.size() || text[i] != ';') return 0;
    const bool control = value < 0x20 || (value >= 0x7F && value < 0xA0);
    const bool surrogate = value >= 0xD800 && value < 0xE000;
    if (control || surrogate || value > 0x10FFFF) return 0;
    *c = value;
    return i + 1 - at;
}

}  // namespace

std::string ToUtf8Display(std::string_view ansi) {
    const std::string utf8 = ToUtf8(ansi);
    if (utf8.find("&#") == std::string::npos) return utf8;
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        uint32_t c = 0;
        if (const size_t length = NumericReference(utf8, i, &c)) {
            AppendUtf8(out, c);
            i += length;
        } else {
            out += utf8[i++];
        }
    }
    return out;
}

}  // namespace pw

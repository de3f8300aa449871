#include "base/Encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <stdexcept>

#include "base/Text.h"

namespace pw {

namespace {

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

std::string_view Bytes(const unsigned char* p, size_t left) {
    return {reinterpret_cast<const char*>(p), left};
}

// The bytes a malformed sequence spans: an overlong form, a surrogate or a
// code point beyond U+10FFFF is one character; any other malformed byte stands
// alone.
size_t MalformedSpan(const unsigned char* p, size_t left) {
    const unsigned char c = p[0];
    const size_t announced = c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 1;
    size_t n = 1;
    while (n < announced && n < left && (p[n] & 0xC0) == 0x80) ++n;
    return n == announced ? n : 1;
}

Substitute Utf8AsQuestionMark(const unsigned char* p, size_t left) {
    const size_t n = Utf8SequenceLength(Bytes(p, left), 0);
    return QuestionMark(n ? n : MalformedSpan(p, left));
}

// A character as a numeric reference; malformed bytes (overlong forms and
// surrogates too, which must not turn into markup characters) as "?".
Substitute Utf8AsReference(const unsigned char* p, size_t left) {
    const size_t n = Utf8SequenceLength(Bytes(p, left), 0);
    if (n == 0) return QuestionMark(MalformedSpan(p, left));
    return {n, Reference(Utf8CodePoint(Bytes(p, left), 0, n))};
}

Substitute AnsiAsQuestionMark(const unsigned char* p, size_t left) {
    return QuestionMark(AnsiSequenceLength(p, left));
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

std::string Utf16ToUtf8(const std::u16string& wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        const uint32_t unit = wide[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (wide[++i] - 0xDC00));
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += '?';
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

}  // namespace pw

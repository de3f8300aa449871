#include "base/Text.h"

#include <algorithm>
#include <ctime>
#include <mutex>
#include <random>

namespace pw {

namespace {

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

size_t Utf8SequenceLength(std::string_view text, size_t at) {
    if (at >= text.size()) return 0;
    const auto c = static_cast<unsigned char>(text[at]);
    const size_t n = c < 0x80                 ? 1
                     : c >= 0xC2 && c <= 0xDF ? 2
                     : c >= 0xE0 && c <= 0xEF ? 3
                     : c >= 0xF0 && c <= 0xF4 ? 4
                                              : 0;
    if (n == 0 || n > text.size() - at) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
    }
    if (n == 1) return 1;
    static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    const uint32_t code = Utf8CodePoint(text, at, n);
    const bool valid = code >= kLeast[n] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    return valid ? n : 0;
}

uint32_t Utf8CodePoint(std::string_view text, size_t at, size_t length) {
    const auto lead = static_cast<unsigned char>(text[at]);
    uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        code = code << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    return code;
}

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

size_t Utf8Prefix(std::string_view text, size_t max) {
    if (text.size() <= max) return text.size();
    size_t end = max;
    // A continuation byte at the cut means the cut lies inside a sequence.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return end;
}

int Find(std::string_view text, std::string_view marker, int start) {
    if (start < 0 || start > Len(text)) return -1;
    const size_t at = text.find(marker, static_cast<size_t>(start));
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

int FindChar(std::string_view text, char ch, int start) {
    return Find(text, std::string_view(&ch, 1), start);
}

int ReverseFindChar(std::string_view text, char ch) {
    const size_t at = text.rfind(ch);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

std::string Mid(std::string_view text, int start, int count) {
    if (start < 0) start = 0;
    if (count < 0) count = 0;
    if (start >= Len(text)) return {};
    return std::string(text.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}

std::string Mid(std::string_view text, int start) {
    if (start < 0) start = 0;
    if (start >= Len(text)) return {};
    return std::string(text.substr(static_cast<size_t>(start)));
}

std::string Left(std::string_view text, int n) {
    if (n < 0) n = 0;
    return std::string(text.substr(0, static_cast<size_t>(n)));
}

std::string Right(std::string_view text, int n) {
    if (n < 0) n = 0;
    if (n >= Len(text)) return std::string(text);
    return std::string(text.substr(text.size() - static_cast<size_t>(n)));
}

void TrimLeft(std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsAsciiSpace(text[i])) ++i;
    text.erase(0, i);
}

void TrimRight(std::string& text) {
    size_t n = text.size();
    while (n > 0 && IsAsciiSpace(text[n - 1])) --n;
    text.resize(n);
}

void Trim(std::string& text) {
    TrimRight(text);
    TrimLeft(text);
}

std::string Trimmed(std::string_view text) {
    std::string trimmed(text);
    Trim(trimmed);
    return trimmed;
}

void MakeLower(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
}

int Replace(std::string& text, std::string_view oldText, std::string_view newText) {
    if (oldText.empty()) return 0;
    std::string out;
    int count = 0;
    int pos = 0;
    for (int hit = Find(text, oldText, 0); hit >= 0; hit = Find(text, oldText, pos)) {
        if (count == 0) out.reserve(text.size());
        out.append(text, static_cast<size_t>(pos), static_cast<size_t>(hit - pos));
        out.append(newText);
        pos = hit + Len(oldText);
        ++count;
    }
    if (count == 0) return 0;
    out.append(text, static_cast<size_t>(pos), std::string::npos);
    text.swap(out);
    return count;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[i]) != lower(prefix[i])) return false;
    }
    return true;
}

int SplitTokens(std::string_view text, std::string_view delimiters,
                std::vector<std::string>& tokens) {
    tokens.clear();
    size_t begin = 0;
    while (begin < text.size()) {
        begin = text.find_first_not_of(delimiters, begin);
        if (begin == std::string_view::npos) break;
        const size_t end = std::min(text.find_first_of(delimiters, begin), text.size());
        tokens.emplace_back(text.substr(begin, end - begin));
        begin = end;
    }
    return static_cast<int>(tokens.size());
}

void DecodeHtmlEntities(std::string& text) {
    static const char* const kEntities[][2] = {
        {"&amp;", "&"},  {"&lt;", "<"},   {"&gt;", ">"},   {"&quot;", "\""},
        {"&apos;", "'"}, {"&nbsp;", " "}, {"&copy;", " "}, {"&reg;", " "},
        {"&#47;", "/"},  {"&#60;", "<"},  {"&#62;", ">"},  {"&#38;", "&"},
    };
    for (const auto& entity : kEntities) Replace(text, entity[0], entity[1]);
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char16_t SimpleEscape(char c) {
    switch (c) {
        case '"':
            return u'"';
        case '/':
            return u'/';
        case '\\':
            return u'\\';
        case 'b':
            return u'\b';
        case 'f':
            return u'\f';
        case 'n':
            return u'\n';
        case 'r':
            return u'\r';
        case 't':
            return u'\t';
        default:
            return 0;
    }
}

}  // namespace

std::u16string DecodeScriptEscapes(const char* text) {
    std::u16string out;
    if (!text) return out;
    for (const char* p = text; *p;) {
        if (*p != '\\') {
            out.push_back(static_cast<unsigned char>(*p++));
            continue;
        }
        const char next = p[1];
        if (const char16_t c = SimpleEscape(next)) {
            out.push_back(c);
            p += 2;
        } else if (next == 'u') {
            unsigned value = 0;
            for (int i = 2; i < 6; ++i) {
                const int digit = HexValue(p[i]);  // stops at the terminating zero too
                if (digit < 0) return out;
                value = value * 16 + static_cast<unsigned>(digit);
            }
            out.push_back(static_cast<char16_t>(value));
            p += 6;
        } else {
            out.push_back(u'\\');
            ++p;
        }
    }
    return out;
}

std::string FormatTime(int64_t seconds) {
    if (seconds < 0) return {};
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&t, &local)) return {};
    char buffer[128];
    const size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return n ? std::string(buffer, n) : std::string();
}

std::string NowText() {
    return FormatTime(static_cast<int64_t>(std::time(nullptr)));
}

std::string RandomFraction(int digits) {
    static std::mutex mutex;
    static std::mt19937 source(std::random_device{}());
    std::string text = "0.";
    std::lock_guard lock(mutex);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int i = 0; i < digits; ++i) text.push_back(static_cast<char>('0' + digit(source)));
    return text;
}

}  // namespace pw

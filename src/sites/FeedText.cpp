#include "sites/FeedText.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "base/HtmlText.h"
#include "base/Text.h"
#include "engine/PictureStore.h"

namespace pw {

namespace {

struct NamedReference {
    std::string_view name;
    uint32_t codePoint;
};

// The named references titles carry in practice; the rest stay as written.
constexpr std::array<NamedReference, 16> kNamed{{{"amp", '&'},
                                                 {"lt", '<'},
                                                 {"gt", '>'},
                                                 {"quot", '"'},
                                                 {"apos", '\''},
                                                 {"nbsp", 0xA0},
                                                 {"hellip", 0x2026},
                                                 {"mdash", 0x2014},
                                                 {"ndash", 0x2013},
                                                 {"lsquo", 0x2018},
                                                 {"rsquo", 0x2019},
                                                 {"ldquo", 0x201C},
                                                 {"rdquo", 0x201D},
                                                 {"laquo", 0xAB},
                                                 {"raquo", 0xBB},
                                                 {"copy", 0xA9}}};

// The code point of the reference at text[at] and its length; 0 when none.
size_t DecodeReference(std::string_view text, size_t at, uint32_t& codePoint) {
    const size_t semicolon = text.find(';', at);
    if (semicolon == std::string_view::npos || semicolon - at > 12) return 0;
    const std::string_view name = text.substr(at + 1, semicolon - at - 1);
    if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty()) return 0;
        uint32_t value = 0;
        for (char c : digits) {
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0) return 0;
            value = value * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
            if (value > 0x10FFFF) return 0;
        }
        if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return 0;
        codePoint = value;
        return semicolon - at + 1;
    }
    for (const NamedReference& named : kNamed) {
        if (named.name == name) {
            codePoint = named.codePoint;
            return semicolon - at + 1;
        }
    }
    return 0;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int Digits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size()) return -1;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

struct TimeParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int offsetMinutes = 0;
};

std::optional<TimeParts> ReadRfc3339(std::string_view text) {
    const std::string t = Trimmed(text);
    TimeParts p;
    p.year = Digits(t, 0, 4);
    p.month = Digits(t, 5, 2);
    p.day = Digits(t, 8, 2);
    if (p.year < 0 || p.month < 1 || p.month > 12 || p.day < 1 || p.day > 31 || t[4] != '-' ||
        t[7] != '-') {
        return std::nullopt;
    }
    if (t.size() < 16 || (t[10] != 'T' && t[10] != 't' && t[10] != ' ')) return p;
    p.hour = Digits(t, 11, 2);
    p.minute = Digits(t, 14, 2);
    p.second = t.size() >= 19 && t[16] == ':' ? Digits(t, 17, 2) : 0;
    if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 ||
        p.second > 60) {
        return std::nullopt;
    }
    const size_t zone = t.find_first_of("+-Zz", 16);
    if (zone != std::string::npos && (t[zone] == '+' || t[zone] == '-')) {
        const int h = Digits(t, zone + 1, 2);
        const int m = Digits(t, zone + 4, 2);
        if (h >= 0 && m >= 0) p.offsetMinutes = (t[zone] == '-' ? -1 : 1) * (h * 60 + m);
    }
    return p;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string TimeText(const TimeParts& p) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    return text;
}

}  // namespace

std::string PlainText(std::string_view html) {
    std::string out;
    out.reserve(html.size());
    bool blank = false;
    for (size_t i = 0; i < html.size();) {
        const char c = html[i];
        // A tag begins with a letter, "/" or "!"; any other "<" is text ("a < b").
        const char after = i + 1 < html.size() ? html[i + 1] : '\0';
        const bool tagStart =
            std::isalpha(static_cast<unsigned char>(after)) || after == '/' || after == '!';
        const size_t end = c == '<' && tagStart ? html.find('>', i) : std::string_view::npos;
        if (end != std::string_view::npos) {
            i = end + 1;
            blank = true;
            continue;
        }
        if (IsBlank(c)) {
            blank = true;
            ++i;
            continue;
        }
        if (blank && !out.empty()) out += ' ';
        blank = false;
        uint32_t codePoint = 0;
        const size_t length = c == '&' ? DecodeReference(html, i, codePoint) : 0;
        if (length > 0) {
            AppendUtf8(out, codePoint == 0xA0 ? ' ' : codePoint);
            i += length;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::string Rfc3339Local(std::string_view text) {
    const auto parts = ReadRfc3339(text);
    return parts ? TimeText(*parts) : std::string();
}

std::optional<int64_t> Rfc3339Seconds(std::string_view text) {
    const auto p = ReadRfc3339(text);
    if (!p) return std::nullopt;
    return DaysFromCivil(p->year, p->month, p->day) * 86400 + p->hour * 3600 + p->minute * 60 +
           p->second - p->offsetMinutes * 60;
}

std::string Rfc822Local(std::string_view text) {
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    std::string t = Trimmed(text);
    if (const size_t comma = t.find(','); comma != std::string::npos)
        t = Trimmed(t.substr(comma + 1));
    std::vector<std::string> tokens;
    SplitTokens(t, " \t", tokens);
    if (tokens.size() < 3) return {};
    TimeParts p;
    p.day = Digits(tokens[0], 0, tokens[0].size() == 1 ? 1 : 2);
    std::string month = Left(tokens[1], 3);
    MakeLower(month);
    for (size_t m = 0; m < 12; ++m) {
        if (kMonths[m] == month) p.month = static_cast<int>(m) + 1;
    }
    p.year = Digits(tokens[2], 0, tokens[2].size() == 2 ? 2 : 4);
    if (p.year >= 0 && p.year < 100) p.year += p.year < 50 ? 2000 : 1900;
    if (p.day < 1 || p.day > 31 || p.month == 0 || p.year < 0) return {};
    if (tokens.size() > 3) {
        // Some blogs write the hour with one digit ("9:05:00").
        const std::string& clock = tokens[3];
        const size_t h = clock.find(':') == 1 ? 1 : 2;
        p.hour = Digits(clock, 0, h);
        p.minute = clock.size() > h && clock[h] == ':' ? Digits(clock, h + 1, 2) : -1;
        p.second = clock.size() >= h + 6 && clock[h + 3] == ':' ? Digits(clock, h + 4, 2) : 0;
        if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0) return {};
    }
    return TimeText(p);
}

std::string ResolveAddress(const std::string& base, const std::string& address) {
    std::string resolved = PictureStore::ResolveUrl(base, address);
    if (!StartsWithNoCase(resolved, "http://") && !StartsWithNoCase(resolved, "https://"))
        return {};
    return resolved;
}

std::string OriginOf(std::string_view address) {
    const int scheme = Find(address, "://");
    if (scheme <= 0) return {};
    const size_t end = address.find_first_of("/?#", static_cast<size_t>(scheme) + 3);
    return std::string(address.substr(0, end));
}

std::string WithQuery(const std::string& address, std::string_view parameter) {
    std::string base = address;
    const size_t fragment = base.find('#');
    if (fragment != std::string::npos) base.resize(fragment);
    const char joint = base.find('?') == std::string::npos ? '?' : '&';
    return base + joint + std::string(parameter);
}

}  // namespace pw

#include "book/BookDates.h"

#include <cstdio>

namespace pw {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number of at most `most` digits at text[at], moving at past them; -1
// when there is none.
int Number(const std::string& text, size_t& at, size_t most) {
    int value = 0;
    size_t digits = 0;
    while (at < text.size() && digits < most && IsDigit(text[at])) {
        value = value * 10 + (text[at++] - '0');
        ++digits;
    }
    return digits == 0 ? -1 : value;
}

bool IsDateSeparator(char c) {
    return c == '-' || c == '/' || c == '.';
}

}  // namespace

std::string CalendarDate(const std::string& time) {
    for (size_t start = 0; start + 4 <= time.size(); ++start) {
        if (!IsDigit(time[start]) || (start > 0 && IsDigit(time[start - 1]))) continue;
        size_t at = start;
        const int year = Number(time, at, 4);
        if (at - start != 4 || at >= time.size() || !IsDateSeparator(time[at])) continue;
        const char separator = time[at++];
        const int month = Number(time, at, 2);
        if (month < 1 || month > 12 || at >= time.size() || time[at] != separator) continue;
        ++at;
        const int day = Number(time, at, 2);
        if (day < 1 || day > 31 || year < 1970) continue;
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
        return text;
    }
    return {};
}

DateSpan ArticleDates(const std::vector<TreeEntry>& entries) {
    DateSpan span;
    for (const TreeEntry& entry : entries) {
        if (!entry.article) continue;
        const std::string date = CalendarDate(entry.time);
        if (date.empty()) continue;
        // "YYYY-MM-DD" sorts as text.
        if (span.first.empty() || date < span.first) span.first = date;
        if (span.last.empty() || date > span.last) span.last = date;
    }
    return span;
}

}  // namespace pw

#include "ui/ThreadCountInput.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace pw {

std::optional<int> ParseDecimalInt(const std::string& text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    size_t digits = begin;
    if (digits < end && (text[digits] == '+' || text[digits] == '-')) ++digits;
    if (digits == end) return std::nullopt;
    for (size_t i = digits; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    }
    const std::string number = text.substr(begin, end - begin);
    errno = 0;
    const long long value = std::strtoll(number.c_str(), nullptr, 10);
    if (errno == ERANGE || value < std::numeric_limits<int>::min() ||
        value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

int ClampThreadCount(int count) {
    if (count <= 0) return 1;
    if (count > kMaxStoredThreadCount) return kMaxStoredThreadCount;
    return count;
}

}  // namespace pw

#include "base/TextRoutines.h"

#include <ctime>
#include <mutex>
#include <random>

#include "base/TextOps.h"

namespace pw {

int SplitTokens(std::string_view text, std::string_view delimiters,
                std::vector<std::string>& tokens) {
    tokens.clear();
    std::string current;
    for (size_t i = 0; i < text.size();) {
        const bool lead = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        if (!lead && delimiters.find(text[i]) != std::string_view::npos) {
            if (!current.empty()) tokens.push_back(std::move(current));
            current.clear();
            ++i;
            continue;
        }
        current.append(text.substr(i, lead ? 2 : 1));
        i += lead ? 2 : 1;
    }
    if (!current.empty()) tokens.push_back(std::move(current));
    return static_cast<int>(tokens.size());
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

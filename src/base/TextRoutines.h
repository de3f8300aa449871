#pragma once
// Small routines the engines and the book share: tokens, times, random digits.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// Splits at any of the delimiter bytes; runs of delimiters count as one and no
// empty token is produced. Returns the number of tokens.
int SplitTokens(std::string_view text, std::string_view delimiters,
                std::vector<std::string>& tokens);

// Seconds since the epoch as local "%Y-%m-%d %H:%M:%S"; empty when it cannot be converted.
std::string FormatTime(int64_t seconds);
std::string NowText();

// "0." followed by n random decimal digits.
std::string RandomFraction(int digits);

}  // namespace pw

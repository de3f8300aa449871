#pragma once
// printf into a std::string. Texts here are code page 936, whose trail bytes
// include "{" and "}", so printf-style formatting is the safe kind.

#include <string>

namespace pw {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace pw

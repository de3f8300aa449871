#pragma once
// printf into a std::string.

#include <string>

namespace pw {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace pw

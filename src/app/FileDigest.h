#pragma once

#include <string>

namespace pw {

// SHA-256 of the file's bytes as 64 lower-case hex digits; empty when the file
// cannot be read.
std::string Sha256OfFile(const std::string& path);

}  // namespace pw

#pragma once

#include <string>

namespace pw {

// SHA-256 of the file's bytes as 64 lower-case hex digits; empty when the file
// cannot be read.
std::string Sha256OfFile(const std::string& path);

// The same for an open descriptor, read from its start whatever its offset.
std::string Sha256OfDescriptor(int fd);

}  // namespace pw

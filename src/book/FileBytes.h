#pragma once
// Whole-file reads and writes for the book's own files. Writes never follow a
// symbolic link at the target's place.

#include <string>

namespace pw {

bool ReadFileBytes(const std::string& path, std::string& bytes);
// Creates or truncates the file; true when every byte was written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace pw

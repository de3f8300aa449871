#pragma once
// Whole-file reads and writes. Files the program writes are private to the
// user (0600) and never written through a symbolic link at the target's place.

#include <string>

namespace pw {

bool ReadFileBytes(const std::string& path, std::string& bytes);
// Creates or truncates the file; true when every byte was written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Writes a temporary file beside path and renames it over path, so that path
// holds either its old bytes or all the new ones, whenever the process ends.
bool ReplaceFileBytes(const std::string& path, const std::string& bytes);

}  // namespace pw

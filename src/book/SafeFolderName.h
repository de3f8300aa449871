#pragma once
// The one file and folder name a job uses for an account taken from the network.

#include <string>

namespace pw {

inline constexpr size_t kMaxFolderNameLength = 64;

// Keeps only ASCII letters, digits, ".", "_" and "-": every other character
// (code page 936 double-byte characters count as one) becomes "_", so the name
// is the same bytes in code page 936 (the project files, which chmcmd turns
// into the book's file name) and in UTF-8 (the file system). Leading "." and
// "-" are dropped, the length is bounded, and a name with no letter or digit
// left becomes "blog". When anything was replaced or cut, "_" and eight hex
// digits of a hash of the whole account follow, so that different accounts
// keep different folders and books.
std::string SafeFolderName(const std::string& account);

}  // namespace pw

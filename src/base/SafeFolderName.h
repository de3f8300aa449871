#pragma once
// File and folder names made from account names taken from the network.

#include <string>

namespace pw {

inline constexpr size_t kMaxFolderNameLength = 64;
inline constexpr size_t kMaxReadableNameBytes = 120;

// A file or folder name as readable as the account (UTF-8) allows: letters of
// every script stay; "/", control bytes, invalid UTF-8 and leading dots are
// replaced or dropped, so the name can neither leave its folder nor hide. Only
// when something was replaced or cut, "_" and eight hex digits of a hash of the
// whole text follow, so that different accounts keep different names. An
// empty result becomes "blog".
std::string ReadableFileName(const std::string& utf8);

// The ASCII name of a book's project files, from the account (UTF-8). Keeps only ASCII
// letters, digits, ".", "_" and "-": every other character becomes "_", so the name is the same
// bytes in code page 936 (the project files, which chmcmd turns into the book's file name) and
// in UTF-8 (the file system). A character code page 936 lacks counts as its numeric reference.
// Leading "." and
// "-" are dropped, the length is bounded, and a name with no letter or digit
// left becomes "blog". When anything was replaced or cut, "_" and eight hex
// digits of a hash of the whole account follow, so that different accounts
// keep different folders and books.
std::string SafeFolderName(const std::string& utf8);

}  // namespace pw

#pragma once
// Puts one finished book file into the desktop folder before the job's output
// folder is deleted.

#include <string>

namespace pw {

enum class BookMove {
    Moved,
    TargetTaken,  // a file of the target's name is there and was not to be replaced
    Failed,       // nothing was moved; the source stays where it was
};

// Moves dir + fileName to folder + targetName (fileName when empty). With
// replace, an older file of that name is replaced; without, an existing file is
// never touched: the book arrives by an atomic rename that refuses to replace
// (renameat2 with RENAME_NOREPLACE, else a hard link and unlink). Across file
// systems the book is copied to a hidden temporary name in folder first, so the
// target is always either what was there or the whole new book. fileName and
// targetName must be plain file names; the source must be a regular non-empty
// file (never a link). The delivered book gets mode 0644 like the user's files.
BookMove MoveBookFile(const std::string& dir, const std::string& fileName,
                      const std::string& folder, const std::string& targetName, bool replace);

}  // namespace pw

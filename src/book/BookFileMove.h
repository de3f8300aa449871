#pragma once
// Puts one finished book file (such as the EPUB beside the CHM) into the
// desktop folder before the job's output folder is deleted.

#include <string>

namespace pw {

// Moves dir + fileName to folder + targetName (fileName when empty), replacing an older file of that
// name. Across file systems the book is copied to a hidden temporary name in
// folder and renamed over the target, so the target is always either the old
// file or the whole new one. fileName must be a plain file name; the source
// must be a regular non-empty file (never a link). Returns the target's path,
// or empty when nothing was moved (the source then stays where it was).
std::string MoveBookFile(const std::string& dir, const std::string& fileName,
                         const std::string& folder, const std::string& targetName = {});

}  // namespace pw

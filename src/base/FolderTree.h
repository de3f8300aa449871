#pragma once
// Making folders, and deleting a job's folder without ever reaching outside
// the job root.

#include <string>

namespace pw {

// Creates the folder and its parents (the last one with mode); true when it
// exists afterwards.
bool MakeDirs(const std::string& path, unsigned mode = 0700);

// Deletes folder with everything in it, but only when it is a real folder
// strictly below jobRoot (both absolute; trailing "/" optional): no "." or ".."
// components, and no symbolic link on the way down from jobRoot (jobRoot itself
// may be one). Symbolic links inside are removed, never followed. True when
// the folder does not exist afterwards; false when it was refused or parts of
// it stay.
bool DeleteFolderTree(const std::string& folder, const std::string& jobRoot);

}  // namespace pw

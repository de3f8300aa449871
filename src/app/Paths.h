#pragma once
// Where the program finds and keeps its files. Every folder returned ends in "/".
//   program folder  beside the executable (read-only files such as readme.html)
//   config folder   $XDG_CONFIG_HOME/pagewell/  (settings)
//   data folder     $XDG_DATA_HOME/pagewell/       (the record of delivered books)
//   job root        $XDG_DATA_HOME/pagewell/jobs/  (one folder per blog's job)
//   working folder  $XDG_CACHE_HOME/pagewell/      (private, 0700: update downloads)

#include <string>

#include "base/FolderTree.h"

namespace pw {

std::string GetModuleDir();
std::string GetTempDir();
std::string GetConfigDir();
std::string GetDataDir();
std::string GetJobRootDir();
std::string GetWorkDir();
// The user's desktop (XDG user-dirs), else ~/Desktop when it exists, else home.
std::string GetDesktopDir();
// A read-only data file shipped with the program (beside the executable, or in
// the install prefix's share/pagewell); empty when neither exists.
std::string FindDataFile(const std::string& name);

// True for a real folder (no link) of this user that no one else may enter.
bool IsPrivateDir(const std::string& path);

}  // namespace pw

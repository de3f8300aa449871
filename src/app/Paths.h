#pragma once
// Where the program finds and keeps its files. Every folder returned ends in "/".
//   program folder  beside the executable (read-only files such as readme.html)
//   config folder   $XDG_CONFIG_HOME/pagewell/  (settings)
//   job root        $XDG_DATA_HOME/pagewell/    (one folder per job)
//   working folder  a private 0700 folder under the temporary folder

#include <string>

namespace pw {

std::string GetModuleDir();
std::string GetTempDir();
std::string GetConfigDir();
std::string GetJobRootDir();
std::string GetWorkDir();
// The user's desktop (XDG user-dirs), else ~/Desktop when it exists, else home.
std::string GetDesktopDir();
// A read-only data file shipped with the program (beside the executable, or in
// the install prefix's share/pagewell); empty when neither exists.
std::string FindDataFile(const std::string& name);

// Creates the folder and its parents; true when it exists afterwards.
bool MakeDirs(const std::string& path, unsigned mode = 0755);

}  // namespace pw

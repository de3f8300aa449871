#pragma once
// Hands over to a downloaded newer version: it is started as
//   <file> delete <path of this program>
// and expected to remove the old program.

#include <string>

namespace pw {

// Makes file executable for its owner and starts it with those arguments, with no
// shell, no inherited descriptors and a session of its own. Returns the process
// id, or -1 when it could not be started.
int StartNewVersion(const std::string& file, const std::string& selfPath);

// Starts file as above and ends this process with exit code 0. Returns only when
// the start failed, so the caller can tell the user instead of vanishing.
void LaunchNewVersion(const std::string& file);

// The running executable's full path; empty when it cannot be read.
std::string SelfExecutablePath();

}  // namespace pw

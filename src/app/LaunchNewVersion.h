#pragma once
// Hands over to a downloaded newer version: it is started as
//   <file> delete <path of this program>
// and expected to remove the old program. The file is opened once, never
// through a symbolic link; the descriptor whose bytes were hashed is the one
// that is executed (fexecve), so nothing can swap the file between the check
// and the start.

#include <string>
#include <vector>

namespace pw {

class ProgramFile {
public:
    // Opens path for reading without following a link; only a regular file of
    // this user is kept open.
    explicit ProgramFile(std::string path);
    ~ProgramFile();
    ProgramFile(const ProgramFile&) = delete;
    ProgramFile& operator=(const ProgramFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // SHA-256 of the open file's bytes (64 lower-case hex digits); empty when closed.
    std::string Sha256() const;
    // Runs the open file with the path as its name and these arguments, in a
    // session of its own, with no descriptor of this process but its own file
    // (an interpreter reads a script through it) and default signal handling.
    // The process id, or -1 when it could not be executed.
    int Start(const std::vector<std::string>& args) const;

private:
    std::string path_;
    int fd_ = -1;
};

enum class LaunchOutcome {
    kStarted,     // the new version runs; this program should end now
    kUnverified,  // not the file the digest describes (or not one to trust)
    kFailed,      // it is the file, but it could not be executed
};

// Opens file, compares its digest with sha256 and starts it with "delete" and
// this program's path. Does not end this process: the caller closes its
// windows and threads first.
LaunchOutcome LaunchNewVersion(const std::string& file, const std::string& sha256);

// The running executable's full path; empty when it cannot be read.
std::string SelfExecutablePath();

}  // namespace pw

#pragma once
// Whole-file reads and writes. Files the program writes are private to the
// user (0600) and never written through a symbolic link at the target's place.

#include <string>
#include <string_view>

namespace pw {

bool ReadFileBytes(const std::string& path, std::string& bytes);
// Creates or truncates the file; true when every byte was written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Writes a temporary file beside path and renames it over path, so that path
// holds either its old bytes or all the new ones, whenever the process ends.
bool ReplaceFileBytes(const std::string& path, const std::string& bytes);

// ReplaceFileBytes for a file written in parts as they are made, never held
// whole (the contents of a book of 100,000 articles, a report that names them
// all): the parts go to a temporary file beside path, renamed over path by
// Commit; without a Commit, or after a failed part, path keeps its old bytes.
class FileReplacement {
public:
    explicit FileReplacement(std::string path);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // False once any part could not be written.
    bool Append(std::string_view bytes);
    bool Commit();

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
};

}  // namespace pw

#pragma once
// The folder of one blog's job under the job root: it holds the pages, the
// pictures, the book project and the record of what is done. Each folder
// records the blog it was made for and is never used for another: a name taken
// by another blog (or by anything else) makes the job take the next free name.
// While a job works in it, the folder is locked (flock); a second job on the
// same blog is refused, and a lock left by a killed process is no lock.
//
// A new folder is made complete (record, lock, picture folder) under a private
// name and then renamed into place in one step, so a folder under a job's name
// always tells whose it is: no one ever waits for a record to appear.

#include <memory>
#include <string>

namespace pw {

class JobFolder {
public:
    enum class Status {
        Ready,
        Busy,        // another job works on this blog in path
        Unusable,    // path could not be made or used
        NoFreeName,  // every name tried belongs to something else (path: the first)
    };

    struct Opened {
        std::unique_ptr<JobFolder> folder;  // set when Ready
        Status status = Status::Unusable;
        std::string path;
    };

    // Finds the folder of the blog `identity` (its home address) named after
    // `name` (UTF-8, a plain file name), or makes one; mode 0700, with its
    // picture folder.
    static Opened Open(const std::string& root, const std::string& name,
                       const std::string& identity);
    ~JobFolder();
    JobFolder(const JobFolder&) = delete;
    JobFolder& operator=(const JobFolder&) = delete;

    const std::string& Path() const { return path_; }  // ends in "/"
    std::string ImageDir() const { return path_ + "img/"; }
    // True when an earlier job had made the folder.
    bool Existed() const { return existed_; }

    // Empties the folder for a fresh start; the lock and the blog's record stay.
    bool Clear();
    // Deletes the folder with everything in it, and the lock with it.
    bool Remove();

    static constexpr const char* kIdentityFile = ".blog";
    static constexpr const char* kLockFile = ".lock";

private:
    JobFolder(std::string root, std::string path, int lockFd, bool existed);

    std::string root_;
    std::string path_;
    int lockFd_ = -1;
    bool existed_ = false;
};

}  // namespace pw

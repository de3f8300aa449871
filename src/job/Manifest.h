#pragma once
// The record of what a job folder already holds: the articles whose pages are
// saved and the pictures fetched, so that a job stopped, killed or crashed
// continues where it was. One line per fact, appended with a single write, so
// a kill at any moment leaves whole lines and at most one torn last line,
// which is ignored.

#include <map>
#include <mutex>
#include <string>

namespace pw {

class Manifest {
public:
    static constexpr const char* kFileName = "manifest.txt";

    Manifest() = default;
    ~Manifest();
    Manifest(const Manifest&) = delete;
    Manifest& operator=(const Manifest&) = delete;

    // Reads what earlier runs recorded in path and opens it for appending.
    bool Open(const std::string& path);

    // Both may be called from several workers at once. False when the record
    // could not be written (it is then left as it was: whole lines only).
    bool ArticleSaved(const std::string& key, const std::string& fileName);
    bool PictureSaved(const std::string& url, const std::string& reference);

    // Article key -> its page's file name; picture address -> "img/NAME".
    const std::map<std::string, std::string>& Articles() const { return articles_; }
    const std::map<std::string, std::string>& Pictures() const { return pictures_; }
    // The largest N of the recorded "N.html" pages, 0 for none.
    int HighestNumber() const;

private:
    bool Append(char kind, const std::string& a, const std::string& b);

    std::mutex mutex_;
    int fd_ = -1;
    std::map<std::string, std::string> articles_;
    std::map<std::string, std::string> pictures_;
};

}  // namespace pw

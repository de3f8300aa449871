#include "book/EpubPictures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/FileBytes.h"
#include "base/PictureType.h"
#include "book/BmpToPng.h"
#include "book/SpillFile.h"

namespace pw {

namespace {

constexpr size_t kMaxNameLength = 128;
constexpr size_t kSniffBytes = 16;

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength || name[0] == '.') return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

// The file's first bytes, read without following a link.
std::string Head(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return {};
    char buffer[kSniffBytes];
    ssize_t n;
    do {
        n = ::read(fd, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

const char* MediaType(const std::string& extension) {
    if (extension == "png") return "image/png";
    if (extension == "jpg") return "image/jpeg";
    if (extension == "gif") return "image/gif";
    return nullptr;
}

}  // namespace

EpubPictures::EpubPictures(std::string imageDir, SpillFile& spill)
    : imageDir_(std::move(imageDir)), spill_(spill) {}

std::string EpubPictures::Resolve(const std::string& address) {
    std::string name = address;
    if (name.rfind("./", 0) == 0) name.erase(0, 2);
    if (name.rfind("img/", 0) != 0) return {};
    name.erase(0, 4);
    if (!IsPlainFileName(name)) return {};
    const auto known = resolved_.find(name);
    if (known != resolved_.end()) return known->second;
    const std::string href = Add(name);
    resolved_.emplace(name, href);
    return href;
}

std::string EpubPictures::Add(const std::string& name) {
    const std::string path = imageDir_ + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        static_cast<unsigned long long>(st.st_size) > kMaxPictureBytes) {
        return {};
    }
    const char* extension = SniffPictureExtension(Head(path));
    if (!extension) return {};
    EpubPicture picture;
    std::string bookExtension = extension;
    const std::string number = std::to_string(pictures_.size() + 1);
    if (const char* type = MediaType(extension)) {
        picture.mediaType = type;
        picture.path = path;
    } else if (bookExtension == "bmp") {
        std::string bytes;
        if (!ReadFileBytes(path, bytes)) return {};
        const std::string png = BmpToPng(bytes);
        const int64_t offset = png.empty() ? -1 : spill_.Append(png);
        if (offset < 0) return {};
        picture.path = spill_.Path();
        picture.offset = static_cast<uint64_t>(offset);
        picture.length = static_cast<int64_t>(png.size());
        picture.mediaType = "image/png";
        bookExtension = "png";
    } else {
        // WebP is a core type only from EPUB 3.3 on; readers and checkers of
        // EPUB 3.2 reject it without a fallback, and there is no decoder here.
        return {};
    }
    picture.href = "images/p" + number + "." + bookExtension;
    pictures_.push_back(std::move(picture));
    return pictures_.back().href;
}

}  // namespace pw

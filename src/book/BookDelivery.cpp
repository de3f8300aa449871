#include "book/BookDelivery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <vector>

#include "base/FileBytes.h"
#include "base/FolderTree.h"
#include "base/Sha256.h"
#include "book/BookFileMove.h"

namespace pw {

namespace {

constexpr int kMaxNameTries = 100;
constexpr const char* kLockSuffix = ".lock";

struct RecordedBook {
    std::string blog;  // SHA-256 of the blog's name, so any name fits a line
    unsigned long long size = 0;
    std::string digest;
    std::string path;
};

std::string WithSlash(std::string path) {
    if (!path.empty() && path.back() != '/') path.push_back('/');
    return path;
}

// Paths may hold any byte but "/" and NUL: tabs, line ends and backslashes are escaped.
std::string EscapePath(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string UnescapePath(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char c = text[++i];
        out.push_back(c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c);
    }
    return out;
}

// One book a line: blog, size, digest and path, separated by tabs. Lines that
// do not read as such are dropped.
std::vector<RecordedBook> ParseRecord(const std::string& text) {
    std::vector<RecordedBook> books;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t a = line.find('\t');
        const size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
        const size_t c = b == std::string::npos ? b : line.find('\t', b + 1);
        if (c == std::string::npos) continue;
        RecordedBook book;
        book.blog = line.substr(0, a);
        const std::string size = line.substr(a + 1, b - a - 1);
        book.digest = line.substr(b + 1, c - b - 1);
        book.path = UnescapePath(line.substr(c + 1));
        if (book.blog.size() != 64 || book.digest.size() != 64 || size.empty() ||
            size.find_first_not_of("0123456789") != std::string::npos || book.path.empty()) {
            continue;
        }
        book.size = std::stoull(size);
        books.push_back(std::move(book));
    }
    return books;
}

std::string RecordText(const std::vector<RecordedBook>& books) {
    std::string text;
    for (const RecordedBook& book : books) {
        text += book.blog + "\t" + std::to_string(book.size) + "\t" + book.digest + "\t" +
                EscapePath(book.path) + "\n";
    }
    return text;
}

// The record's lock, held while a book is chosen a name, moved and recorded, so
// that jobs delivering at the same time agree on what is whose.
class RecordLock {
public:
    explicit RecordLock(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~RecordLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

private:
    int fd_ = -1;
};

// The size and digest of a regular file (never a link), or false.
bool Fingerprint(const std::string& path, unsigned long long* size, std::string* digest) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *size = static_cast<unsigned long long>(st.st_size);
    *digest = Sha256OfRegularFile(path);
    return !digest->empty();
}

// "Name.ext" -> "Name (k).ext"; k = 1 is the name itself.
std::string Candidate(const std::string& name, int k) {
    if (k == 1) return name;
    const size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot) : "";
    return stem + " (" + std::to_string(k) + ")" + extension;
}

// The candidate name of the blog's unchanged earlier book in desktop, or empty.
std::string EarlierBook(const std::vector<RecordedBook>& books, const std::string& blog,
                        const std::string& desktop, const std::string& name) {
    for (int k = 1; k <= kMaxNameTries; ++k) {
        const std::string path = desktop + Candidate(name, k);
        for (const RecordedBook& book : books) {
            if (book.path != path || book.blog != blog) continue;
            unsigned long long size = 0;
            std::string digest;
            if (Fingerprint(path, &size, &digest) && size == book.size && digest == book.digest) {
                return Candidate(name, k);
            }
        }
    }
    return {};
}

void Remember(const std::string& recordPath, std::vector<RecordedBook> books, RecordedBook book) {
    std::erase_if(books, [&](const RecordedBook& known) { return known.path == book.path; });
    books.push_back(std::move(book));
    if (books.size() > kMaxRecordedBooks) {
        books.erase(books.begin(), books.end() - static_cast<long>(kMaxRecordedBooks));
    }
    ReplaceFileBytes(recordPath, RecordText(books));
}

}  // namespace

DeliveredBook DeliverBookFile(const std::string& dir, const std::string& fileName,
                              const std::string& desktop, const std::string& targetName,
                              const std::string& blog, const std::string& recordDir) {
    DeliveredBook delivered;
    const std::string folder = WithSlash(desktop);
    const bool recording = !recordDir.empty() && MakeDirs(WithSlash(recordDir), 0700);
    const std::string recordPath = WithSlash(recordDir) + kDeliveryRecordFile;
    std::optional<RecordLock> lock;
    std::vector<RecordedBook> books;
    if (recording) {
        lock.emplace(recordPath + kLockSuffix);
        std::string text;
        if (ReadFileBytes(recordPath, text)) books = ParseRecord(text);
    }
    const std::string blogKey = Sha256Hex(blog);

    std::string name = recording ? EarlierBook(books, blogKey, folder, targetName) : "";
    if (!name.empty()) {
        if (MoveBookFile(dir, fileName, folder, name, true) != BookMove::Moved) return delivered;
    } else {
        for (int k = 1; k <= kMaxNameTries && name.empty(); ++k) {
            const BookMove move =
                MoveBookFile(dir, fileName, folder, Candidate(targetName, k), false);
            if (move == BookMove::Failed) return delivered;
            if (move == BookMove::Moved) name = Candidate(targetName, k);
        }
        if (name.empty()) return delivered;
    }
    delivered.path = folder + name;
    delivered.renamed = name != targetName;
    RecordedBook book{blogKey, 0, {}, delivered.path};
    if (recording && Fingerprint(delivered.path, &book.size, &book.digest)) {
        Remember(recordPath, std::move(books), std::move(book));
    }
    return delivered;
}

std::string BookDeliveredText() {
    return "电子书编译完毕(在桌面上)，请您欣赏";
}

std::string BookFailedText(const std::string& folder) {
    return "电子书编译失败，已下载的文章保存在：" + folder;
}

std::string BookRenamedText(const std::string& wantedName, const std::string& deliveredName) {
    return "桌面上已有文件“" + wantedName + "”，没有覆盖它，电子书另存为“" + deliveredName + "”";
}

}  // namespace pw

#include "job/Manifest.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "base/FileBytes.h"

namespace pw {

namespace {

// Fields may hold anything a page sends; tabs and line ends must not split them.
std::string Escape(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() + 0 && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

Manifest::~Manifest() {
    if (fd_ >= 0) ::close(fd_);
}

bool Manifest::Open(const std::string& path) {
    std::string text;
    ReadFileBytes(path, text);
    // Only lines with their line end were written whole.
    const size_t end = text.rfind('\n');
    text.resize(end == std::string::npos ? 0 : end + 1);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab1 = line.find('\t');
        const size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab1 != 1 || tab2 == std::string::npos) continue;
        const std::string a = Unescape(line.substr(2, tab2 - 2));
        const std::string b = Unescape(line.substr(tab2 + 1));
        if (line[0] == 'A') articles_[a] = b;
        if (line[0] == 'P') pictures_[a] = b;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) return false;
    // A torn last line from a killed run must not swallow the next record.
    const off_t size = ::lseek(fd_, 0, SEEK_END);
    if (size > 0 && static_cast<size_t>(size) != text.size()) {
        if (::ftruncate(fd_, static_cast<off_t>(text.size())) != 0) return false;
    }
    return true;
}

bool Manifest::ArticleSaved(const std::string& key, const std::string& fileName) {
    const bool written = Append('A', key, fileName);
    std::lock_guard lock(mutex_);
    articles_[key] = fileName;
    return written;
}

bool Manifest::PictureSaved(const std::string& url, const std::string& reference) {
    const bool written = Append('P', url, reference);
    std::lock_guard lock(mutex_);
    pictures_[url] = reference;
    return written;
}

int Manifest::HighestNumber() const {
    int highest = 0;
    for (const auto& [key, fileName] : articles_) {
        int n = 0;
        size_t i = 0;
        for (; i < fileName.size() && fileName[i] >= '0' && fileName[i] <= '9' && n < 100000000;
             ++i) {
            n = n * 10 + (fileName[i] - '0');
        }
        if (i > 0 && fileName.compare(i, std::string::npos, ".html") == 0 && n > highest) {
            highest = n;
        }
    }
    return highest;
}

bool Manifest::Append(char kind, const std::string& a, const std::string& b) {
    const std::string line = std::string(1, kind) + "\t" + Escape(a) + "\t" + Escape(b) + "\n";
    // One write per line: with O_APPEND it lands whole, after every earlier one.
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return false;
    const off_t before = ::lseek(fd_, 0, SEEK_END);
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A part of a line (a full disk) would join the next line into one
            // that names the wrong file: take it back.
            if (done > 0 && before >= 0 && ::ftruncate(fd_, before) != 0) {
                ::close(fd_);
                fd_ = -1;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace pw

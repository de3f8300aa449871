#pragma once
// Helpers shared by the book tests: scratch folders, files, article trees.

#include <stdlib.h>
#include <zip.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "book/BookDescription.h"
#include "book/TreeEntry.h"

namespace pw::booktest {

class ScratchDir {
public:
    explicit ScratchDir(const std::string& parent = "/tmp") {
        std::string pattern = parent + "/pw-book-XXXXXX";
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// A flattened article tree as the job hands it to the book step.
class Tree {
public:
    Tree& Heading(int depth, const std::string& text) {
        TreeEntry entry;
        entry.depth = depth;
        entry.text = text;
        entries.push_back(std::move(entry));
        return *this;
    }
    Tree& Article(const std::string& title, const std::string& fileName) {
        TreeEntry entry;
        entry.depth = 2;
        entry.article = true;
        entry.text = title;
        entry.title = title;
        entry.fileName = fileName;
        entries.push_back(std::move(entry));
        return *this;
    }
    std::vector<TreeEntry> entries;
};

inline BookDescription Book(const std::string& dir, const std::string& name,
                            const std::string& title, std::vector<TreeEntry> entries = {},
                            const std::string& homeUrl = "http://blog.example.com/acct") {
    BookDescription book;
    book.dir = dir;
    book.name = name;
    book.title = title;
    book.homeUrl = homeUrl;
    book.entries = std::move(entries);
    return book;
}

// The entries of a zip file, in archive order.
struct ZipEntry {
    std::string name;
    std::string bytes;
    uint16_t method = 0;
};

inline std::vector<ZipEntry> ReadZip(const std::string& path) {
    std::vector<ZipEntry> out;
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!zip) return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &st);
        ZipEntry entry{st.name, std::string(st.size, '\0'), st.comp_method};
        zip_file_t* file = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
        if (file) {
            zip_fread(file, entry.bytes.data(), entry.bytes.size());
            zip_fclose(file);
        }
        out.push_back(std::move(entry));
    }
    zip_close(zip);
    return out;
}

inline std::string Entry(const std::vector<ZipEntry>& entries, const std::string& name) {
    for (const ZipEntry& entry : entries) {
        if (entry.name == name) return entry.bytes;
    }
    return "<missing " + name + ">";
}

// Sets an environment variable for one test and restores it afterwards.
class EnvOverride {
public:
    EnvOverride(const char* name, const std::string& value) : name_(name) {
        if (const char* old = ::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvOverride() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace pw::booktest

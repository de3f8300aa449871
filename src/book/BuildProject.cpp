#include "book/BuildProject.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

namespace pw {

namespace {

constexpr const char* kStartPage = "index.html";
constexpr const char* kPictureFolder = "img";
constexpr size_t kStartPageField = 3;

// One path component that a file list line carries unchanged: no separators,
// no control bytes (a line break would split it), no blanks at either end
// (chmcmd trims them), not "." or "..".
bool IsListableName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.front() == ' ' || name.back() == ' ') return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F || c == '/' || c == '\\';
    });
}

bool PlainFileSize(const std::string& path, uint64_t& size) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

class FileCollector {
public:
    explicit FileCollector(const std::string& dir) : dir_(dir) {}

    void Add(const std::string& name) {
        uint64_t size = 0;
        if (seen_.count(name) || !PlainFileSize(dir_ + name, size)) return;
        seen_.insert(name);
        files_.push_back({name, size});
    }

    std::vector<BookFile> Take() { return std::move(files_); }

private:
    const std::string& dir_;
    std::set<std::string> seen_;
    std::vector<BookFile> files_;
};

std::vector<std::string> PictureNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsListableName(entry->d_name)) names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> SplitFields(const std::string& value) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = value.find(',', start);
        fields.push_back(value.substr(start, comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

std::string JoinFields(const std::vector<std::string>& fields) {
    std::string value;
    for (size_t i = 0; i < fields.size(); ++i) value += (i ? "," : "") + fields[i];
    return value;
}

// "Main=,a.hhc,a.hhk,,index.html,..." gets the start page as its default file.
// (GBK trail bytes never include ",", so the split is safe for any title.)
std::string WithStartPage(const std::string& line) {
    const std::string key = "Main=";
    if (line.compare(0, key.size(), key) != 0) return line;
    const bool cr = !line.empty() && line.back() == '\r';
    std::vector<std::string> fields =
        SplitFields(line.substr(key.size(), line.size() - key.size() - (cr ? 1 : 0)));
    if (fields.size() <= kStartPageField || !fields[kStartPageField].empty()) return line;
    fields[kStartPageField] = kStartPage;
    return key + JoinFields(fields) + (cr ? "\r" : "");
}

bool IsSectionLine(const std::string& line) {
    return !line.empty() && line.front() == '[';
}

}  // namespace

std::vector<BookFile> CollectBookFiles(const std::string& dir,
                                       const std::vector<TreeEntry>& entries) {
    FileCollector files(dir);
    files.Add(kStartPage);
    for (const TreeEntry& entry : entries) {
        if (!entry.article) continue;
        const std::string& page = entry.fileName;
        if (IsListableName(page) && page != kSearchStubPage) files.Add(page);
    }
    const std::string pictures = std::string(kPictureFolder) + "/";
    for (const std::string& name : PictureNames(dir + pictures)) files.Add(pictures + name);
    return files.Take();
}

std::string BuildProjectText(const std::string& projectBytes,
                             const std::vector<std::string>& files) {
    std::string text;
    bool inWindows = false;
    size_t start = 0;
    while (start < projectBytes.size()) {
        size_t end = projectBytes.find('\n', start);
        const bool hasEnd = end != std::string::npos;
        if (!hasEnd) end = projectBytes.size();
        const std::string line = projectBytes.substr(start, end - start);
        if (IsSectionLine(line)) inWindows = line.compare(0, 9, "[WINDOWS]") == 0;
        text += inWindows ? WithStartPage(line) : line;
        text += hasEnd ? "\n" : "\r\n";
        start = end + 1;
    }
    text += "\r\n[FILES]\r\n";
    for (const std::string& file : files) text += file + "\r\n";
    return text;
}

std::string SearchStubPageText() {
    return "<HTML><HEAD><TITLE>index</TITLE></HEAD><BODY>index</BODY></HTML>\r\n";
}

}  // namespace pw

#pragma once
// Helpers shared by the book tests: scratch folders, a recording host, files.

#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ArticleInfo.h"
#include "engine/Host.h"
#include "job/TreeEntry.h"

namespace pw::booktest {

class ScratchDir {
public:
    explicit ScratchDir(const std::string& parent = "/tmp") {
        std::string pattern = parent + "/pw-book-XXXXXX";
        if (::mkdtemp(pattern.data())) m_path = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
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

// A flattened article tree whose records live as long as the tree.
class Tree {
public:
    Tree& Heading(int depth, const std::string& text) {
        entries.push_back({depth, false, text, nullptr});
        return *this;
    }
    Tree& Article(const std::string& title, const std::string& fileName) {
        ArticleInfo& info = m_records.emplace_back();
        info.strTitle = title;
        info.strFileName = fileName;
        entries.push_back({2, true, title, &info});
        return *this;
    }
    std::vector<TreeEntry> entries;

private:
    std::deque<ArticleInfo> m_records;
};

// Answers questions as told and remembers everything the core showed.
class RecordingHost : public IHost {
public:
    explicit RecordingHost(bool answer = false) : m_answer(answer) { AttachHost(this); }
    ~RecordingHost() override { AttachHost(nullptr); }

    void SendToUi(const std::function<void()>& fn) override {
        std::lock_guard lock(m_mutex);
        fn();
    }
    void SetStatusText(int part, const std::string& text) override {
        statuses.emplace_back(part, text);
    }
    void ShowMessageBox(const std::string& text) override { boxes.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return m_answer;
    }

    std::vector<std::pair<int, std::string>> statuses;
    std::vector<std::string> boxes;
    std::vector<std::string> questions;

private:
    bool m_answer;
    std::recursive_mutex m_mutex;
};

// Sets an environment variable for one test and restores it afterwards.
class EnvOverride {
public:
    EnvOverride(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = ::getenv(name)) m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvOverride() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

}  // namespace pw::booktest

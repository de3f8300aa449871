#include "app/IniFile.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/Text.h"

namespace pw {

namespace {

std::string Lowered(std::string text) {
    MakeLower(text);
    return text;
}

// "[name]" -> lowered name; empty optional when the line is no section header.
bool SectionName(const std::string& line, std::string* name) {
    std::string t = Trimmed(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const size_t close = t.find(']');
    if (close == std::string::npos) return false;
    *name = Lowered(Trimmed(t.substr(1, close - 1)));
    return true;
}

// "key=value" -> lowered key and value; false for comments and other lines.
bool KeyValue(const std::string& line, std::string* key, std::string* value) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    std::string k = Trimmed(line.substr(0, eq));
    if (k.empty() || k[0] == ';') return false;
    *key = Lowered(k);
    *value = Trimmed(line.substr(eq + 1));
    return true;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

void IniFile::Load() {
    lines_.clear();
    std::ifstream in(path_, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(line);
    }
}

bool IniFile::Save() const {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const auto& line : lines_) out << line << "\r\n";
    return static_cast<bool>(out.flush());
}

int IniFile::FindKey(const std::string& section, const std::string& key, int* sectionEnd) const {
    const std::string wantSection = Lowered(section);
    const std::string wantKey = Lowered(key);
    bool inSection = false;
    int end = -1;
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        std::string name, k, v;
        if (SectionName(lines_[i], &name)) {
            if (inSection) break;  // the first matching section is the one used
            inSection = name == wantSection;
            if (inSection) end = i + 1;
            continue;
        }
        if (!inSection) continue;
        if (!Trimmed(lines_[i]).empty()) end = i + 1;
        if (KeyValue(lines_[i], &k, &v) && k == wantKey) {
            if (sectionEnd) *sectionEnd = end;
            return i;
        }
    }
    if (sectionEnd) *sectionEnd = end;
    return -1;
}

bool IniFile::HasKey(const std::string& section, const std::string& key) const {
    return FindKey(section, key, nullptr) >= 0;
}

std::string IniFile::GetString(const std::string& section, const std::string& key,
                               const std::string& fallback, size_t maxBytes) const {
    const int i = FindKey(section, key, nullptr);
    std::string value = fallback;
    if (i >= 0) {
        std::string k;
        KeyValue(lines_[i], &k, &value);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
    }
    if (maxBytes && value.size() > maxBytes) value.resize(maxBytes);
    return value;
}

int IniFile::GetInt(const std::string& section, const std::string& key, int fallback) const {
    if (!HasKey(section, key)) return fallback;
    const std::string text = GetString(section, key, "");
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

void IniFile::SetString(const std::string& section, const std::string& key,
                        const std::string& value) {
    int sectionEnd = -1;
    const int i = FindKey(section, key, &sectionEnd);
    if (i >= 0) {
        // Keep the key as it is spelled in the file.
        const std::string spelled = Trimmed(lines_[i].substr(0, lines_[i].find('=')));
        lines_[i] = spelled + "=" + value;
    } else if (sectionEnd >= 0) {
        lines_.insert(lines_.begin() + sectionEnd, key + "=" + value);
    } else {
        lines_.push_back("[" + section + "]");
        lines_.push_back(key + "=" + value);
    }
}

void IniFile::SetInt(const std::string& section, const std::string& key, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    SetString(section, key, text);
}

}  // namespace pw

#pragma once
// A private-profile INI file: sections and keys match without regard to case,
// lines it does not understand are kept, a write changes the key's line in place
// or adds the missing section and key, a missing file reads as empty.

#include <string>
#include <vector>

namespace pw {

class IniFile {
public:
    explicit IniFile(std::string path);

    // Reads the file; a missing or unreadable file leaves it empty.
    void Load();
    // Writes every line back (CRLF line ends); false when it cannot be written.
    bool Save() const;

    bool HasKey(const std::string& section, const std::string& key) const;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback, size_t maxBytes = 0) const;
    // Leading decimal number as the profile reader takes it; fallback when missing.
    int GetInt(const std::string& section, const std::string& key, int fallback) const;

    void SetString(const std::string& section, const std::string& key, const std::string& value);
    void SetInt(const std::string& section, const std::string& key, int value);

    const std::string& Path() const { return path_; }

private:
    // Index of the key's line, or -1; sectionEnd gets the line after the section's
    // last line (or -1 when the section is missing).
    int FindKey(const std::string& section, const std::string& key, int* sectionEnd) const;

    std::string path_;
    std::vector<std::string> lines_;
};

}  // namespace pw

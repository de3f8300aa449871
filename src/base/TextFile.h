#pragma once
// Text-mode files as the program writes them: every "\n" on disk is "\r\n".

#include <string>

namespace pw {

// The bytes a text-mode write puts on disk for text.
std::string TextModeBytes(const std::string& text);

// Writes path with text in text mode, replacing it whole (see ReplaceFileBytes);
// false when it cannot be written.
bool WriteTextFile(const std::string& path, const std::string& text);

}  // namespace pw

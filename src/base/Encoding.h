#pragma once
// Conversions between UTF-8, the program's text encoding, and code page 936
// (GBK), which some services send and the CHM's files are written in.
// Characters the target cannot hold become "?"; nothing after them is lost. The
// Markup form is for text that ends up in the CHM's HTML: there such a character
// becomes a numeric character reference ("&#128512;"), which readers show as
// the character itself. Malformed input stays "?" in either form.

#include <string>
#include <string_view>

namespace pw {

std::string ToAnsi(std::string_view utf8);
std::string ToAnsiMarkup(std::string_view utf8);
std::string ToUtf8(std::string_view ansi);

// UTF-16 code units to UTF-8; a lone surrogate names no character and becomes "?".
std::string Utf16ToUtf8(const std::u16string& wide);

}  // namespace pw

#pragma once
// Conversions between UTF-8 and code page 936 (GBK), the program's text encoding.
// Characters the target cannot hold become "?"; nothing after them is lost. The
// Markup forms are for text that ends up in HTML (pages the engines scan, titles,
// names): there such a character becomes a numeric character reference
// ("&#128512;"), which readers show as the character itself. Malformed input
// stays "?" in either form.

#include <string>
#include <string_view>

namespace pw {

void Utf8ToAnsi(std::string& text);
void Utf8ToAnsiMarkup(std::string& text);
void AnsiToUtf8(std::string& text);

std::string ToAnsi(std::string_view utf8);
std::string ToAnsiMarkup(std::string_view utf8);
std::string ToUtf8(std::string_view ansi);
// The UTF-8 a person should read: ToUtf8 with the numeric character references
// the Markup forms wrote turned back into their characters (controls excepted).
std::string ToUtf8Display(std::string_view ansi);

// A UTF-8 source literal as code page 936 bytes: Gbk("全部博文").
inline std::string Gbk(std::string_view utf8) {
    return ToAnsi(utf8);
}

// UTF-16 code units to code page 936.
std::string Utf16ToAnsi(const std::u16string& wide);
std::string Utf16ToAnsiMarkup(const std::u16string& wide);

}  // namespace pw

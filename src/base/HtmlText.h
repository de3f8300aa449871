#pragma once
// Texts of the blog (titles, names, addresses) as they go into the book's HTML.
// These work on code page 936 and UTF-8 bytes alike: every byte they look for is
// ASCII below 0x40, which is never the trail byte of a double-byte character.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pw {

// The declaration every HTML page of the CHM opens with: viewers that do not
// guess the code page show the pages as mojibake without it.
inline constexpr const char* kGbkCharsetMeta =
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";

// Length of the character reference at text[at] ("&amp;", "&#38;", "&#x26;"), or
// 0 when the "&" there begins none.
size_t CharacterReferenceLength(std::string_view text, size_t at);

// The character a whole reference ("&amp;", "&#38;", "&#x26;", as measured by
// CharacterReferenceLength) stands for: numeric ones and the names HTML 4
// knows; nullopt for an unknown name or a number that names no character.
std::optional<uint32_t> ReferencedCharacter(std::string_view reference);

// The text for element content or a double-quoted attribute value: "<", ">", '"'
// and each "&" that begins no character reference are written as references.
// References already in the text stay as they are: titles cut out of attribute
// values hold "&amp;", which must not become "&amp;amp;".
std::string EscapeHtml(std::string_view text);

// An attribute value as a browser takes it for an address or a style:
// numeric references (with or without ";") and "&colon;", "&Tab;", "&NewLine;"
// decoded, blanks and control characters dropped, ASCII letters lowered. At
// most limit bytes are made; a reference to a character beyond ASCII comes out
// as the one byte 0x80, other bytes beyond ASCII as they are.
std::string PlainAttributeValue(std::string_view value, size_t limit);

// True for a value that runs script when followed as an address
// ("javascript:", "vbscript:"), however it is written: letter case, blanks and
// control characters in it, and characters written as references.
bool IsScriptAddress(std::string_view value);

// The address as a link target (escaped), or empty when it would run script.
std::string LinkTarget(std::string_view address);

}  // namespace pw

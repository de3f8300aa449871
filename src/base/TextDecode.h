#pragma once
// Decoders for the two escape forms the services' pages carry.

#include <string>

namespace pw {

// The twelve entity replacements, in their fixed order ("&amp;" first).
void DecodeHtmlEntities(std::string& text);

// The body of a quoted script string (ASCII with backslash escapes) to UTF-16.
// Decoding ends at the first "\u" escape that is not four hex digits.
std::u16string DecodeScriptEscapes(const char* text);

}  // namespace pw

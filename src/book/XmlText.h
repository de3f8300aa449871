#pragma once
// UTF-8 text made safe for XML documents of the e-book: invalid byte sequences,
// control characters and non-characters are dropped, line ends become "\n",
// and the five markup characters are written as numeric character references,
// so the result reads the same in every XML and HTML parser.

#include <string>
#include <string_view>

namespace pw {

// Content of an element.
void AppendXmlText(std::string& out, std::string_view utf8);
std::string XmlText(std::string_view utf8);

// Value of a double-quoted attribute; line ends and tabs become blanks.
std::string XmlAttribute(std::string_view utf8);

// The text with only the characters XML and HTML accept, unescaped.
std::string CleanUtf8(std::string_view utf8);

// The character references of an HTML text decoded, once: those EscapeHtml
// leaves standing ("&amp;", "&#128512;", "&#x4E2D;"); names HTML 4 does not know
// stay as they are, as HTML readers show them.
std::string DecodeHtmlReferences(std::string_view utf8);

}  // namespace pw

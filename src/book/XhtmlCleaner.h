#pragma once
// Turns the HTML of a downloaded page into XHTML an e-book reader can trust.
//
// The page is parsed by libxml2's forgiving HTML parser and written out again
// from a fixed list of elements and attributes: the result is well-formed,
// follows the content models of XHTML (blocks never inside inline elements,
// lists hold items, tables hold rows of cells, no link inside a link), and
// carries no scripts, frames, plug-ins, forms, comments, event attributes or
// links other than plain web addresses. Elements it does not know give up their
// markup but keep their text.

#include <functional>
#include <string>
#include <string_view>

namespace pw {

// What the src of a picture becomes in the book: the picture's address inside
// the book, or empty when the book has no such picture (the tag then gives way
// to its alt text).
using PictureResolver = std::function<std::string(const std::string& src)>;

// The content of an XHTML body element (UTF-8) made from an HTML page or
// fragment in UTF-8; anything around it (html, head, body tags, stray end tags)
// is dropped, so the result always fits into one body.
std::string CleanHtmlFragment(std::string_view html, const PictureResolver& resolvePicture);

// True when the text is a well-formed XML document (checked without fetching
// or expanding anything), the last check of every page before it goes into a book.
bool IsWellFormedXml(std::string_view document);

}  // namespace pw

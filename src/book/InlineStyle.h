#pragma once
// The presentation of a page's elements that a book keeps: alignment, colour,
// weight, slant, decoration and paragraph indent, each value checked against
// a fixed form. Sizes, positions, floats, backgrounds, fonts and addresses are
// left to the book's stylesheet and the reader.

#include <string>
#include <string_view>
#include <vector>

namespace pw {

// "property: value" as the book writes it, or empty when the declaration is
// not kept. Letter case and surrounding blanks do not matter.
std::string KeptDeclaration(std::string_view property, std::string_view value);

// The kept declarations of a style attribute's text, in order.
std::vector<std::string> KeptDeclarations(std::string_view style);

}  // namespace pw

#pragma once
// The cover of the EPUB, drawn by the program as SVG text so no picture or font
// has to be fetched: the blog's name, its author and the span of its dates.
// Texts are UTF-8.

#include <string>

namespace pw {

inline constexpr const char* kCoverImageHref = "cover.svg";
inline constexpr const char* kCoverPageHref = "cover.xhtml";

// The cover picture (600 x 800). Long names are broken over lines; what does
// not fit ends in "…". An empty dates line is left out.
std::string CoverSvg(const std::string& title, const std::string& author, const std::string& dates);

// The cover page's body content: the picture, described by the title.
std::string CoverPageXhtml(const std::string& title);

}  // namespace pw

#pragma once
// The blog's texts as a person reads them outside the books (terminal, report,
// desktop program, file names). Titles and names arrive as the blog wrote them
// into its HTML, so "&amp;" there stands for "&".

#include <string>
#include <string_view>

namespace pw {

// The UTF-8 text with its character references decoded once: numeric ones and
// the names HTML 4 knows. A reference that names a control character becomes a
// blank, so decoding never adds a line break or an escape sequence; one that
// names no character, and unknown names, stay as written.
std::string DisplayText(std::string_view utf8);

}  // namespace pw

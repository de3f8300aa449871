#pragma once
// The frame of every HTML page of the CHM. The help compiler indexes only the
// text inside <body> and lists a search hit under the page's <title>, so a page
// without them cannot be found by the book's search.

#include <string>
#include <string_view>

namespace pw {

// "<html><head>", kGbkCharsetMeta, "<title>" + the title escaped (see
// EscapeHtml) + "</title></head><body>", the content as it is, "</body></html>".
std::string WholePage(std::string_view title, std::string_view content);

// The content of a page: what stands between "<body>" and "</body></html>" of
// a WholePage, or, for a page of an earlier version, what follows its
// kGbkCharsetMeta. Anything else comes back as it is. Line ends may be LF or
// CR LF.
std::string_view PageContent(std::string_view page);

// True when the page begins as WholePage makes it.
bool IsWholePage(std::string_view page);

}  // namespace pw

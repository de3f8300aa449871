#pragma once
// The HTML Help project of a book: title page, project, contents and index files.
// Where the blog's texts go into HTML (the title page, the contents and index)
// they are escaped (see EscapeHtml), so a reader shows them as they are and
// nothing in them becomes markup; the contents and index lead only to the
// book's own pages. The *Text functions return the templates in UTF-8 with bare
// line feeds, the Write functions put them on disk in code page 936 (what it
// lacks as numeric references, see ToAnsiMarkup) in text mode (every line feed
// as CR LF) and return 1, or 0 when the file cannot be written.

#include <string>
#include <vector>

#include "base/Identity.h"
#include "book/BookDescription.h"

namespace pw {

// One line, a WholePage titled with the blog's name: the centred table with the blog's
// linked name, the credit (a link only when there is a shop address) and the
// time of making.
std::string IndexPageText(const std::string& homeUrl, const std::string& blogName,
                          const std::string& madeAt, const std::string& shopUrl = kShopUrl);
// The COPYRIGHT line names the site only when there is an address.
std::string ProjectFileText(const BookDescription& book, const std::string& siteUrl = kSiteUrl);
std::string ContentsFileText(const std::vector<TreeEntry>& entries);
std::string IndexFileText(const std::vector<TreeEntry>& entries);

// "index.html" in the book's folder, stamped with the current local time.
int WriteIndexPage(const BookDescription& book);
// Pages an earlier version saved in the job's folder begin with the code page
// declaration and have no frame; each becomes a WholePage titled with its
// article's title, its content unchanged. Returns how many were framed.
int WrapEarlierPages(const BookDescription& book);
int WriteProjectFile(const BookDescription& book);
int WriteContentsFile(const BookDescription& book);
int WriteIndexFile(const BookDescription& book);

}  // namespace pw

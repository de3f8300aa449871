#pragma once
// The XHTML content of the book's pages, made from the job's downloaded pages.
// The entries' texts are UTF-8; the pages are the CHM's page files (code page
// 936, see PageFileText). Results are UTF-8 XHTML body content (see
// XhtmlDocument for the frame).

#include <string>
#include <string_view>

#include "book/TreeEntry.h"
#include "book/XhtmlCleaner.h"

namespace pw {

// A page file of the CHM (an article page or index.html, code page 936) as
// UTF-8. The one place where the CHM's encoding is read back.
std::string PageFileText(std::string_view fileBytes);

// The entry's title as the book shows it; never empty.
std::string ArticleTitle(const TreeEntry& entry);

// The heading block, then the article. The page is what the renderer wrote:
// its heading block, when it is the one the entry's record gives, is rebuilt
// from the record (its texts were inserted into the page unescaped); anything
// else goes through the cleaner as it stands. A missing page (null) still
// gives the heading block and a note.
std::string ArticleBodyXhtml(const TreeEntry& entry, const std::string* page,
                             const PictureResolver& resolvePicture);

// The title page from index.html's content; when there is none, the book's
// title (UTF-8) linked to the blog's home page.
std::string TitlePageXhtml(const std::string* indexPage, const std::string& bookTitle,
                           const std::string& homeUrl);

}  // namespace pw

#pragma once
// The HTML Help project of a book: title page, project, contents and index files.
// Texts are code page 936 and inserted as they stand (no HTML escaping); the
// *Text functions return the templates with bare line feeds, the Write functions
// put them on disk in text mode (every line feed as CR LF) and return 1, or 0
// when the file cannot be written.

#include <string>
#include <vector>

#include "book/BookDescription.h"

namespace pw {

std::string IndexPageText(const std::string& homeUrl, const std::string& blogName,
                          const std::string& madeAt);
std::string ProjectFileText(const BookDescription& book);
std::string ContentsFileText(const std::vector<TreeEntry>& entries);
std::string IndexFileText(const std::vector<TreeEntry>& entries);

// "index.html" in the book's folder, stamped with the current local time.
int WriteIndexPage(const BookDescription& book);
int WriteProjectFile(const BookDescription& book);
int WriteContentsFile(const BookDescription& book);
int WriteIndexFile(const BookDescription& book);

}  // namespace pw

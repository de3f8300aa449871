#pragma once
// The EPUB 3 form of a job's book, made beside the CHM from the same job list
// and downloaded pages: one XHTML document per article in tree order, a title
// page, the pictures the pages show, and a table of contents nested by category.

#include <string>
#include <vector>

#include "book/BookDescription.h"

namespace pw {

// The book's file: dir + name + ".epub".
std::string EpubBookPath(const BookDescription& book);

// Writes the book from the pages and pictures in book.dir (index.html, the
// articles' fileName pages, img/); the home address makes a title page when
// index.html is missing. Returns 1 when the book was written whole, 0
// otherwise (no book file is left then, not even an older one).
int WriteEpubBook(const BookDescription& book);

}  // namespace pw

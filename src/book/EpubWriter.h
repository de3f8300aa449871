#pragma once
// The EPUB 3 form of a job's book, made beside the CHM from the same job list
// and downloaded pages: one XHTML document per article in tree order, a title
// page, the pictures the pages show, and a table of contents nested by category.

#include <string>
#include <vector>

#include "book/BookProject.h"
#include "job/TreeEntry.h"

namespace pw {

// The book's file: m_strDir + m_strName + ".epub".
std::string EpubBookPath(const CBookProject& project);

// Writes the book from the pages and pictures in project.m_strDir (index.html,
// the articles' strFileName pages, img/); homeUrl is the blog's address for a
// title page when index.html is missing. Returns 1 when the book was written
// whole, 0 otherwise (no book file is left then, not even an older one).
int WriteEpubBook(const CBookProject& project, const std::vector<TreeEntry>& entries,
                  const std::string& homeUrl);

}  // namespace pw

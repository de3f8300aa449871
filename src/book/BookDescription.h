#pragma once
// Everything the book step needs to know of a job, as a plain value: where the
// pages are, what the books are called, and the tree of the blog.

#include <string>
#include <vector>

#include "book/BookFormats.h"
#include "book/TreeEntry.h"

namespace pw {

struct BookDescription {
    std::string dir;       // the job's folder with the pages, ending in "/"
    std::string name;      // base name of the project files and of the books
    std::string title;     // the blog's name
    std::string author;    // the name the blog's author shows; the account when none
    std::string language;  // the blog's own (BCP 47) when it names one; empty: Chinese
    std::string homeUrl;   // the blog's address
    BookFormats formats;
    std::vector<TreeEntry> entries;
};

}  // namespace pw

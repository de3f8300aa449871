#pragma once

#include <string>

namespace pw {

// One item of the article tree, flattened in pre-order for the book: the blog,
// a category or an article. An article carries its page and the fields its
// page's heading block shows.
struct TreeEntry {
    int depth = 0;  // 0 blog, 1 category, 2 article
    bool article = false;
    std::string text;
    std::string fileName;  // the article's page in the book's folder ("7.html")
    std::string title;
    std::string time;
    std::string category;
    std::string url;
    std::string heading;  // the heading block its page begins with
};

}  // namespace pw

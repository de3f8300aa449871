#pragma once

#include <string>

namespace pw {

// One item of the article tree, flattened in pre-order for the book: the blog,
// a category or an article. An article carries its page and the fields its
// page's heading block shows.
struct TreeEntry {
    int nDepth = 0;  // 0 blog, 1 category, 2 article
    bool bArticle = false;
    std::string strText;
    std::string strFileName;  // the article's page in the book's folder ("7.html")
    std::string strTitle;
    std::string strTime;
    std::string strCategory;
    std::string strUrl;
    std::string strHeading;  // the heading block its page begins with
};

}  // namespace pw

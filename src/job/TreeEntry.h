#pragma once

#include <string>

#include "engine/ArticleInfo.h"

namespace pw {

// One item of the article tree, flattened in pre-order for the download job.
struct TreeEntry {
    int nDepth = 0;  // 0 blog, 1 category, 2 article
    bool bArticle = false;
    std::string strText;
    ArticleInfo* pArticle = nullptr;  // owned by the tree
};

}  // namespace pw

#pragma once

#include <string>

namespace pw {

// One article as an engine lists it; the tree keeps a copy per article item.
struct ArticleInfo {
    std::string strId;
    std::string strTitle;
    std::string strExtra;
    std::string strUrl;
    std::string strCategory;
    std::string strTime;
    std::string strLocalPath;
    std::string strFileName;
};

void InitArticleInfo(ArticleInfo* info);
void FreeArticleInfo(ArticleInfo* info);

// Called once per listed article; the record is valid only during the call.
using ArticleCallback = int (*)(ArticleInfo* article, void* userData);

}  // namespace pw

#pragma once

#include "engine/BlogBase.h"

namespace pw {

// Sina Weibo: registered last in the engine order; declines every address.
class CSinaWeibo : public CBlogBase {
public:
    int ParseAddress(const std::string& address) override;
    int GetCategories(CStringList* list) override;
    void ListArticles(ArticleCallback callback, void* userData) override;
    void DownloadArticle(ArticleInfo* article) override;

    std::string m_strUid;
};

}  // namespace pw

#pragma once

#include "engine/BlogBase.h"

namespace pw {

inline constexpr const char* kSinaBlogHost = "blog.sina.com.cn";

// Sina Blog: the uid comes from the blog's page; categories and article lists
// from the paged article list pages; pages arrive in UTF-8.
class CSinaBlog : public CBlogBase {
public:
    int ParseAddress(const std::string& address) override;
    int GetCategories(CStringList* list) override;
    void ListArticles(ArticleCallback callback, void* userData) override;
    void DownloadArticle(ArticleInfo* article) override;

private:
    // Lists one category page by page until its pages end.
    void ListCategory(int number, const std::string& name, ArticleInfo& record,
                      ArticleCallback callback, void* userData);
    std::string ListPageUrl(int category, int page) const;
};

}  // namespace pw

#pragma once

#include "engine/BlogBase.h"

namespace pw {

// Every Baidu Space blog is the first path segment on this host.
inline constexpr const char* kBaiduSpaceHost = "hi.baidu.com";

// Baidu Space: name from the page title, categories from the blog's "/blog"
// page, the article list from the numbered index pages, bodies from the
// article pages; all in code page 936. The first engine asked for an address.
class CBaiduBlog : public CBlogBase {
public:
    int ParseAddress(const std::string& address) override;
    int GetCategories(CStringList* list) override;
    void ListArticles(ArticleCallback callback, void* userData) override;
    void DownloadArticle(ArticleInfo* article) override;

private:
    std::string IndexPageUrl(int page) const;
};

}  // namespace pw

#pragma once

#include "engine/BlogBase.h"

namespace pw {

// Every Baidu Space blog is the first path segment on this host.
inline constexpr const char* kBaiduSpaceHost = "hi.baidu.com";

// Baidu Space: name from the page title, categories from the blog's "/blog"
// page, the article list from the numbered index pages, bodies from the
// article pages; all in code page 936. The first engine asked for an address.
class BaiduBlog : public BlogBase {
public:
    explicit BaiduBlog(SiteContext& site) : BlogBase(site) {}

    bool ParseAddress(const std::string& address) override;
    bool GetCategories(std::vector<std::string>& list) override;
    void ListArticles(const ArticleCallback& callback) override;
    ArticleOutcome DownloadArticle(const ArticleInfo& article) const override;
    std::vector<std::string> ServiceDomains() const override;

private:
    std::string IndexPageUrl(int page) const;
};

}  // namespace pw

#pragma once

#include "engine/BlogBase.h"

namespace pw {

inline constexpr const char* kSinaBlogHost = "blog.sina.com.cn";

// Sina Blog: the uid comes from the blog's page; categories and article lists
// from the paged article list pages; pages arrive in UTF-8.
class SinaBlog : public BlogBase {
public:
    explicit SinaBlog(SiteContext& site) : BlogBase(site) {}

    bool ParseAddress(const std::string& address) override;
    bool GetCategories(std::vector<std::string>& list) override;
    void ListArticles(const ArticleCallback& callback) override;
    ArticleOutcome DownloadArticle(const ArticleInfo& article) const override;
    std::vector<std::string> ServiceDomains() const override;

private:
    // Lists one category page by page until its pages end.
    // false when the callback ended the listing.
    bool ListCategory(int number, const std::string& name, ArticleInfo& record,
                      const ArticleCallback& callback);
    std::string ListPageUrl(int category, int page) const;
};

}  // namespace pw

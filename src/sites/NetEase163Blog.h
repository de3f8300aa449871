#pragma once

#include "engine/BlogBase.h"

namespace pw {

// A blog's host is the account, a dot and this domain.
inline constexpr const char* k163BlogDomain = "blog.163.com";
// The remote-call interface that lists a blog's articles.
inline constexpr const char* k163ApiHost = "api.blog.163.com";

// NetEase 163 Blog: name and user id from the blog's home page, categories from
// its "/blog" page, the article list from the remote-call interface (a POST
// answered with compressed script text), bodies from the article pages; all in
// code page 936.
class NetEase163Blog : public BlogBase {
public:
    explicit NetEase163Blog(SiteContext& site) : BlogBase(site) {}

    bool ParseAddress(const std::string& address) override;
    bool GetCategories(std::vector<std::string>& list) override;
    void ListArticles(const ArticleCallback& callback) override;
    ArticleOutcome DownloadArticle(const ArticleInfo& article) const override;
    std::vector<std::string> ServiceDomains() const override;

    std::string userId_;

private:
    // The remote-call answer for the articles from offset on.
    std::string RequestListPage(int offset) const;
};

}  // namespace pw

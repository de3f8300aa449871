#pragma once

#include "engine/BlogBase.h"

namespace pw {

// Sina Weibo: registered last in the engine order; declines every address.
class SinaWeibo : public BlogBase {
public:
    explicit SinaWeibo(SiteContext& site) : BlogBase(site) {}

    bool ParseAddress(const std::string& address) override;
    bool GetCategories(std::vector<std::string>& list) override;
    void ListArticles(const ArticleCallback& callback) override;
    ArticleOutcome DownloadArticle(const ArticleInfo& article) const override;
    std::vector<std::string> ServiceDomains() const override;

    std::string uid;  // read by nothing
};

}  // namespace pw

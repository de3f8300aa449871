#include "sites/SinaWeibo.h"

namespace pw {

namespace {

class SinaWeibo final : public BlogBase {
public:
    using BlogBase::BlogBase;

    bool ParseAddress(const std::string&) override { return false; }

    bool GetCategories(std::vector<std::string>& list) override {
        list.assign({"全部微博"});
        return true;
    }

    // Never reached: the engine is never chosen. Lists nothing, keeping the contract.
    void ListArticles(const ArticleCallback& callback) override {
        if (callback) articleCount = 0;
    }

    ArticleOutcome DownloadArticle(const ArticleInfo&) const override {
        return ArticleOutcome::Skip({});
    }

    std::vector<std::string> ServiceDomains() const override { return {"weibo.com"}; }

    std::string uid;  // read by nothing
};

}  // namespace

std::unique_ptr<BlogBase> MakeSinaWeibo(SiteContext& site) {
    return std::make_unique<SinaWeibo>(site);
}

}  // namespace pw

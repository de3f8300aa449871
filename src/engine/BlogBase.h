#pragma once
// The contract every site engine fulfils, and the choice of engine for an address.

#include <memory>
#include <string>
#include <vector>

#include "engine/ArticleInfo.h"
#include "engine/ArticleOutcome.h"
#include "engine/SiteContext.h"

namespace pw {

class BlogBase {
public:
    explicit BlogBase(SiteContext& site) : site_(site) {}
    virtual ~BlogBase() = default;
    BlogBase(const BlogBase&) = delete;
    BlogBase& operator=(const BlogBase&) = delete;

    // True when the address belongs to this engine (fields set); false leaves
    // every field as it was.
    virtual bool ParseAddress(const std::string& address) = 0;
    // Fills the list with the blog's category names; false when the category
    // page fails.
    virtual bool GetCategories(std::vector<std::string>& list) = 0;
    // Walks the whole article list, calling back once per article, until the
    // list ends or the callback returns false.
    virtual void ListArticles(const ArticleCallback& callback) = 0;
    // Fetches one article and writes its page to article.localPath. Runs on
    // several workers at once: reads the engine's fields only.
    virtual ArticleOutcome DownloadArticle(const ArticleInfo& article) const = 0;
    // The hosts of the service itself (pages, logins); cookies go to no other.
    virtual std::vector<std::string> ServiceDomains() const = 0;
    // After GetCategories found no blog at the address: what the engine looked
    // for, to be shown with the refusal. Empty for engines that only ever read
    // their own service.
    virtual std::string NoBlogDetail() const { return {}; }

    std::string account;
    std::string blogName;
    // the name the author signs with, when the service shows one apart
    std::string author;
    // The blog's language (BCP 47) when the blog names one; empty means zh-CN.
    std::string language;
    std::string homeUrl;
    int articleCount = 0;

protected:
    SiteContext& site_;
};

using EngineList = std::vector<std::unique_ptr<BlogBase>>;

// The first engine whose ParseAddress accepts the address, or null.
BlogBase* ChooseEngine(const EngineList& engines, const std::string& address);

}  // namespace pw

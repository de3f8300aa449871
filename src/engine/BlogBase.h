#pragma once
// The contract every site engine fulfils, and the choice of engine for an address.

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "engine/ArticleInfo.h"

namespace pw {

using CStringList = std::list<std::string>;

class CBlogBase {
public:
    virtual ~CBlogBase() = default;

    // 1 when the address belongs to this engine (fields set), else 0 (nothing changed).
    virtual int ParseAddress(const std::string& address) = 0;
    // Fills the list with the blog's category names; 0 when the category page fails.
    virtual int GetCategories(CStringList* list) = 0;
    // Walks the whole article list, calling back once per article.
    virtual void ListArticles(ArticleCallback callback, void* userData) = 0;
    // Fetches one article and writes its page to strLocalPath. Runs on several
    // workers at once: reads the engine's fields only.
    virtual void DownloadArticle(ArticleInfo* article) = 0;

    std::string m_strAccount;
    std::string m_strBlogName;
    std::string m_strHomeUrl;
    int m_nArticleCount = 0;
    std::string m_strOutputDir;
    std::string m_strImageDir;
};

// The six engines in their fixed order: Baidu, 163, Qzone, Renren, Sina blog, Sina Weibo.
std::vector<std::unique_ptr<CBlogBase>> CreateEngines();

// The first engine whose ParseAddress returns exactly 1, or null.
CBlogBase* ChooseEngine(const std::vector<std::unique_ptr<CBlogBase>>& engines,
                        const std::string& address);

}  // namespace pw

#include "sites/SinaWeibo.h"

#include "engine/Encoding.h"

namespace pw {

int CSinaWeibo::ParseAddress(const std::string&) {
    return 0;
}

int CSinaWeibo::GetCategories(CStringList* list) {
    if (!list) return 0;
    list->clear();
    list->push_back(A("全部微博"));
    return 1;
}

// Never reached: the engine is never chosen. Lists nothing, keeping the contract.
void CSinaWeibo::ListArticles(ArticleCallback callback, void*) {
    if (callback) m_nArticleCount = 0;
}

void CSinaWeibo::DownloadArticle(ArticleInfo*) {}

}  // namespace pw

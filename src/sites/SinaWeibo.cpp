#include "sites/SinaWeibo.h"

#include "base/Encoding.h"

namespace pw {

bool SinaWeibo::ParseAddress(const std::string&) {
    return false;
}

bool SinaWeibo::GetCategories(std::vector<std::string>& list) {
    list.clear();
    list.push_back(Gbk("全部微博"));
    return true;
}

// Never reached: the engine is never chosen. Lists nothing, keeping the contract.
void SinaWeibo::ListArticles(const ArticleCallback& callback) {
    if (callback) articleCount = 0;
}

ArticleOutcome SinaWeibo::DownloadArticle(const ArticleInfo&) const {
    return ArticleOutcome::Skip({});
}

std::vector<std::string> SinaWeibo::ServiceDomains() const {
    return {"weibo.com"};
}

}  // namespace pw

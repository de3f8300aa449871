#include "sites/PagedList.h"

#include "base/Format.h"

namespace pw {

bool PagingGuard::Advance(const std::vector<ArticleInfo>& articles) {
    if (articles.empty()) {
        previous_.clear();
        return ++emptyInRow_ <= kMaxEmptyPagesInRow;
    }
    emptyInRow_ = 0;
    std::vector<std::string> addresses;
    addresses.reserve(articles.size());
    for (const auto& article : articles) addresses.push_back(article.url);
    if (endOnRepeat_ && addresses == previous_) return false;
    previous_ = std::move(addresses);
    return true;
}

bool ListPages(SiteContext& site, int& count, const ArticleCallback& callback,
               const PageSource& source, PagingGuard guard) {
    for (int index = 0; index < kMaxListPages; ++index) {
        if (site.Stopping()) return false;
        const std::optional<ListPage> page = source(index);
        if (!page || !guard.Advance(page->articles)) return true;
        for (const auto& article : page->articles) {
            ++count;
            if (!callback(article)) return false;
        }
        if (page->last) return true;
    }
    return true;
}

std::string PageStatus(int number) {
    return Format("正在获取第 %d 页文章……", number);
}

}  // namespace pw

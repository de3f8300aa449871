#include "sites/SiteHelpers.h"

#include "base/Encoding.h"
#include "base/TextOps.h"
#include "engine/ArticleRenderer.h"
#include "engine/FetchFailure.h"
#include "net/HttpSession.h"

namespace pw {

FetchedPage FetchAnsiPage(SiteContext& site, const std::string& address) {
    FetchedPage page;
    page.result = site.Http().GetPage(address, page.text);
    return page;
}

FetchedPage FetchUtf8PageAsAnsi(SiteContext& site, const std::string& address) {
    FetchedPage page = FetchAnsiPage(site, address);
    Utf8ToAnsi(page.text);
    return page;
}

ArticleOutcome MissingBody(const FetchedPage& page, const std::string& message) {
    if (!page.result.Ok()) {
        return ArticleOutcome::Fail(FetchFailureText(page.result), page.result.status);
    }
    return ArticleOutcome::NoMarkers(message);
}

ArticleOutcome SaveArticle(SiteContext& site, std::string body, const ArticleInfo& article) {
    if (RenderArticlePage(std::move(body), article, site.Pictures())) return ArticleOutcome::Done();
    return ArticleOutcome::Fail(Gbk("无法写入文章页面"));
}

int CutBetween(const std::string& text, std::string_view a, std::string_view b, int from,
               std::string* value) {
    value->clear();
    const int at = Find(text, a, from);
    if (at < 0) return -1;
    const int start = at + Len(a);
    const int end = Find(text, b, start);
    if (end < 0) return -1;
    *value = Mid(text, start, end - start);
    return end;
}

int ForwardFind::From(int start) {
    if (start < 0 || start > Len(text_)) return -1;
    const bool stillAhead = start_ >= 0 && start >= start_ && (hit_ < 0 || start <= hit_);
    if (!stillAhead) {
        start_ = start;
        hit_ = Find(text_, marker_, start);
    }
    return hit_;
}

int64_t LeadingInteger(std::string_view text) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (INT64_MAX - digit) / 10) return negative ? INT64_MIN : INT64_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

std::vector<std::string> ArticleAddresses(const std::vector<ArticleInfo>& articles) {
    std::vector<std::string> addresses;
    addresses.reserve(articles.size());
    for (const auto& article : articles) addresses.push_back(article.strUrl);
    return addresses;
}

bool ReportArticles(const std::vector<ArticleInfo>& articles, ArticleInfo& record, int& count,
                    const ArticleCallback& callback) {
    for (const auto& article : articles) {
        record = article;
        ++count;
        if (!callback(record)) return false;
    }
    return true;
}

bool PagingGuard::Advance(const std::vector<std::string>& addresses) {
    if (++pages_ > kMaxPages) return false;
    if (addresses.empty()) {
        previous_.clear();
        return ++emptyInRow_ <= kMaxEmptyPagesInRow;
    }
    emptyInRow_ = 0;
    if (addresses == previous_) return false;
    previous_ = addresses;
    return true;
}

}  // namespace pw

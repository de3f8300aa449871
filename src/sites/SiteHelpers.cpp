#include "sites/SiteHelpers.h"

#include "base/Encoding.h"
#include "base/Text.h"
#include "engine/ArticleRenderer.h"
#include "engine/FetchFailure.h"
#include "net/HttpSession.h"
#include "sites/Scanner.h"

namespace pw {

FetchedPage FetchPage(SiteContext& site, PageCode code, const std::string& address) {
    FetchedPage page;
    page.result = site.Http().GetPage(address, page.text);
    if (code == PageCode::Cp936) page.text = ToUtf8(page.text);
    return page;
}

ArticleOutcome SaveBody(SiteContext& site, const FetchedPage& page, std::optional<std::string> body,
                        const ArticleInfo& article) {
    if (page.result.kind == FetchResult::Kind::Stopped) return ArticleOutcome::Stopped();
    if (!body) {
        if (!page.result.Ok()) {
            return ArticleOutcome::Fail(FetchFailureText(page.result), page.result.status);
        }
        return ArticleOutcome::NoMarkers("出现严重错误，请联系开发者!");
    }
    std::vector<PictureFailure> failedPictures;
    switch (RenderArticlePage(std::move(*body), article, site.Pictures(), &failedPictures)) {
        case PageWrite::Written: {
            ArticleOutcome done = ArticleOutcome::Done();
            done.pictures = std::move(failedPictures);
            return done;
        }
        case PageWrite::Interrupted:
            return ArticleOutcome::Stopped();
        case PageWrite::Failed:
            break;
    }
    return ArticleOutcome::Fail("无法写入文章页面");
}

std::optional<std::string> AccountBeforeDomain(std::string_view address, std::string_view domain) {
    const int end = Find(address, domain);
    if (end < 0) return std::nullopt;
    // A "//" behind the domain belongs to the path, not to a scheme.
    Scanner host(address.substr(0, static_cast<size_t>(end)));
    host.Past("//");
    return host.Rest();
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

}  // namespace pw

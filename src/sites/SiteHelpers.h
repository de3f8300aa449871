#pragma once
// The small library of fetch-and-cut helpers the site engines share.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Format.h"
#include "engine/ArticleInfo.h"
#include "engine/ArticleOutcome.h"
#include "engine/SiteContext.h"
#include "net/FetchResult.h"

namespace pw {

// A page as code page 936 text, with what its request came to.
struct FetchedPage {
    std::string text;
    FetchResult result;
};

// A page fetched over the job's session; for services that send UTF-8, converted.
FetchedPage FetchAnsiPage(SiteContext& site, const std::string& address);
FetchedPage FetchUtf8PageAsAnsi(SiteContext& site, const std::string& address);

// The outcome of an article whose body was not found: the fetch's failure when
// the page did not come, else the engine's message for missing markers.
ArticleOutcome MissingBody(const FetchedPage& page, const std::string& message);

// Writes the article's page from its body and says how that went.
ArticleOutcome SaveArticle(SiteContext& site, std::string body, const ArticleInfo& article);

// The text between marker a (searched from `from`) and the next marker b.
// Returns the index of b (the scan's new position) or -1 when either is missing,
// in which case value is left empty.
int CutBetween(const std::string& text, std::string_view a, std::string_view b, int from,
               std::string* value);

// pw::Find for one marker from start positions that only grow. The last hit is
// reused while it still lies ahead, so a scan that looks past several entries
// for an entry's field stays linear in the page.
class ForwardFind {
public:
    ForwardFind(const std::string& text, std::string marker)
        : text_(text), marker_(std::move(marker)) {}

    int From(int start);

private:
    const std::string& text_;
    std::string marker_;
    int start_ = -1;
    int hit_ = -1;
};

// An optional minus sign and decimal digits at the start of text, as a number;
// 0 without digits. Saturates instead of overflowing.
int64_t LeadingInteger(std::string_view text);

// The addresses of a page's articles, in page order (what PagingGuard compares).
std::vector<std::string> ArticleAddresses(const std::vector<ArticleInfo>& articles);

// Reports a page's articles through the engine's one record: each is copied into
// record, counted in count, and handed to the callback. False when the callback
// ended the listing.
bool ReportArticles(const std::vector<ArticleInfo>& articles, ArticleInfo& record, int& count,
                    const ArticleCallback& callback);

// Ends a paged listing whose pages stop advancing: a page that repeats the
// previous page's article addresses, too many pages in a row without articles,
// or more pages than any real blog has.
class PagingGuard {
public:
    static constexpr int kMaxPages = 20000;
    static constexpr int kMaxEmptyPagesInRow = 10;

    // Call once per fetched page with the article addresses found on it; false
    // when the listing should end before reporting this page's articles.
    bool Advance(const std::vector<std::string>& addresses);

private:
    std::vector<std::string> previous_;
    int pages_ = 0;
    int emptyInRow_ = 0;
};

}  // namespace pw

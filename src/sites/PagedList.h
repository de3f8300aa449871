#pragma once
// The walk through a paged article list that every listing engine makes: page
// after page, reporting each page's articles, until the list runs out, stops
// advancing, the callback has enough or the job stops.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/ArticleInfo.h"
#include "engine/SiteContext.h"

namespace pw {

// One page of a list as an engine scanned it.
struct ListPage {
    std::vector<ArticleInfo> articles;
    bool last = false;  // the page itself says that none follows
};

// Fetches and scans page `index` (from 0); nullopt when the list has ended
// before that page.
using PageSource = std::function<std::optional<ListPage>(int index)>;

// Ends a listing whose pages stop advancing: a page that repeats the previous
// page's article addresses, or too many pages in a row without articles.
class PagingGuard {
public:
    static constexpr int kMaxEmptyPagesInRow = 10;

    // A list whose length is known beforehand may repeat itself harmlessly;
    // endOnRepeat false leaves only the check for empty pages.
    explicit PagingGuard(bool endOnRepeat = true) : endOnRepeat_(endOnRepeat) {}

    // Once per page, with its articles; false when the listing should end before
    // reporting them.
    bool Advance(const std::vector<ArticleInfo>& articles);

private:
    bool endOnRepeat_;
    std::vector<std::string> previous_;
    int emptyInRow_ = 0;
};

// More pages than any real blog has.
inline constexpr int kMaxListPages = 20000;

// Reports the articles of the source's pages in turn, counting each in count
// just before its callback. False when the callback or a stop of the job ended
// the listing, true when the list ran out or the guard ended it.
bool ListPages(SiteContext& site, int& count, const ArticleCallback& callback,
               const PageSource& source, PagingGuard guard = PagingGuard());

// The status shown while page `number` (from 1) of a list is fetched.
std::string PageStatus(int number);

}  // namespace pw

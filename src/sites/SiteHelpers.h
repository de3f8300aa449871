#pragma once
// What the site engines share besides scanning: fetching pages, saving an
// article from its body, and reading numbers and accounts out of texts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ArticleInfo.h"
#include "engine/ArticleOutcome.h"
#include "engine/SiteContext.h"
#include "net/FetchResult.h"

namespace pw {

// A page as UTF-8 text, with what its request came to.
struct FetchedPage {
    std::string text;
    FetchResult result;
};

// The encoding a service sends its pages in.
enum class PageCode { Utf8, Cp936 };

// A page fetched over the job's session, decoded from the service's encoding.
FetchedPage FetchPage(SiteContext& site, PageCode code, const std::string& address);

// Writes the article's page from the body cut out of page. Without a body the
// outcome is the fetch's failure when the page did not come, else a page
// without its markers, which is worth another try.
ArticleOutcome SaveBody(SiteContext& site, const FetchedPage& page, std::optional<std::string> body,
                        const ArticleInfo& article);

// The account of an address whose host is the account followed by domain
// (".blog.163.com"): the text before domain, behind the first "//" when one
// stands before it; nullopt when domain is missing.
std::optional<std::string> AccountBeforeDomain(std::string_view address, std::string_view domain);

// An optional minus sign and decimal digits at the start of text, as a number;
// 0 without digits. Saturates instead of overflowing.
int64_t LeadingInteger(std::string_view text);

}  // namespace pw

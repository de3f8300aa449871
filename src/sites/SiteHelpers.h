#pragma once
// The small library of fetch-and-cut helpers the site engines share.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ArticleInfo.h"

namespace pw {

// A page as code page 936 text: fetched and, for services that send UTF-8, converted.
std::string FetchAnsiPage(const std::string& address);
std::string FetchUtf8PageAsAnsi(const std::string& address);

// The text between marker a (searched from `from`) and the next marker b.
// Returns the index of b (the scan's new position) or -1 when either is missing,
// in which case value is left empty.
int CutBetween(const std::string& text, std::string_view a, std::string_view b, int from,
               std::string* value);

// printf into a std::string; for addresses built from numbers and ASCII parts.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// pw::Find for one marker from start positions that only grow. The last hit is
// reused while it still lies ahead, so a scan that looks past several entries
// for an entry's field stays linear in the page.
class CForwardFind {
public:
    CForwardFind(const std::string& text, std::string marker)
        : m_text(text), m_marker(std::move(marker)) {}

    int From(int start);

private:
    const std::string& m_text;
    std::string m_marker;
    int m_start = -1;
    int m_hit = -1;
};

// An optional minus sign and decimal digits at the start of text, as a number;
// 0 without digits. Saturates instead of overflowing.
int64_t LeadingInteger(std::string_view text);

// The addresses of a page's articles, in page order (what CPagingGuard compares).
std::vector<std::string> ArticleAddresses(const std::vector<ArticleInfo>& articles);

// Reports a page's articles through the engine's one record: each is copied into
// record, counted in count, and handed to the callback.
void ReportArticles(const std::vector<ArticleInfo>& articles, ArticleInfo& record, int& count,
                    ArticleCallback callback, void* userData);

// Ends a paged listing whose pages stop advancing: a page that repeats the
// previous page's article addresses, too many pages in a row without articles,
// or more pages than any real blog has.
class CPagingGuard {
public:
    static constexpr int kMaxPages = 20000;
    static constexpr int kMaxEmptyPagesInRow = 10;

    // Call once per fetched page with the article addresses found on it; false
    // when the listing should end before reporting this page's articles.
    bool Advance(const std::vector<std::string>& addresses);

private:
    std::vector<std::string> m_previous;
    int m_nPages = 0;
    int m_nEmptyInRow = 0;
};

}  // namespace pw

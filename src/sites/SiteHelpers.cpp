#include "sites/SiteHelpers.h"

#include <cstdarg>
#include <cstdio>

#include "engine/Encoding.h"
#include "engine/TextOps.h"
#include "net/PageFetcher.h"

namespace pw {

std::string FetchAnsiPage(const std::string& address) {
    std::string page;
    FetchPage(address, page);
    return page;
}

std::string FetchUtf8PageAsAnsi(const std::string& address) {
    std::string page = FetchAnsiPage(address);
    Utf8ToAnsi(page);
    return page;
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

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char small[512];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    std::string out;
    if (n < 0) {
        va_end(args);
        return out;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

int CForwardFind::From(int start) {
    if (start < 0 || start > Len(m_text)) return -1;
    const bool stillAhead = m_start >= 0 && start >= m_start && (m_hit < 0 || start <= m_hit);
    if (!stillAhead) {
        m_start = start;
        m_hit = Find(m_text, m_marker, start);
    }
    return m_hit;
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

void ReportArticles(const std::vector<ArticleInfo>& articles, ArticleInfo& record, int& count,
                    ArticleCallback callback, void* userData) {
    for (const auto& article : articles) {
        record = article;
        ++count;
        callback(&record, userData);
    }
}

bool CPagingGuard::Advance(const std::vector<std::string>& addresses) {
    if (++m_nPages > kMaxPages) return false;
    if (addresses.empty()) {
        m_previous.clear();
        return ++m_nEmptyInRow <= kMaxEmptyPagesInRow;
    }
    m_nEmptyInRow = 0;
    if (addresses == m_previous) return false;
    m_previous = addresses;
    return true;
}

}  // namespace pw

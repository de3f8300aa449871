#include "base/WholePage.h"

#include "base/HtmlText.h"

namespace pw {

namespace {

constexpr std::string_view kOpening = "<html><head>";
constexpr std::string_view kTitleOpening = "<title>";
// The title is escaped, so no "<" of it can end it early.
constexpr std::string_view kHeadEnd = "</title></head><body>";
constexpr std::string_view kClosing = "</body></html>";

std::string_view WithoutPrefix(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix ? text.substr(prefix.size()) : text;
}

}  // namespace

std::string WholePage(std::string_view title, std::string_view content) {
    std::string page(kOpening);
    page += kGbkCharsetMeta;
    page += kTitleOpening;
    page += EscapeHtml(title);
    page += kHeadEnd;
    page += content;
    page += kClosing;
    return page;
}

bool IsWholePage(std::string_view page) {
    const std::string_view rest = WithoutPrefix(page, kOpening);
    if (rest.size() == page.size()) return false;
    return WithoutPrefix(rest, kGbkCharsetMeta).size() < rest.size();
}

std::string_view PageContent(std::string_view page) {
    if (!IsWholePage(page)) return WithoutPrefix(page, kGbkCharsetMeta);
    const size_t headEnd = page.find(kHeadEnd);
    if (headEnd == std::string_view::npos) return page;
    std::string_view content = page.substr(headEnd + kHeadEnd.size());
    if (content.size() >= kClosing.size() &&
        content.substr(content.size() - kClosing.size()) == kClosing) {
        content.remove_suffix(kClosing.size());
    }
    return content;
}

}  // namespace pw

#include "book/EpubArticle.h"

#include "base/Encoding.h"
#include "base/HtmlText.h"
#include "base/Text.h"
#include "base/WholePage.h"
#include "book/WebAddress.h"
#include "book/XmlText.h"

namespace pw {

namespace {

// The book's own texts are UTF-8 like the rest of the book.
constexpr const char* kUntitled = "无标题";
constexpr const char* kTimeLabel = "时间：";
constexpr const char* kCategoryLabel = "类别：";
constexpr const char* kSourceLabel = "原文：";
constexpr const char* kMissingNote = "本文没有下载成功，书中只有它的标题和原文地址。";

// The blog's texts may hold HTML character references (titles cut out of
// attributes); the CHM shows them decoded, and so does the book here, decoded once.
std::string Decoded(const std::string& text) {
    return CleanUtf8(DecodeHtmlReferences(text));
}

// The page as the renderer held it before the text-mode write.
std::string WithoutCarriageReturns(const std::string& page) {
    std::string text;
    text.reserve(page.size());
    for (size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\r' && i + 1 < page.size() && page[i + 1] == '\n') continue;
        text.push_back(page[i]);
    }
    return text;
}

std::string LinkOrText(const std::string& address) {
    const std::string href = SafeWebAddress(address);
    if (href.empty()) return XmlText(address);
    return "<a href=\"" + XmlAttribute(href) + "\">" + XmlText(address) + "</a>";
}

std::string HeadingXhtml(const TreeEntry& entry) {
    std::string out = "<h1 class=\"title\">" + XmlText(ArticleTitle(entry)) + "</h1>\n";
    if (!entry.article) return out;
    out += std::string("<div class=\"info\">") + kTimeLabel + XmlText(Decoded(entry.time)) +
           "<br/>" + kCategoryLabel + XmlText(Decoded(entry.category)) + "<br/>" + kSourceLabel +
           LinkOrText(Decoded(entry.url)) + "</div>\n";
    return out;
}

}  // namespace

std::string PageFileText(std::string_view fileBytes) {
    return ToUtf8(fileBytes);
}

std::string ArticleTitle(const TreeEntry& entry) {
    std::string title = Trimmed(Decoded(entry.text));
    if (title.empty() && entry.article) title = Trimmed(Decoded(entry.title));
    return title.empty() ? kUntitled : title;
}

std::string ArticleBodyXhtml(const TreeEntry& entry, const std::string* page,
                             const PictureResolver& resolvePicture) {
    if (!page) return HeadingXhtml(entry) + "<p class=\"missing\">" + kMissingNote + "</p>";
    const std::string whole = WithoutCarriageReturns(*page);
    const std::string text = PageFileText(PageContent(whole));
    if (entry.article && !entry.heading.empty()) {
        // The heading as it reads back from the page file: characters code page
        // 936 lacks are references there.
        const std::string heading = PageFileText(ToAnsiMarkup(entry.heading));
        if (text.compare(0, heading.size(), heading) == 0) {
            return HeadingXhtml(entry) +
                   CleanHtmlFragment(std::string_view(text).substr(heading.size()), resolvePicture);
        }
    }
    return CleanHtmlFragment(text, resolvePicture);
}

std::string TitlePageXhtml(const std::string* indexPage, const std::string& bookTitle,
                           const std::string& homeUrl) {
    std::string content;
    if (indexPage) content = CleanHtmlFragment(PageFileText(PageContent(*indexPage)), nullptr);
    if (Trimmed(content).empty()) {
        std::string name = Trimmed(CleanUtf8(bookTitle));
        if (name.empty()) name = kUntitled;
        const std::string href = SafeWebAddress(Decoded(homeUrl));
        content =
            "<h1 class=\"title\">" +
            (href.empty() ? XmlText(name)
                          : "<a href=\"" + XmlAttribute(href) + "\">" + XmlText(name) + "</a>") +
            "</h1>";
    }
    return "<div class=\"titlepage\">" + content + "</div>";
}

}  // namespace pw

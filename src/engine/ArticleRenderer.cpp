#include "engine/ArticleRenderer.h"

#include <algorithm>
#include <cstdio>

#include "base/ActiveContent.h"
#include "base/Encoding.h"
#include "base/HtmlText.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/WholePage.h"
#include "engine/PictureStore.h"

namespace pw {

namespace {

constexpr int kMaxTagBytes = 8192;

// Attributes through which lazy-loading pages name the real picture while src
// holds a placeholder.
constexpr const char* kLazyAttributes[] = {" real_src=", " data-src=", " data-original="};

// The attribute value starting at valueStart (the byte after "="): its bounds,
// whatever the quoting. Returns false when an opening quote is never closed.
bool AttributeValue(const std::string& body, int valueStart, int* begin, int* end) {
    const char quote = valueStart < Len(body) ? body[valueStart] : '\0';
    if (quote == '"' || quote == '\'') {
        *begin = valueStart + 1;
        *end = FindChar(body, quote, *begin);
        return *end >= 0;
    }
    *begin = valueStart;
    int i = valueStart;
    while (i < Len(body) && body[i] != '>' && body[i] != ' ' && body[i] != '\t' &&
           body[i] != '\n' && body[i] != '\r') {
        ++i;
    }
    *end = i;
    return true;
}

// The lazy-loading address inside the tag [tagStart, tagEnd), or empty. The
// attribute names are matched without regard to case.
std::string LazyAddress(const std::string& body, int tagStart, int tagEnd) {
    std::string tag = Mid(body, tagStart, tagEnd - tagStart);
    MakeLower(tag);
    for (const char* attribute : kLazyAttributes) {
        const int found = Find(tag, attribute, 0);
        const int at = found < 0 ? -1 : tagStart + found;
        if (at < 0 || at >= tagEnd) continue;
        int begin = 0, end = 0;
        if (AttributeValue(body, at + Len(attribute), &begin, &end) && end <= tagEnd) {
            std::string address = Mid(body, begin, end - begin);
            if (!address.empty()) return address;
        }
    }
    return {};
}

// Where the attributes of the tag at `at` end: its ">", or the next "<" of an
// unclosed tag, or a length no real tag has. Looking no further keeps a page full
// of unclosed tags linear.
int TagEnd(const std::string& body, int at) {
    const size_t limit = std::min(body.size(), static_cast<size_t>(at) + kMaxTagBytes);
    const size_t end = std::string_view(body).substr(0, limit).find_first_of("<>", at + 1);
    return static_cast<int>(end == std::string_view::npos ? limit : end);
}

// The article's number from its file name ("7.html" -> "7"), for picture names.
std::string PicturePrefix(const ArticleInfo& article) {
    std::string prefix;
    for (char c : article.fileName) {
        if (c < '0' || c > '9') break;
        prefix.push_back(c);
    }
    return prefix.empty() ? "p" : prefix;
}

// Rewrites every picture address the scan finds to its local copy. Tags and
// attributes are searched in a lowered copy of the body, so they are found in
// any letter case; the body itself keeps the author's letters. The page is
// rebuilt in one pass: a page of thousands of pictures stays linear. Stops at
// the first picture the job's stop cut off: that page is not kept.
void StorePictures(std::string& body, ArticlePictures& pictures) {
    std::string lowered = body;
    MakeLower(lowered);
    std::string out;
    out.reserve(body.size());
    int copied = 0;  // body before this is in out
    int pos = 0;
    while (pos <= Len(lowered)) {
        const int img = Find(lowered, "<img ", pos);
        if (img < 0) break;
        const int src = Find(lowered, " src=", img);
        if (src < 0) break;
        int begin = 0, end = 0;
        if (!AttributeValue(lowered, src + 5, &begin, &end)) break;  // keep the rest as it is
        const std::string original = Mid(body, begin, end - begin);
        std::string address = LazyAddress(body, img, TagEnd(lowered, img));
        if (address.empty()) address = original;
        std::string replacement = pictures.Localise(address);
        if (pictures.Interrupted()) return;
        if (replacement.empty()) replacement = original;
        out.append(body, static_cast<size_t>(copied), static_cast<size_t>(begin - copied));
        out += replacement;
        copied = end;
        pos = end;
    }
    out.append(body, static_cast<size_t>(copied), std::string::npos);
    body = std::move(out);
}
}  // namespace

std::string ArticleHeading(const ArticleInfo& article) {
    static const std::string kPart1 = "<div style=\"FONT-SIZE: 20px; FONT-WEIGHT: bold\">";
    static const std::string kPart2 =
        "</div></br><div style=\"TEXT-JUSTIFY: distribute; TEXT-ALIGN: justify; FONT-SIZE: "
        "13px; MARGIN: 0px;WORD-BREAK: break-all;  LAYOUT-GRID-MODE: line;LINE-HEIGHT: 20px; "
        "BORDER-TOP: black 2px solid\">时间：";
    static const std::string kPart3 = "</br>类别：<font color=black>";
    static const std::string kPart4 = "</font></br>原文：<a href=\"";
    static const std::string kPart5 = "\" target=\"_blank\">";
    static const std::string kPart6 = "</a></div></br>";
    return kPart1 + EscapeHtml(article.title) + kPart2 + EscapeHtml(article.time) + kPart3 +
           EscapeHtml(article.category) + kPart4 + LinkTarget(article.url) + kPart5 +
           EscapeHtml(article.url) + kPart6;
}

PageWrite RenderArticlePage(std::string_view body, const ArticleInfo& article, PictureStore* store,
                            std::vector<PictureFailure>* failedPictures) {
    if (article.localPath.empty()) return PageWrite::Failed;
    // Scripts go before the picture scan, which must not fetch what they name.
    std::string page = WithoutActiveContent(body);
    ArticlePictures pictures(store, article.url, PicturePrefix(article));
    StorePictures(page, pictures);
    if (pictures.Interrupted()) return PageWrite::Interrupted;
    if (failedPictures) *failedPictures = pictures.Failures();
    // The page file is the CHM's page: code page 936, as it has always been, so
    // that job folders of earlier versions resume and their books stay the same.
    const std::string file = ToAnsiMarkup(WholePage(article.title, ArticleHeading(article) + page));
    return WriteTextFile(article.localPath, file) ? PageWrite::Written : PageWrite::Failed;
}

}  // namespace pw

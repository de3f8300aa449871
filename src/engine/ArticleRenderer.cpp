#include "engine/ArticleRenderer.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>

#include "base/ActiveContent.h"
#include "base/Encoding.h"
#include "base/HtmlText.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "engine/PictureStore.h"

namespace pw {

namespace {

constexpr int kMaxTagBytes = 8192;

// Attributes through which lazy-loading pages name the real picture while src
// holds a placeholder (or is missing).
constexpr std::string_view kLazyAttributes[] = {"real_src", "data-src", "data-original",
                                                "data-lazy-src"};
// Attributes that name other copies of a picture, or ask to load it late; the
// page shows the one copy it holds, so they go.
constexpr std::string_view kDroppedAttributes[] = {"srcset", "sizes", "loading", "data-srcset",
                                                   "data-lazy-srcset"};

// One attribute of a tag: the bounds of the whole " name=value" and of the value.
struct Attribute {
    std::string_view name;  // lower case
    int start = 0;          // the white space before the name
    int end = 0;            // past the value (and its closing quote)
    int valueBegin = -1;    // -1 without a value
    int valueEnd = -1;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The attribute value starting at valueStart (the byte after "="): its bounds,
// whatever the quoting. Returns false when an opening quote is never closed
// before end.
bool AttributeValue(const std::string& body, int valueStart, int end, int* begin, int* stop) {
    const char quote = valueStart < end ? body[valueStart] : '\0';
    if (quote == '"' || quote == '\'') {
        *begin = valueStart + 1;
        *stop = FindChar(body, quote, *begin);
        return *stop >= 0 && *stop < end;
    }
    *begin = valueStart;
    int i = valueStart;
    while (i < end && body[i] != '>' && !IsSpace(body[i])) ++i;
    *stop = i;
    return true;
}

// The attributes of the tag whose name ends at nameEnd, up to tagEnd, read
// from the lowered body. nullopt when a quote is never closed: such a tag and
// what follows are left as they are.
std::optional<std::vector<Attribute>> Attributes(const std::string& lowered, int nameEnd,
                                                 int tagEnd) {
    std::vector<Attribute> attributes;
    int i = nameEnd;
    while (i < tagEnd) {
        const int start = i;
        while (i < tagEnd && (IsSpace(lowered[i]) || lowered[i] == '/')) ++i;
        const int nameBegin = i;
        while (i < tagEnd && !IsSpace(lowered[i]) && lowered[i] != '=' && lowered[i] != '>' &&
               lowered[i] != '/') {
            ++i;
        }
        if (i == nameBegin) break;
        Attribute attribute;
        attribute.name = std::string_view(lowered).substr(nameBegin, i - nameBegin);
        attribute.start = start;
        int j = i;
        while (j < tagEnd && IsSpace(lowered[j])) ++j;
        if (j < tagEnd && lowered[j] == '=') {
            ++j;
            while (j < tagEnd && IsSpace(lowered[j])) ++j;
            int begin = 0, stop = 0;
            if (!AttributeValue(lowered, j, tagEnd, &begin, &stop)) return std::nullopt;
            attribute.valueBegin = begin;
            attribute.valueEnd = stop;
            i = stop < tagEnd && (lowered[stop] == '"' || lowered[stop] == '\'') ? stop + 1 : stop;
        }
        attribute.end = i;
        attributes.push_back(attribute);
    }
    return attributes;
}

// Where the attributes of the tag at `at` end: its ">", or the next "<" of an
// unclosed tag, or a length no real tag has. Looking no further keeps a page full
// of unclosed tags linear.
int TagEnd(const std::string& body, int at) {
    const size_t limit = std::min(body.size(), static_cast<size_t>(at) + kMaxTagBytes);
    const size_t end = std::string_view(body).substr(0, limit).find_first_of("<>", at + 1);
    return static_cast<int>(end == std::string_view::npos ? limit : end);
}

template <size_t N>
bool OneOf(std::string_view name, const std::string_view (&names)[N]) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// The first address of a srcset ("a.png 1x, b.png 2x").
std::string FirstCandidate(std::string_view srcset) {
    const std::string trimmed = Trimmed(srcset);
    const size_t end = trimmed.find_first_of(" \t\n,");
    return trimmed.substr(0, end);
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

// One change to a tag: the bytes [begin, end) of the body become text.
struct Edit {
    int begin;
    int end;
    std::string text;
};

// The edits that make an <img> show its one local copy: the real address
// (src, else the lazy attribute, else the first srcset candidate) in src,
// and no other copy or late loading named. Without any address, none.
std::vector<Edit> PictureEdits(const std::string& body, const std::vector<Attribute>& attributes,
                               int nameEnd, ArticlePictures& pictures) {
    const Attribute* src = nullptr;
    const Attribute* lazy = nullptr;
    const Attribute* srcset = nullptr;
    for (const Attribute& a : attributes) {
        if (a.valueBegin < 0) continue;
        if (a.name == "src" && !src) src = &a;
        if (OneOf(a.name, kLazyAttributes) && !lazy && a.valueEnd > a.valueBegin) lazy = &a;
        if (a.name == "srcset" && !srcset) srcset = &a;
    }
    const auto value = [&](const Attribute* a) {
        return Mid(body, a->valueBegin, a->valueEnd - a->valueBegin);
    };
    std::string address = lazy ? value(lazy) : src ? value(src) : std::string();
    if (address.empty() && srcset) address = FirstCandidate(value(srcset));
    if (address.empty()) return {};
    std::string reference = pictures.Localise(address);
    if (pictures.Interrupted()) return {};
    const bool held = !reference.empty();
    if (!held) reference = lazy || !src ? address : value(src);
    std::vector<Edit> edits;
    if (!src) {
        std::string quoted = reference;
        Replace(quoted, "\"", "&quot;");  // a value that stood in single quotes
        edits.push_back({nameEnd, nameEnd, " src=\"" + quoted + "\""});
    }
    for (const Attribute& a : attributes) {
        if (&a == src) {
            if (reference != value(src)) edits.push_back({a.valueBegin, a.valueEnd, reference});
        } else if (OneOf(a.name, kDroppedAttributes) || (lazy && OneOf(a.name, kLazyAttributes))) {
            edits.push_back({a.start, a.end, {}});
        }
    }
    return edits;
}

// A <source> of a <picture> (one with a srcset) names remote copies: it goes
// whole, and the <img> inside shows the one held. A <source> of a video or a
// sound stays.
std::vector<Edit> SourceEdits(const std::string& lowered, const std::vector<Attribute>& attributes,
                              int tag, int tagEnd) {
    for (const Attribute& a : attributes) {
        if (a.name == "srcset") {
            const int end = tagEnd < Len(lowered) && lowered[tagEnd] == '>' ? tagEnd + 1 : tagEnd;
            return {{tag, end, {}}};
        }
    }
    return {};
}

// Rewrites every picture the scan finds to its local copy. Tags and
// attributes are searched in a lowered copy of the body, so they are found in
// any letter case; the body itself keeps the author's letters, and a tag is
// changed only where it names a picture. The page is rebuilt in one pass: a
// page of thousands of pictures stays linear. Stops at the first picture the
// job's stop cut off: that page is not kept.
void StorePictures(std::string& body, ArticlePictures& pictures) {
    std::string lowered = body;
    MakeLower(lowered);
    std::string out;
    out.reserve(body.size());
    int copied = 0;  // body before this is in out
    int pos = 0;
    while (pos < Len(lowered)) {
        const int tag = Find(lowered, "<", pos);
        if (tag < 0) break;
        const bool img = Find(std::string_view(lowered).substr(tag, 5), "<img") == 0 &&
                         tag + 4 < Len(lowered) &&
                         (IsSpace(lowered[tag + 4]) || lowered[tag + 4] == '/');
        const bool source = !img &&
                            Find(std::string_view(lowered).substr(tag, 8), "<source") == 0 &&
                            tag + 7 < Len(lowered) && IsSpace(lowered[tag + 7]);
        if (!img && !source) {
            pos = tag + 1;
            continue;
        }
        const int nameEnd = tag + (img ? 4 : 7);
        const int tagEnd = TagEnd(lowered, tag);
        const auto attributes = Attributes(lowered, nameEnd, tagEnd);
        if (!attributes) break;  // keep the rest as it is
        const std::vector<Edit> edits = img ? PictureEdits(body, *attributes, nameEnd, pictures)
                                            : SourceEdits(lowered, *attributes, tag, tagEnd);
        if (pictures.Interrupted()) return;
        for (const Edit& edit : edits) {
            out.append(body, static_cast<size_t>(copied), static_cast<size_t>(edit.begin - copied));
            out += edit.text;
            copied = edit.end;
        }
        pos = std::max(tagEnd, tag + 1);
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
    const std::string file = ToAnsiMarkup(kGbkCharsetMeta + ArticleHeading(article) + page);
    return WriteTextFile(article.localPath, file) ? PageWrite::Written : PageWrite::Failed;
}

}  // namespace pw

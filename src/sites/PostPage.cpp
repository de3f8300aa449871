#include "sites/PostPage.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>

#include <memory>
#include <mutex>
#include <vector>

#include "base/Encoding.h"
#include "base/Text.h"
#include "sites/FeedText.h"

namespace pw {

namespace {

constexpr int kHtmlOptions =
    HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_RECOVER;
// Pages larger than this are no post pages.
constexpr size_t kMaxPostPageBytes = 16u << 20;
// Deeper element trees are not searched (libxml2 itself stops at 256 levels).
constexpr int kMaxDepth = 256;
// Feeds a home page names that are tried at most.
constexpr size_t kMaxFeedLinks = 5;

using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

Document ParseHtml(std::string_view html) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    if (html.size() > kMaxPostPageBytes) return {nullptr, xmlFreeDoc};
    return {
        htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8", kHtmlOptions),
        xmlFreeDoc};
}

bool IsElement(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

bool HasClass(const xmlNode* node, std::string_view name) {
    if (node->type != XML_ELEMENT_NODE) return false;
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>("class"));
    if (!value) return false;
    std::vector<std::string> classes;
    SplitTokens(reinterpret_cast<const char*>(value), " \t\r\n", classes);
    xmlFree(value);
    for (const std::string& c : classes) {
        if (c == name) return true;
    }
    return false;
}

// The first element in document order under node that matches, within the depth.
template <typename Match>
xmlNode* FindFirst(xmlNode* node, const Match& match, int depth = 0) {
    if (depth > kMaxDepth) return nullptr;
    for (xmlNode* child = node->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (match(child)) return child;
        if (xmlNode* found = FindFirst(child, match, depth + 1)) return found;
    }
    return nullptr;
}

xmlNode* ContentContainer(xmlNode* under) {
    return FindFirst(under, [](const xmlNode* n) {
        return HasClass(n, "entry-content") || HasClass(n, "post-content");
    });
}

std::string AttributeOf(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

std::string Lowered(std::string text) {
    Trim(text);
    MakeLower(text);
    return text;
}

template <typename Visit>
void ForEachElement(const xmlNode* node, int depth, const Visit& visit) {
    if (depth > kMaxDepth) return;
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        visit(child);
        ForEachElement(child, depth + 1, visit);
    }
}

std::string InnerHtml(xmlDoc* doc, xmlNode* node) {
    std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), xmlBufferFree);
    if (!buffer) return {};
    for (xmlNode* child = node->children; child; child = child->next) {
        htmlNodeDump(buffer.get(), doc, child);
    }
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())));
}

}  // namespace

std::optional<std::string> PostBody(std::string_view html) {
    const Document doc = ParseHtml(html);
    if (!doc) return std::nullopt;
    xmlNode* root = reinterpret_cast<xmlNode*>(doc.get());
    xmlNode* found = nullptr;
    if (xmlNode* article =
            FindFirst(root, [](const xmlNode* n) { return IsElement(n, "article"); })) {
        found = ContentContainer(article);
        if (!found)
            found = FindFirst(article, [](const xmlNode* n) { return HasClass(n, "content"); });
        if (!found) found = article;
    }
    if (!found) found = ContentContainer(root);
    if (!found) return std::nullopt;
    return InnerHtml(doc.get(), found);
}

std::string PageAsUtf8(std::string bytes, const std::string& contentType) {
    // The answer's type first, then the page's own declaration:
    // <meta charset="gbk">, <meta http-equiv content="text/html; charset=gb2312">.
    std::string declared = contentType;
    MakeLower(declared);
    size_t at = declared.find("charset=");
    if (at == std::string::npos) {
        declared = bytes.substr(0, 4096);
        MakeLower(declared);
        at = declared.find("charset=");
    }
    if (at == std::string::npos) return bytes;
    at += 8;
    if (at < declared.size() && (declared[at] == '"' || declared[at] == '\'')) ++at;
    if (declared.compare(at, 2, "gb") == 0) return ToUtf8(bytes);
    return bytes;
}

PageFacts ReadPageFacts(std::string_view html, const std::string& address) {
    PageFacts facts;
    const Document doc = ParseHtml(html);
    if (!doc) return facts;
    xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root) return facts;
    facts.language = Trimmed(AttributeOf(root, "lang"));
    ForEachElement(root, 0, [&](const xmlNode* node) {
        if (IsElement(node, "meta")) {
            const std::string name = Lowered(AttributeOf(node, "name"));
            if (name == "generator" &&
                StartsWithNoCase(Trimmed(AttributeOf(node, "content")), "blogger")) {
                facts.blogger = true;
            }
        }
        if (!IsElement(node, "link")) return;
        const std::string rel = Lowered(AttributeOf(node, "rel"));
        const std::string href = ResolveAddress(address, Trimmed(AttributeOf(node, "href")));
        if (href.empty()) return;
        if (rel == "https://api.w.org/" && facts.apiRoot.empty()) facts.apiRoot = href;
        const std::string type = Lowered(AttributeOf(node, "type"));
        if (rel == "alternate" &&
            (type == "application/atom+xml" || type == "application/rss+xml") &&
            facts.feeds.size() < kMaxFeedLinks) {
            facts.feeds.push_back(href);
        }
    });
    return facts;
}

}  // namespace pw

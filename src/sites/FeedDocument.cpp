#include "sites/FeedDocument.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>
#include <mutex>

#include "base/HtmlText.h"
#include "base/Text.h"
#include "sites/FeedText.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

constexpr std::string_view kAtomNs = "http://www.w3.org/2005/Atom";
constexpr std::string_view kContentNs = "http://purl.org/rss/1.0/modules/content/";
constexpr std::string_view kDcNs = "http://purl.org/dc/elements/1.1/";
// An internal entity this short and without references of its own stands for a
// character or a word (an HTML name a feed declares); longer ones are dropped,
// so no declaration can multiply a document.
constexpr size_t kMaxEntityText = 16;

// No network, no DTD, no substitution of entities, no huge documents; a
// broken feed (an undeclared HTML entity, a stray "&") is read as far as it
// goes, as blogs' feeds are often broken so.
constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_RECOVER;

std::string_view Str(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

std::string_view NamespaceOf(const xmlNode* node) {
    return node->ns ? Str(node->ns->href) : std::string_view();
}

bool Is(const xmlNode* node, std::string_view name, std::string_view ns = {}) {
    return node->type == XML_ELEMENT_NODE && Str(node->name) == name &&
           (ns.empty() || NamespaceOf(node) == ns);
}

// RSS elements are in no namespace; Atom elements inside RSS are.
bool IsPlain(const xmlNode* node, std::string_view name) {
    return Is(node, name) && node->ns == nullptr;
}

std::string Attribute(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string text(Str(value));
    xmlFree(value);
    return text;
}

void AppendText(const xmlNode* node, std::string& out) {
    for (const xmlNode* child = node->children; child; child = child->next) {
        switch (child->type) {
            case XML_TEXT_NODE:
            case XML_CDATA_SECTION_NODE:
                out += Str(child->content);
                break;
            case XML_ENTITY_REF_NODE: {
                // Never expanded: only a short plain replacement is taken.
                const auto* entity = reinterpret_cast<const xmlEntity*>(child->children);
                const std::string_view text = entity ? Str(entity->content) : std::string_view();
                if (entity && entity->etype == XML_INTERNAL_GENERAL_ENTITY &&
                    text.size() <= kMaxEntityText && text.find('&') == std::string_view::npos) {
                    out += text;
                }
                break;
            }
            case XML_ELEMENT_NODE:
                AppendText(child, out);
                break;
            default:
                break;
        }
    }
}

std::string TextOf(const xmlNode* node) {
    std::string out;
    AppendText(node, out);
    return out;
}

std::string TrimmedText(const xmlNode* node) {
    return Trimmed(TextOf(node));
}

// The markup of an element's children (Atom's xhtml content), written as it
// stands: references stay references.
std::string InnerMarkup(xmlNode* node) {
    std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), xmlBufferFree);
    if (!buffer) return {};
    for (xmlNode* child = node->children; child; child = child->next) {
        xmlNodeDump(buffer.get(), node->doc, child, 0, 0);
    }
    return std::string(Str(xmlBufferContent(buffer.get())));
}

// An Atom text construct as HTML (content, summary).
std::string AtomHtml(xmlNode* node) {
    const std::string type = Attribute(node, "type");
    if (type == "xhtml") {
        for (xmlNode* child = node->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE) return InnerMarkup(child);
        }
        return {};
    }
    if (type == "html" || type == "text/html") return TextOf(node);
    if (type.empty() || type == "text") return EscapeHtml(TextOf(node));
    return {};  // another media type, or content held elsewhere (src)
}

// An Atom text construct as plain text (title).
std::string AtomPlain(xmlNode* node) {
    const std::string type = Attribute(node, "type");
    if (type == "html" || type == "xhtml") return PlainText(TextOf(node));
    return Trimmed(TextOf(node));
}

std::string Language(const xmlNode* node) {
    xmlChar* lang = xmlNodeGetLang(node);
    std::string text = Trimmed(Str(lang));
    xmlFree(lang);
    return text;
}

void ReadAtomLink(const xmlNode* node, const std::string& base, std::string& alternate,
                  std::string* next, std::string* archive) {
    const std::string rel = Attribute(node, "rel");
    const std::string href = ResolveAddress(base, Trimmed(Attribute(node, "href")));
    if (href.empty()) return;
    if ((rel.empty() || rel == "alternate") && alternate.empty()) {
        const std::string type = Attribute(node, "type");
        if (type.empty() || StartsWithNoCase(type, "text/html")) alternate = href;
    } else if (rel == "next" && next && next->empty()) {
        *next = href;
    } else if (rel == "prev-archive" && archive && archive->empty()) {
        *archive = href;
    }
}

std::string AtomAuthor(xmlNode* node) {
    for (xmlNode* child = node->children; child; child = child->next) {
        if (Is(child, "name", kAtomNs)) return TrimmedText(child);
    }
    return {};
}

FeedEntry ReadAtomEntry(xmlNode* entry, const std::string& base) {
    FeedEntry e;
    std::string published;
    for (xmlNode* child = entry->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE || NamespaceOf(child) != kAtomNs) continue;
        const std::string_view name = Str(child->name);
        if (name == "id") e.id = TrimmedText(child);
        if (name == "title") e.title = AtomPlain(child);
        if (name == "link") ReadAtomLink(child, base, e.link, nullptr, nullptr);
        if (name == "updated") e.updated = TrimmedText(child);
        if (name == "published") published = TrimmedText(child);
        if (name == "content") e.content = AtomHtml(child);
        if (name == "summary") e.summary = AtomHtml(child);
        if (name == "author" && e.author.empty()) e.author = AtomAuthor(child);
        if (name == "category") {
            std::string label = Trimmed(Attribute(child, "label"));
            if (label.empty()) label = Trimmed(Attribute(child, "term"));
            if (!label.empty()) e.categories.push_back(label);
        }
    }
    e.time = Rfc3339Local(published.empty() ? e.updated : published);
    if (e.id.empty()) e.id = e.link;
    // An entry without a page of its own may be named by an address as its id.
    if (e.link.empty() && StartsWithNoCase(e.id, "http")) e.link = ResolveAddress(base, e.id);
    return e;
}

void ReadAtom(xmlNode* feed, const std::string& base, FeedPage& page) {
    page.kind = FeedPage::Kind::Atom;
    page.language = Language(feed);
    std::string archive;
    for (xmlNode* child = feed->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (Str(child->name) == "totalResults")
            page.totalResults = LeadingInteger(TrimmedText(child));
        if (NamespaceOf(child) != kAtomNs) continue;
        const std::string_view name = Str(child->name);
        if (name == "title") page.title = AtomPlain(child);
        if (name == "link") ReadAtomLink(child, base, page.homeLink, &page.next, &archive);
        if (name == "generator") page.generator = TrimmedText(child);
        if (name == "author" && page.author.empty()) page.author = AtomAuthor(child);
        if (name == "category") {
            const std::string term = Trimmed(Attribute(child, "term"));
            if (!term.empty()) page.categories.push_back(term);
        }
        if (name == "entry") {
            FeedEntry entry = ReadAtomEntry(child, base);
            if (entry.author.empty()) entry.author = page.author;
            if (!entry.id.empty()) page.entries.push_back(std::move(entry));
        }
    }
    if (page.next.empty()) page.next = archive;
}

FeedEntry ReadRssItem(xmlNode* item, const std::string& base) {
    FeedEntry e;
    std::string guid, pubDate;
    for (xmlNode* child = item->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (IsPlain(child, "title")) e.title = PlainText(TextOf(child));
        if (IsPlain(child, "link")) e.link = ResolveAddress(base, TrimmedText(child));
        if (IsPlain(child, "guid")) {
            guid = TrimmedText(child);
            // A guid that is the permalink says so unless told otherwise; a
            // guid that is no web address ("1", "tag:...") is only an id.
            const bool web =
                StartsWithNoCase(guid, "http://") || StartsWithNoCase(guid, "https://");
            if (e.link.empty() && web && Attribute(child, "isPermaLink") != "false") {
                e.link = ResolveAddress(base, guid);
            }
        }
        if (IsPlain(child, "pubDate")) pubDate = TrimmedText(child);
        if (IsPlain(child, "description")) e.summary = TextOf(child);
        if (IsPlain(child, "category")) {
            const std::string label = TrimmedText(child);
            if (!label.empty()) e.categories.push_back(label);
        }
        if (IsPlain(child, "author") && e.author.empty()) e.author = TrimmedText(child);
        if (Is(child, "encoded", kContentNs)) e.content = TextOf(child);
        if (Is(child, "creator", kDcNs)) e.author = TrimmedText(child);
        if (Is(child, "date", kDcNs)) e.time = Rfc3339Local(TextOf(child));
    }
    // pubDate comes before dc:date only when it reads, as RFC 822 or as the
    // "2024-03-01 10:20:30" some blogs write there.
    std::string time = Rfc822Local(pubDate);
    if (time.empty()) time = Rfc3339Local(pubDate);
    if (!time.empty()) e.time = std::move(time);
    e.id = guid.empty() ? e.link : guid;
    return e;
}

void ReadRss(xmlNode* rss, const std::string& base, FeedPage& page) {
    page.kind = FeedPage::Kind::Rss;
    xmlNode* channel = nullptr;
    for (xmlNode* child = rss->children; child && !channel; child = child->next) {
        if (IsPlain(child, "channel")) channel = child;
    }
    if (!channel) return;
    for (xmlNode* child = channel->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        if (IsPlain(child, "title")) page.title = PlainText(TextOf(child));
        if (IsPlain(child, "link")) page.homeLink = ResolveAddress(base, TrimmedText(child));
        if (IsPlain(child, "language")) page.language = TrimmedText(child);
        if (IsPlain(child, "generator")) page.generator = TrimmedText(child);
        if (IsPlain(child, "managingEditor")) page.author = TrimmedText(child);
        if (Is(child, "link", kAtomNs)) {
            std::string self;
            std::string archive;
            ReadAtomLink(child, base, self, &page.next, &archive);
            if (page.next.empty()) page.next = archive;
        }
        if (IsPlain(child, "item")) {
            FeedEntry entry = ReadRssItem(child, base);
            if (entry.author.empty()) entry.author = page.author;
            if (!entry.id.empty()) page.entries.push_back(std::move(entry));
        }
    }
}

// The encoding to read the document as instead of the one it declares:
// Chinese feeds declare gb2312 or gbk and hold characters only GB18030 (a
// superset of both) has; nullptr to go by the declaration.
const char* EncodingOverride(std::string_view bytes) {
    if (!bytes.starts_with("<?xml")) return nullptr;
    std::string declaration(bytes.substr(0, bytes.find("?>")));
    MakeLower(declaration);
    for (const char* name : {"gb2312", "gbk"}) {
        for (const char quote : {'"', '\''}) {
            const std::string value = std::string(1, quote) + name + quote;
            if (Find(declaration, "encoding=" + value) >= 0 ||
                Find(declaration, "encoding = " + value) >= 0) {
                return "GB18030";
            }
        }
    }
    return nullptr;
}

}  // namespace

bool LooksLikeFeed(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, 4096);
    return Find(head, "<rss") >= 0 || Find(head, "<feed") >= 0;
}

FeedPage ReadFeed(std::string_view bytes, const std::string& address) {
    FeedPage page;
    if (bytes.size() > kMaxFeedBytes || !LooksLikeFeed(bytes)) return page;
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
        xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr,
                      EncodingOverride(bytes.substr(0, 200)), kParseOptions),
        xmlFreeDoc);
    if (!doc) return page;
    xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root) return page;
    if (Is(root, "feed", kAtomNs)) ReadAtom(root, address, page);
    if (IsPlain(root, "rss")) ReadRss(root, address, page);
    return page;
}

}  // namespace pw

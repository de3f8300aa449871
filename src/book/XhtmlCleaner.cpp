#include "book/XhtmlCleaner.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "book/InlineStyle.h"
#include "book/WebAddress.h"
#include "book/XmlText.h"

namespace pw {

namespace {

// Deeper markup is written flat (see Flattened), which keeps the writer's
// recursion bounded whatever the page nests.
constexpr int kMaxDepth = 100;
constexpr size_t kMaxInputBytes = 64u * 1024 * 1024;

enum class Kind {
    Drop,       // element and content go
    Unwrap,     // the markup goes, the content stays
    Inline,     // phrasing content, allowed anywhere
    BlockText,  // flow element holding phrasing content (p, h1, pre)
    Block,      // flow element holding flow content (div)
    List,
    ListItem,
    Table,
    TableSection,
    Row,
    Cell,
    Break,
    Rule,
    Image,
    Link,
};

enum class Context { Flow, Phrasing };

struct Rule {
    Kind kind;
    const char* output;  // element name written
    const char* style;   // declaration the old element stood for
};

using RuleMap = std::unordered_map<std::string_view, Rule>;

void Add(RuleMap& rules, Kind kind, std::initializer_list<const char*> names,
         const char* output = nullptr, const char* style = nullptr) {
    for (const char* name : names) rules[name] = {kind, output ? output : name, style};
}

const RuleMap& Rules() {
    static const RuleMap rules = [] {
        RuleMap r;
        // Content that must not reach a book, or is no text.
        Add(r, Kind::Drop,
            {"script",   "style",  "iframe",   "frame",  "frameset", "noframes", "object",
             "applet",   "button", "select",   "option", "optgroup", "textarea", "datalist",
             "output",   "audio",  "video",    "canvas", "svg",      "math",     "title",
             "template", "map",    "colgroup", "noembed"});
        // Void elements are unwrapped rather than dropped: whatever the parser
        // hung below one is page content it misplaced.
        Add(r, Kind::Unwrap,
            {"embed", "param", "input", "keygen", "source", "track", "area", "col", "wbr", "base",
             "link", "meta", "bgsound"});
        Add(r, Kind::Inline,
            {"span", "em",    "strong", "b",   "i",    "u",   "s",    "del", "ins",  "sub",
             "sup",  "small", "code",   "kbd", "samp", "var", "cite", "q",   "abbr", "mark"});
        Add(r, Kind::BlockText, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "pre"});
        Add(r, Kind::Block, {"div", "blockquote"});
        Add(r, Kind::List, {"ul", "ol"});
        Add(r, Kind::ListItem, {"li"});
        Add(r, Kind::Table, {"table"});
        Add(r, Kind::TableSection, {"thead", "tbody", "tfoot"});
        Add(r, Kind::Row, {"tr"});
        Add(r, Kind::Cell, {"td", "th"});
        Add(r, Kind::Break, {"br"});
        Add(r, Kind::Rule, {"hr"});
        Add(r, Kind::Image, {"img"});
        Add(r, Kind::Link, {"a"});
        // Old names, and elements whose attributes or content rules a book
        // cannot check, as the nearest element kept.
        Add(r, Kind::Inline,
            {"font", "big", "dfn", "time", "bdo", "bdi", "ruby", "rt", "rp", "rb", "label", "nobr",
             "blink"},
            "span");
        Add(r, Kind::Inline, {"strike"}, "s");
        Add(r, Kind::Inline, {"tt"}, "code");
        Add(r, Kind::Inline, {"acronym"}, "abbr");
        Add(r, Kind::BlockText, {"xmp", "listing", "plaintext"}, "pre");
        Add(r, Kind::BlockText, {"legend"}, "p");
        Add(r, Kind::Block,
            {"section", "article", "header", "footer", "aside", "nav", "main", "figure",
             "figcaption", "address", "details", "summary", "dialog", "hgroup", "fieldset",
             "marquee", "dl"},
            "div");
        Add(r, Kind::Block, {"center", "caption"}, "div", "text-align: center");
        Add(r, Kind::Block, {"dt"}, "div", "font-weight: bold");
        Add(r, Kind::Block, {"dd"}, "blockquote");
        Add(r, Kind::List, {"menu", "dir"}, "ul");
        return r;
    }();
    return rules;
}

const Rule kUnknown = {Kind::Unwrap, "", nullptr};

const Rule& RuleOf(const xmlNode* node) {
    const auto& rules = Rules();
    const auto found = rules.find(reinterpret_cast<const char*>(node->name));
    return found == rules.end() ? kUnknown : found->second;
}

bool IsElement(const xmlNode* node) {
    return node->type == XML_ELEMENT_NODE;
}

std::string Attribute(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!value) return {};
    std::string text(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return text;
}

bool IsBlank(std::string_view text) {
    for (char c : text) {
        if (c != ' ' && c != '\n' && c != '\t') return false;
    }
    return true;
}

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The element's presentation from the old element it was, its align and
// colour attributes and its style attribute.
std::string StyleAttribute(xmlNode* node, const Rule& rule) {
    std::vector<std::string> style;
    auto add = [&](const std::string& declaration) {
        if (!declaration.empty()) style.push_back(declaration);
    };
    if (rule.style) add(rule.style);
    add(KeptDeclaration("text-align", Attribute(node, "align")));
    if (xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>("font"))) {
        add(KeptDeclaration("color", Attribute(node, "color")));
    }
    for (const std::string& declaration : KeptDeclarations(Attribute(node, "style"))) {
        add(declaration);
    }
    std::string joined;
    for (const std::string& declaration : style) {
        joined += (joined.empty() ? "" : "; ") + declaration;
    }
    return joined.empty() ? "" : " style=\"" + joined + "\"";
}

// A small positive count such as a cell's colspan, or empty.
std::string CountAttribute(xmlNode* node, const char* name, int maximum) {
    const std::string value = Trimmed(Attribute(node, name));
    if (value.size() > 4 || !IsDigits(value)) return {};
    const int count = std::stoi(value);
    if (count < 1 || count > maximum) return {};
    return std::string(" ") + name + "=\"" + std::to_string(count) + "\"";
}

std::string CommonAttributes(xmlNode* node, const Rule& rule) {
    std::string attributes;
    const std::string title = Attribute(node, "title");
    if (!title.empty()) attributes += " title=\"" + XmlAttribute(title) + "\"";
    return attributes + StyleAttribute(node, rule);
}

// libxml2 reports through process-wide handlers; the core prints nothing.
void IgnoreGeneric(void*, const char*, ...) {}
void IgnoreStructured(void*, xmlErrorPtr) {}

void PrepareParser() {
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    xmlSetGenericErrorFunc(nullptr, IgnoreGeneric);  // per thread
    xmlSetStructuredErrorFunc(nullptr, IgnoreStructured);
}

// The text the parser gets: only characters a book may hold (a NUL would end
// the parse early, and invalid UTF-8 would make libxml2 read the rest of the
// page as Latin-1), and the heading block's "</br>" as the line break
// browsers read it as (libxml2 drops it).
std::string ParserInput(std::string_view html) {
    const std::string text = CleanUtf8(html);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '<' && i + 3 < text.size() && text[i + 1] == '/' &&
            (text[i + 2] | 0x20) == 'b' && (text[i + 3] | 0x20) == 'r') {
            size_t k = i + 4;
            while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) ++k;
            if (k < text.size() && text[k] == '>') {
                out += "<br>";
                i = k + 1;
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    return out;
}

class XhtmlWriter {
public:
    explicit XhtmlWriter(const PictureResolver& resolvePicture) : resolvePicture_(resolvePicture) {}

    std::string Write(xmlDoc* doc) {
        Children(reinterpret_cast<xmlNode*>(doc), Context::Flow, 0);
        return std::move(out_);
    }

private:
    template <typename Fn>
    std::string Capture(Fn fn) {
        std::string saved;
        std::swap(saved, out_);
        fn();
        std::swap(saved, out_);
        return saved;
    }

    void Children(xmlNode* parent, Context context, int depth) {
        for (xmlNode* child = parent->children; child; child = child->next) {
            Node(child, context, depth + 1);
        }
    }

    void Node(xmlNode* node, Context context, int depth) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content) AppendXmlText(out_, reinterpret_cast<const char*>(node->content));
            return;
        }
        if (!IsElement(node)) return;  // comments, instructions, document types
        if (depth > kMaxDepth) return Flattened(node);
        Element(node, RuleOf(node), context, depth);
    }

    void Element(xmlNode* node, const Rule& rule, Context context, int depth) {
        const bool phrasing = context == Context::Phrasing;
        switch (rule.kind) {
            case Kind::Drop:
                return;
            case Kind::Unwrap:
                return Children(node, context, depth);
            case Kind::Inline:
                return Wrapped(node, rule, Context::Phrasing, depth);
            case Kind::BlockText:
                if (phrasing) return UnwrappedLine(node, depth);
                return Wrapped(node, rule, Context::Phrasing, depth);
            case Kind::Block:
            case Kind::ListItem:
            case Kind::Row:
                if (phrasing) return UnwrappedLine(node, depth);
                return Wrapped(node, rule.kind == Kind::Block ? rule : kDivision, Context::Flow,
                               depth);
            case Kind::Cell:
                if (phrasing) {
                    Children(node, context, depth);
                    out_ += ' ';
                    return;
                }
                return Wrapped(node, kDivision, Context::Flow, depth);
            case Kind::TableSection:
                if (phrasing) return Children(node, context, depth);
                return Wrapped(node, kDivision, Context::Flow, depth);
            case Kind::List:
                if (phrasing) return Children(node, context, depth);
                return List(node, rule, depth);
            case Kind::Table:
                if (phrasing) return Children(node, context, depth);
                return Table(node, depth);
            // Void elements: whatever the parser hung below one is page
            // content it misplaced.
            case Kind::Break:
                out_ += "<br/>";
                return Children(node, context, depth);
            case Kind::Rule:
                out_ += phrasing ? "<br/>" : "<hr/>";
                return Children(node, context, depth);
            case Kind::Image:
                Image(node);
                return Children(node, context, depth);
            case Kind::Link:
                return Link(node, depth);
        }
    }

    void Wrapped(xmlNode* node, const Rule& rule, Context inner, int depth,
                 const std::string& extra = {}) {
        out_ += std::string("<") + rule.output + extra + CommonAttributes(node, rule) + ">";
        Children(node, inner, depth);
        out_ += std::string("</") + rule.output + ">";
    }

    // A block met inside a line keeps its text and its line break.
    void UnwrappedLine(xmlNode* node, int depth) {
        Children(node, Context::Phrasing, depth);
        out_ += "<br/>";
    }

    // A list holds items only: whatever stands between them goes into items of its own.
    void List(xmlNode* node, const Rule& rule, int depth) {
        std::string extra;
        if (rule.output == std::string_view("ol")) extra = StartAttribute(node);
        out_ += std::string("<") + rule.output + extra + CommonAttributes(node, rule) + ">";
        std::string stray;
        auto flush = [&] {
            if (!IsBlank(stray)) out_ += "<li>" + stray + "</li>";
            stray.clear();
        };
        for (xmlNode* child = node->children; child; child = child->next) {
            if (IsElement(child) && RuleOf(child).kind == Kind::ListItem && depth < kMaxDepth) {
                flush();
                Wrapped(child, RuleOf(child), Context::Flow, depth + 1);
            } else {
                stray += Capture([&] { Node(child, Context::Flow, depth + 1); });
            }
        }
        flush();
        out_ += std::string("</") + rule.output + ">";
    }

    static std::string StartAttribute(xmlNode* node) {
        std::string value = Trimmed(Attribute(node, "start"));
        const bool negative = !value.empty() && value[0] == '-';
        const std::string digits = negative ? value.substr(1) : value;
        if (digits.size() > 6 || !IsDigits(digits)) return {};
        return " start=\"" + std::string(negative ? "-" : "") + std::to_string(std::stoi(digits)) +
               "\"";
    }

    // One body of rows whatever head, body and foot parts the page had; content
    // outside rows forms rows of its own.
    void Table(xmlNode* node, int depth) {
        out_ += "<table" + CommonAttributes(node, kTable) + "><tbody>";
        TableRows(node, depth);
        out_ += "</tbody></table>";
    }

    void TableRows(xmlNode* parent, int depth) {
        std::vector<xmlNode*> stray;
        auto flush = [&] {
            EmitRow(nullptr, stray, depth);
            stray.clear();
        };
        for (xmlNode* child = parent->children; child; child = child->next) {
            const Kind kind = IsElement(child) ? RuleOf(child).kind : Kind::Unwrap;
            if (kind == Kind::TableSection && depth < kMaxDepth) {
                flush();
                TableRows(child, depth + 1);
            } else if (kind == Kind::Row && depth < kMaxDepth) {
                flush();
                std::vector<xmlNode*> cells;
                for (xmlNode* cell = child->children; cell; cell = cell->next) {
                    cells.push_back(cell);
                }
                EmitRow(child, cells, depth + 1);
            } else {
                stray.push_back(child);
            }
        }
        flush();
    }

    // Cells as they are; anything else between them is gathered into a cell.
    void EmitRow(xmlNode* row, const std::vector<xmlNode*>& nodes, int depth) {
        std::string cells, pending;
        auto flush = [&] {
            if (!IsBlank(pending)) cells += "<td>" + pending + "</td>";
            pending.clear();
        };
        for (xmlNode* node : nodes) {
            const Rule& rule = IsElement(node) ? RuleOf(node) : kUnknown;
            if (rule.kind == Kind::Cell && depth < kMaxDepth) {
                flush();
                cells += Capture([&] {
                    const std::string spans = CountAttribute(node, "colspan", 1000) +
                                              CountAttribute(node, "rowspan", 1000);
                    Wrapped(node, rule, Context::Flow, depth + 1, spans);
                });
            } else {
                pending += Capture([&] { Node(node, Context::Flow, depth + 1); });
            }
        }
        flush();
        if (cells.empty()) return;
        out_ += "<tr" + (row ? CommonAttributes(row, kRow) : std::string()) + ">" + cells + "</tr>";
    }

    // A picture stays only when it is inside the book; otherwise its alt text
    // stands in for it.
    void Image(xmlNode* node) {
        const std::string alt = Attribute(node, "alt");
        const std::string source = resolvePicture_ ? resolvePicture_(Attribute(node, "src")) : "";
        if (source.empty()) {
            AppendXmlText(out_, alt);
            return;
        }
        out_ += "<img src=\"" + XmlAttribute(source) + "\" alt=\"" + XmlAttribute(alt) + "\"" +
                CommonAttributes(node, kImage) + "/>";
    }

    // Links keep plain web addresses only and never nest.
    void Link(xmlNode* node, int depth) {
        const std::string href = inLink_ ? "" : SafeWebAddress(Attribute(node, "href"));
        if (href.empty()) return Wrapped(node, kSpan, Context::Phrasing, depth);
        inLink_ = true;
        Wrapped(node, kAnchor, Context::Phrasing, depth, " href=\"" + XmlAttribute(href) + "\"");
        inLink_ = false;
    }

    // Markup nested deeper than kMaxDepth keeps its text, pictures and line
    // breaks, which are allowed wherever it stands; the walk needs no recursion.
    void Flattened(xmlNode* top) {
        xmlNode* node = top;
        for (;;) {
            if (EnterFlat(node)) {
                node = node->children;
                continue;
            }
            for (;;) {
                LeaveFlat(node);
                if (node == top) return;
                if (node->next) {
                    node = node->next;
                    break;
                }
                node = node->parent;
            }
        }
    }

    // True when the node's children are to be walked.
    bool EnterFlat(xmlNode* node) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content) AppendXmlText(out_, reinterpret_cast<const char*>(node->content));
            return false;
        }
        if (!IsElement(node)) return false;
        const Kind kind = RuleOf(node).kind;
        if (kind == Kind::Break) out_ += "<br/>";
        if (kind == Kind::Image) Image(node);
        return kind != Kind::Drop && node->children;
    }

    void LeaveFlat(xmlNode* node) {
        if (!IsElement(node)) return;
        switch (RuleOf(node).kind) {
            case Kind::BlockText:
            case Kind::Block:
            case Kind::ListItem:
            case Kind::Row:
                // The ends of nested blocks make one line break, not thousands.
                if (!out_.ends_with("<br/>")) out_ += "<br/>";
                break;
            case Kind::Cell:
                out_ += ' ';
                break;
            default:
                break;
        }
    }

    static inline const Rule kDivision = {Kind::Block, "div", nullptr};
    static inline const Rule kSpan = {Kind::Inline, "span", nullptr};
    static inline const Rule kAnchor = {Kind::Link, "a", nullptr};
    static inline const Rule kTable = {Kind::Table, "table", nullptr};
    static inline const Rule kRow = {Kind::Row, "tr", nullptr};
    static inline const Rule kImage = {Kind::Image, "img", nullptr};

    const PictureResolver& resolvePicture_;
    std::string out_;
    bool inLink_ = false;
};

}  // namespace

std::string CleanHtmlFragment(std::string_view html, const PictureResolver& resolvePicture) {
    if (html.empty() || html.size() > kMaxInputBytes) return {};
    PrepareParser();
    const std::string source = ParserInput(html);
    // Without XML_PARSE_HUGE libxml2 stops reading at a depth of 256, and
    // badly edited pages leave that many tags unclosed; the rest of the
    // article would be lost.
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                        HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC | XML_PARSE_HUGE;
    xmlDoc* doc =
        htmlReadMemory(source.data(), static_cast<int>(source.size()), nullptr, "UTF-8", options);
    if (!doc) return {};
    std::string xhtml = XhtmlWriter(resolvePicture).Write(doc);
    xmlFreeDoc(doc);
    return xhtml;
}

bool IsWellFormedXml(std::string_view document) {
    if (document.empty() || document.size() > INT_MAX) return false;
    PrepareParser();
    xmlDoc* doc =
        xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr, "UTF-8",
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE);
    if (!doc) return false;
    xmlFreeDoc(doc);
    return true;
}

}  // namespace pw

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

#include "book/WebAddress.h"
#include "book/XmlText.h"

namespace pw {

namespace {

// Deeper markup is written as its text alone, which keeps the writer's
// recursion bounded whatever the page nests.
constexpr int kMaxDepth = 200;
constexpr size_t kMaxInputBytes = 64u * 1024 * 1024;

// Void elements are unwrapped rather than dropped: whatever the parser hung
// below one is page content it misplaced.
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

const std::unordered_map<std::string_view, Rule>& Rules() {
    static const std::unordered_map<std::string_view, Rule> rules = {
        {"script", {Kind::Drop, "", nullptr}},
        {"style", {Kind::Drop, "", nullptr}},
        {"iframe", {Kind::Drop, "", nullptr}},
        {"frame", {Kind::Drop, "", nullptr}},
        {"frameset", {Kind::Drop, "", nullptr}},
        {"noframes", {Kind::Drop, "", nullptr}},
        {"object", {Kind::Drop, "", nullptr}},
        {"embed", {Kind::Unwrap, "", nullptr}},
        {"applet", {Kind::Drop, "", nullptr}},
        {"param", {Kind::Unwrap, "", nullptr}},
        {"input", {Kind::Unwrap, "", nullptr}},
        {"button", {Kind::Drop, "", nullptr}},
        {"select", {Kind::Drop, "", nullptr}},
        {"option", {Kind::Drop, "", nullptr}},
        {"optgroup", {Kind::Drop, "", nullptr}},
        {"textarea", {Kind::Drop, "", nullptr}},
        {"datalist", {Kind::Drop, "", nullptr}},
        {"output", {Kind::Drop, "", nullptr}},
        {"keygen", {Kind::Unwrap, "", nullptr}},
        {"audio", {Kind::Drop, "", nullptr}},
        {"video", {Kind::Drop, "", nullptr}},
        {"source", {Kind::Unwrap, "", nullptr}},
        {"track", {Kind::Unwrap, "", nullptr}},
        {"canvas", {Kind::Drop, "", nullptr}},
        {"svg", {Kind::Drop, "", nullptr}},
        {"math", {Kind::Drop, "", nullptr}},
        {"title", {Kind::Drop, "", nullptr}},
        {"meta", {Kind::Unwrap, "", nullptr}},
        {"link", {Kind::Unwrap, "", nullptr}},
        {"base", {Kind::Unwrap, "", nullptr}},
        {"template", {Kind::Drop, "", nullptr}},
        {"map", {Kind::Drop, "", nullptr}},
        {"area", {Kind::Unwrap, "", nullptr}},
        {"col", {Kind::Unwrap, "", nullptr}},
        {"colgroup", {Kind::Drop, "", nullptr}},
        {"noembed", {Kind::Drop, "", nullptr}},
        {"bgsound", {Kind::Unwrap, "", nullptr}},
        {"wbr", {Kind::Unwrap, "", nullptr}},

        {"span", {Kind::Inline, "span", nullptr}},
        {"font", {Kind::Inline, "span", nullptr}},
        {"em", {Kind::Inline, "em", nullptr}},
        {"strong", {Kind::Inline, "strong", nullptr}},
        {"b", {Kind::Inline, "b", nullptr}},
        {"i", {Kind::Inline, "i", nullptr}},
        {"u", {Kind::Inline, "u", nullptr}},
        {"s", {Kind::Inline, "s", nullptr}},
        {"strike", {Kind::Inline, "s", nullptr}},
        {"del", {Kind::Inline, "del", nullptr}},
        {"ins", {Kind::Inline, "ins", nullptr}},
        {"sub", {Kind::Inline, "sub", nullptr}},
        {"sup", {Kind::Inline, "sup", nullptr}},
        {"small", {Kind::Inline, "small", nullptr}},
        {"big", {Kind::Inline, "span", nullptr}},
        {"tt", {Kind::Inline, "code", nullptr}},
        {"code", {Kind::Inline, "code", nullptr}},
        {"kbd", {Kind::Inline, "kbd", nullptr}},
        {"samp", {Kind::Inline, "samp", nullptr}},
        {"var", {Kind::Inline, "var", nullptr}},
        {"cite", {Kind::Inline, "cite", nullptr}},
        {"q", {Kind::Inline, "q", nullptr}},
        {"abbr", {Kind::Inline, "abbr", nullptr}},
        {"acronym", {Kind::Inline, "abbr", nullptr}},
        {"dfn", {Kind::Inline, "span", nullptr}},
        {"mark", {Kind::Inline, "mark", nullptr}},
        {"time", {Kind::Inline, "span", nullptr}},
        {"bdo", {Kind::Inline, "span", nullptr}},
        {"bdi", {Kind::Inline, "span", nullptr}},
        {"ruby", {Kind::Inline, "span", nullptr}},
        {"rt", {Kind::Inline, "span", nullptr}},
        {"rp", {Kind::Inline, "span", nullptr}},
        {"rb", {Kind::Inline, "span", nullptr}},
        {"label", {Kind::Inline, "span", nullptr}},
        {"nobr", {Kind::Inline, "span", nullptr}},
        {"blink", {Kind::Inline, "span", nullptr}},

        {"p", {Kind::BlockText, "p", nullptr}},
        {"h1", {Kind::BlockText, "h1", nullptr}},
        {"h2", {Kind::BlockText, "h2", nullptr}},
        {"h3", {Kind::BlockText, "h3", nullptr}},
        {"h4", {Kind::BlockText, "h4", nullptr}},
        {"h5", {Kind::BlockText, "h5", nullptr}},
        {"h6", {Kind::BlockText, "h6", nullptr}},
        {"pre", {Kind::BlockText, "pre", nullptr}},
        {"xmp", {Kind::BlockText, "pre", nullptr}},
        {"listing", {Kind::BlockText, "pre", nullptr}},
        {"plaintext", {Kind::BlockText, "pre", nullptr}},
        {"legend", {Kind::BlockText, "p", nullptr}},

        {"div", {Kind::Block, "div", nullptr}},
        {"blockquote", {Kind::Block, "blockquote", nullptr}},
        {"center", {Kind::Block, "div", "text-align: center"}},
        {"section", {Kind::Block, "div", nullptr}},
        {"article", {Kind::Block, "div", nullptr}},
        {"header", {Kind::Block, "div", nullptr}},
        {"footer", {Kind::Block, "div", nullptr}},
        {"aside", {Kind::Block, "div", nullptr}},
        {"nav", {Kind::Block, "div", nullptr}},
        {"main", {Kind::Block, "div", nullptr}},
        {"figure", {Kind::Block, "div", nullptr}},
        {"figcaption", {Kind::Block, "div", nullptr}},
        {"address", {Kind::Block, "div", nullptr}},
        {"details", {Kind::Block, "div", nullptr}},
        {"summary", {Kind::Block, "div", nullptr}},
        {"dialog", {Kind::Block, "div", nullptr}},
        {"hgroup", {Kind::Block, "div", nullptr}},
        {"fieldset", {Kind::Block, "div", nullptr}},
        {"marquee", {Kind::Block, "div", nullptr}},
        {"dl", {Kind::Block, "div", nullptr}},
        {"dt", {Kind::Block, "div", "font-weight: bold"}},
        {"dd", {Kind::Block, "blockquote", nullptr}},
        {"caption", {Kind::Block, "div", "text-align: center"}},

        {"ul", {Kind::List, "ul", nullptr}},
        {"menu", {Kind::List, "ul", nullptr}},
        {"dir", {Kind::List, "ul", nullptr}},
        {"ol", {Kind::List, "ol", nullptr}},
        {"li", {Kind::ListItem, "li", nullptr}},

        {"table", {Kind::Table, "table", nullptr}},
        {"thead", {Kind::TableSection, "", nullptr}},
        {"tbody", {Kind::TableSection, "", nullptr}},
        {"tfoot", {Kind::TableSection, "", nullptr}},
        {"tr", {Kind::Row, "tr", nullptr}},
        {"td", {Kind::Cell, "td", nullptr}},
        {"th", {Kind::Cell, "th", nullptr}},

        {"br", {Kind::Break, "br", nullptr}},
        {"hr", {Kind::Rule, "hr", nullptr}},
        {"img", {Kind::Image, "img", nullptr}},
        {"a", {Kind::Link, "a", nullptr}},
    };
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

std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                             text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                             text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

bool AllOf(std::string_view text, bool (*accept)(char)) {
    for (char c : text) {
        if (!accept(c)) return false;
    }
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f');
}

// A colour as "#rgb", "#rrggbb" or a basic colour name; empty when it is none.
std::string ColourValue(std::string value) {
    static const std::string_view kNames[] = {
        "black",  "white",   "red",  "green", "blue",   "gray", "grey", "silver", "maroon",
        "purple", "fuchsia", "lime", "olive", "yellow", "navy", "teal", "aqua",   "orange"};
    value = Lowered(Trimmed(value));
    if (!value.empty() && value[0] != '#' && (value.size() == 6 || value.size() == 3) &&
        AllOf(value, IsHexDigit)) {
        value.insert(0, "#");
    }
    if (value.size() == 4 || value.size() == 7) {
        if (value[0] == '#' && AllOf(std::string_view(value).substr(1), IsHexDigit)) return value;
    }
    for (std::string_view name : kNames) {
        if (value == name) return value;
    }
    return {};
}

bool OneOf(const std::string& value, std::initializer_list<std::string_view> accepted) {
    for (std::string_view a : accepted) {
        if (value == a) return true;
    }
    return false;
}

// "2em", "1.5em": the paragraph indents Chinese blogs use.
bool IsIndent(const std::string& value) {
    if (value.size() < 3 || value.size() > 6 || value.substr(value.size() - 2) != "em") {
        return false;
    }
    const std::string number = value.substr(0, value.size() - 2);
    const size_t dot = number.find('.');
    const std::string whole = number.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? "" : number.substr(dot + 1);
    return !whole.empty() && whole.size() <= 2 && AllOf(whole, IsDigit) &&
           AllOf(fraction, IsDigit) && (dot == std::string::npos || !fraction.empty());
}

// The one declaration of a style attribute worth keeping in a book, or empty:
// alignment, colour, weight, slant, decoration and indent, with checked values.
std::string KeptDeclaration(const std::string& property, std::string value) {
    if (property == "color") {
        value = ColourValue(value);
        return value.empty() ? "" : "color: " + value;
    }
    if (property == "text-align" && OneOf(value, {"left", "right", "center", "justify"})) {
        return property + ": " + value;
    }
    if (property == "font-weight" &&
        OneOf(value, {"bold", "bolder", "normal", "lighter", "100", "200", "300", "400", "500",
                      "600", "700", "800", "900"})) {
        return property + ": " + value;
    }
    if (property == "font-style" && OneOf(value, {"italic", "normal", "oblique"})) {
        return property + ": " + value;
    }
    if (property == "text-decoration" &&
        OneOf(value, {"underline", "line-through", "overline", "none"})) {
        return property + ": " + value;
    }
    if (property == "text-indent" && IsIndent(value)) return property + ": " + value;
    return {};
}

void AddDeclaration(std::vector<std::string>& style, const std::string& declaration) {
    if (!declaration.empty()) style.push_back(declaration);
}

void ParseStyle(const std::string& text, std::vector<std::string>& style) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        const std::string declaration = text.substr(start, end - start);
        const size_t colon = declaration.find(':');
        if (colon != std::string::npos) {
            AddDeclaration(style, KeptDeclaration(Lowered(Trimmed(declaration.substr(0, colon))),
                                                  Lowered(Trimmed(declaration.substr(colon + 1)))));
        }
        start = end + 1;
    }
}

std::string StyleAttribute(xmlNode* node, const Rule& rule) {
    std::vector<std::string> style;
    if (rule.style) style.push_back(rule.style);
    const std::string align = Lowered(Trimmed(Attribute(node, "align")));
    AddDeclaration(style, KeptDeclaration("text-align", align));
    if (xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>("font"))) {
        AddDeclaration(style, KeptDeclaration("color", Attribute(node, "color")));
    }
    ParseStyle(Attribute(node, "style"), style);
    std::string joined;
    for (const std::string& declaration : style) {
        joined += (joined.empty() ? "" : "; ") + declaration;
    }
    return joined.empty() ? "" : " style=\"" + joined + "\"";
}

// A small positive count such as a cell's colspan, or empty.
std::string CountAttribute(xmlNode* node, const char* name, int maximum) {
    const std::string value = Trimmed(Attribute(node, name));
    if (value.empty() || value.size() > 4 || !AllOf(value, IsDigit)) return {};
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

bool IsControlByte(unsigned char c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
}

// The text the parser gets: without control bytes (a NUL would end the parse
// early; none of them can be part of a multi-byte character), and with the
// heading block's "</br>" as the line break browsers read it as (libxml2
// drops it).
std::string ParserInput(std::string_view html) {
    std::string out;
    out.reserve(html.size());
    for (size_t i = 0; i < html.size();) {
        if (html[i] == '<' && i + 3 < html.size() && html[i + 1] == '/' &&
            (html[i + 2] | 0x20) == 'b' && (html[i + 3] | 0x20) == 'r') {
            size_t k = i + 4;
            while (k < html.size() && (html[k] == ' ' || html[k] == '\t')) ++k;
            if (k < html.size() && html[k] == '>') {
                out += "<br>";
                i = k + 1;
                continue;
            }
        }
        if (!IsControlByte(static_cast<unsigned char>(html[i]))) out.push_back(html[i]);
        ++i;
    }
    return out;
}

class CXhtmlWriter {
public:
    explicit CXhtmlWriter(const PictureResolver& resolvePicture)
        : m_resolvePicture(resolvePicture) {}

    std::string Write(xmlDoc* doc) {
        Children(reinterpret_cast<xmlNode*>(doc), Context::Flow, 0);
        return std::move(m_out);
    }

private:
    template <typename Fn>
    std::string Capture(Fn fn) {
        std::string saved;
        std::swap(saved, m_out);
        fn();
        std::swap(saved, m_out);
        return saved;
    }

    void Children(xmlNode* parent, Context context, int depth) {
        for (xmlNode* child = parent->children; child; child = child->next) {
            Node(child, context, depth + 1);
        }
    }

    void Node(xmlNode* node, Context context, int depth) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content) AppendXmlText(m_out, reinterpret_cast<const char*>(node->content));
            return;
        }
        if (!IsElement(node)) return;  // comments, instructions, document types
        if (depth > kMaxDepth) {
            AppendXmlText(m_out, TextOf(node));
            return;
        }
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
                    m_out += ' ';
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
            case Kind::Break:
                m_out += "<br/>";
                return;
            case Kind::Rule:
                m_out += phrasing ? "<br/>" : "<hr/>";
                return;
            case Kind::Image:
                return Image(node);
            case Kind::Link:
                return Link(node, depth);
        }
    }

    void Wrapped(xmlNode* node, const Rule& rule, Context inner, int depth,
                 const std::string& extra = {}) {
        m_out += std::string("<") + rule.output + extra + CommonAttributes(node, rule) + ">";
        Children(node, inner, depth);
        m_out += std::string("</") + rule.output + ">";
    }

    // A block met inside a line keeps its text and its line break.
    void UnwrappedLine(xmlNode* node, int depth) {
        Children(node, Context::Phrasing, depth);
        m_out += "<br/>";
    }

    // A list holds items only: whatever stands between them goes into items of its own.
    void List(xmlNode* node, const Rule& rule, int depth) {
        std::string extra;
        if (rule.output == std::string_view("ol")) extra = StartAttribute(node);
        m_out += std::string("<") + rule.output + extra + CommonAttributes(node, rule) + ">";
        std::string stray;
        auto flush = [&] {
            if (!IsBlank(stray)) m_out += "<li>" + stray + "</li>";
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
        m_out += std::string("</") + rule.output + ">";
    }

    static std::string StartAttribute(xmlNode* node) {
        std::string value = Trimmed(Attribute(node, "start"));
        const bool negative = !value.empty() && value[0] == '-';
        const std::string digits = negative ? value.substr(1) : value;
        if (digits.empty() || digits.size() > 6 || !AllOf(digits, IsDigit)) return {};
        return " start=\"" + std::string(negative ? "-" : "") + std::to_string(std::stoi(digits)) +
               "\"";
    }

    // One body of rows whatever head, body and foot parts the page had; content
    // outside rows forms rows of its own.
    void Table(xmlNode* node, int depth) {
        m_out += "<table" + CommonAttributes(node, kTable) + "><tbody>";
        TableRows(node, depth);
        m_out += "</tbody></table>";
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
        m_out +=
            "<tr" + (row ? CommonAttributes(row, kRow) : std::string()) + ">" + cells + "</tr>";
    }

    // A picture stays only when it is inside the book; otherwise its alt text
    // stands in for it.
    void Image(xmlNode* node) {
        const std::string alt = Attribute(node, "alt");
        const std::string source = m_resolvePicture ? m_resolvePicture(Attribute(node, "src")) : "";
        if (source.empty()) {
            AppendXmlText(m_out, alt);
            return;
        }
        m_out += "<img src=\"" + XmlAttribute(source) + "\" alt=\"" + XmlAttribute(alt) + "\"" +
                 CommonAttributes(node, kImage) + "/>";
    }

    // Links keep plain web addresses only and never nest.
    void Link(xmlNode* node, int depth) {
        const std::string href = m_bInLink ? "" : SafeWebAddress(Attribute(node, "href"));
        if (href.empty()) return Wrapped(node, kSpan, Context::Phrasing, depth);
        m_bInLink = true;
        Wrapped(node, kAnchor, Context::Phrasing, depth, " href=\"" + XmlAttribute(href) + "\"");
        m_bInLink = false;
    }

    // The text of a subtree without its dropped parts, walked without recursion.
    static std::string TextOf(xmlNode* top) {
        std::string text;
        xmlNode* node = top->children;
        while (node) {
            if (node->type == XML_TEXT_NODE && node->content) {
                text += reinterpret_cast<const char*>(node->content);
            }
            const bool descend =
                IsElement(node) && node->children && RuleOf(node).kind != Kind::Drop;
            if (descend) {
                node = node->children;
                continue;
            }
            while (node && node != top && !node->next) node = node->parent;
            node = node && node != top ? node->next : nullptr;
        }
        return text;
    }

    static inline const Rule kDivision = {Kind::Block, "div", nullptr};
    static inline const Rule kSpan = {Kind::Inline, "span", nullptr};
    static inline const Rule kAnchor = {Kind::Link, "a", nullptr};
    static inline const Rule kTable = {Kind::Table, "table", nullptr};
    static inline const Rule kRow = {Kind::Row, "tr", nullptr};
    static inline const Rule kImage = {Kind::Image, "img", nullptr};

    const PictureResolver& m_resolvePicture;
    std::string m_out;
    bool m_bInLink = false;
};

}  // namespace

std::string CleanHtmlFragment(std::string_view html, const PictureResolver& resolvePicture) {
    if (html.empty() || html.size() > kMaxInputBytes) return {};
    PrepareParser();
    const std::string source = ParserInput(html);
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                        HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC;
    xmlDoc* doc =
        htmlReadMemory(source.data(), static_cast<int>(source.size()), nullptr, "UTF-8", options);
    if (!doc) return {};
    std::string xhtml = CXhtmlWriter(resolvePicture).Write(doc);
    xmlFreeDoc(doc);
    return xhtml;
}

bool IsWellFormedXml(std::string_view document) {
    if (document.empty() || document.size() > INT_MAX) return false;
    PrepareParser();
    xmlDoc* doc = xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr,
                                "UTF-8", XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return false;
    xmlFreeDoc(doc);
    return true;
}

}  // namespace pw

#include "base/ActiveContent.h"

#include <vector>

#include "base/HtmlText.h"

namespace pw {

namespace {

// Comments and raw text hold markup only for hostile pages beyond this depth;
// there they go whole.
constexpr int kMaxDepth = 4;
constexpr size_t kStyleCheckBytes = 65536;

// Removed with everything up to their end tag (their content is never shown).
constexpr std::string_view kWholeElements[] = {"script", "iframe"};
// Removed as tags; what lies between them stays.
constexpr std::string_view kTagElements[] = {"object", "applet", "embed", "frame", "frameset"};
// Their content is text to an HTML5 parser up to the matching end tag.
constexpr std::string_view kRawTextElements[] = {"style",    "xmp",   "noembed",  "noframes",
                                                 "noscript", "title", "textarea", "plaintext"};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return out;
}

template <size_t N>
bool IsOneOf(const std::string& name, const std::string_view (&names)[N]) {
    for (std::string_view candidate : names) {
        if (name == candidate) return true;
    }
    return false;
}

struct Span {
    size_t begin;
    size_t end;
};

struct Tag {
    size_t end = 0;  // behind its ">", or the end of the text for an unclosed tag
    bool isEnd = false;
    std::string name;           // lowered
    std::vector<Span> dropped;  // attributes to leave out, with the blanks before them
};

// CSS that runs script in old Internet Explorer (the engine of the Windows CHM
// viewer): expressions, behaviours, script addresses.
bool IsActiveStyle(std::string_view value) {
    std::string plain = PlainAttributeValue(value, kStyleCheckBytes);
    std::string compact;  // without CSS comments and escapes
    for (size_t i = 0; i < plain.size(); ++i) {
        if (plain.compare(i, 2, "/*") == 0) {
            const size_t close = plain.find("*/", i + 2);
            if (close == std::string::npos) break;
            i = close + 1;
        } else if (plain[i] != '\\') {
            compact.push_back(plain[i]);
        }
    }
    for (const char* active :
         {"expression(", "javascript:", "vbscript:", "behavior:", "-moz-binding:"}) {
        if (compact.find(active) != std::string::npos) return true;
    }
    return false;
}

bool IsActiveAttribute(std::string_view name, std::string_view value) {
    const std::string lowered = Lowered(name);
    if (lowered.rfind("on", 0) == 0) return true;
    if (lowered == "style" || lowered == "content") return IsActiveStyle(value);
    return IsScriptAddress(value);
}

// The tag at text[at] ("<" followed by a letter, or "</" and a letter), read as
// an HTML5 tokenizer reads it, up to end.
Tag ReadTag(std::string_view text, size_t at, size_t end) {
    Tag tag;
    size_t i = at + 1;
    if (text[i] == '/') {
        tag.isEnd = true;
        ++i;
    }
    const size_t nameStart = i;
    while (i < end && !IsSpace(text[i]) && text[i] != '/' && text[i] != '>') ++i;
    tag.name = Lowered(text.substr(nameStart, i - nameStart));
    for (;;) {
        const size_t separator = i;
        while (i < end && (IsSpace(text[i]) || text[i] == '/')) ++i;
        if (i >= end) break;
        if (text[i] == '>') {
            tag.end = i + 1;
            return tag;
        }
        const size_t attributeStart = i++;  // a leading "=" belongs to the name
        while (i < end && !IsSpace(text[i]) && text[i] != '/' && text[i] != '>' && text[i] != '=') {
            ++i;
        }
        const std::string_view name = text.substr(attributeStart, i - attributeStart);
        std::string_view value;
        size_t j = i;
        while (j < end && IsSpace(text[j])) ++j;
        if (j < end && text[j] == '=') {
            ++j;
            while (j < end && IsSpace(text[j])) ++j;
            if (j < end && (text[j] == '"' || text[j] == '\'')) {
                const size_t close = text.substr(0, end).find(text[j], j + 1);
                const size_t valueEnd = close == std::string_view::npos ? end : close;
                value = text.substr(j + 1, valueEnd - j - 1);
                i = close == std::string_view::npos ? end : close + 1;
            } else {
                size_t k = j;
                while (k < end && !IsSpace(text[k]) && text[k] != '>') ++k;
                value = text.substr(j, k - j);
                i = k;
            }
        }
        if (IsActiveAttribute(name, value)) {
            // The blanks before it go too, unless the next attribute follows
            // without any: they then keep it apart from what came before.
            const bool separated = i >= end || IsSpace(text[i]) || text[i] == '/' || text[i] == '>';
            tag.dropped.push_back({separated ? separator : attributeStart, i});
        }
    }
    tag.end = end;
    return tag;
}

bool EqualsNoCase(std::string_view text, std::string_view lowered) {
    if (text.size() != lowered.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != lowered[i]) return false;
    }
    return true;
}

// Where the raw text of the element `name` that begins at `from` ends: the "<"
// of its end tag, or end when it has none.
size_t RawTextEnd(std::string_view text, size_t from, size_t end, const std::string& name) {
    const std::string_view bounded = text.substr(0, end);
    for (size_t at = bounded.find("</", from); at != std::string_view::npos;
         at = bounded.find("</", at + 2)) {
        const size_t after = at + 2 + name.size();
        if (after >= end) break;
        if (!EqualsNoCase(text.substr(at + 2, name.size()), name)) continue;
        if (IsSpace(text[after]) || text[after] == '/' || text[after] == '>') return at;
    }
    return end;
}

class Cleaner {
public:
    explicit Cleaner(std::string_view text) : text_(text) { out_.reserve(text.size()); }

    std::string Take() { return std::move(out_); }

    void Clean(size_t begin, size_t end, int depth) {
        size_t i = begin;
        while (i < end) {
            const size_t lt = text_.substr(0, end).find('<', i);
            if (lt == std::string_view::npos) {
                Keep(i, end);
                return;
            }
            Keep(i, lt);
            i = Markup(lt, end, depth);
        }
    }

private:
    // Handles the markup at text_[at] == "<"; returns where the text goes on.
    size_t Markup(size_t at, size_t end, int depth) {
        const char next = at + 1 < end ? text_[at + 1] : '\0';
        const char second = at + 2 < end ? text_[at + 2] : '\0';
        if (IsAsciiLetter(next) || (next == '/' && IsAsciiLetter(second))) {
            return Element(at, end, depth);
        }
        if (next == '!' && text_.substr(at, 4) == "<!--") return Comment(at, end, depth);
        if (next == '!' || next == '?' || (next == '/' && second != '>' && second != '\0')) {
            // A bogus comment, up to the next ">".
            const size_t contentStart = at + (next == '/' ? 2 : 1);
            return Enclosed(at, contentStart, ClosingAngle(contentStart, end), 1, end, depth);
        }
        Keep(at, at + 1);
        return at + 1;
    }

    size_t Element(size_t at, size_t end, int depth) {
        const Tag tag = ReadTag(text_, at, end);
        if (IsOneOf(tag.name, kWholeElements)) {
            Drop();
            if (tag.isEnd) return tag.end;
            const size_t close = RawTextEnd(text_, tag.end, end, tag.name);
            return close == end ? end : ReadTag(text_, close, end).end;
        }
        if (IsOneOf(tag.name, kTagElements)) {
            Drop();
            return tag.end;
        }
        KeepTag(at, tag);
        if (tag.isEnd || !IsOneOf(tag.name, kRawTextElements)) return tag.end;
        const size_t close =
            tag.name == "plaintext" ? end : RawTextEnd(text_, tag.end, end, tag.name);
        if (depth >= kMaxDepth) {
            if (close > tag.end) Drop();
        } else {
            Clean(tag.end, close, depth + 1);
        }
        return close;
    }

    // "<!--" up to "-->" or "--!>", as HTML5 ends comments ("<!-->" and
    // "<!--->" are whole comments).
    size_t Comment(size_t at, size_t end, int depth) {
        const size_t contentStart = at + 4;
        const std::string_view rest = text_.substr(contentStart, end - contentStart);
        if (rest.substr(0, 1) == ">")
            return Enclosed(at, contentStart, contentStart, 1, end, depth);
        if (rest.substr(0, 2) == "->")
            return Enclosed(at, contentStart, contentStart, 2, end, depth);
        size_t close = std::string_view::npos;
        size_t closeLength = 0;
        for (size_t i = rest.find("--"); i != std::string_view::npos; i = rest.find("--", i + 1)) {
            if (rest.substr(i, 3) == "-->") {
                close = i, closeLength = 3;
                break;
            }
            if (rest.substr(i, 4) == "--!>") {
                close = i, closeLength = 4;
                break;
            }
        }
        if (close == std::string_view::npos) return Enclosed(at, contentStart, end, 0, end, depth);
        return Enclosed(at, contentStart, contentStart + close, closeLength, end, depth);
    }

    // Markup made of an opening [at, contentStart), content up to contentEnd and
    // a closing of closeLength bytes: the content is cleaned as markup.
    size_t Enclosed(size_t at, size_t contentStart, size_t contentEnd, size_t closeLength,
                    size_t end, int depth) {
        const size_t after = std::min(contentEnd + closeLength, end);
        if (depth >= kMaxDepth) {
            Drop();
            return after;
        }
        Keep(at, contentStart);
        Clean(contentStart, contentEnd, depth + 1);
        Keep(contentEnd, after);
        return after;
    }

    size_t ClosingAngle(size_t from, size_t end) const {
        const size_t close = text_.substr(0, end).find('>', from);
        return close == std::string_view::npos ? end : close;
    }

    void KeepTag(size_t at, const Tag& tag) {
        size_t from = at;
        for (const Span& span : tag.dropped) {
            Keep(from, span.begin);
            from = span.end;
        }
        Keep(from, tag.end);
    }

    void Keep(size_t begin, size_t end) {
        if (end > begin) out_.append(text_.substr(begin, end - begin));
    }

    // Where something was left out, a "<" just before it would meet what follows
    // and could open a tag that was not there: it becomes a reference.
    void Drop() {
        if (!out_.empty() && out_.back() == '<') {
            out_.pop_back();
            out_ += "&lt;";
        }
    }

    std::string_view text_;
    std::string out_;
};

}  // namespace

std::string WithoutActiveContent(std::string_view html) {
    Cleaner cleaner(html);
    cleaner.Clean(0, html.size(), 0);
    return cleaner.Take();
}

}  // namespace pw

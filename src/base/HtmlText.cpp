#include "base/HtmlText.h"

#include <libxml/HTMLparser.h>

namespace pw {

namespace {

constexpr size_t kMaxNameLength = 32;
constexpr size_t kMaxDecimalDigits = 8;
constexpr size_t kMaxHexDigits = 6;

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// A numeric reference at text[at] as a browser reads it in an attribute value
// (the ";" may be missing): its code point and length, or length 0.
size_t NumericReference(std::string_view text, size_t at, unsigned long* codePoint) {
    size_t i = at + 2;
    if (at + 2 > text.size() || text[at] != '&' || text[at + 1] != '#') return 0;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) ++i;
    const size_t first = i;
    unsigned long value = 0;
    while (i < text.size() && (hex ? IsHexDigit(text[i]) : IsDigit(text[i]))) {
        const char c = text[i];
        const unsigned digit = IsDigit(c) ? c - '0' : Lower(c) - 'a' + 10;
        if (value < 0x110000) value = value * (hex ? 16 : 10) + digit;
        ++i;
    }
    if (i == first) return 0;
    if (i < text.size() && text[i] == ';') ++i;
    *codePoint = value;
    return i - at;
}

}  // namespace

size_t CharacterReferenceLength(std::string_view text, size_t at) {
    if (at + 1 >= text.size() || text[at] != '&') return 0;
    size_t i = at + 1;
    if (text[i] == '#') {
        ++i;
        const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
        if (hex) ++i;
        const size_t first = i;
        const size_t most = hex ? kMaxHexDigits : kMaxDecimalDigits;
        while (i < text.size() && i - first < most &&
               (hex ? IsHexDigit(text[i]) : IsDigit(text[i]))) {
            ++i;
        }
        if (i == first) return 0;
    } else {
        if (!IsAsciiLetter(text[i])) return 0;
        const size_t first = i;
        while (i < text.size() && i - first < kMaxNameLength &&
               (IsAsciiLetter(text[i]) || IsDigit(text[i]))) {
            ++i;
        }
    }
    return i < text.size() && text[i] == ';' ? i + 1 - at : 0;
}

std::optional<uint32_t> ReferencedCharacter(std::string_view reference) {
    const std::string_view body = reference.substr(1, reference.size() - 2);
    if (body.empty()) return std::nullopt;
    if (body[0] != '#') {
        const std::string name(body);
        const htmlEntityDesc* entity =
            htmlEntityLookup(reinterpret_cast<const xmlChar*>(name.c_str()));
        if (!entity) return std::nullopt;
        return entity->value;
    }
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    uint32_t code = 0;
    for (char c : body.substr(hex ? 2 : 1)) {
        const uint32_t digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        code = code * (hex ? 16 : 10) + digit;
        if (code > 0x10FFFF) return std::nullopt;
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    return code;
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '&':
                out += CharacterReferenceLength(text, i) ? "&" : "&amp;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string PlainAttributeValue(std::string_view value, size_t limit) {
    static constexpr std::string_view kNamed[][2] = {
        {"&colon;", ":"}, {"&Tab;", ""}, {"&NewLine;", ""}};
    std::string plain;
    for (size_t i = 0; i < value.size() && plain.size() < limit;) {
        unsigned long codePoint = 0;
        if (const size_t n = NumericReference(value, i, &codePoint)) {
            if (codePoint >= 0x80) {
                plain.push_back('\x80');
            } else if (codePoint > 0x20 && codePoint != 0x7F) {
                plain.push_back(Lower(static_cast<char>(codePoint)));
            }
            i += n;
            continue;
        }
        bool named = false;
        for (const auto& [reference, replacement] : kNamed) {
            if (value.substr(i, reference.size()) == reference) {
                plain += replacement;
                i += reference.size();
                named = true;
                break;
            }
        }
        if (named) continue;
        const auto b = static_cast<unsigned char>(value[i++]);
        if (b > 0x20 && b != 0x7F) plain.push_back(Lower(static_cast<char>(b)));
    }
    return plain;
}

bool IsScriptAddress(std::string_view value) {
    const std::string plain = PlainAttributeValue(value, 16);
    return plain.rfind("javascript:", 0) == 0 || plain.rfind("vbscript:", 0) == 0;
}

std::string LinkTarget(std::string_view address) {
    return IsScriptAddress(address) ? std::string() : EscapeHtml(address);
}

}  // namespace pw

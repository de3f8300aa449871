#include "base/DisplayText.h"

#include <libxml/HTMLparser.h>

#include <cstdint>

#include "base/HtmlText.h"

namespace pw {

namespace {

constexpr uint32_t kNoCharacter = 0xFFFFFFFF;

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | code >> 6));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | code >> 18));
        out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// The character a reference's body ("amp", "#38", "#x26") names, or
// kNoCharacter.
uint32_t ReferencedCharacter(std::string_view body) {
    if (body[0] != '#') {
        const std::string name(body);
        const htmlEntityDesc* entity =
            htmlEntityLookup(reinterpret_cast<const xmlChar*>(name.c_str()));
        return entity ? entity->value : kNoCharacter;
    }
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    uint32_t code = 0;
    for (char c : body.substr(hex ? 2 : 1)) {
        const uint32_t digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        code = code * (hex ? 16 : 10) + digit;
        if (code > 0x10FFFF) return kNoCharacter;
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF)) return kNoCharacter;
    return code;
}

bool IsControl(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

}  // namespace

std::string DisplayText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const size_t length = CharacterReferenceLength(utf8, i);
        const uint32_t code =
            length ? ReferencedCharacter(utf8.substr(i + 1, length - 2)) : kNoCharacter;
        if (code == kNoCharacter) {
            out.push_back(utf8[i++]);
            continue;
        }
        if (IsControl(code)) {
            out.push_back(' ');
        } else {
            AppendUtf8(out, code);
        }
        i += length;
    }
    return out;
}

}  // namespace pw

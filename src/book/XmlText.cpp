#include "book/XmlText.h"

#include <cstdint>

namespace pw {

namespace {

// Length of the UTF-8 sequence at text[i] and its code point; 0 when the bytes
// there are no well-formed sequence (overlong forms and surrogates included).
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t* code) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    uint32_t value = 0, minimum = 0;
    if (lead < 0x80) {
        *code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        value = (value << 6) | (c & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code = value;
    return length;
}

// Characters both XML 1.0 and HTML allow in text: no C0 or C1 controls apart
// from tab and line feed, no non-characters.
bool IsAllowed(uint32_t c) {
    if (c == '\t' || c == '\n') return true;
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
    if (c >= 0xFDD0 && c <= 0xFDEF) return false;
    return (c & 0xFFFE) != 0xFFFE;
}

// Calls emit(code point, bytes) for every kept character; "\r\n" and a lone
// "\r" arrive as one "\n".
template <typename Emit>
void ForEachAllowed(std::string_view text, Emit emit) {
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const size_t length = DecodeUtf8(text, i, &code);
        if (length == 0) {
            ++i;
            continue;
        }
        if (code == '\r') {
            emit('\n', std::string_view("\n"));
            i += i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
            continue;
        }
        if (IsAllowed(code)) emit(code, text.substr(i, length));
        i += length;
    }
}

const char* Reference(uint32_t c) {
    switch (c) {
        case '&':
            return "&#38;";
        case '<':
            return "&#60;";
        case '>':
            return "&#62;";
        case '"':
            return "&#34;";
        case '\'':
            return "&#39;";
        default:
            return nullptr;
    }
}

}  // namespace

void AppendXmlText(std::string& out, std::string_view utf8) {
    ForEachAllowed(utf8, [&](uint32_t code, std::string_view bytes) {
        const char* reference = Reference(code);
        reference ? out.append(reference) : out.append(bytes);
    });
}

std::string XmlText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendXmlText(out, utf8);
    return out;
}

std::string XmlAttribute(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    ForEachAllowed(utf8, [&](uint32_t code, std::string_view bytes) {
        const char* reference = Reference(code);
        if (reference) {
            out.append(reference);
        } else if (code == '\n' || code == '\t') {
            out.push_back(' ');
        } else {
            out.append(bytes);
        }
    });
    return out;
}

std::string CleanUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    ForEachAllowed(utf8, [&](uint32_t, std::string_view bytes) { out.append(bytes); });
    return out;
}

}  // namespace pw

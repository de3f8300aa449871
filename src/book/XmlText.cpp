#include "book/XmlText.h"

#include <cstdint>

#include "base/HtmlText.h"
#include "base/Text.h"

namespace pw {

namespace {

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
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        const uint32_t code = Utf8CodePoint(text, i, length);
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

std::string DecodeHtmlReferences(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const size_t length = CharacterReferenceLength(utf8, i);
        if (length == 0) {
            out.push_back(utf8[i++]);
            continue;
        }
        const std::string_view reference = utf8.substr(i, length);
        if (const std::optional<uint32_t> code = ReferencedCharacter(reference)) {
            AppendUtf8(out, *code);
        } else if (reference[1] == '#') {
            AppendUtf8(out, 0xFFFD);  // as browsers read a number that names no character
        } else {
            out.append(reference);  // an unknown name stays as written
        }
        i += length;
    }
    return out;
}

}  // namespace pw

#include "base/TextDecode.h"

#include "base/TextOps.h"

namespace pw {

void DecodeHtmlEntities(std::string& text) {
    static const char* const kEntities[][2] = {
        {"&amp;", "&"},  {"&lt;", "<"},   {"&gt;", ">"},   {"&quot;", "\""},
        {"&apos;", "'"}, {"&nbsp;", " "}, {"&copy;", " "}, {"&reg;", " "},
        {"&#47;", "/"},  {"&#60;", "<"},  {"&#62;", ">"},  {"&#38;", "&"},
    };
    for (const auto& entity : kEntities) Replace(text, entity[0], entity[1]);
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char16_t SimpleEscape(char c) {
    switch (c) {
        case '"':
            return u'"';
        case '/':
            return u'/';
        case '\\':
            return u'\\';
        case 'b':
            return u'\b';
        case 'f':
            return u'\f';
        case 'n':
            return u'\n';
        case 'r':
            return u'\r';
        case 't':
            return u'\t';
        default:
            return 0;
    }
}

}  // namespace

std::u16string DecodeScriptEscapes(const char* text) {
    std::u16string out;
    if (!text) return out;
    for (const char* p = text; *p;) {
        if (*p != '\\') {
            out.push_back(static_cast<unsigned char>(*p++));
            continue;
        }
        const char next = p[1];
        if (const char16_t c = SimpleEscape(next)) {
            out.push_back(c);
            p += 2;
        } else if (next == 'u') {
            unsigned value = 0;
            for (int i = 2; i < 6; ++i) {
                const int digit = HexValue(p[i]);  // stops at the terminating zero too
                if (digit < 0) return out;
                value = value * 16 + static_cast<unsigned>(digit);
            }
            out.push_back(static_cast<char16_t>(value));
            p += 6;
        } else {
            out.push_back(u'\\');
            ++p;
        }
    }
    return out;
}

}  // namespace pw

#include "base/UrlEncode.h"

#include "base/Encoding.h"

namespace pw {

namespace {

void AppendPercent(std::string& out, unsigned char byte) {
    static const char kHex[] = "0123456789ABCDEF";
    out.push_back('%');
    out.push_back(kHex[byte >> 4]);
    out.push_back(kHex[byte & 15]);
}

}  // namespace

std::string UrlEncodeAnsi(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() * 3);
    for (unsigned char c : ansi) {
        if (c >= 0x80) {
            AppendPercent(out, c);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string UrlEncodeUtf8(std::string_view ansi) {
    // Every byte from 0x80 up is encoded, which percent-encodes the same bytes as
    // the three-byte grouping for Chinese text and stays inside the text for
    // characters of other lengths.
    return UrlEncodeAnsi(ToUtf8(ansi));
}

}  // namespace pw

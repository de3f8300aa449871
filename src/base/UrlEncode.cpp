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

std::string PercentEncodeHigh(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        if (c >= 0x80) {
            AppendPercent(out, c);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

}  // namespace

std::string UrlEncodeAnsi(std::string_view utf8) {
    return PercentEncodeHigh(ToAnsi(utf8));
}

std::string UrlEncodeUtf8(std::string_view utf8) {
    return PercentEncodeHigh(utf8);
}

}  // namespace pw

#include "book/WebAddress.h"

#include <cstdio>

#include "base/Text.h"

namespace pw {

namespace {

constexpr size_t kMaxAddressLength = 4096;

bool IsAsciiAlnum(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsHex(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimBlanks(std::string_view text) {
    auto blank = [](unsigned char c) { return c <= 0x20; };
    while (!text.empty() && blank(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && blank(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// Labels of letters, digits and inner hyphens joined by single dots.
bool IsPlainHost(std::string_view host) {
    if (host.empty() || host.size() > 253) return false;
    size_t labelStart = 0;
    for (size_t i = 0; i <= host.size(); ++i) {
        if (i < host.size() && host[i] != '.') {
            const auto c = static_cast<unsigned char>(host[i]);
            if (!IsAsciiAlnum(c) && c != '-') return false;
            continue;
        }
        const std::string_view label = host.substr(labelStart, i - labelStart);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') {
            return false;
        }
        labelStart = i + 1;
    }
    return true;
}

bool IsPort(std::string_view port) {
    if (port.empty() || port.size() > 5) return false;
    for (char c : port) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Bytes a URI may carry as they are in path, query and fragment.
bool IsUriByte(unsigned char c) {
    static constexpr std::string_view kMarks = "-._~!$&'()*+,;=:@/?";
    return IsAsciiAlnum(c) || kMarks.find(static_cast<char>(c)) != std::string_view::npos;
}

void AppendEncoded(std::string& out, unsigned char c) {
    char escape[4];
    std::snprintf(escape, sizeof escape, "%%%02X", c);
    out += escape;
}

// Path, query and fragment; only the first "#" starts the fragment.
std::string EncodeRest(std::string_view rest) {
    std::string out;
    bool inFragment = false;
    for (size_t i = 0; i < rest.size(); ++i) {
        const auto c = static_cast<unsigned char>(rest[i]);
        if (c == '%' && i + 2 < rest.size() && IsHex(rest[i + 1]) && IsHex(rest[i + 2])) {
            out.push_back('%');
        } else if (c == '#' && !inFragment) {
            inFragment = true;
            out.push_back('#');
        } else if (IsUriByte(c)) {
            out.push_back(static_cast<char>(c));
        } else {
            AppendEncoded(out, c);
        }
    }
    return out;
}

}  // namespace

std::string SafeWebAddress(std::string_view address) {
    address = TrimBlanks(address);
    if (address.size() > kMaxAddressLength) return {};
    std::string scheme;
    if (StartsWithNoCase(address, "http://")) {
        scheme = "http://", address.remove_prefix(7);
    } else if (StartsWithNoCase(address, "https://")) {
        scheme = "https://", address.remove_prefix(8);
    } else if (address.substr(0, 2) == "//") {
        scheme = "http://", address.remove_prefix(2);
    } else {
        return {};
    }
    const size_t authorityEnd = address.find_first_of("/?#");
    const std::string_view authority = address.substr(0, authorityEnd);
    const std::string_view rest =
        authorityEnd == std::string_view::npos ? std::string_view() : address.substr(authorityEnd);
    const size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (!IsPlainHost(host)) return {};
    if (colon != std::string_view::npos && !IsPort(authority.substr(colon + 1))) return {};
    std::string safe = scheme;
    for (char c : authority) safe.push_back(Lower(c));
    return safe + EncodeRest(rest);
}

}  // namespace pw

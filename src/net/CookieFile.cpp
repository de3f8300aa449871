#include "net/CookieFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>

namespace pw {

namespace {

constexpr size_t kMaxFileBytes = 16u << 20;

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

bool HasControlBytes(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F || c == ';';
    });
}

std::string PathOf(const std::string& address) {
    const size_t scheme = address.find("://");
    if (scheme == std::string::npos) return "/";
    const size_t slash = address.find_first_of("/?#", scheme + 3);
    if (slash == std::string::npos || address[slash] != '/') return "/";
    return address.substr(slash, address.find_first_of("?#", slash) - slash);
}

bool PathMatches(const std::string& cookiePath, const std::string& path) {
    if (cookiePath.empty() || cookiePath == "/") return true;
    if (path.compare(0, cookiePath.size(), cookiePath) != 0) return false;
    return path.size() == cookiePath.size() || cookiePath.back() == '/' ||
           path[cookiePath.size()] == '/';
}

}  // namespace

std::vector<FileCookie> ParseCookieFile(const std::string& text) {
    std::vector<FileCookie> cookies;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        static const std::string kHttpOnly = "#HttpOnly_";
        if (line.rfind(kHttpOnly, 0) == 0) line.erase(0, kHttpOnly.size());
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> f = SplitTabs(line);
        if (f.size() != 7) continue;
        FileCookie cookie;
        cookie.domain = f[0];
        std::transform(cookie.domain.begin(), cookie.domain.end(), cookie.domain.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!cookie.domain.empty() && cookie.domain[0] == '.') {
            cookie.domain.erase(0, 1);
            cookie.subdomains = true;
        }
        cookie.subdomains = cookie.subdomains || f[1] == "TRUE";
        cookie.path = f[2];
        cookie.secure = f[3] == "TRUE";
        try {
            cookie.expires = f[4].empty() ? 0 : std::stoll(f[4]);
        } catch (...) {
            continue;
        }
        cookie.name = f[5];
        cookie.value = f[6];
        if (cookie.domain.empty() || cookie.name.empty() || HasControlBytes(cookie.name) ||
            HasControlBytes(cookie.value) || cookie.name.find('=') != std::string::npos) {
            continue;
        }
        cookies.push_back(std::move(cookie));
    }
    return cookies;
}

std::string CookieHeader(const std::vector<FileCookie>& cookies, const std::string& address,
                         std::time_t now) {
    const std::string host = HostOf(address);
    const bool https = address.rfind("https://", 0) == 0;
    const std::string path = PathOf(address);
    std::string header;
    for (const FileCookie& cookie : cookies) {
        const bool domainOk =
            cookie.subdomains ? HostInDomains(host, {cookie.domain}) : host == cookie.domain;
        if (!domainOk || (cookie.secure && !https) || !PathMatches(cookie.path, path)) continue;
        if (cookie.expires != 0 && cookie.expires < now) continue;
        if (!header.empty()) header += "; ";
        header += cookie.name + "=" + cookie.value;
    }
    return header;
}

CookieSource CookieFileSource(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + path;
        return {};
    }
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxFileBytes) {
            if (error) *error = path + " is too large for a cookies file";
            return {};
        }
    }
    auto cookies = std::make_shared<const std::vector<FileCookie>>(ParseCookieFile(text));
    if (cookies->empty()) {
        if (error) *error = path + " holds no cookie in the Netscape cookies.txt format";
        return {};
    }
    return [cookies](const std::string& address) {
        return CookieHeader(*cookies, address, std::time(nullptr));
    };
}

}  // namespace pw

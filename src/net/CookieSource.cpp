#include "net/CookieSource.h"

#include <algorithm>
#include <cctype>

namespace pw {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

}  // namespace

std::string HostOf(std::string_view address) {
    const size_t scheme = address.find("://");
    if (scheme == std::string_view::npos) return {};
    std::string_view rest = address.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    const size_t at = rest.rfind('@');
    if (at != std::string_view::npos) rest = rest.substr(at + 1);
    if (!rest.empty() && rest.front() == '[') return Lower(rest.substr(0, rest.find(']') + 1));
    return Lower(rest.substr(0, rest.find(':')));
}

bool HostInDomains(std::string_view host, const std::vector<std::string>& domains) {
    const std::string h = Lower(host);
    if (h.empty()) return false;
    for (const std::string& domain : domains) {
        const std::string d = Lower(domain);
        if (d.empty()) continue;
        if (h == d) return true;
        if (h.size() > d.size() && h.compare(h.size() - d.size(), d.size(), d) == 0 &&
            h[h.size() - d.size() - 1] == '.') {
            return true;
        }
    }
    return false;
}

}  // namespace pw

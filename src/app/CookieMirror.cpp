#include "app/CookieMirror.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace pw {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Header bytes that would end the header or the request.
bool IsHeaderSafe(const std::string& text) {
    return std::none_of(text.begin(), text.end(), [](unsigned char c) {
        return (c < 0x20 && c != '\t') || c == 0x7f || c == ';';
    });
}

struct Target {
    bool secure = false;
    std::string host;
    std::string path;
};

// Scheme, host and path of an http(s) address; nothing else is a cookie target.
bool ParseTarget(const std::string& address, Target* target) {
    std::string rest;
    const std::string lower = Lower(address.substr(0, 8));
    if (lower.rfind("http://", 0) == 0) {
        rest = address.substr(7);
    } else if (lower.rfind("https://", 0) == 0) {
        target->secure = true;
        rest = address.substr(8);
    } else {
        return false;
    }
    const size_t authorityEnd = rest.find_first_of("/?#");
    std::string authority = rest.substr(0, authorityEnd);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos) authority = authority.substr(at + 1);
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        target->host = authority.substr(0, close == std::string::npos ? close : close + 1);
    } else {
        target->host = authority.substr(0, authority.find(':'));
    }
    target->host = Lower(target->host);
    while (!target->host.empty() && target->host.back() == '.') target->host.pop_back();
    if (target->host.empty()) return false;

    target->path = "/";
    if (authorityEnd != std::string::npos && rest[authorityEnd] == '/') {
        const std::string pathAndMore = rest.substr(authorityEnd);
        target->path = pathAndMore.substr(0, pathAndMore.find_first_of("?#"));
    }
    return true;
}

bool DomainMatches(const std::string& cookieDomain, const std::string& host) {
    if (cookieDomain.empty()) return false;
    if (cookieDomain.front() != '.') return host == cookieDomain;
    const std::string bare = cookieDomain.substr(1);
    if (host == bare) return true;
    return host.size() > cookieDomain.size() &&
           host.compare(host.size() - cookieDomain.size(), cookieDomain.size(), cookieDomain) == 0;
}

bool PathMatches(const std::string& cookiePath, const std::string& path) {
    if (cookiePath.empty() || path.rfind(cookiePath, 0) != 0) return false;
    return path.size() == cookiePath.size() || cookiePath.back() == '/' ||
           path[cookiePath.size()] == '/';
}

}  // namespace

void CookieMirror::Add(MirroredCookie cookie) {
    if (cookie.name.empty() || !IsHeaderSafe(cookie.name) || !IsHeaderSafe(cookie.value) ||
        cookie.name.find('=') != std::string::npos) {
        return;
    }
    cookie.domain = Lower(cookie.domain);
    if (cookie.path.empty() || cookie.path.front() != '/') cookie.path = "/";
    std::lock_guard lock(mutex_);
    Key key{cookie.domain, cookie.path, cookie.name};
    auto it = cookies_.find(key);
    if (it != cookies_.end()) {
        it->second.cookie = std::move(cookie);  // a replaced cookie keeps its place
    } else {
        cookies_.emplace(std::move(key), Stored{std::move(cookie), nextOrder_++});
    }
}

void CookieMirror::Remove(const std::string& domain, const std::string& path,
                          const std::string& name) {
    std::lock_guard lock(mutex_);
    cookies_.erase(Key{Lower(domain), path.empty() ? "/" : path, name});
}

void CookieMirror::Clear() {
    std::lock_guard lock(mutex_);
    cookies_.clear();
}

size_t CookieMirror::Count() const {
    std::lock_guard lock(mutex_);
    return cookies_.size();
}

std::string CookieMirror::HeaderFor(const std::string& address, int64_t nowUtc) const {
    Target target;
    if (!ParseTarget(address, &target)) return {};
    std::vector<const Stored*> matches;
    std::lock_guard lock(mutex_);
    for (const auto& [key, stored] : cookies_) {
        const MirroredCookie& c = stored.cookie;
        if (c.secure && !target.secure) continue;
        if (c.expiresUtc != 0 && c.expiresUtc <= nowUtc) continue;
        if (!DomainMatches(c.domain, target.host) || !PathMatches(c.path, target.path)) continue;
        matches.push_back(&stored);
    }
    std::sort(matches.begin(), matches.end(), [](const Stored* a, const Stored* b) {
        if (a->cookie.path.size() != b->cookie.path.size()) {
            return a->cookie.path.size() > b->cookie.path.size();
        }
        return a->order < b->order;
    });
    std::string header;
    for (const Stored* stored : matches) {
        if (!header.empty()) header += "; ";
        header += stored->cookie.name + "=" + stored->cookie.value;
    }
    return header;
}

}  // namespace pw

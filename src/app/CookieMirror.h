#pragma once
// A copy of the embedded browser's cookies that the page fetcher's threads can
// read: the browser's store reports every change on the GUI thread, workers ask
// for the Cookie header of an address. No Qt here, and every call is thread-safe.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace pw {

struct MirroredCookie {
    std::string name;
    std::string value;
    // With a leading "." the cookie is for the domain and its subdomains, without
    // one for that host only.
    std::string domain;
    std::string path = "/";
    bool secure = false;
    int64_t expiresUtc = 0;  // seconds since the epoch; 0 for a session cookie
};

class CookieMirror {
public:
    // Adds or replaces the cookie of the same domain, path and name. Cookies whose
    // name or value could break the request line are not kept.
    void Add(MirroredCookie cookie);
    void Remove(const std::string& domain, const std::string& path, const std::string& name);
    void Clear();
    size_t Count() const;

    // "a=1; b=2" for an http or https address at the given time: longer paths
    // first, then in the order they were set; empty when nothing matches.
    std::string HeaderFor(const std::string& address, int64_t nowUtc) const;

private:
    using Key = std::tuple<std::string, std::string, std::string>;  // domain, path, name
    struct Stored {
        MirroredCookie cookie;
        uint64_t order = 0;
    };

    mutable std::mutex mutex_;
    std::map<Key, Stored> cookies_;
    uint64_t nextOrder_ = 0;
};

}  // namespace pw

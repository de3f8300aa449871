#pragma once
// A cookies.txt file in the Netscape format that curl, wget and browsers'
// export add-ons write: one cookie a line, seven tab-separated fields
// (domain, include subdomains, path, secure, expiry, name, value); "#" lines
// are comments, except "#HttpOnly_" in front of a domain.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "net/CookieSource.h"

namespace pw {

struct FileCookie {
    std::string domain;  // lower case, without a leading "."
    bool subdomains = false;
    std::string path;
    bool secure = false;
    int64_t expires = 0;  // seconds since the epoch; 0 for a session cookie
    std::string name;
    std::string value;
};

// The cookies of the file's text; malformed lines are skipped.
std::vector<FileCookie> ParseCookieFile(const std::string& text);

// The Cookie header value for an address from these cookies: domain, path,
// scheme and expiry must match; names in file order.
std::string CookieHeader(const std::vector<FileCookie>& cookies, const std::string& address,
                         std::time_t now);

// A source over the file's cookies; empty (and *error set) when the file cannot
// be read or holds no cookie.
CookieSource CookieFileSource(const std::string& path, std::string* error);

}  // namespace pw

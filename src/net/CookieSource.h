#pragma once
// Where a job's Cookie headers come from (the browser tab, a cookies.txt file)
// and which hosts may receive them: only the blog service's own domains, never a
// picture host or another site that a page names.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// The Cookie header value ("a=1; b=2") for an address, empty for none. Called
// from any fetching thread, so it must be thread-safe.
using CookieSource = std::function<std::string(const std::string& address)>;

// The lower-case host of an absolute http(s) address, without port or user
// part; empty when the address has none.
std::string HostOf(std::string_view address);

// True when host is one of the domains or lies below one ("a.blog.163.com"
// below "blog.163.com"). Comparison ignores letter case.
bool HostInDomains(std::string_view host, const std::vector<std::string>& domains);

}  // namespace pw

#pragma once
// A process-wide source of Cookie headers for outgoing requests, so that a front
// end with its own browser can let the fetcher send the browser's cookies.

#include <functional>
#include <string>

namespace pw {

// Returns the Cookie header value ("a=1; b=2") for an address, empty for none.
using CookieHeaderProvider = std::function<std::string(const std::string& address)>;

// Installs the provider (an empty function removes it). The provider is called from
// any fetching thread, so it must be thread-safe itself.
void SetCookieHeaderProvider(CookieHeaderProvider provider);

// The provider's answer for the address, empty when none is installed.
std::string CookieHeaderFor(const std::string& address);

}  // namespace pw

#pragma once
// Blocking HTTP GET over libcurl. Each call has its own handle; the proxy comes
// from the environment (http_proxy), redirects are followed (at most 10), cookies
// come from the source in net/CookieJar.h, and a transfer that receives nothing
// for 10 seconds ends with what it had.

#include <cstddef>
#include <string>

namespace pw {

// No response could be obtained, or the transfer failed part-way.
inline constexpr int kFetchFailed = static_cast<int>(0x80000000u);

// GET the address into page as text: carriage returns dropped, every line ended by
// one "\n", a line cut at a zero byte (the page never holds one). Returns 0 for a
// 2xx answer, the status for any other answer (page empty), kFetchFailed on a
// network error or a body over 32 MiB (page keeps the complete lines read so far;
// a line the failure cut off is dropped). Blanks, control bytes and bytes >= 0x7f
// in the address are sent percent-encoded; only http and https are fetched.
int FetchPage(const std::string& address, std::string& page);

// GET the address as raw bytes (pictures). Returns 0 for a 2xx answer whose body
// fits in maxBytes, the status for any other answer, kFetchFailed on a network
// error or when the body would exceed maxBytes; body is empty unless 0 is returned.
int FetchBinary(const std::string& address, std::string& body, size_t maxBytes,
                std::string* contentType = nullptr);

// The user agent every request of the program sends.
inline constexpr const char* kUserAgent = "HttpClient";

}  // namespace pw

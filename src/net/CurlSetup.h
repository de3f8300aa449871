#pragma once
// The libcurl settings every request of the program shares, so that the GET
// fetcher and the POST request behave alike on proxies, time-outs and schemes.

#include <curl/curl.h>

namespace pw {

// Initialises libcurl once per process; safe from any thread.
void InitCurlOnce();

// Proxy from the environment (left to libcurl), the program's user agent, the
// connect and receive time-outs, and http/https as the only schemes.
void ApplyCommonCurlOptions(CURL* curl);

}  // namespace pw

#pragma once
// The HTTP client of one job. Every request of the job goes through its session:
//   - DNS answers and TLS sessions are shared through one libcurl share; easy
//     handles are pooled and each keeps its own open connections, so a worker
//     that takes a handle back reuses them (libcurl's shared connection cache
//     is not safe across threads in the versions Debian ships, so it is not used);
//   - a request that fails for a moment is tried again after a back-off, or
//     after the wait a 429 or 503 asks for (see RetryPolicy.h);
//   - requests to one host are limited and slow down when it is busy
//     (HostLimiter.h);
//   - Cookie headers go only to the blog service's own domains;
//   - only http and https are fetched, redirects included (https only for
//     sessions that ask for it); at most 10 redirects are followed;
//   - a download someone watches is told its connection steps and progress,
//     and asked for credentials when a server or proxy wants them.
// Bodies are read as they come: pages into text, pictures and downloads
// straight into files.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/CookieSource.h"
#include "net/DownloadListener.h"
#include "net/FetchResult.h"
#include "net/RetryPolicy.h"

namespace pw {

// The user agent every request of the program sends.
inline constexpr const char* kUserAgent = "HttpClient";
// No page of any service comes near this; a larger one is a hostile or broken server.
inline constexpr size_t kMaxPageBytes = 32u << 20;

struct SessionOptions {
    RetryPolicy retry;
    int maxPerHost = 8;                         // requests to one host at once
    std::chrono::milliseconds requestDelay{0};  // least time between two starts on a host
    CookieSource cookies;                       // empty: no cookies
    std::vector<std::string> cookieDomains;     // the hosts that may receive them
    bool httpsOnly = false;
    std::string userAgent = kUserAgent;
    // Told when a request waits at least a second for a busy service.
    std::function<void(const std::string& host, int seconds)> onWait;
    // Told of every request that finally failed (all its attempts spent, or a
    // permanent answer); not of requests the stop cut off.
    std::function<void(const std::string& address, const FetchResult& result)> onGiveUp;
    std::stop_token stop;                   // ends waits and transfers
    std::stop_token stopWaits;              // ends waits only; transfers in flight go on
    std::chrono::seconds silenceLimit{10};  // a transfer receiving nothing this long ends
};

// The head of the answer a request finally got: what a caller reads beyond
// the body (paging headers, links, the type) and where redirects ended.
struct ResponseHead {
    std::string address;      // the address that answered, after redirects
    std::string contentType;  // empty when the answer named none
    std::vector<std::pair<std::string, std::string>> headers;  // names as sent

    // Every value of the header of that name (case-insensitive), in order.
    std::vector<std::string> Values(std::string_view name) const;
    // The first value, empty when absent.
    std::string Value(std::string_view name) const;
};

struct SessionStats {
    uint64_t requests = 0;     // requests sent, retries and redirects included
    uint64_t connections = 0;  // new connections opened
    uint64_t retries = 0;      // requests that repeated an earlier failed one
};

class HttpSession {
public:
    // Credentials asked for one download at most this often.
    static constexpr int kMaxAuthRounds = 10;

    explicit HttpSession(SessionOptions options = {});
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    // GET as text: carriage returns dropped, every line ended by one "\n", a line
    // cut at a zero byte. On a network failure the page keeps the whole lines
    // read so far; for any other failure it is empty.
    FetchResult GetPage(const std::string& address, std::string& page);

    // GET into memory, at most maxBytes; body empty unless Ok.
    FetchResult GetBytes(const std::string& address, std::string& body, size_t maxBytes,
                         std::string* contentType = nullptr);

    // GET into memory like the above, also keeping the answer's head.
    FetchResult GetBytes(const std::string& address, std::string& body, size_t maxBytes,
                         ResponseHead& head);
    // The same for a guess (is there a feed here?): its failure answers the
    // guess and is not given up on (onGiveUp does not hear of it).
    FetchResult Probe(const std::string& address, std::string& body, size_t maxBytes,
                      ResponseHead& head);

    // GET into a new file at path (mode 0600, never through a link), at most
    // maxBytes; the file is removed unless Ok. head receives its first bytes.
    FetchResult GetFile(const std::string& address, const std::string& path, uint64_t maxBytes,
                        std::string* head = nullptr);

    // POST body with the header block (lines separated by "\n"); answer is the
    // raw body of a 200 answer, at most maxBytes (more is TooLarge, with the
    // bytes up to the limit kept).
    FetchResult Post(const std::string& address, const std::string& headerBlock,
                     const std::string& body, std::string& answer, size_t maxBytes);

    // GET into the open file fd (written from its start, never closed here), for
    // a download someone watches: the listener hears every step and block and
    // is asked for credentials on a 401 or 407; those go with a redirect only to
    // the same server, never from https down to http. No time limit but the
    // silence limit: a large file on a slow line takes what it takes.
    FetchResult Download(const std::string& address, int fd, DownloadListener& listener);

    // A request whose answer came but proved unusable to its caller (a body
    // that does not decode) is given up like one that failed: onGiveUp hears it.
    void GiveUp(const std::string& address, const FetchResult& result);

    SessionStats Stats() const;

    // The hosts that may receive the cookies from now on (cookieDomains
    // replaced): a job narrows them once it knows the blog's service.
    void SetCookieDomains(std::vector<std::string> domains);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// Blanks, control bytes and bytes >= 0x7f cannot stand raw in a request line.
std::string EscapeAddress(const std::string& address);

}  // namespace pw

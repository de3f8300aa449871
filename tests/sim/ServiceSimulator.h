#pragma once
// A local HTTP server that stands in for the blog services. It acts as an HTTP
// proxy: with http_proxy pointing at it, the program keeps its real host names and
// the simulator answers each request by host, path and query from registered
// routes. Unknown routes get a 404 page. Faults (delays, resets, stalls, slow
// bodies) are part of a route's response, so tests can exercise failure paths.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pw::sim {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// A request as the simulator saw it. host is lower case without ":80"; path and
// query are not percent-decoded (only the hex digits of escapes are upper-cased,
// here and in routes), query without the "?".
struct Request {
    std::string method;
    std::string host;
    std::string path;
    std::string query;
    HeaderList headers;
    std::string body;

    // path plus "?query" when there is a query.
    std::string PathAndQuery() const;
    // The first header of that name (case-insensitive), empty when absent.
    std::string Header(const std::string& name) const;
};

enum class Fault {
    kNone,
    kReset,  // reset the connection instead of answering
    kCut,    // reset the connection after faultAfterBytes body bytes
    kStall,  // after faultAfterBytes body bytes, send nothing for stallMs, then go on
    kShort,  // announce the whole length, end the connection after faultAfterBytes bytes
};

// Bad moments of a real service, played deterministically so that tests can
// count on them.
struct BadMoments {
    // One address in flakyOneIn (by a hash of host, path and query) fails its
    // first request, with one of: 503, 500, 429 with Retry-After, a reset
    // connection, a body cut short. 0: none.
    int flakyOneIn = 0;
    int retryAfterSeconds = 1;  // sent with the 429 of a flaky address
    // More requests than this in one second are answered 429. 0: no limit.
    int perSecondLimit = 0;
    bool limitSendsRetryAfter = false;
    // A new connection's first answer waits this long (the cost of a handshake).
    int connectionCostMs = 0;
    // Every answer waits this long (the distance to the service).
    int answerDelayMs = 0;
};

// How the end of the body is told to the client.
enum class Framing {
    kContentLength,
    kChunked,
    kUntilClose,  // neither length nor chunks: the body ends when the connection does
};

struct Response {
    int status = 200;
    std::string body;  // raw bytes, in whatever encoding the service uses
    std::string contentType = "text/html";
    HeaderList headers;  // sent in addition to Content-Type and the framing
    Framing framing = Framing::kContentLength;
    int delayMs = 0;  // wait before answering
    Fault fault = Fault::kNone;
    size_t faultAfterBytes = 0;
    int stallMs = 0;
    // A slow body: chunkBytes at a time with chunkIntervalMs between (0: all at once).
    size_t chunkBytes = 0;
    int chunkIntervalMs = 0;

    static Response Html(std::string body, int status = 200);
    static Response Text(std::string body, std::string contentType);
    static Response Redirect(std::string location, int status = 302);
    static Response NotFound();
};

using Handler = std::function<Response(const Request&)>;

class ServiceSimulator {
public:
    // Starts serving on 127.0.0.1 (port 0: any free port); throws std::runtime_error
    // when the port cannot be bound.
    explicit ServiceSimulator(int port = 0);
    // Stops serving, breaking off delays and stalls in progress.
    ~ServiceSimulator();

    ServiceSimulator(const ServiceSimulator&) = delete;
    ServiceSimulator& operator=(const ServiceSimulator&) = delete;

    int Port() const;
    // "http://127.0.0.1:PORT", the value for http_proxy.
    std::string ProxyUrl() const;

    // Answers GET and POST of host + pathAndQuery (exactly as sent, e.g.
    // "/s/articlelist_1_0_1.html" or "/cgi?uin=1&x=2"). A later route replaces an
    // earlier one for the same address.
    void Route(const std::string& host, const std::string& pathAndQuery, Response response);
    void Route(const std::string& host, const std::string& pathAndQuery, Handler handler);
    // Answers every request to host that no exact route matches.
    void RouteHost(const std::string& host, Handler handler);
    void ClearRoutes();

    void SetBadMoments(const BadMoments& moments);
    // Connections accepted so far, and answers that were a planned bad moment.
    size_t Connections() const;
    size_t BadAnswers() const;

    // Every request received so far, in order of arrival.
    std::vector<Request> Requests() const;
    // Requests to host whose path, or path and query, equals pathOrPathAndQuery.
    size_t CountRequests(const std::string& host, const std::string& pathOrPathAndQuery) const;
    void ClearRequests();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pw::sim

#include "sim/ServiceSimulator.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

namespace pw::sim {

namespace {

// Connections held open by stalls must not starve the others.
constexpr size_t kWorkerThreads = 32;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return Lower(a) == Lower(b);
}

std::string NormalHost(std::string host) {
    host = Lower(std::move(host));
    if (host.size() > 3 && host.compare(host.size() - 3, 3, ":80") == 0) {
        host.resize(host.size() - 3);
    }
    return host;
}

// "%c4" and "%C4" name the same byte; clients differ in which they send.
std::string UpperEscapes(std::string text) {
    for (size_t i = 0; i + 2 < text.size(); ++i) {
        if (text[i] != '%') continue;
        text[i + 1] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
        text[i + 2] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 2])));
    }
    return text;
}

// Splits an absolute-form target ("http://host/p?q") or, with the Host header, an
// origin-form one ("/p?q") into host, path and query.
void SplitTarget(const std::string& target, const std::string& hostHeader, Request& out) {
    std::string pathAndQuery = target;
    std::string host = hostHeader;
    if (EqualsNoCase(target.substr(0, 7), "http://")) {
        const std::string rest = target.substr(7);
        const size_t end = rest.find_first_of("/?#");
        host = rest.substr(0, end);
        pathAndQuery = end == std::string::npos ? "" : rest.substr(end);
    }
    pathAndQuery = UpperEscapes(pathAndQuery.substr(0, pathAndQuery.find('#')));
    if (pathAndQuery.empty() || pathAndQuery.front() != '/') pathAndQuery.insert(0, "/");
    const size_t question = pathAndQuery.find('?');
    out.path = pathAndQuery.substr(0, question);
    out.query = question == std::string::npos ? "" : pathAndQuery.substr(question + 1);
    out.host = NormalHost(host.substr(host.find('@') + 1));
}

Request ToRequest(const httplib::Request& in) {
    Request out;
    out.method = in.method;
    for (const auto& [name, value] : in.headers) out.headers.emplace_back(name, value);
    out.body = in.body;
    SplitTarget(in.target, in.get_header_value("Host"), out);
    return out;
}

bool HasBody(const httplib::Request& request) {
    return request.method == "POST" || request.method == "PUT" || request.method == "PATCH" ||
           request.has_header("Content-Length") || request.has_header("Transfer-Encoding");
}

int PortOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    }
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    }
    return -1;
}

// httplib does not hand the connection to handlers; the server side of it is the
// socket whose own port is the server's and whose peer's is the client's.
int FindConnectionSocket(int localPort, int remotePort) {
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) return -1;
    int found = -1;
    while (dirent* entry = readdir(fds)) {
        const int fd = std::atoi(entry->d_name);
        if (fd <= 2) continue;
        sockaddr_storage local{}, peer{};
        socklen_t localSize = sizeof local, peerSize = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0) continue;
        if (PortOf(local) != localPort) continue;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) continue;
        if (PortOf(peer) == remotePort) {
            found = fd;
            break;
        }
    }
    closedir(fds);
    return found;
}

// Ends the body of a response framed by the connection's end. httplib would keep
// the connection open for the next request.
void FinishConnection(int localPort, int remotePort) {
    const int fd = FindConnectionSocket(localPort, remotePort);
    if (fd >= 0) shutdown(fd, SHUT_WR);
}

// Aborts the connection with a TCP reset. The descriptor is replaced rather than
// closed, so httplib still owns a valid descriptor and closes it later itself.
void ResetConnection(int localPort, int remotePort) {
    const int fd = FindConnectionSocket(localPort, remotePort);
    if (fd < 0) return;
    const linger abort{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    const int placeholder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (placeholder < 0) return;
    dup2(placeholder, fd);
    close(placeholder);
}

}  // namespace

std::string Request::PathAndQuery() const {
    return query.empty() ? path : path + "?" + query;
}

std::string Request::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (EqualsNoCase(key, name)) return value;
    }
    return {};
}

Response Response::Html(std::string body, int status) {
    Response response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

Response Response::Text(std::string body, std::string contentType) {
    Response response;
    response.body = std::move(body);
    response.contentType = std::move(contentType);
    return response;
}

Response Response::Redirect(std::string location, int status) {
    Response response = Html("<html><body>Moved</body></html>", status);
    response.headers.emplace_back("Location", std::move(location));
    return response;
}

Response Response::NotFound() {
    return Html(
        "<html><head><title>404 Not Found</title></head>\r\n"
        "<body><h1>404 Not Found</h1><p>The requested page does not exist.</p></body></html>\r\n",
        404);
}

class ServiceSimulator::Impl {
public:
    explicit Impl(int requestedPort) {
        server_.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
        // Short idle keep-alive so that shutting down never waits long for a client.
        server_.set_keep_alive_timeout(1);
        server_.set_keep_alive_max_count(1000);
        // Headers and body go out in separate writes; Nagle would hold the body back.
        server_.set_tcp_nodelay(true);
        server_.set_pre_routing_handler([this](const httplib::Request& in, httplib::Response& out) {
            // Bodies are read only after pre-routing; requests with one go the long way.
            if (HasBody(in)) return httplib::Server::HandlerResponse::Unhandled;
            Serve(in, out);
            return httplib::Server::HandlerResponse::Handled;
        });
        const auto serve = [this](const httplib::Request& in, httplib::Response& out) {
            Serve(in, out);
        };
        server_.Get(".*", serve);
        server_.Post(".*", serve);
        server_.Put(".*", serve);
        port_ = Bind(requestedPort);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        WaitUntilRunning();
    }

    ~Impl() {
        {
            std::lock_guard lock(stopMutex_);
            stopping_ = true;
        }
        stopCv_.notify_all();
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }

    int Port() const { return port_; }

    void Route(const std::string& host, const std::string& pathAndQuery, Handler handler) {
        std::lock_guard lock(routesMutex_);
        routes_[{NormalHost(host), UpperEscapes(pathAndQuery)}] = std::move(handler);
    }

    void RouteHost(const std::string& host, Handler handler) {
        std::lock_guard lock(routesMutex_);
        hostRoutes_[NormalHost(host)] = std::move(handler);
    }

    void ClearRoutes() {
        std::lock_guard lock(routesMutex_);
        routes_.clear();
        hostRoutes_.clear();
    }

    std::vector<Request> Requests() const {
        std::lock_guard lock(logMutex_);
        return log_;
    }

    void ClearRequests() {
        std::lock_guard lock(logMutex_);
        log_.clear();
    }

    void SetBadMoments(const BadMoments& moments) {
        std::lock_guard lock(momentsMutex_);
        moments_ = moments;
    }

    size_t Connections() const {
        std::lock_guard lock(momentsMutex_);
        return connections_.size();
    }

    size_t BadAnswers() const {
        std::lock_guard lock(momentsMutex_);
        return badAnswers_;
    }

private:
    int Bind(int requestedPort) {
        if (requestedPort == 0) {
            const int port = server_.bind_to_any_port("127.0.0.1");
            if (port > 0) return port;
        } else if (server_.bind_to_port("127.0.0.1", requestedPort)) {
            return requestedPort;
        }
        throw std::runtime_error("service simulator: cannot bind 127.0.0.1:" +
                                 std::to_string(requestedPort));
    }

    // stop() is ignored until listening has begun, so the constructor waits for it.
    void WaitUntilRunning() {
        for (int i = 0; i < 5000 && !server_.is_running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Waits unless the simulator shuts down first; false when it does.
    bool Pause(int ms) {
        if (ms <= 0) return true;
        std::unique_lock lock(stopMutex_);
        return !stopCv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
    }

    Handler FindHandler(const Request& request) const {
        std::lock_guard lock(routesMutex_);
        const auto exact = routes_.find({request.host, request.PathAndQuery()});
        if (exact != routes_.end()) return exact->second;
        const auto host = hostRoutes_.find(request.host);
        if (host != hostRoutes_.end()) return host->second;
        return [](const Request&) { return Response::NotFound(); };
    }

    static uint64_t Hash(const std::string& text) {
        uint64_t hash = 14695981039346656037ull;  // FNV-1a
        for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
        return hash;
    }

    // The bad moment planned for this request, if any; a new connection first
    // pays its cost.
    std::optional<Response> BadMoment(const httplib::Request& in, const Request& request) {
        BadMoments moments;
        bool newConnection = false;
        std::optional<Response> bad;
        {
            std::lock_guard lock(momentsMutex_);
            moments = moments_;
            newConnection =
                connections_.insert(in.remote_addr + ":" + std::to_string(in.remote_port)).second;
            if (moments.perSecondLimit > 0) {
                const auto second = std::chrono::duration_cast<std::chrono::seconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count();
                if (second != windowSecond_) {
                    windowSecond_ = second;
                    windowCount_ = 0;
                }
                if (++windowCount_ > moments.perSecondLimit) {
                    Response limited = Response::Html("<html>Too Many Requests</html>", 429);
                    if (moments.limitSendsRetryAfter)
                        limited.headers.emplace_back("Retry-After", "1");
                    bad = limited;
                }
            }
            const std::string address = request.host + request.PathAndQuery();
            const uint64_t hash = Hash(address);
            if (!bad && moments.flakyOneIn > 0 && hash % moments.flakyOneIn == 0 &&
                failedOnce_.insert(address).second) {
                bad = FlakyAnswer(hash / moments.flakyOneIn % 5, moments);
            }
            if (bad) ++badAnswers_;
        }
        if (newConnection) Pause(moments.connectionCostMs);
        Pause(moments.answerDelayMs);
        return bad;
    }

    static Response FlakyAnswer(uint64_t kind, const BadMoments& moments) {
        switch (kind) {
            case 0:
                return Response::Html("<html>Service Unavailable</html>", 503);
            case 1:
                return Response::Html("<html>Internal Server Error</html>", 500);
            case 2: {
                Response busy = Response::Html("<html>Too Many Requests</html>", 429);
                busy.headers.emplace_back("Retry-After", std::to_string(moments.retryAfterSeconds));
                return busy;
            }
            case 3: {
                Response reset = Response::Html("reset");
                reset.fault = Fault::kReset;
                return reset;
            }
            default: {
                Response cut = Response::Html(std::string(4096, 'x'));
                cut.fault = Fault::kShort;
                cut.faultAfterBytes = 1000;
                return cut;
            }
        }
    }

    void Serve(const httplib::Request& in, httplib::Response& out) {
        const Request request = ToRequest(in);
        {
            std::lock_guard lock(logMutex_);
            log_.push_back(request);
        }
        std::optional<Response> bad = BadMoment(in, request);
        Response response = bad ? std::move(*bad) : FindHandler(request)(request);
        if (!Pause(response.delayMs)) {
            out.status = 503;
            return;
        }
        if (response.fault == Fault::kReset) {
            ResetConnection(in.local_port, in.remote_port);
            out.status = 500;
            return;
        }
        Answer(std::move(response), in.local_port, in.remote_port, out);
    }

    void Answer(Response response, int localPort, int remotePort, httplib::Response& out) {
        out.status = response.status;
        for (const auto& [name, value] : response.headers) out.set_header(name, value);
        // An empty body leaves faults and pacing nothing to act on.
        const bool plain =
            response.framing == Framing::kContentLength &&
            ((response.fault == Fault::kNone && response.chunkBytes == 0) || response.body.empty());
        if (plain) {
            out.set_content(response.body, response.contentType);
            return;
        }
        auto shared = std::make_shared<const Response>(std::move(response));
        auto send = [this, shared, localPort, remotePort](size_t offset, httplib::DataSink& sink) {
            return SendBody(*shared, offset, localPort, remotePort, sink);
        };
        switch (shared->framing) {
            case Framing::kContentLength:
                out.set_content_provider(shared->body.size(), shared->contentType,
                                         [send](size_t offset, size_t, httplib::DataSink& sink) {
                                             return send(offset, sink);
                                         });
                break;
            case Framing::kChunked:
                out.set_chunked_content_provider(shared->contentType, send);
                break;
            case Framing::kUntilClose:
                out.set_content_provider(shared->contentType, send);
                break;
        }
    }

    // Writes the body from offset on, with the response's fault and pacing; false
    // ends the connection.
    bool SendBody(const Response& response, size_t offset, int localPort, int remotePort,
                  httplib::DataSink& sink) {
        const std::string& body = response.body;
        const bool faulty = response.fault == Fault::kCut || response.fault == Fault::kStall ||
                            response.fault == Fault::kShort;
        const size_t faultAt = std::min(response.faultAfterBytes, body.size());
        bool faultDone = !faulty || offset > faultAt;
        size_t pos = offset;
        while (true) {
            if (!faultDone && pos >= faultAt) {
                faultDone = true;
                if (response.fault == Fault::kCut) {
                    ResetConnection(localPort, remotePort);
                    return false;
                }
                if (response.fault == Fault::kShort) {
                    FinishConnection(localPort, remotePort);
                    return false;
                }
                if (!Pause(response.stallMs)) return false;
            }
            if (pos >= body.size()) break;
            size_t end = body.size();
            if (response.chunkBytes > 0) end = std::min(end, pos + response.chunkBytes);
            if (!faultDone) end = std::min(end, faultAt);
            if (!sink.write(body.data() + pos, end - pos)) return false;
            pos = end;
            if (response.chunkBytes > 0 && pos < body.size() && !Pause(response.chunkIntervalMs)) {
                return false;
            }
        }
        if (response.framing != Framing::kContentLength) sink.done();
        if (response.framing == Framing::kUntilClose) FinishConnection(localPort, remotePort);
        return true;
    }

    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;

    std::mutex stopMutex_;
    std::condition_variable stopCv_;
    bool stopping_ = false;

    mutable std::mutex routesMutex_;
    std::map<std::pair<std::string, std::string>, Handler> routes_;
    std::map<std::string, Handler> hostRoutes_;

    mutable std::mutex logMutex_;
    std::vector<Request> log_;

    mutable std::mutex momentsMutex_;
    BadMoments moments_;
    std::set<std::string> connections_;
    std::set<std::string> failedOnce_;
    size_t badAnswers_ = 0;
    long long windowSecond_ = -1;
    int windowCount_ = 0;
};

ServiceSimulator::ServiceSimulator(int port) : impl_(std::make_unique<Impl>(port)) {}

ServiceSimulator::~ServiceSimulator() = default;

int ServiceSimulator::Port() const {
    return impl_->Port();
}

std::string ServiceSimulator::ProxyUrl() const {
    return "http://127.0.0.1:" + std::to_string(impl_->Port());
}

void ServiceSimulator::Route(const std::string& host, const std::string& pathAndQuery,
                             Response response) {
    impl_->Route(host, pathAndQuery,
                 [response = std::move(response)](const Request&) { return response; });
}

void ServiceSimulator::Route(const std::string& host, const std::string& pathAndQuery,
                             Handler handler) {
    impl_->Route(host, pathAndQuery, std::move(handler));
}

void ServiceSimulator::RouteHost(const std::string& host, Handler handler) {
    impl_->RouteHost(host, std::move(handler));
}

void ServiceSimulator::ClearRoutes() {
    impl_->ClearRoutes();
}

std::vector<Request> ServiceSimulator::Requests() const {
    return impl_->Requests();
}

size_t ServiceSimulator::CountRequests(const std::string& host,
                                       const std::string& pathOrPathAndQuery) const {
    const std::string wanted = NormalHost(host);
    const std::string address = UpperEscapes(pathOrPathAndQuery);
    size_t count = 0;
    for (const Request& request : impl_->Requests()) {
        if (request.host == wanted &&
            (request.path == address || request.PathAndQuery() == address)) {
            ++count;
        }
    }
    return count;
}

void ServiceSimulator::ClearRequests() {
    impl_->ClearRequests();
}

void ServiceSimulator::SetBadMoments(const BadMoments& moments) {
    impl_->SetBadMoments(moments);
}

size_t ServiceSimulator::Connections() const {
    return impl_->Connections();
}

size_t ServiceSimulator::BadAnswers() const {
    return impl_->BadAnswers();
}

}  // namespace pw::sim

#include "net/HttpSession.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <random>
#include <string_view>

#include "base/Text.h"
#include "net/CurlSetup.h"
#include "net/DownloadAddress.h"
#include "net/HostLimiter.h"
#include "net/LineAssembler.h"

namespace pw {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxRedirects = 10;
// Bodies of redirects and error answers are read (so the connection can be used
// again) up to this much.
constexpr size_t kMaxSkippedBytes = 64u << 10;
constexpr size_t kHeadBytes = 16;
constexpr std::chrono::milliseconds kThrottleWait{1000};
// A head kept for its caller holds at most this many lines of this size: a
// hostile server cannot grow it without bound.
constexpr size_t kMaxKeptHeaders = 200;
constexpr size_t kMaxKeptHeaderBytes = 8192;

bool IsSuccess(long status) {
    return status >= 200 && status <= 299;
}
bool IsRedirect(long status) {
    return status >= 300 && status <= 399;
}

double Jitter() {
    thread_local std::minstd_rand random(std::random_device{}());
    return std::uniform_real_distribution<double>(0.0, 1.0)(random);
}

// Where a response body goes; one object serves every attempt of a request.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void Begin() = 0;
    // False ends the transfer: the body is larger than wanted or cannot be kept.
    virtual bool Write(std::string_view data) = 0;
    virtual bool TooLarge() const = 0;
    virtual void End(const FetchResult& result) = 0;
    // The announced length is already too large.
    virtual bool Refuses(curl_off_t length) const = 0;
};

class PageSink : public Sink {
public:
    explicit PageSink(std::string& page) : page_(page), lines_(page) {}
    void Begin() override {
        lines_.Reset();
        tooLarge_ = false;
    }
    bool Write(std::string_view data) override {
        lines_.Feed(data);
        tooLarge_ = page_.size() > kMaxPageBytes;
        return !tooLarge_;
    }
    bool TooLarge() const override { return tooLarge_; }
    bool Refuses(curl_off_t length) const override {
        return length > static_cast<curl_off_t>(kMaxPageBytes);
    }
    void End(const FetchResult& result) override {
        if (result.Ok()) {
            lines_.Finish();
        } else if (result.kind == FetchResult::Kind::NetworkError ||
                   result.kind == FetchResult::Kind::TooLarge) {
            lines_.DropOpenLine();
        } else {
            page_.clear();
        }
    }

private:
    std::string& page_;
    LineAssembler lines_;
    bool tooLarge_ = false;
};

class BytesSink : public Sink {
public:
    BytesSink(std::string& body, size_t maxBytes, bool keepPartial)
        : body_(body), max_(maxBytes), keepPartial_(keepPartial) {}
    void Begin() override {
        body_.clear();
        tooLarge_ = false;
    }
    bool Write(std::string_view data) override {
        if (data.size() > max_ - body_.size()) {
            if (keepPartial_) body_.append(data.substr(0, max_ - body_.size()));
            tooLarge_ = true;
            return false;
        }
        body_.append(data);
        return true;
    }
    bool TooLarge() const override { return tooLarge_; }
    bool Refuses(curl_off_t length) const override {
        return !keepPartial_ && length > static_cast<curl_off_t>(max_);
    }
    void End(const FetchResult& result) override {
        if (!result.Ok() && !(keepPartial_ && result.kind == FetchResult::Kind::TooLarge)) {
            body_.clear();
        }
    }

private:
    std::string& body_;
    const size_t max_;
    const bool keepPartial_;
    bool tooLarge_ = false;
};

class FileSink : public Sink {
public:
    FileSink(std::string path, uint64_t maxBytes, std::string* head)
        : path_(std::move(path)), max_(maxBytes), head_(head) {}
    ~FileSink() override { Close(); }
    void Begin() override {
        Close();
        written_ = 0;
        tooLarge_ = false;
        failed_ = false;
        if (head_) head_->clear();
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
        failed_ = fd_ < 0;
        created_ = fd_ >= 0;
    }
    bool Write(std::string_view data) override {
        if (failed_) return false;
        if (data.size() > max_ - written_) {
            tooLarge_ = true;
            return false;
        }
        if (head_ && head_->size() < kHeadBytes) {
            head_->append(data.substr(0, kHeadBytes - head_->size()));
        }
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                failed_ = true;
                return false;
            }
            done += static_cast<size_t>(n);
        }
        written_ += data.size();
        return true;
    }
    bool TooLarge() const override { return tooLarge_; }
    bool Refuses(curl_off_t length) const override {
        return length > static_cast<curl_off_t>(max_);
    }
    void End(const FetchResult& result) override {
        const bool closed = Close();
        // Only a file this sink made is taken away, never one it could not open.
        if ((!result.Ok() || failed_ || !closed) && created_) ::unlink(path_.c_str());
        created_ = false;
    }
    bool Failed() const { return failed_; }

private:
    bool Close() {
        if (fd_ < 0) return true;
        const bool ok = ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

    std::string path_;
    const uint64_t max_;
    std::string* head_;
    int fd_ = -1;
    bool created_ = false;
    uint64_t written_ = 0;
    bool tooLarge_ = false;
    bool failed_ = false;
};

// Writes into a file the caller opened and keeps: what remains of it after a
// failure is the caller's to decide.
class DescriptorSink : public Sink {
public:
    explicit DescriptorSink(int fd) : fd_(fd) {}
    void Begin() override {
        failed_ = fd_ < 0 || ::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0;
    }
    bool Write(std::string_view data) override {
        size_t done = 0;
        while (!failed_ && done < data.size()) {
            const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) failed_ = true;
            if (n > 0) done += static_cast<size_t>(n);
        }
        return !failed_;
    }
    bool TooLarge() const override { return false; }
    bool Refuses(curl_off_t) const override { return false; }
    void End(const FetchResult&) override {}

private:
    const int fd_;
    bool failed_ = false;
};

// One hop of a request as the callbacks see it.
struct Hop {
    CURL* curl = nullptr;
    Sink* sink = nullptr;
    DownloadListener* listener = nullptr;
    std::string host;
    bool resolvedShown = false;
    bool responseTold = false;
    int64_t bodyBytes = 0;
    const std::stop_token* stop = nullptr;
    std::chrono::seconds silenceLimit{10};
    bool headChecked = false;
    long status = 0;
    size_t skipped = 0;
    bool refusedLength = false;
    bool silent = false;
    bool stopped = false;
    std::string retryAfter;
    ResponseHead* head = nullptr;  // collects the header lines when a caller wants them
    curl_off_t received = 0;
    Clock::time_point lastActivity = Clock::now();
};

bool AcceptHead(Hop& hop) {
    curl_easy_getinfo(hop.curl, CURLINFO_RESPONSE_CODE, &hop.status);
    if (!IsSuccess(hop.status)) return true;
    curl_off_t length = -1;
    curl_easy_getinfo(hop.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length >= 0 && hop.sink->Refuses(length)) {
        hop.refusedLength = true;
        return false;
    }
    return true;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto& hop = *static_cast<Hop*>(user);
    const size_t bytes = size * count;
    if (!hop.headChecked) {
        hop.headChecked = true;
        if (!AcceptHead(hop)) return 0;
    }
    if (!IsSuccess(hop.status)) {
        hop.skipped += bytes;
        return hop.skipped <= kMaxSkippedBytes ? bytes : 0;
    }
    if (!hop.sink->Write(std::string_view(data, bytes))) return 0;
    if (hop.listener) {
        hop.bodyBytes += static_cast<int64_t>(bytes);
        hop.listener->OnReceived(hop.bodyBytes);
    }
    return bytes;
}

// Each status line begins a new head (an interim answer, a proxy's); the
// last one is the answer's.
void KeepHeader(ResponseHead& head, std::string_view line) {
    if (StartsWithNoCase(line, "HTTP/")) {
        head.headers.clear();
        return;
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || line.size() > kMaxKeptHeaderBytes ||
        head.headers.size() >= kMaxKeptHeaders) {
        return;
    }
    head.headers.emplace_back(Trimmed(line.substr(0, colon)), Trimmed(line.substr(colon + 1)));
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto& hop = *static_cast<Hop*>(user);
    const std::string_view line(data, size * count);
    if (StartsWithNoCase(line, "retry-after:")) hop.retryAfter = std::string(line.substr(12));
    if (hop.head) KeepHeader(*hop.head, line);
    // The blank line ends a head: a 2xx one is the answer that brings the body.
    if (hop.listener && !hop.responseTold && (line == "\r\n" || line == "\n")) {
        long status = 0;
        curl_easy_getinfo(hop.curl, CURLINFO_RESPONSE_CODE, &status);
        if (IsSuccess(status)) {
            hop.responseTold = true;
            curl_off_t length = -1;
            curl_easy_getinfo(hop.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            hop.listener->OnResponse(length);
        }
    }
    return size * count;
}

std::string AddressText(const curl_sockaddr& address) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address.family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&address.addr);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    } else if (address.family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address.addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    }
    return text;
}

// The connection steps a watched download shows.
int OnResolverStart(void*, void*, void* user) {
    auto& hop = *static_cast<Hop*>(user);
    hop.listener->OnStep(DownloadStep::Resolving, hop.host);
    return 0;
}

curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto& hop = *static_cast<Hop*>(user);
    const std::string ip = AddressText(*address);
    if (!hop.resolvedShown) {
        hop.resolvedShown = true;
        hop.listener->OnStep(DownloadStep::Resolved, ip);
    }
    hop.listener->OnStep(DownloadStep::Connecting, ip);
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int OnPrereq(void* user, char* primaryIp, char*, int, int) {
    auto& hop = *static_cast<Hop*>(user);
    hop.listener->OnStep(DownloadStep::Connected, primaryIp ? primaryIp : "");
    return CURL_PREREQFUNC_OK;
}

// Ends a transfer that receives nothing for the silence limit (libcurl's own
// low-speed check averages over several seconds), and any transfer once the
// job stops.
int OnProgress(void* user, curl_off_t, curl_off_t bodyBytes, curl_off_t, curl_off_t) {
    auto& hop = *static_cast<Hop*>(user);
    if (hop.stop->stop_requested()) {
        hop.stopped = true;
        return 1;
    }
    long headerBytes = 0;
    curl_easy_getinfo(hop.curl, CURLINFO_HEADER_SIZE, &headerBytes);
    curl_off_t connectMicros = 0;
    curl_easy_getinfo(hop.curl, CURLINFO_CONNECT_TIME_T, &connectMicros);
    const auto now = Clock::now();
    if (bodyBytes + headerBytes != hop.received || connectMicros == 0) {
        hop.received = bodyBytes + headerBytes;
        hop.lastActivity = now;
        return 0;
    }
    if (now - hop.lastActivity >= hop.silenceLimit) {
        hop.silent = true;
        return 1;
    }
    return 0;
}

// libcurl takes header lines without line ends, and drops a header whose value
// is empty unless it is written "Name;".
curl_slist* HeaderList(const std::string& block) {
    curl_slist* list = nullptr;
    size_t start = 0;
    while (start < block.size()) {
        size_t end = block.find('\n', start);
        if (end == std::string::npos) end = block.size();
        std::string line = block.substr(start, end - start);
        start = end + 1;
        std::erase(line, '\r');
        if (line.empty()) continue;
        const size_t colon = line.find(':');
        if (colon != std::string::npos &&
            line.find_first_not_of(" \t", colon + 1) == std::string::npos) {
            line = line.substr(0, colon) + ";";
        }
        list = curl_slist_append(list, line.c_str());
    }
    // The block says everything that is to be sent; no "Expect" round trip.
    return curl_slist_append(list, "Expect:");
}

struct PostData {
    const std::string* body = nullptr;
    curl_slist* headers = nullptr;
};

// What one request asks beyond a plain GET.
struct RequestExtras {
    const PostData* post = nullptr;
    std::string* contentType = nullptr;
    ResponseHead* head = nullptr;
    bool probe = false;  // a failure is an answer, not given up on
    DownloadListener* listener = nullptr;
    curl_slist* headers = nullptr;  // of a GET
};

// Credentials a watched download was given, kept across its hops.
struct Credentials {
    std::optional<DownloadCredentials> server;
    std::optional<DownloadCredentials> proxy;
    // The methods the last challenge offered: with Basic alone, libcurl sends
    // the credentials at once on later hops instead of waiting for a challenge.
    long serverMethods = CURLAUTH_ANY;
    long proxyMethods = CURLAUTH_ANY;
    int rounds = 0;
};

}  // namespace

std::string EscapeAddress(const std::string& address) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(address.size());
    for (unsigned char c : address) {
        if (c <= 0x20 || c >= 0x7f) {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 15];
        } else {
            escaped += static_cast<char>(c);
        }
    }
    return escaped;
}

class HttpSession::Impl {
public:
    explicit Impl(SessionOptions options)
        : options_(std::move(options)),
          limiter_(options_.maxPerHost, options_.requestDelay),
          onStop_(options_.stop, [this] { waitStop_.request_stop(); }),
          onStopWaits_(options_.stopWaits, [this] { waitStop_.request_stop(); }) {
        InitCurlOnce();
        share_ = curl_share_init();
        if (share_) {
            curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Impl::Lock);
            curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Impl::Unlock);
            curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
            curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
            curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        }
    }

    ~Impl() {
        for (const IdleHandle& idle : idle_) curl_easy_cleanup(idle.curl);
        if (share_) curl_share_cleanup(share_);
    }

    FetchResult Request(const std::string& address, Sink& sink, const RequestExtras& extras = {}) {
        FetchResult result;
        const RetryPolicy& policy = options_.retry;
        const int attempts = std::max(1, policy.attempts);
        for (int attempt = 1;; ++attempt) {
            const std::string host = HostOf(address);
            // A stop lets a request in flight finish (an article's pictures);
            // only long waits for a busy host are cut off.
            if (!limiter_.Acquire(host, options_.stop, waitStop_.get_token())) {
                result = Stopped(attempt - 1);
                sink.End(result);
                return result;
            }
            sink.Begin();
            std::string retryAfter;
            {
                HostTurn turn(limiter_, host);
                result = Attempt(address, sink, extras, retryAfter);
            }
            result.attempts = attempt;
            sink.End(result);
            if (attempt > 1) ++stats_.retries;

            const auto pause = RetryWait(policy, result, attempt, retryAfter);
            // Every request to the host waits when the host named a time;
            // otherwise the host's slower pace is enough for the others.
            const bool named = !retryAfter.empty() && IsThrottle(result);
            const auto answer = IsThrottle(result) ? HostLimiter::Answer::Throttled
                                : result.Ok()      ? HostLimiter::Answer::Succeeded
                                                   : HostLimiter::Answer::Other;
            limiter_.OnAnswer(host, answer, named ? pause : std::chrono::milliseconds(0));
            if (result.Ok() || !IsTransient(result) || attempt >= attempts) {
                if (!result.Ok() && !extras.probe) GiveUp(address, result);
                return result;
            }
            if (!Wait(host, pause)) return Stopped(attempt);
        }
    }

    void GiveUp(const std::string& address, const FetchResult& result) const {
        if (result.kind != FetchResult::Kind::Stopped && options_.onGiveUp) {
            options_.onGiveUp(address, result);
        }
    }

    SessionStats Stats() const {
        return {stats_.requests.load(), stats_.connections.load(), stats_.retries.load()};
    }

    const SessionOptions& Options() const { return options_; }

    void SetCookieDomains(std::vector<std::string> domains) {
        std::lock_guard lock(cookieDomainsMutex_);
        options_.cookieDomains = std::move(domains);
    }

    bool MayHaveCookies(const std::string& host) {
        std::lock_guard lock(cookieDomainsMutex_);
        return HostInDomains(host, options_.cookieDomains);
    }

private:
    static FetchResult Stopped(int attempts) {
        FetchResult result;
        result.kind = FetchResult::Kind::Stopped;
        result.attempts = attempts;
        return result;
    }

    std::chrono::milliseconds RetryWait(const RetryPolicy& policy, const FetchResult& result,
                                        int attempt, const std::string& retryAfter) const {
        if (result.Ok()) return {};
        if (!retryAfter.empty() && result.kind == FetchResult::Kind::HttpStatus) {
            if (auto asked = ParseRetryAfter(retryAfter, std::time(nullptr))) {
                return std::min(*asked, policy.retryAfterCap);
            }
        }
        const auto backoff = BackoffDelay(policy, attempt, Jitter());
        // Limits count requests per second or longer: a busy answer that says
        // nothing of when to come back is worth at least a second's wait.
        if (IsThrottle(result))
            return std::max(backoff, std::min(kThrottleWait, policy.retryAfterCap));
        return backoff;
    }

    // Waits before the next attempt; false when the job stopped meanwhile.
    bool Wait(const std::string& host, std::chrono::milliseconds pause) {
        if (pause >= std::chrono::seconds(1) && options_.onWait) {
            options_.onWait(host, static_cast<int>((pause.count() + 999) / 1000));
        }
        // Nothing wakes this wait but its end or the stop.
        const std::stop_token stop = waitStop_.get_token();
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        wake.wait_for(lock, stop, pause, [] { return false; });
        return !stop.stop_requested();
    }

    bool Allowed(const std::string& url) const {
        if (StartsWithNoCase(url, "https://")) return true;
        return !options_.httpsOnly && StartsWithNoCase(url, "http://");
    }

    void Setup(CURL* curl, Hop& hop) {
        curl_easy_reset(curl);
        ApplyCommonCurlOptions(curl);
        if (share_) curl_easy_setopt(curl, CURLOPT_SHARE, share_);
        curl_easy_setopt(curl, CURLOPT_MAXCONNECTS, 16L);
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, options_.httpsOnly ? "https" : "http,https");
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &hop);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &hop);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &hop);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        if (!options_.userAgent.empty()) {
            curl_easy_setopt(curl, CURLOPT_USERAGENT, options_.userAgent.c_str());
        }
        if (hop.listener) {
            curl_easy_setopt(curl, CURLOPT_RESOLVER_START_FUNCTION, &OnResolverStart);
            curl_easy_setopt(curl, CURLOPT_RESOLVER_START_DATA, &hop);
            curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &OnOpenSocket);
            curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &hop);
            curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &OnPrereq);
            curl_easy_setopt(curl, CURLOPT_PREREQDATA, &hop);
            // A large file on a slow line may take long; silence still ends it.
            curl_easy_setopt(curl, CURLOPT_TIMEOUT, 0L);
        }
    }

    static void SetCredentials(CURL* curl, const Credentials& given) {
        if (given.server) {
            curl_easy_setopt(curl, CURLOPT_USERNAME, given.server->user.c_str());
            curl_easy_setopt(curl, CURLOPT_PASSWORD, given.server->password.c_str());
            curl_easy_setopt(curl, CURLOPT_HTTPAUTH, given.serverMethods);
        }
        if (given.proxy) {
            curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, given.proxy->user.c_str());
            curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, given.proxy->password.c_str());
            curl_easy_setopt(curl, CURLOPT_PROXYAUTH, given.proxyMethods);
        }
    }

    // A 401 or 407 to a watched download: true when the listener gave
    // credentials to try the same address with.
    static bool AskCredentials(CURL* curl, long status, const RequestExtras& extras,
                               Credentials& given) {
        if (!extras.listener || (status != 401 && status != 407)) return false;
        if (++given.rounds > HttpSession::kMaxAuthRounds) return false;
        const bool proxy = status == 407;
        long offered = 0;
        curl_easy_getinfo(curl, proxy ? CURLINFO_PROXYAUTH_AVAIL : CURLINFO_HTTPAUTH_AVAIL,
                          &offered);
        (proxy ? given.proxyMethods : given.serverMethods) = offered ? offered : CURLAUTH_ANY;
        auto answer = extras.listener->OnCredentials(proxy);
        if (!answer) return false;
        (proxy ? given.proxy : given.server) = std::move(answer);
        return true;
    }

    void SetCookie(CURL* curl, const std::string& url, std::string& cookie) {
        cookie.clear();
        if (options_.cookies && MayHaveCookies(HostOf(url))) cookie = options_.cookies(url);
        curl_easy_setopt(curl, CURLOPT_COOKIE, cookie.empty() ? nullptr : cookie.c_str());
    }

    FetchResult Attempt(const std::string& address, Sink& sink, const RequestExtras& extras,
                        std::string& retryAfter) {
        const PostData* post = extras.post;
        FetchResult result;
        const std::string host = HostOf(address);
        CURL* curl = TakeHandle(host);
        if (!curl) {
            result.curlCode = CURLE_FAILED_INIT;
            result.error = curl_easy_strerror(CURLE_FAILED_INIT);
            return result;
        }
        std::string url = EscapeAddress(address);
        Credentials given;
        for (int redirects = 0;;) {
            if (!Allowed(url)) {
                result.kind = FetchResult::Kind::Refused;
                break;
            }
            Hop hop;
            hop.curl = curl;
            hop.sink = &sink;
            hop.listener = extras.listener;
            hop.host = HostOf(url);
            hop.stop = &options_.stop;
            hop.silenceLimit = options_.silenceLimit;
            hop.head = extras.head;
            Setup(curl, hop);
            curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
            std::string cookie;
            SetCookie(curl, url, cookie);
            SetCredentials(curl, given);
            if (extras.headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, extras.headers);
            if (post) {
                curl_easy_setopt(curl, CURLOPT_POST, 1L);
                curl_easy_setopt(curl, CURLOPT_POSTFIELDS, post->body->data());
                curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                                 static_cast<curl_off_t>(post->body->size()));
                curl_easy_setopt(curl, CURLOPT_HTTPHEADER, post->headers);
            }
            const CURLcode code = curl_easy_perform(curl);
            ++stats_.requests;
            long connects = 0;
            curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &connects);
            stats_.connections += static_cast<uint64_t>(std::max(0L, connects));
            long status = 0;
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
            long connectStatus = 0;
            curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
            if (connectStatus == 407) status = 407;
            retryAfter = hop.retryAfter;
            if (!hop.stopped && AskCredentials(curl, status, extras, given)) continue;

            char* next = nullptr;
            if (!post && !hop.stopped && IsRedirect(status) && redirects < kMaxRedirects &&
                curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &next) == CURLE_OK && next &&
                *next) {
                ++redirects;
                const std::string from = url;
                url = EscapeAddress(next);  // a Location header may hold raw bytes too
                if (extras.listener) {
                    extras.listener->OnStep(DownloadStep::Redirect, url);
                    // Given to one server, never handed to the next, nor sent in
                    // the clear after they were given over https.
                    if (!CredentialsMayFollow(from, url)) given.server.reset();
                }
                continue;
            }
            result = Outcome(code, status, hop, sink);
            if (!post && IsRedirect(status) && !hop.stopped && redirects >= kMaxRedirects) {
                // Redirects on and on are no answer.
                result.kind = FetchResult::Kind::NetworkError;
                result.curlCode = CURLE_TOO_MANY_REDIRECTS;
                result.error = curl_easy_strerror(CURLE_TOO_MANY_REDIRECTS);
            }
            if (result.Ok() && extras.contentType) {
                char* type = nullptr;
                curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
                *extras.contentType = type ? type : "";
            }
            if (extras.head) {
                char* type = nullptr;
                curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
                extras.head->contentType = type ? type : "";
                extras.head->address = url;
            }
            break;
        }
        ReturnHandle(curl, host);
        return result;
    }

    static FetchResult Outcome(CURLcode code, long status, const Hop& hop, const Sink& sink) {
        FetchResult result;
        result.status = static_cast<int>(status);
        if (hop.stopped) {
            result.kind = FetchResult::Kind::Stopped;
        } else if (hop.refusedLength || sink.TooLarge()) {
            result.kind = FetchResult::Kind::TooLarge;
        } else if (IsSuccess(status) && code == CURLE_OK) {
            result.kind = FetchResult::Kind::Ok;
        } else if (status != 0 && !IsSuccess(status)) {
            result.kind = FetchResult::Kind::HttpStatus;
        } else {
            result.kind = FetchResult::Kind::NetworkError;
            result.curlCode = hop.silent ? CURLE_OPERATION_TIMEDOUT : code;
            result.error = curl_easy_strerror(static_cast<CURLcode>(result.curlCode));
        }
        return result;
    }

    // Each handle keeps the connections it opened: a request takes the idle
    // handle that last spoke to its host, so it finds a connection there.
    CURL* TakeHandle(const std::string& host) {
        {
            std::lock_guard lock(handlesMutex_);
            if (!idle_.empty()) {
                auto it = std::find_if(idle_.rbegin(), idle_.rend(),
                                       [&](const IdleHandle& h) { return h.host == host; });
                const auto at = it == idle_.rend() ? idle_.end() - 1 : std::next(it).base();
                CURL* curl = at->curl;
                idle_.erase(at);
                return curl;
            }
        }
        return curl_easy_init();
    }

    void ReturnHandle(CURL* curl, const std::string& host) {
        std::lock_guard lock(handlesMutex_);
        idle_.push_back({curl, host});
    }

    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<Impl*>(user)->shareLocks_[static_cast<size_t>(data) % kLocks].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<Impl*>(user)->shareLocks_[static_cast<size_t>(data) % kLocks].unlock();
    }

    static constexpr size_t kLocks = CURL_LOCK_DATA_LAST;

    SessionOptions options_;
    std::mutex cookieDomainsMutex_;  // options_.cookieDomains may change while requests run
    HostLimiter limiter_;
    std::stop_source waitStop_;
    std::stop_callback<std::function<void()>> onStop_;
    std::stop_callback<std::function<void()>> onStopWaits_;
    CURLSH* share_ = nullptr;
    std::mutex shareLocks_[kLocks];
    std::mutex handlesMutex_;
    struct IdleHandle {
        CURL* curl;
        std::string host;  // of its last request
    };
    std::vector<IdleHandle> idle_;
    struct {
        std::atomic<uint64_t> requests{0};
        std::atomic<uint64_t> connections{0};
        std::atomic<uint64_t> retries{0};
    } stats_;
};

HttpSession::HttpSession(SessionOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

HttpSession::~HttpSession() = default;

FetchResult HttpSession::GetPage(const std::string& address, std::string& page) {
    PageSink sink(page);
    return impl_->Request(address, sink);
}

FetchResult HttpSession::GetBytes(const std::string& address, std::string& body, size_t maxBytes,
                                  std::string* contentType) {
    BytesSink sink(body, maxBytes, false);
    if (contentType) contentType->clear();
    RequestExtras extras;
    extras.contentType = contentType;
    return impl_->Request(address, sink, extras);
}

FetchResult HttpSession::GetBytes(const std::string& address, std::string& body, size_t maxBytes,
                                  ResponseHead& head) {
    BytesSink sink(body, maxBytes, false);
    head = {};
    RequestExtras extras;
    extras.head = &head;
    FetchResult result = impl_->Request(address, sink, extras);
    if (!result.Ok()) head = {};
    return result;
}

FetchResult HttpSession::Probe(const std::string& address, std::string& body, size_t maxBytes,
                               ResponseHead& head) {
    BytesSink sink(body, maxBytes, false);
    head = {};
    RequestExtras extras;
    extras.head = &head;
    extras.probe = true;
    FetchResult result = impl_->Request(address, sink, extras);
    if (!result.Ok()) head = {};
    return result;
}

std::vector<std::string> ResponseHead::Values(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() && StartsWithNoCase(key, name)) values.push_back(value);
    }
    return values;
}

std::string ResponseHead::Value(std::string_view name) const {
    const auto values = Values(name);
    return values.empty() ? std::string() : values.front();
}

FetchResult HttpSession::GetFile(const std::string& address, const std::string& path,
                                 uint64_t maxBytes, std::string* head) {
    FileSink sink(path, maxBytes, head);
    return impl_->Request(address, sink);
}

FetchResult HttpSession::Post(const std::string& address, const std::string& headerBlock,
                              const std::string& body, std::string& answer, size_t maxBytes) {
    BytesSink sink(answer, maxBytes, true);
    PostData post{&body, HeaderList(headerBlock)};
    RequestExtras extras;
    extras.post = &post;
    FetchResult result = impl_->Request(address, sink, extras);
    curl_slist_free_all(post.headers);
    // Only a 200 answer is taken; any other leaves nothing.
    if (result.Ok() && result.status != 200) {
        answer.clear();
        result.kind = FetchResult::Kind::HttpStatus;
    }
    return result;
}

void HttpSession::SetCookieDomains(std::vector<std::string> domains) {
    impl_->SetCookieDomains(std::move(domains));
}

FetchResult HttpSession::Download(const std::string& address, int fd, DownloadListener& listener) {
    DescriptorSink sink(fd);
    RequestExtras extras;
    extras.listener = &listener;
    // Always from the server, never from a cache on the way.
    extras.headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    if (extras.headers) extras.headers = curl_slist_append(extras.headers, "Pragma: no-cache");
    FetchResult result = impl_->Request(address, sink, extras);
    curl_slist_free_all(extras.headers);
    return result;
}

void HttpSession::GiveUp(const std::string& address, const FetchResult& result) {
    impl_->GiveUp(address, result);
}

SessionStats HttpSession::Stats() const {
    return impl_->Stats();
}

}  // namespace pw

#include "net/HttpDownload.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "base/Identity.h"
#include "net/CurlSetup.h"
#include "net/DownloadAddress.h"

namespace pw {

struct HttpDownload::Attempt {
    CURLcode code = CURLE_OK;
    CURLMcode multiCode = CURLM_OK;
    long status = 0;
    long connectStatus = 0;
    std::string redirect;
};

struct CurlCallbacks {
    static size_t Header(char* data, size_t size, size_t count, void* self) {
        static_cast<HttpDownload*>(self)->OnHeaderLine(std::string_view(data, size * count));
        return size * count;
    }

    static size_t Body(char* data, size_t size, size_t count, void* self) {
        return static_cast<HttpDownload*>(self)->OnBody(data, size * count);
    }

    static int ResolverStart(void*, void*, void* self) {
        static_cast<HttpDownload*>(self)->OnResolving();
        return 0;
    }

    static curl_socket_t OpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
        static_cast<HttpDownload*>(self)->OnSocket(AddressText(*address));
        return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    }

    static int Prereq(void* self, char* primaryIp, char*, int, int) {
        static_cast<HttpDownload*>(self)->OnRequest(primaryIp ? primaryIp : "");
        return CURL_PREREQFUNC_OK;
    }

    static std::string AddressText(const curl_sockaddr& address) {
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
};

namespace {

bool IsHttps(const std::string& url) {
    return strncasecmp(url.c_str(), "https://", 8) == 0;
}

std::string HostOf(const std::string& url) {
    DownloadAddress address;
    return ParseDownloadAddress(url, address) ? address.server : std::string();
}

DownloadResult Failed(DownloadFailure failure, int code) {
    DownloadResult result;
    result.end = DownloadEnd::kFailed;
    result.failure = failure;
    result.code = code;
    return result;
}

DownloadResult Ended(DownloadEnd end) {
    DownloadResult result;
    result.end = end;
    return result;
}

// After the request went out, the answer had no status line: nothing at all, or
// bytes that are no HTTP answer (which libcurl would take for HTTP/0.9).
bool IsMissingStatus(CURLcode code) {
    return code == CURLE_GOT_NOTHING || code == CURLE_WEIRD_SERVER_REPLY ||
           code == CURLE_UNSUPPORTED_PROTOCOL;
}

}  // namespace

HttpDownload::HttpDownload(std::string url, std::string targetPath)
    : url_(std::move(url)), target_(std::move(targetPath)) {}

HttpDownload::~HttpDownload() {
    if (fd_ >= 0) ::close(fd_);
}

int HttpDownload::OpenTarget() {
    if (fd_ >= 0) return 0;
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    return fd_ >= 0 ? 0 : errno;
}

void HttpDownload::Cancel() {
    abort_ = true;
    std::lock_guard lock(multiMutex_);
    if (multi_) curl_multi_wakeup(multi_);
}

DownloadResult HttpDownload::Run(DownloadListener& listener) {
    listener_ = &listener;
    const DownloadResult result =
        Conclude(fd_ < 0 ? Failed(DownloadFailure::kTransfer, EBADF) : Transfer());
    listener_ = nullptr;
    return result;
}

DownloadResult HttpDownload::Transfer() {
    if (abort_) return Ended(DownloadEnd::kAborted);
    struct Session {
        HttpDownload& self;
        ~Session() { self.CloseSession(); }
    } session{*this};
    if (!OpenSession()) return Failed(DownloadFailure::kInternet, CURLE_FAILED_INIT);

    std::string url = url_;
    bool secure = IsHttps(url);
    int redirects = 0;
    int authRounds = 0;
    for (;;) {
        host_ = HostOf(url);
        const Attempt attempt = Perform(url);
        if (abort_) return Ended(DownloadEnd::kAborted);
        if (attempt.multiCode != CURLM_OK) {
            return Failed(DownloadFailure::kInternet, attempt.multiCode);
        }
        if (bodyStarted_) return BodyOutcome(attempt, secure);

        const long status = attempt.connectStatus == 407 ? 407 : attempt.status;
        if (attempt.code != CURLE_OK && status != 407) {
            if (requestSent_ && status == 0 && IsMissingStatus(attempt.code)) {
                return Failed(DownloadFailure::kStatusUnreadable, 0);
            }
            // A refusal whose body broke off is still the refusal.
            if (status == 0 || status == 200) {
                return Failed(DownloadFailure::kConnection, attempt.code);
            }
        }
        if (status == 401 || status == 407) {
            if (++authRounds <= kMaxAuthRounds && Authenticate(status == 407)) continue;
            if (abort_) return Ended(DownloadEnd::kAborted);
            // Without credentials the answer is a refusal, not an empty file.
            return Failed(DownloadFailure::kBadStatus, static_cast<int>(status));
        }
        if (status >= 300 && status <= 399 && !attempt.redirect.empty() &&
            ++redirects <= kMaxRedirects) {
            Redirect(url, attempt.redirect);
            secure = secure && IsHttps(attempt.redirect);
            url = attempt.redirect;
            continue;
        }
        return Failed(DownloadFailure::kBadStatus, static_cast<int>(status));
    }
}

bool HttpDownload::OpenSession() {
    InitCurlOnce();
    CURL* curl = curl_easy_init();
    CURLM* multi = curl_multi_init();
    {
        std::lock_guard lock(multiMutex_);
        easy_ = curl;
        multi_ = multi;
    }
    if (!curl || !multi) return false;

    curl_easy_setopt(curl, CURLOPT_USERAGENT, kProgramName);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, stallSeconds_);
    curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &CurlCallbacks::Header);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CurlCallbacks::Body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_RESOLVER_START_FUNCTION, &CurlCallbacks::ResolverStart);
    curl_easy_setopt(curl, CURLOPT_RESOLVER_START_DATA, this);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &CurlCallbacks::OpenSocket);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &CurlCallbacks::Prereq);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, this);
    // Always from the server, never from a cache on the way.
    headers_ = curl_slist_append(nullptr, "Cache-Control: no-cache");
    if (headers_) headers_ = curl_slist_append(headers_, "Pragma: no-cache");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers_);
    return true;
}

void HttpDownload::CloseSession() {
    std::lock_guard lock(multiMutex_);
    if (multi_) curl_multi_cleanup(multi_);
    if (easy_) curl_easy_cleanup(easy_);
    curl_slist_free_all(headers_);
    multi_ = easy_ = nullptr;
    headers_ = nullptr;
}

DownloadResult HttpDownload::BodyOutcome(const Attempt& attempt, bool secure) const {
    if (attempt.code != CURLE_OK) {
        const int code = writeErrno_ ? writeErrno_ : static_cast<int>(attempt.code);
        return Failed(DownloadFailure::kTransfer, code);
    }
    DownloadResult done = Ended(DownloadEnd::kDone);
    done.secure = secure;
    return done;
}

bool HttpDownload::Authenticate(bool proxy) {
    const std::optional<DownloadCredentials> credentials = listener_->OnCredentials(proxy);
    if (!credentials || abort_) return false;
    CURL* curl = easy_;
    curl_easy_setopt(curl, proxy ? CURLOPT_PROXYUSERNAME : CURLOPT_USERNAME,
                     credentials->user.c_str());
    curl_easy_setopt(curl, proxy ? CURLOPT_PROXYPASSWORD : CURLOPT_PASSWORD,
                     credentials->password.c_str());
    curl_easy_setopt(curl, proxy ? CURLOPT_PROXYAUTH : CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    return true;
}

void HttpDownload::Redirect(const std::string& from, const std::string& next) {
    listener_->OnStep(DownloadStep::kRedirect, next);
    // Credentials given to one server are not handed to the next, nor sent in
    // the clear after they were given over https.
    if (!CredentialsMayFollow(from, next)) {
        curl_easy_setopt(easy_, CURLOPT_USERNAME, static_cast<char*>(nullptr));
        curl_easy_setopt(easy_, CURLOPT_PASSWORD, static_cast<char*>(nullptr));
    }
}

HttpDownload::Attempt HttpDownload::Perform(const std::string& url) {
    Attempt attempt;
    CURL* curl = easy_;
    CURLM* multi = multi_;
    resolvedShown_ = false;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    attempt.multiCode = curl_multi_add_handle(multi, curl);
    if (attempt.multiCode != CURLM_OK) return attempt;

    int running = 1;
    while (!abort_) {
        attempt.multiCode = curl_multi_perform(multi, &running);
        if (attempt.multiCode != CURLM_OK || running == 0) break;
        // Cancel wakes this up at once; libcurl shortens the wait for its own timers.
        attempt.multiCode = curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        if (attempt.multiCode != CURLM_OK) break;
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE) attempt.code = message->data.result;
    }
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &attempt.status);
    curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &attempt.connectStatus);
    char* redirect = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &redirect) == CURLE_OK && redirect) {
        attempt.redirect = redirect;
    }
    curl_multi_remove_handle(multi, curl);
    return attempt;
}

DownloadResult HttpDownload::Conclude(DownloadResult result) {
    if (fd_ >= 0) {
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        // A file whose last bytes may not have reached the disk is no download.
        if (!closed && result.end == DownloadEnd::kDone) {
            result = Failed(DownloadFailure::kTransfer, errno);
        }
    }
    const bool keep = result.end == DownloadEnd::kDone ||
                      (result.end == DownloadEnd::kAborted && !requestSent_) ||
                      result.failure == DownloadFailure::kStatusUnreadable;
    if (!keep) ::unlink(target_.c_str());
    return result;
}

void HttpDownload::OnHeaderLine(std::string_view line) {
    if (line != "\r\n" && line != "\n") return;
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200 || bodyStarted_) return;
    curl_off_t length = -1;
    curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    bodyStarted_ = true;
    received_ = 0;
    listener_->OnResponse(length);
}

size_t HttpDownload::OnBody(const char* data, size_t size) {
    // The body of a redirect or a refusal is not the file.
    if (!bodyStarted_) return size;
    if (abort_) return 0;
    for (size_t done = 0; done < size;) {
        const ssize_t wrote = ::write(fd_, data + done, size - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            writeErrno_ = errno;
            return 0;
        }
        done += static_cast<size_t>(wrote);
    }
    received_ += static_cast<int64_t>(size);
    listener_->OnReceived(received_);
    return size;
}

void HttpDownload::OnResolving() {
    listener_->OnStep(DownloadStep::kResolving, host_);
}

void HttpDownload::OnSocket(const std::string& ip) {
    if (!resolvedShown_) {
        resolvedShown_ = true;
        listener_->OnStep(DownloadStep::kResolved, ip);
    }
    listener_->OnStep(DownloadStep::kConnecting, ip);
}

void HttpDownload::OnRequest(const std::string& ip) {
    requestSent_ = true;
    listener_->OnStep(DownloadStep::kConnected, ip);
}

}  // namespace pw

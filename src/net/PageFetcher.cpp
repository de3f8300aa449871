#include "net/PageFetcher.h"

#include <curl/curl.h>

#include <functional>
#include <mutex>
#include <string_view>

#include "net/CookieJar.h"

namespace pw {

namespace {

constexpr long kConnectTimeoutSeconds = 30;
// Receiving less than one byte a second over this span ends the transfer.
constexpr long kReceiveTimeoutSeconds = 10;
// Backstop against a server that trickles a byte every few seconds forever.
constexpr long kMaxTransferSeconds = 600;
constexpr int kMaxRedirects = 10;
// No page of any service comes near this; a larger one is a hostile or broken server.
constexpr size_t kMaxPageBytes = 32u << 20;

// Receives the body of a 2xx answer piece by piece; false stops the transfer.
using BodySink = std::function<bool(std::string_view)>;

struct GetOutcome {
    enum Kind { kBody, kStatus, kFailed } kind;
    long status;
};

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsSuccess(long status) { return status >= 200 && status <= 299; }
bool IsRedirect(long status) { return status >= 300 && status <= 399; }

// Blanks, control bytes and code page 936 bytes cannot stand raw in a request line.
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

// Builds the page from body pieces: carriage returns dropped, a line cut at a zero
// byte, every line ended by one line feed.
class LineAssembler {
public:
    explicit LineAssembler(std::string& page) : page_(page) {}

    void Feed(std::string_view data) {
        for (char c : data) {
            if (c == '\n') {
                page_ += '\n';
                lineStart_ = page_.size();
                lineOpen_ = false;
                cutAtZero_ = false;
            } else if (c != '\r') {
                lineOpen_ = true;
                if (c == '\0') cutAtZero_ = true;
                if (!cutAtZero_) page_ += c;
            }
        }
    }

    void Finish() {
        if (lineOpen_) page_ += '\n';
        lineOpen_ = false;
        lineStart_ = page_.size();
    }

    // A line cut off by a failed transfer is not a line of the page.
    void DropOpenLine() {
        page_.resize(lineStart_);
        lineOpen_ = false;
    }

private:
    std::string& page_;
    size_t lineStart_ = 0;
    bool lineOpen_ = false;
    bool cutAtZero_ = false;
};

struct HopState {
    CURL* curl;
    const BodySink* sink;
    size_t maxBytes;
    bool headChecked = false;
};

size_t OnBodyData(char* data, size_t size, size_t count, void* user) {
    auto& hop = *static_cast<HopState*>(user);
    const size_t bytes = size * count;
    if (!hop.headChecked) {
        hop.headChecked = true;
        long status = 0;
        curl_easy_getinfo(hop.curl, CURLINFO_RESPONSE_CODE, &status);
        // Only a 2xx body is wanted; the status alone decides the rest.
        if (!IsSuccess(status)) return 0;
        curl_off_t length = -1;
        curl_easy_getinfo(hop.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (length > 0 && static_cast<curl_off_t>(hop.maxBytes) < length) return 0;
    }
    return (*hop.sink)(std::string_view(data, bytes)) ? bytes : 0;
}

void SetCommonOptions(CURL* curl) {
    // The proxy is left to libcurl, which takes it from http_proxy and no_proxy.
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kReceiveTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kMaxTransferSeconds);
    // Addresses come from pages: never let one reach a local file or another scheme.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBodyData);
}

// One GET; redirects are followed here rather than by libcurl so that every hop
// asks the cookie source for its own address.
GetOutcome Get(const std::string& address, const BodySink& sink, size_t maxBytes,
               std::string* contentType) {
    InitCurlOnce();
    CURL* curl = curl_easy_init();
    if (!curl) return {GetOutcome::kFailed, 0};
    SetCommonOptions(curl);

    std::string url = EscapeAddress(address);
    GetOutcome outcome{GetOutcome::kFailed, 0};
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        HopState state{curl, &sink, maxBytes};
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        const std::string cookie = CookieHeaderFor(url);
        curl_easy_setopt(curl, CURLOPT_COOKIE, cookie.empty() ? nullptr : cookie.c_str());

        const CURLcode code = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        char* next = nullptr;
        if (IsRedirect(status) && curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &next) == CURLE_OK &&
            next && *next) {
            url = next;
            continue;
        }
        if (IsSuccess(status)) {
            outcome = {code == CURLE_OK ? GetOutcome::kBody : GetOutcome::kFailed, status};
        } else if (status != 0) {
            outcome = {GetOutcome::kStatus, status};
        }
        if (contentType) {
            char* type = nullptr;
            curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
            *contentType = type ? type : "";
        }
        break;
    }
    curl_easy_cleanup(curl);
    return outcome;
}

}  // namespace

int FetchPage(const std::string& address, std::string& page) {
    page.clear();
    LineAssembler lines(page);
    const BodySink sink = [&](std::string_view data) {
        lines.Feed(data);
        return page.size() <= kMaxPageBytes;
    };
    const GetOutcome outcome = Get(address, sink, kMaxPageBytes, nullptr);
    switch (outcome.kind) {
        case GetOutcome::kBody:
            lines.Finish();
            return 0;
        case GetOutcome::kStatus:
            page.clear();
            return static_cast<int>(outcome.status);
        case GetOutcome::kFailed:
            break;
    }
    lines.DropOpenLine();
    return kFetchFailed;
}

int FetchBinary(const std::string& address, std::string& body, size_t maxBytes,
                std::string* contentType) {
    body.clear();
    if (contentType) contentType->clear();
    const BodySink sink = [&](std::string_view data) {
        if (data.size() > maxBytes - body.size()) return false;
        body.append(data);
        return true;
    };
    const GetOutcome outcome = Get(address, sink, maxBytes, contentType);
    if (outcome.kind == GetOutcome::kBody) return 0;
    body.clear();
    return outcome.kind == GetOutcome::kStatus ? static_cast<int>(outcome.status) : kFetchFailed;
}

}  // namespace pw

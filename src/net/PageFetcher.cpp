#include "net/PageFetcher.h"

#include <curl/curl.h>

#include <chrono>
#include <functional>
#include <string_view>

#include "net/CookieJar.h"
#include "net/CurlSetup.h"

namespace pw {

namespace {

// The receive time-out: a transfer that receives nothing for this long ends.
constexpr auto kSilenceLimit = std::chrono::seconds(10);
constexpr int kMaxRedirects = 10;
// No page of any service comes near this; a larger one is a hostile or broken server.
constexpr size_t kMaxPageBytes = 32u << 20;
constexpr size_t kMaxSkippedBytes = 1u << 20;

// Receives the body of a 2xx answer piece by piece; false stops the transfer.
using BodySink = std::function<bool(std::string_view)>;

struct GetOutcome {
    enum Kind { kBody, kStatus, kFailed } kind;
    long status;
};

bool IsSuccess(long status) {
    return status >= 200 && status <= 299;
}
bool IsRedirect(long status) {
    return status >= 300 && status <= 399;
}

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
        size_t pos = 0;
        while (pos < data.size()) {
            // Plain bytes are copied a run at a time; pages are mostly plain bytes.
            size_t end = pos;
            while (end < data.size() && !IsSpecial(data[end])) ++end;
            if (end > pos) {
                lineOpen_ = true;
                if (!cutAtZero_) page_.append(data.data() + pos, end - pos);
            }
            if (end == data.size()) break;
            Special(data[end]);
            pos = end + 1;
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
    static bool IsSpecial(char c) { return c == '\n' || c == '\r' || c == '\0'; }

    void Special(char c) {
        if (c == '\n') {
            page_ += '\n';
            lineStart_ = page_.size();
            lineOpen_ = false;
            cutAtZero_ = false;
        } else if (c == '\0') {
            lineOpen_ = true;
            cutAtZero_ = true;
        }
    }

    std::string& page_;
    size_t lineStart_ = 0;
    bool lineOpen_ = false;
    bool cutAtZero_ = false;
};

using Clock = std::chrono::steady_clock;

struct HopState {
    CURL* curl;
    const BodySink* sink;
    size_t maxBytes;
    bool headChecked = false;
    long status = 0;
    size_t skipped = 0;
    curl_off_t received = 0;
    Clock::time_point lastActivity = Clock::now();
};

// libcurl's low-speed check only notices silence after averaging over several
// seconds; this ends a silent connection after the receive time-out itself.
int OnProgress(void* user, curl_off_t, curl_off_t bodyBytes, curl_off_t, curl_off_t) {
    auto& hop = *static_cast<HopState*>(user);
    long headerBytes = 0;
    curl_easy_getinfo(hop.curl, CURLINFO_HEADER_SIZE, &headerBytes);
    curl_off_t connectMicros = 0;
    curl_easy_getinfo(hop.curl, CURLINFO_CONNECT_TIME_T, &connectMicros);
    const auto now = Clock::now();
    // Connecting has a time-out of its own.
    if (bodyBytes + headerBytes != hop.received || connectMicros == 0) {
        hop.received = bodyBytes + headerBytes;
        hop.lastActivity = now;
        return 0;
    }
    return now - hop.lastActivity >= kSilenceLimit ? 1 : 0;
}

// Looks at status and announced length once, before the first body byte is used.
bool AcceptHead(HopState& hop) {
    curl_easy_getinfo(hop.curl, CURLINFO_RESPONSE_CODE, &hop.status);
    if (!IsSuccess(hop.status)) return IsRedirect(hop.status);
    curl_off_t length = -1;
    curl_easy_getinfo(hop.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    return length < 0 || static_cast<curl_off_t>(hop.maxBytes) >= length;
}

size_t OnBodyData(char* data, size_t size, size_t count, void* user) {
    auto& hop = *static_cast<HopState*>(user);
    const size_t bytes = size * count;
    if (!hop.headChecked) {
        hop.headChecked = true;
        if (!AcceptHead(hop)) return 0;
    }
    if (IsRedirect(hop.status)) {
        // libcurl names the redirect target only after a complete transfer, so the
        // (normally tiny) body of a redirect is read and dropped.
        hop.skipped += bytes;
        return hop.skipped <= kMaxSkippedBytes ? bytes : 0;
    }
    return (*hop.sink)(std::string_view(data, bytes)) ? bytes : 0;
}

void SetOptions(CURL* curl) {
    ApplyCommonCurlOptions(curl);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBodyData);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
}

// One GET; redirects are followed here rather than by libcurl so that every hop
// asks the cookie source for its own address.
GetOutcome Get(const std::string& address, const BodySink& sink, size_t maxBytes,
               std::string* contentType) {
    InitCurlOnce();
    CURL* curl = curl_easy_init();
    if (!curl) return {GetOutcome::kFailed, 0};
    SetOptions(curl);

    std::string url = EscapeAddress(address);
    GetOutcome outcome{GetOutcome::kFailed, 0};
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        HopState state{curl, &sink, maxBytes};
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        const std::string cookie = CookieHeaderFor(url);
        curl_easy_setopt(curl, CURLOPT_COOKIE, cookie.empty() ? nullptr : cookie.c_str());

        const CURLcode code = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        char* next = nullptr;
        if (IsRedirect(status) &&
            curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &next) == CURLE_OK && next && *next) {
            url = EscapeAddress(next);  // a Location header may hold raw bytes too
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

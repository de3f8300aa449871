#include "net/RetryPolicy.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <string>

namespace pw {

bool IsTransient(const FetchResult& result) {
    switch (result.kind) {
        case FetchResult::Kind::HttpStatus:
            return result.status >= 500 || result.status == 408 || result.status == 429;
        case FetchResult::Kind::NetworkError:
            switch (static_cast<CURLcode>(result.curlCode)) {
                case CURLE_COULDNT_CONNECT:
                case CURLE_OPERATION_TIMEDOUT:
                case CURLE_RECV_ERROR:
                case CURLE_SEND_ERROR:
                case CURLE_GOT_NOTHING:
                case CURLE_PARTIAL_FILE:
                case CURLE_HTTP2:
                case CURLE_HTTP2_STREAM:
                case CURLE_SSL_CONNECT_ERROR:
                case CURLE_ABORTED_BY_CALLBACK:  // the receive time-out
                    return true;
                default:
                    return false;
            }
        default:
            return false;
    }
}

bool IsThrottle(const FetchResult& result) {
    return result.kind == FetchResult::Kind::HttpStatus &&
           (result.status == 429 || result.status == 503);
}

std::chrono::milliseconds BackoffDelay(const RetryPolicy& policy, int failed, double jitter) {
    const int doublings = std::clamp(failed - 1, 0, 20);
    const double base = static_cast<double>(policy.firstDelay.count()) * double(1u << doublings);
    const double spread = 0.75 + 0.5 * std::clamp(jitter, 0.0, 1.0);
    const auto delay = std::chrono::milliseconds(static_cast<long long>(base * spread));
    return std::min(delay, policy.retryAfterCap);
}

std::optional<std::chrono::milliseconds> ParseRetryAfter(std::string_view value, std::time_t now) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r' ||
                              value.back() == '\n')) {
        value.remove_suffix(1);
    }
    if (value.empty()) return std::nullopt;
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        long long seconds = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
        if (ec == std::errc::result_out_of_range)
            seconds = 1ll << 40;
        else if (ec != std::errc() || end != value.data() + value.size())
            return std::nullopt;
        return std::chrono::milliseconds(std::min(seconds, 1ll << 40) * 1000);
    }
    const std::string date(value);
    const time_t when = curl_getdate(date.c_str(), nullptr);
    if (when < 0) return std::nullopt;
    return std::chrono::milliseconds(when > now ? (long long)(when - now) * 1000 : 0);
}

}  // namespace pw

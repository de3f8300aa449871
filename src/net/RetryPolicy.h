#pragma once
// When a failed request is tried again, and after how long. Services answer
// busy moments with 5xx, 408 or 429 and drop connections now and then; those
// pass, while a 404 or a refused address does not.

#include <chrono>
#include <ctime>
#include <optional>
#include <string_view>

#include "net/FetchResult.h"

namespace pw {

struct RetryPolicy {
    int attempts = 4;  // requests in all, the first included (the "retries" setting)
    std::chrono::milliseconds firstDelay{1000};       // doubled after every failure
    std::chrono::milliseconds retryAfterCap{120000};  // longest wait a server may ask for
};

// True for failures that pass: connections refused, reset or timed out, bodies
// shorter than announced, 5xx, 408 and 429.
bool IsTransient(const FetchResult& result);

// True for answers that ask the client to slow down (429 and 503).
bool IsThrottle(const FetchResult& result);

// The wait before attempt number `failed + 1`: firstDelay doubled per earlier
// failure, spread by jitter (0..1) over 75% to 125%, never beyond the cap.
std::chrono::milliseconds BackoffDelay(const RetryPolicy& policy, int failed, double jitter);

// A Retry-After value: delay seconds or an HTTP date, as a wait from now;
// nullopt when it is neither. Dates in the past give zero.
std::optional<std::chrono::milliseconds> ParseRetryAfter(std::string_view value, std::time_t now);

}  // namespace pw

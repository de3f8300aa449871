#pragma once
// Politeness towards each service: at most so many requests to one host at
// once, a least interval between their starts, and a slow-down after the host
// answers 429 or 503 (half the requests at once, twice the interval, and a
// pause for every request to it) that wears off again as its answers succeed.

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stop_token>
#include <string>

namespace pw {

class HostLimiter {
public:
    using Clock = std::chrono::steady_clock;

    // maxActive requests to one host at once (at least 1); minInterval between
    // the starts of two requests to one host (the "requestdelay" setting).
    HostLimiter(int maxActive, std::chrono::milliseconds minInterval);

    // Waits for the host's turn; true means one request is active until
    // Release. False when stop was requested first, or when hurry was and the
    // turn does not come within half a second (a throttled host, a long
    // requestdelay): a stopping job finishes what is in flight, but does not
    // wait long for it. A waiting request wakes on hurry, so whoever requests
    // stop must request hurry too (the session's stop does both).
    bool Acquire(const std::string& host, std::stop_token stop, std::stop_token hurry = {});
    void Release(const std::string& host);

    // What a request to the host came to, for its pace.
    enum class Answer {
        Succeeded,  // a good answer: the pace may recover
        Throttled,  // 429 or 503: slow down, pausing as long as the host asked
        Other,      // anything else says nothing of how busy the host is
    };
    void OnAnswer(const std::string& host, Answer answer, std::chrono::milliseconds pause = {});

    // How long a request to host would wait now for the pause after a throttle.
    std::chrono::milliseconds PauseLeft(const std::string& host);

    // The host's current state, for tests and the benchmark.
    int ActiveLimit(const std::string& host);
    std::chrono::milliseconds Interval(const std::string& host);

private:
    struct Host {
        int active = 0;
        int limit = 1;
        std::chrono::milliseconds interval{0};
        Clock::time_point nextStart{};
        Clock::time_point pausedUntil{};
        Clock::time_point slowedUntil{};
        int successes = 0;
    };

    Host& At(const std::string& host);

    const int maxActive_;
    const std::chrono::milliseconds minInterval_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::map<std::string, Host> hosts_;
};

// An active request on a host, released when it goes out of scope.
class HostTurn {
public:
    HostTurn(HostLimiter& limiter, std::string host) : limiter_(limiter), host_(std::move(host)) {}
    ~HostTurn() { limiter_.Release(host_); }
    HostTurn(const HostTurn&) = delete;
    HostTurn& operator=(const HostTurn&) = delete;

private:
    HostLimiter& limiter_;
    std::string host_;
};

}  // namespace pw

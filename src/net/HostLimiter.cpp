#include "net/HostLimiter.h"

#include <algorithm>

namespace pw {

namespace {

// After a throttle the interval grows to at least this, and never past the cap.
constexpr std::chrono::milliseconds kThrottleInterval{100};
constexpr std::chrono::milliseconds kMaxInterval{2000};
// Below this the interval is spent: back to the configured one.
constexpr std::chrono::milliseconds kSpentInterval{20};
// The longest a request waits for a free turn, or for its start, once the job is
// stopping: less than a throttled host's interval, so a busy host cuts it off.
constexpr std::chrono::milliseconds kHurriedWait{500};
// Successful answers in a row that earn back one more request at once.
constexpr int kSuccessesPerRequest = 8;

}  // namespace

HostLimiter::HostLimiter(int maxActive, std::chrono::milliseconds minInterval)
    : maxActive_(std::max(1, maxActive)), minInterval_(std::max(minInterval, {})) {}

HostLimiter::Host& HostLimiter::At(const std::string& host) {
    auto [it, added] = hosts_.try_emplace(host);
    if (added) {
        it->second.limit = maxActive_;
        it->second.interval = minInterval_;
    }
    return it->second;
}

bool HostLimiter::Acquire(const std::string& host, std::stop_token stop, std::stop_token hurry) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stop.stop_requested()) return false;
        const bool hurrying = hurry.stop_requested();
        // Once hurrying, only stop may end a wait: hurry would end it at once.
        const std::stop_token ends = hurrying ? stop : hurry;
        Host& h = At(host);
        const auto now = Clock::now();
        const auto start = std::max(h.nextStart, h.pausedUntil);
        if (h.active < h.limit && now >= start) {
            ++h.active;
            h.nextStart = now + h.interval;
            return true;
        }
        if (h.active < h.limit) {
            if (hurrying && start - now > kHurriedWait) return false;
            changed_.wait_until(lock, ends, start, [] { return false; });
        } else if (hurrying) {
            const auto free = [&] { return At(host).active < At(host).limit; };
            if (!changed_.wait_until(lock, stop, now + kHurriedWait, free)) return false;
        } else {
            changed_.wait(lock, ends, [&] { return At(host).active < At(host).limit; });
        }
        if (!hurrying && hurry.stop_requested()) continue;  // decide again, in a hurry
    }
}

void HostLimiter::Release(const std::string& host) {
    {
        std::lock_guard lock(mutex_);
        Host& h = At(host);
        if (h.active > 0) --h.active;
    }
    changed_.notify_all();
}

void HostLimiter::OnAnswer(const std::string& host, Answer answer,
                           std::chrono::milliseconds pause) {
    if (answer == Answer::Other) return;
    {
        std::lock_guard lock(mutex_);
        Host& h = At(host);
        if (answer == Answer::Throttled) {
            const auto now = Clock::now();
            h.successes = 0;
            // The answers of one burst are one signal: slow down once per pause.
            if (now >= h.slowedUntil) {
                h.limit = std::max(1, h.limit / 2);
                // The cap never undercuts the interval the user asked for.
                h.interval = std::min(std::max(h.interval * 2, kThrottleInterval),
                                      std::max(kMaxInterval, minInterval_));
                h.slowedUntil = now + std::max<std::chrono::milliseconds>(pause, h.interval);
            }
            h.pausedUntil = std::max(h.pausedUntil, now + pause);
        } else if (h.interval > minInterval_) {
            // Each answer that succeeds takes an eighth off the interval, so a
            // service that was busy for a moment gets its speed back quickly.
            h.interval = std::max(minInterval_, h.interval - h.interval / 8);
            if (h.interval < std::max(minInterval_, kSpentInterval)) h.interval = minInterval_;
        } else if (h.limit < maxActive_ && ++h.successes >= kSuccessesPerRequest) {
            h.successes = 0;
            ++h.limit;
        }
    }
    changed_.notify_all();
}

std::chrono::milliseconds HostLimiter::PauseLeft(const std::string& host) {
    std::lock_guard lock(mutex_);
    const auto left = At(host).pausedUntil - Clock::now();
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(left),
                    std::chrono::milliseconds(0));
}

int HostLimiter::ActiveLimit(const std::string& host) {
    std::lock_guard lock(mutex_);
    return At(host).limit;
}

std::chrono::milliseconds HostLimiter::Interval(const std::string& host) {
    std::lock_guard lock(mutex_);
    return At(host).interval;
}

}  // namespace pw

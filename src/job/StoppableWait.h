#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace pw {

// Waits for the time to pass; false when the stop came first (or had come).
inline bool WaitUnlessStopped(std::stop_token stop, std::chrono::milliseconds wait) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_for(lock, stop, wait, [] { return false; });
    return !stop.stop_requested();
}

}  // namespace pw

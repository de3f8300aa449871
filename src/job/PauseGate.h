#pragma once
// The pause of one job: workers wait at the gate before taking their next
// article while it is closed; a stop lets them through at once.

#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace pw {

class PauseGate {
public:
    void Close() {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void Open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    bool IsOpen() const {
        std::lock_guard lock(mutex_);
        return open_;
    }
    // Returns once the gate is open (true) or the stop is requested (false).
    bool Pass(std::stop_token stop) {
        std::unique_lock lock(mutex_);
        return changed_.wait(lock, stop, [this] { return open_; }) && !stop.stop_requested();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    bool open_ = true;
};

}  // namespace pw

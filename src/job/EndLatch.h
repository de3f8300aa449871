#pragma once
// Set once, when a job has ended and told its listener so; any thread may wait for it.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace pw {

class EndLatch {
public:
    void Set() {
        {
            std::lock_guard lock(mutex_);
            set_ = true;
        }
        changed_.notify_all();
    }
    bool IsSet() const {
        std::lock_guard lock(mutex_);
        return set_;
    }
    void Wait() const {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return set_; });
    }
    // False when the limit passed first.
    bool WaitFor(std::chrono::milliseconds limit) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return set_; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool set_ = false;
};

}  // namespace pw

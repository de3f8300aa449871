#pragma once
// The pause of one job: workers wait at the gate before taking their next
// article while it is closed; a stop opens it for good.

#include <condition_variable>
#include <mutex>

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
    // Returns once the gate is open or stopped() holds; stopped is checked
    // whenever Wake is called.
    template <class Stopped>
    void Pass(Stopped stopped) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return open_ || stopped(); });
    }
    void Wake() {
        { std::lock_guard lock(mutex_); }
        changed_.notify_all();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
};

}  // namespace pw

#pragma once
// Opens once; every waiter passes after Set. Lets a test hold a thread at a
// point until the test is ready.

#include <condition_variable>
#include <mutex>

namespace pw::test {

class OneShotGate {
public:
    void Set() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

}  // namespace pw::test

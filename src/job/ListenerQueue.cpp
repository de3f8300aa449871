#include "job/ListenerQueue.h"

namespace pw {

void ListenerQueue::Post(Call call) {
    std::unique_lock lock(mutex_);
    queue_.push_back(std::move(call));
    if (delivering_) return;
    delivering_ = true;
    while (!queue_.empty()) {
        Call next = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        try {
            next(listener_);
        } catch (...) {
            // A listener that throws must not leave the queue without a deliverer.
            lock.lock();
            delivering_ = false;
            idle_.notify_all();
            throw;
        }
        lock.lock();
    }
    delivering_ = false;
    idle_.notify_all();
}

void ListenerQueue::Flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !delivering_; });
}

}  // namespace pw

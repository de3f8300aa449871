#include "job/ListenerQueue.h"

namespace pw {

void ListenerQueue::Post(Call call) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    if (deliverer_ != self) {
        room_.wait(lock, [this] { return !delivering_ || queue_.size() < kMaxQueued; });
    }
    queue_.push_back(std::move(call));
    if (delivering_) return;
    delivering_ = true;
    deliverer_ = self;
    const auto done = [this] {
        delivering_ = false;
        deliverer_ = {};
        idle_.notify_all();
        room_.notify_all();
    };
    while (!queue_.empty()) {
        Call next = std::move(queue_.front());
        queue_.pop_front();
        if (queue_.size() + 1 == kMaxQueued) room_.notify_all();
        lock.unlock();
        try {
            next(listener_);
        } catch (...) {
            // A listener that throws must not leave the queue without a deliverer.
            lock.lock();
            done();
            throw;
        }
        lock.lock();
    }
    done();
}

void ListenerQueue::Flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !delivering_; });
}

}  // namespace pw

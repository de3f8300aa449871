#pragma once
// An answer that a worker thread waits for while the GUI thread finds it (a
// question to the user, a dialog's result). The wait ends with the answer or
// with a stop request, so closing the window never waits on a worker that
// waits on the window; an answer that comes after the worker gave up is
// dropped. Shared between the two threads through a shared_ptr.

#include <condition_variable>
#include <mutex>
#include <optional>
#include <stop_token>

namespace pw {

template <class T>
class PendingAnswer {
public:
    void Set(T value) {
        {
            std::lock_guard lock(mutex_);
            if (abandoned_ || answer_) return;
            answer_ = std::move(value);
        }
        changed_.notify_all();
    }

    // The answer, or nothing when stop was requested first.
    std::optional<T> Wait(std::stop_token stop) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, stop, [this] { return answer_.has_value(); });
        if (!answer_) abandoned_ = true;
        return answer_;
    }

    // The worker no longer waits: asking the user now would be pointless.
    bool Abandoned() const {
        std::lock_guard lock(mutex_);
        return abandoned_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::optional<T> answer_;
    bool abandoned_ = false;
};

}  // namespace pw

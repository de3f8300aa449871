#pragma once
// A UI thread for front ends without a window system (the terminal program and
// the tests): other threads hand it calls and wait for them, as a window's
// synchronous messages do.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace pw {

class CMessageLoop {
public:
    // The constructing thread is the loop's thread.
    CMessageLoop();

    bool IsLoopThread() const { return std::this_thread::get_id() == m_owner; }

    // Runs fn on the loop's thread and waits for it; direct on that thread.
    void Send(const std::function<void()>& fn);
    // Queues fn without waiting.
    void Post(std::function<void()> fn);

    // Runs queued calls on the loop's thread until done() is true or the timeout
    // passes; tick() runs between calls at least every 50 ms. True when done.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                  const std::function<void()>& tick = {});

private:
    struct Task {
        std::function<void()> fn;
        bool* finished = nullptr;  // set when the sender waits for it
    };

    std::thread::id m_owner;
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_finished;
    std::deque<Task> m_tasks;
};

}  // namespace pw

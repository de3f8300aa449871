#include "app/MessageLoop.h"

namespace pw {

CMessageLoop::CMessageLoop() : m_owner(std::this_thread::get_id()) {}

void CMessageLoop::Send(const std::function<void()>& fn) {
    if (IsLoopThread()) {
        fn();
        return;
    }
    bool finished = false;
    std::unique_lock lock(m_mutex);
    m_tasks.push_back({fn, &finished});
    m_queued.notify_one();
    m_finished.wait(lock, [&] { return finished; });
}

void CMessageLoop::Post(std::function<void()> fn) {
    std::lock_guard lock(m_mutex);
    m_tasks.push_back({std::move(fn), nullptr});
    m_queued.notify_one();
}

bool CMessageLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                            const std::function<void()>& tick) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Task task;
        {
            std::unique_lock lock(m_mutex);
            m_queued.wait_for(lock, std::chrono::milliseconds(50),
                              [&] { return !m_tasks.empty(); });
            if (!m_tasks.empty()) {
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
        }
        if (task.fn) task.fn();
        if (task.finished) {
            std::lock_guard lock(m_mutex);
            *task.finished = true;
            m_finished.notify_all();
        }
        if (tick) tick();
    }
    return true;
}

}  // namespace pw

#pragma once
// A manual- or auto-reset event. Set() on a closed gate followed at once by
// Reset() still releases every thread that was waiting at that moment, once.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace pw {

class CEvent {
public:
    CEvent(bool manualReset, bool initiallySet) : m_bManual(manualReset), m_bSet(initiallySet) {}

    void Set() {
        {
            std::lock_guard lock(m_mutex);
            m_bSet = true;
            ++m_nGeneration;
        }
        m_cond.notify_all();
    }

    void Reset() {
        std::lock_guard lock(m_mutex);
        m_bSet = false;
    }

    bool IsSet() const {
        std::lock_guard lock(m_mutex);
        return m_bSet;
    }

    void Wait() { WaitFor(std::chrono::milliseconds::max()); }

    // True when signalled, false on time-out.
    template <class Rep, class Period>
    bool WaitFor(std::chrono::duration<Rep, Period> timeout) {
        std::unique_lock lock(m_mutex);
        const uint64_t generation = m_nGeneration;
        auto released = [&] { return m_bSet || m_nGeneration != generation; };
        bool ok;
        if (timeout == std::chrono::duration<Rep, Period>::max()) {
            m_cond.wait(lock, released);
            ok = true;
        } else {
            ok = m_cond.wait_for(lock, timeout, released);
        }
        if (ok && !m_bManual) m_bSet = false;
        return ok;
    }

private:
    const bool m_bManual;
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_bSet;
    uint64_t m_nGeneration = 0;
};

}  // namespace pw

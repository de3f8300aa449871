#pragma once
// Answers that wait for the test: requests are numbered as they arrive, and a
// request's answer goes out only once the test has let its number through. A
// test can so be sure what a job holds in hand at a given moment, and prove
// that nothing new was asked for by counting arrivals instead of waiting.

#include <chrono>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "sim/ServiceSimulator.h"

namespace pw::test {

class HeldAnswers {
public:
    HeldAnswers() = default;
    // Everything still held goes out: the simulator's threads must not wait for
    // a test that has ended.
    ~HeldAnswers() { LetAllThrough(); }
    HeldAnswers(const HeldAnswers&) = delete;
    HeldAnswers& operator=(const HeldAnswers&) = delete;

    // A handler that counts the request and answers with response once let through.
    sim::Handler Hold(sim::Response response) const {
        return [doors = doors_, response = std::move(response)](const sim::Request&) {
            std::unique_lock lock(doors->mutex);
            const int number = ++doors->arrived;
            doors->changed.notify_all();
            doors->changed.wait(lock, [&] { return number <= doors->allowed; });
            return response;
        };
    }

    // Requests up to that number (counted from the first) get their answers.
    void LetThrough(int count) {
        {
            std::lock_guard lock(doors_->mutex);
            doors_->allowed = count;
        }
        doors_->changed.notify_all();
    }
    void LetAllThrough() { LetThrough(INT_MAX); }

    int Arrived() const {
        std::lock_guard lock(doors_->mutex);
        return doors_->arrived;
    }
    // Waits until at least count requests have arrived; false after the limit.
    bool WaitForArrivals(int count, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        std::unique_lock lock(doors_->mutex);
        return doors_->changed.wait_for(lock, limit, [&] { return doors_->arrived >= count; });
    }

private:
    // Shared with the handlers, which the simulator may keep longer than the test.
    struct Doors {
        std::mutex mutex;
        std::condition_variable changed;
        int arrived = 0;
        int allowed = 0;
    };
    std::shared_ptr<Doors> doors_ = std::make_shared<Doors>();
};

}  // namespace pw::test

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "job/ListenerQueue.h"

namespace pw {
namespace {

constexpr int kQueued = static_cast<int>(ListenerQueue::kMaxQueued);

// Holds the first report until the other thread has filled the queue, then
// reports from inside it, as a listener that calls Stop does.
class HeldListener : public JobListener {
public:
    void OnStatus(const std::string& text) override {
        if (text == "first") {
            std::unique_lock lock(mutex);
            holding = true;
            filled.notify_all();
            filled.wait(lock, [this] { return posted >= kQueued; });
            postedWhileHeld = posted;
            lock.unlock();
            queue->Post([](JobListener& l) { l.OnStatus("from inside"); });
        }
        seen.push_back(text);
    }

    ListenerQueue* queue = nullptr;
    std::mutex mutex;
    std::condition_variable filled;
    bool holding = false;
    int posted = 0;
    int postedWhileHeld = 0;
    std::vector<std::string> seen;  // the deliverer's only
};

// A job that runs ahead of its listener waits for room instead of piling up
// reports; the deliverer, reporting from inside a report, never waits (that
// would hang the job); nothing is lost or reordered.
TEST(ListenerQueueTest, AFullQueueHoldsBackPostersButNeverTheDeliverer) {
    HeldListener listener;
    ListenerQueue queue(listener);
    listener.queue = &queue;
    constexpr int kReports = kQueued + 100;
    std::thread deliverer([&] { queue.Post([](JobListener& l) { l.OnStatus("first"); }); });
    {
        std::unique_lock lock(listener.mutex);
        listener.filled.wait(lock, [&] { return listener.holding; });
    }
    for (int i = 0; i < kReports; ++i) {
        queue.Post([i](JobListener& l) { l.OnStatus(std::to_string(i)); });
        std::lock_guard lock(listener.mutex);
        ++listener.posted;
        listener.filled.notify_all();
    }
    deliverer.join();
    queue.Flush();

    EXPECT_EQ(listener.postedWhileHeld, kQueued);
    ASSERT_EQ(listener.seen.size(), static_cast<size_t>(kReports + 2));
    EXPECT_EQ(listener.seen.front(), "first");
    EXPECT_EQ(listener.seen[kQueued + 1], "from inside");
    std::vector<std::string> statuses;
    for (const std::string& text : listener.seen) {
        if (text != "first" && text != "from inside") statuses.push_back(text);
    }
    for (int i = 0; i < kReports; ++i)
        EXPECT_EQ(statuses[static_cast<size_t>(i)], std::to_string(i));
}

}  // namespace
}  // namespace pw

#pragma once
// Hands a job's reports to its listener one at a time and in the order they
// were made, without holding a lock during the call: a listener may call back
// into the job (Stop, Pause) from inside a report. Whichever thread finds no
// one delivering becomes the deliverer and drains the queue, its own report
// and any that others add meanwhile; the others only queue and go on, unless
// the queue is full: then they wait for room, so that a job that runs ahead of
// a slow listener (a terminal that scrolls, a machine kept busy by others)
// does not pile up a report per listed and per failed article. The deliverer
// never waits: a listener's call back into the job queues at once.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "job/JobListener.h"

namespace pw {

class ListenerQueue {
public:
    using Call = std::function<void(JobListener&)>;
    // Reports that may wait for the deliverer before their posters wait too.
    static constexpr size_t kMaxQueued = 1024;

    explicit ListenerQueue(JobListener& listener) : listener_(listener) {}

    void Post(Call call);
    // Returns once every report posted so far has been delivered.
    void Flush();

private:
    JobListener& listener_;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::condition_variable room_;
    std::deque<Call> queue_;
    bool delivering_ = false;
    std::thread::id deliverer_;
};

}  // namespace pw

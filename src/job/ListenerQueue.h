#pragma once
// Hands a job's reports to its listener one at a time and in the order they
// were made, without holding a lock during the call: a listener may call back
// into the job (Stop, Pause) from inside a report. Whichever thread finds no
// one delivering becomes the deliverer and drains the queue, its own report
// and any that others add meanwhile; the others only queue and go on.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "job/JobListener.h"

namespace pw {

class ListenerQueue {
public:
    using Call = std::function<void(JobListener&)>;

    explicit ListenerQueue(JobListener& listener) : listener_(listener) {}

    void Post(Call call);
    // Returns once every report posted so far has been delivered.
    void Flush();

private:
    JobListener& listener_;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::deque<Call> queue_;
    bool delivering_ = false;
};

}  // namespace pw

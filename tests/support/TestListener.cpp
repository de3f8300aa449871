#include "support/TestListener.h"

#include <algorithm>
#include <future>
#include <thread>

#include "base/Encoding.h"

namespace pw::test {

void TestListener::OnStatus(const std::string& text) {
    std::lock_guard lock(mutex_);
    statuses_.push_back(text);
}

void TestListener::OnTreeChanged(const TreeChange& change) {
    std::lock_guard lock(mutex_);
    treeChanges_.push_back(change);
}

void TestListener::OnStateChanged(JobState state) {
    std::lock_guard lock(mutex_);
    states_.push_back(state);
}

void TestListener::OnArticleProgress(int done, int total, const std::string&) {
    std::lock_guard lock(mutex_);
    ++progressCalls_;
    lastDone_ = std::max(lastDone_, done);
    lastTotal_ = total;
}

void TestListener::OnMessage(const std::string& text) {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
}

void TestListener::OnCompilerLine(const std::string& line) {
    std::lock_guard lock(mutex_);
    compilerLines_.push_back(line);
}

void TestListener::OnFinished(const JobResult&) {
    std::lock_guard lock(mutex_);
    ++finishedCalls_;
}

bool TestListener::HasStatus(const std::string& utf8) const {
    std::lock_guard lock(mutex_);
    return std::find(statuses_.begin(), statuses_.end(), utf8) != statuses_.end();
}

bool TestListener::HasMessage(const std::string& utf8) const {
    std::lock_guard lock(mutex_);
    return std::find(messages_.begin(), messages_.end(), utf8) != messages_.end();
}

int TestListener::CountStatuses(const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(statuses_.begin(), statuses_.end(),
                                          [&](const auto& s) { return s.rfind(prefix, 0) == 0; }));
}

std::vector<std::string> TestListener::Statuses() const {
    std::lock_guard lock(mutex_);
    return statuses_;
}
std::vector<std::string> TestListener::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}
std::vector<TreeChange> TestListener::TreeChanges() const {
    std::lock_guard lock(mutex_);
    return treeChanges_;
}
std::vector<JobState> TestListener::States() const {
    std::lock_guard lock(mutex_);
    return states_;
}
int TestListener::LastDone() const {
    std::lock_guard lock(mutex_);
    return lastDone_;
}
int TestListener::LastTotal() const {
    std::lock_guard lock(mutex_);
    return lastTotal_;
}
int TestListener::ProgressCalls() const {
    std::lock_guard lock(mutex_);
    return progressCalls_;
}
int TestListener::FinishedCalls() const {
    std::lock_guard lock(mutex_);
    return finishedCalls_;
}

bool RunJob(Job& job, std::chrono::seconds limit) {
    job.Start();
    if (!job.WaitFor(limit)) {
        job.Cancel();
        job.Wait();
        return false;
    }
    job.Wait();
    return true;
}

}  // namespace pw::test

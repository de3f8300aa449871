#pragma once
// A job listener for tests: records every report (texts converted to UTF-8),
// from whichever thread the job calls on.

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "job/Job.h"
#include "job/JobListener.h"
#include "job/JobResult.h"

namespace pw::test {

class TestListener : public JobListener {
public:
    void OnStatus(const std::string& text) override;
    void OnTreeChanged(const TreeChange& change) override;
    void OnStateChanged(JobState state) override;
    void OnArticleProgress(int done, int total, const std::string& title) override;
    void OnMessage(const std::string& text) override;
    void OnCompilerLine(const std::string& line) override;
    void OnFinished(const JobResult& result) override;

    bool HasStatus(const std::string& utf8) const;
    bool HasMessage(const std::string& utf8) const;
    // Statuses that begin with the UTF-8 prefix.
    int CountStatuses(const std::string& utf8Prefix) const;

    std::vector<std::string> Statuses() const;
    std::vector<std::string> Messages() const;
    std::vector<TreeChange> TreeChanges() const;
    std::vector<JobState> States() const;
    int LastDone() const;
    int LastTotal() const;
    int ProgressCalls() const;
    int FinishedCalls() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> statuses_;
    std::vector<std::string> messages_;
    std::vector<std::string> compilerLines_;
    std::vector<TreeChange> treeChanges_;
    std::vector<JobState> states_;
    int progressCalls_ = 0;
    int lastDone_ = 0;
    int lastTotal_ = 0;
    int finishedCalls_ = 0;
};

// Starts the job and waits for its end; false when it took longer than the limit
// (the job is then cancelled).
bool RunJob(Job& job, std::chrono::seconds limit = std::chrono::seconds(120));

// Waits until cond holds; false after the limit.
template <class Cond>
bool WaitFor(Cond cond, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace pw::test

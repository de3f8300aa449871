#pragma once
// One press of "一键下载制作成书": a job that turns one blog into its books. It
// owns everything it works with: the engines, the article records and their
// tree, the HTTP session, the picture store, the pause gate, its folder and its
// threads. Several jobs may run in one process at once.
//
// Phases, on the job's own thread: list (choose the engine, read categories and
// articles into the tree), prepare the folder (continuing what an earlier run
// saved), download (workers, each article once however often it is listed),
// make the books, deliver them. The front end hears of it all through its
// JobListener and gets the outcome as a JobResult.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "book/TreeEntry.h"
#include "engine/BlogBase.h"
#include "engine/SiteContext.h"
#include "job/ArticleListing.h"
#include "job/EndLatch.h"
#include "job/JobListener.h"
#include "job/JobOptions.h"
#include "job/JobResult.h"
#include "job/ListenerQueue.h"
#include "job/PauseGate.h"
#include "job/TaskPlan.h"
#include "net/HttpSession.h"

namespace pw {

class JobFolder;
class Manifest;
class PictureStore;

class Job : private SiteContext {
public:
    // Makes the engines for a job; tests hand in their own.
    using EngineFactory = std::function<EngineList(SiteContext& site)>;

    Job(JobOptions options, JobListener& listener);
    Job(JobOptions options, JobListener& listener, const EngineFactory& makeEngines);
    // Cancels the job and waits for its threads.
    ~Job() override;
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // Starts the job's thread; once.
    void Start();

    // The menu's commands. Pause holds the workers before their next article;
    // Stop ends the listing and lets each worker finish the article it has,
    // then the books are made of what was downloaded. They may be called from
    // any thread, a listener's report included.
    void Pause();
    void Continue();
    void Stop();
    // Ends every phase as soon as it can; no book is made, the folder stays for
    // the next run. The destructor cancels too.
    void Cancel();

    // Blocks until the job has ended (from any thread); WaitFor gives up
    // after the limit and tells whether it ended.
    void Wait() const {
        if (runner_.joinable()) end_.Wait();
    }
    bool WaitFor(std::chrono::milliseconds limit) const { return end_.WaitFor(limit); }
    bool Finished() const { return end_.IsSet(); }
    JobState State() const { return state_.load(); }

    // Read these once the job has finished.
    const JobResult& Result() const { return result_; }
    const ArticleTree& Tree() const { return listing_.Tree(); }
    const BlogBase* Engine() const { return engine_; }
    const std::vector<TreeEntry>& Entries() const { return entries_; }
    SessionStats NetworkStats() const { return http_->Stats(); }

private:
    // SiteContext, for the engines.
    HttpSession& Http() override { return *http_; }
    void Status(const std::string& text) override;
    void Message(const std::string& text) override;
    void Note(const std::string& text) override;
    bool Stopping() const override { return stop_.stop_requested(); }
    PictureStore* Pictures() override { return pictures_.get(); }

    void Run();
    void RunSteps();
    bool List();
    void ListingEnded();
    bool OnArticleListed(const ArticleInfo& listed);
    bool PrepareFolder();
    void PlanTasks();
    void Download();
    void Work();
    void DownloadTask(const TaskPlan::Turn& turn);
    void MakeAndDeliverBooks();
    // An article's failure: told as it comes, and kept only as the reason
    // of its missing article.
    void TellFailure(const std::string& reason);
    void Finish(JobResult::End end, const std::string& finalText);
    void Finish(JobResult result);

    void OnGiveUp(const std::string& address, const FetchResult& result);
    void MarkListingIncomplete();
    bool ListingIncomplete();
    JobResult ResultSoFar();
    void RecordUnwritable();
    void SetState(JobState state);
    void Notify(ListenerQueue::Call call) { listener_.Post(std::move(call)); }
    bool Cancelled() const { return cancel_.stop_requested(); }

    const JobOptions options_;
    ListenerQueue listener_;

    std::stop_source stop_;    // Stop and Cancel: end the listing, the pause and waits
    std::stop_source cancel_;  // Cancel: ends transfers and the compiler too
    PauseGate gate_;

    EngineList engines_;
    BlogBase* engine_ = nullptr;
    std::unique_ptr<HttpSession> http_;

    ArticleListing listing_;

    std::unique_ptr<JobFolder> folder_;
    std::unique_ptr<Manifest> manifest_;
    std::unique_ptr<PictureStore> pictures_;
    TaskPlan plan_;
    std::vector<TreeEntry> entries_;  // the flattened tree, once listed

    std::mutex resultMutex_;  // result_'s messages and listing state while the job runs
    JobResult result_;
    std::string listingFailure_;  // the last request of the listing that failed
    std::string noBlogDetail_;    // what the chosen engine looked for and did not find
    std::atomic<JobState> state_{JobState::Idle};
    std::atomic<bool> recordUnwritable_{false};
    bool ending_ = false;  // Finish has begun (runner thread only)

    EndLatch end_;
    std::jthread runner_;
};

}  // namespace pw

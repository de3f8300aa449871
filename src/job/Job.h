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
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "book/TreeEntry.h"
#include "engine/BlogBase.h"
#include "engine/SiteContext.h"
#include "job/ArticleTree.h"
#include "job/JobListener.h"
#include "job/JobOptions.h"
#include "job/JobResult.h"
#include "job/PauseGate.h"
#include "net/HttpSession.h"

namespace pw {

class JobFolder;
class Manifest;
class PictureStore;
struct BookDescription;
struct BookStepResult;

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
    // then the books are made of what was downloaded.
    void Pause();
    void Continue();
    void Stop();
    // Ends every phase as soon as it can; no book is made, the folder stays for
    // the next run. The destructor cancels too.
    void Cancel();

    // Blocks until the job's thread has ended.
    void Wait();
    bool Finished() const { return finished_.load(); }
    JobState State() const { return state_.load(); }

    // Read these once the job has finished.
    const JobResult& Result() const { return result_; }
    const ArticleTree& Tree() const { return tree_; }
    const BlogBase* Engine() const { return engine_; }
    const std::vector<TreeEntry>& Entries() const;
    SessionStats NetworkStats() const { return http_->Stats(); }

private:
    // One article to fetch: every tree entry with the same key shares it.
    struct Task {
        ArticleInfo* article = nullptr;
        std::string key;
        bool saved = false;  // its page is in the folder (this run or an earlier one)
        bool tried = false;
        ArticleOutcome outcome;
    };

    // SiteContext, for the engines.
    HttpSession& Http() override { return *http_; }
    void Status(const std::string& text) override;
    void Message(const std::string& text) override;
    bool Stopping() const override;
    PictureStore* Pictures() override { return pictures_.get(); }

    void Run();
    void RunSteps();
    bool List();
    bool OnArticleListed(const ArticleInfo& listed);
    int InsertItem(int parent, const std::string& text, int image, int selectedImage);
    bool PrepareFolder();
    void PlanTasks();
    void Download();
    void Work();
    void DownloadTask(Task& task);
    BookDescription Describe() const;
    void Deliver(const BookStepResult& books);
    void CollectMissing();
    void CollectMissingPictures(const ArticleOutcome& outcome);
    void Finish(JobResult::End end, const std::string& finalText);

    void OnGiveUp(const std::string& address, const FetchResult& result);
    bool ListingIncomplete();
    void RecordUnwritable();
    void SetState(JobState state);
    void Notify(const std::function<void(JobListener&)>& call);
    bool Cancelled() const { return cancel_.stop_requested(); }
    bool PauseFor(std::chrono::milliseconds wait);

    const JobOptions options_;
    JobListener& listener_;
    std::mutex notifyMutex_;

    std::stop_source cancel_;     // Cancel: ends transfers and waits
    std::stop_source stopWaits_;  // Stop and Cancel: end waits for busy services
    std::atomic<bool> stopped_{false};
    PauseGate gate_;

    EngineList engines_;
    BlogBase* engine_ = nullptr;
    std::unique_ptr<HttpSession> http_;

    ArticleTree tree_;
    std::deque<ArticleInfo> articles_;  // the tree's records, in listing order
    std::map<std::string, int> categories_;
    int rootItem_ = 0;

    std::unique_ptr<JobFolder> folder_;
    std::unique_ptr<Manifest> manifest_;
    std::unique_ptr<PictureStore> pictures_;
    std::vector<TreeEntry> entries_;                // the flattened tree, once listed
    std::vector<Task> tasks_;                       // distinct articles in tree order
    std::map<std::string, size_t> taskOf_;          // article key -> its task
    std::vector<size_t> pending_;                   // tasks to fetch in this run
    std::map<std::string, std::string> fileNames_;  // key -> page file name
    std::atomic<size_t> nextPending_{0};
    std::atomic<int> nextNumber_{0};
    std::atomic<int> begun_{0};
    std::mutex tasksMutex_;

    std::mutex resultMutex_;
    JobResult result_;
    std::string listingFailure_;  // the last request of the listing that failed
    std::atomic<JobState> state_{JobState::Idle};
    std::atomic<bool> finished_{false};
    std::atomic<bool> recordUnwritable_{false};
    std::set<std::string> toldPictures_;  // runner thread only, at the end
    bool ending_ = false;                 // Finish has begun (runner thread only)
    std::jthread runner_;
};

}  // namespace pw

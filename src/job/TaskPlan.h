#pragma once
// What a job has to fetch: one task per distinct article of the tree (an
// article listed twice is fetched once), which of them an earlier run saved,
// the page file each one got, and what is missing at the end. Workers take
// tasks concurrently; each task then belongs to the worker that took it.

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ArticleInfo.h"
#include "engine/ArticleOutcome.h"
#include "job/JobResult.h"

namespace pw {

class TaskPlan {
public:
    struct Task {
        ArticleInfo* article = nullptr;  // the listing its page is made from
        std::string key;
        std::string fileName;  // its page file, once it has one (under namesMutex_)
        bool saved = false;    // its page is in the folder (this run or an earlier one)
        bool tried = false;
        ArticleOutcome outcome;
    };

    // A task handed to a worker: the page file it is to write and its place
    // among the articles begun.
    struct Turn {
        Task* task = nullptr;
        std::string fileName;
        int begun = 0;
    };

    // Adds a listed article in tree order. An article listed again keeps its
    // place; its page is made from the later listing, which names its own
    // category where the first one (Sina's 全部博文) names the listing.
    void Add(ArticleInfo* article);
    // Room for the articles to come, so that the tasks are not copied as they grow.
    void Reserve(size_t articles) { tasks_.reserve(articles); }

    // Takes what an earlier run saved (article key -> page file) where
    // pageExists still finds the page; the rest is pending. Page numbers go on
    // after highestNumber. Returns the number of articles already there.
    int Resume(const std::map<std::string, std::string>& saved,
               const std::function<bool(const std::string& fileName)>& pageExists,
               int highestNumber);

    // The next pending task with a fresh page name; none when all are taken.
    std::optional<Turn> Take();
    // The worker's word on a task it took: an interrupted one has no page.
    void Record(Task& task, ArticleOutcome outcome);

    int Total() const { return static_cast<int>(tasks_.size()); }
    int PendingCount() const { return static_cast<int>(pending_.size()); }
    int SavedCount() const;
    // The page file of an article, empty when it has none.
    std::string FileName(const std::string& key) const;
    // Whether the article's page is in the folder (this run or an earlier one).
    bool Saved(const std::string& key) const;
    // The listing of an article whose page is made (see Add).
    const ArticleInfo* ArticleOf(const std::string& key) const;
    // Articles without a page, but for those the engine skipped; one never
    // tried is missing for untriedReason.
    std::vector<MissingArticle> Missing(const std::string& untriedReason) const;
    // The pictures saved articles show from their remote address, each address
    // once however many articles share it.
    std::vector<MissingPicture> MissingPictures() const;

private:
    // Tasks ordered by their keys, which they hold: a blog of 100,000
    // articles would otherwise keep every key twice more.
    struct KeyOrder {
        using is_transparent = void;
        const std::vector<Task>* tasks;
        std::string_view Key(size_t task) const { return (*tasks)[task].key; }
        std::string_view Key(std::string_view key) const { return key; }
        template <typename A, typename B>
        bool operator()(const A& a, const B& b) const {
            return Key(a) < Key(b);
        }
    };

    const Task* Find(std::string_view key) const;

    std::vector<Task> tasks_;                               // distinct articles in tree order
    std::set<size_t, KeyOrder> taskOf_{KeyOrder{&tasks_}};  // by key
    std::vector<size_t> pending_;                           // tasks to fetch in this run
    std::atomic<size_t> nextPending_{0};
    std::atomic<int> nextNumber_{0};
    std::atomic<int> begun_{0};
    mutable std::mutex namesMutex_;
};

}  // namespace pw

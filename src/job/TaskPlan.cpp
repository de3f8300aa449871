#include "job/TaskPlan.h"

#include <set>

namespace pw {

const TaskPlan::Task* TaskPlan::Find(std::string_view key) const {
    const auto task = taskOf_.find(key);
    return task != taskOf_.end() ? &tasks_[*task] : nullptr;
}

void TaskPlan::Add(ArticleInfo* article) {
    std::string key = ArticleKey(*article);
    if (const auto known = taskOf_.find(std::string_view(key)); known != taskOf_.end()) {
        tasks_[*known].article = article;
        return;
    }
    Task task;
    task.article = article;
    task.key = std::move(key);
    tasks_.push_back(std::move(task));
    taskOf_.insert(tasks_.size() - 1);
}

int TaskPlan::Resume(const std::map<std::string, std::string>& saved,
                     const std::function<bool(const std::string&)>& pageExists, int highestNumber) {
    int had = 0;
    for (size_t i = 0; i < tasks_.size(); ++i) {
        Task& task = tasks_[i];
        const auto page = saved.find(task.key);
        if (page != saved.end() && pageExists(page->second)) {
            task.saved = true;
            task.fileName = page->second;
            ++had;
        } else {
            pending_.push_back(i);
        }
    }
    nextNumber_ = highestNumber;
    begun_ = had;
    return had;
}

std::optional<TaskPlan::Turn> TaskPlan::Take() {
    const size_t index = nextPending_.fetch_add(1);
    if (index >= pending_.size()) return std::nullopt;
    Turn turn;
    turn.task = &tasks_[pending_[index]];
    turn.fileName = std::to_string(++nextNumber_) + ".html";
    turn.begun = ++begun_;
    std::lock_guard lock(namesMutex_);
    turn.task->fileName = turn.fileName;
    return turn;
}

void TaskPlan::Record(Task& task, ArticleOutcome outcome) {
    // Cut off by the stop: not a failure, and not saved; the next run fetches it.
    if (outcome.kind == ArticleOutcome::Kind::Interrupted) {
        std::lock_guard lock(namesMutex_);
        std::string().swap(task.fileName);  // no page: its entries lead nowhere
        return;
    }
    task.tried = true;
    task.saved = outcome.Saved();
    task.outcome = std::move(outcome);
}

int TaskPlan::SavedCount() const {
    int saved = 0;
    for (const Task& task : tasks_) saved += task.saved;
    return saved;
}

std::string TaskPlan::FileName(const std::string& key) const {
    const Task* task = Find(key);
    if (!task) return {};
    std::lock_guard lock(namesMutex_);
    return task->fileName;
}

bool TaskPlan::Saved(const std::string& key) const {
    const Task* task = Find(key);
    return task && task->saved;
}

const ArticleInfo* TaskPlan::ArticleOf(const std::string& key) const {
    const Task* task = Find(key);
    return task ? task->article : nullptr;
}

std::vector<MissingArticle> TaskPlan::Missing(const std::string& untriedReason) const {
    std::vector<MissingArticle> missing;
    missing.reserve(tasks_.size() - static_cast<size_t>(SavedCount()));
    for (const Task& task : tasks_) {
        if (task.saved) continue;
        if (task.tried && task.outcome.kind == ArticleOutcome::Kind::Skipped) continue;
        MissingArticle article;
        article.title = task.article->title;
        article.url = task.article->url;
        article.reason = task.tried ? task.outcome.reason : untriedReason;
        article.httpStatus = task.outcome.httpStatus;
        missing.push_back(std::move(article));
    }
    return missing;
}

std::vector<MissingPicture> TaskPlan::MissingPictures() const {
    std::vector<MissingPicture> missing;
    std::set<std::string> told;
    for (const Task& task : tasks_) {
        if (!task.saved) continue;
        for (const PictureFailure& failure : task.outcome.pictures) {
            if (!told.insert(failure.url).second) continue;
            missing.push_back({failure.url, failure.reason, failure.httpStatus});
        }
    }
    return missing;
}

}  // namespace pw

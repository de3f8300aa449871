#include "job/Job.h"

#include <unistd.h>

#include "base/AllocatorArenas.h"
#include "base/Format.h"
#include "base/SafeFolderName.h"
#include "engine/FetchFailure.h"
#include "engine/PictureStore.h"
#include "job/BookOutline.h"
#include "job/BookStep.h"
#include "job/Delivery.h"
#include "job/JobFolder.h"
#include "job/JobSession.h"
#include "job/Manifest.h"
#include "job/StoppableWait.h"
#include "sites/EngineRegistry.h"

namespace pw {

namespace {

// A page that came without the engine's markers is asked for once more after this.
constexpr std::chrono::milliseconds kBusyPageWait{2000};

}  // namespace

Job::Job(JobOptions options, JobListener& listener)
    : Job(std::move(options), listener, [](SiteContext& site) { return CreateEngines(site); }) {}

Job::Job(JobOptions options, JobListener& listener, const EngineFactory& makeEngines)
    : options_(std::move(options)), listener_(listener) {
    engines_ = makeEngines(*this);
    SessionOptions session = SessionOptionsFor(options_);
    session.onWait = [this](const std::string& host, int seconds) {
        Status(Format("服务器繁忙，%d 秒后重试：%s", seconds, host.c_str()));
    };
    session.onGiveUp = [this](const std::string& address, const FetchResult& result) {
        OnGiveUp(address, result);
    };
    session.stop = cancel_.get_token();
    session.stopWaits = stop_.get_token();
    http_ = std::make_unique<HttpSession>(std::move(session));
    listing_.Tree().SetObserver([this](const TreeChange& change) {
        Notify([change](JobListener& l) { l.OnTreeChanged(change); });
    });
}

Job::~Job() {
    Cancel();
    if (runner_.joinable()) runner_.join();
}

void Job::Start() {
    if (!runner_.joinable()) runner_ = std::jthread([this] { Run(); });
}

void Job::Pause() {
    gate_.Close();
    Status("暂停下载");
}

void Job::Continue() {
    gate_.Open();
    Status("继续下载");
}

void Job::Stop() {
    stop_.request_stop();
    Status("停止下载");
}

void Job::Cancel() {
    stop_.request_stop();
    cancel_.request_stop();
}

void Job::Status(const std::string& text) {
    Notify([text](JobListener& l) { l.OnStatus(text); });
}

void Job::Message(const std::string& text) {
    {
        std::lock_guard lock(resultMutex_);
        result_.messages.push_back(text);
    }
    Notify([text](JobListener& l) { l.OnMessage(text); });
}

void Job::Note(const std::string& text) {
    {
        std::lock_guard lock(resultMutex_);
        result_.notes.push_back(text);
    }
    Message(text);
}

// A listing that never ends may fail 100,000 articles: their reasons are in
// the plan already, and the result's missing articles carry them.
void Job::TellFailure(const std::string& reason) {
    Notify([reason](JobListener& l) { l.OnMessage(reason); });
}

// A list page that never came (a failure that outlived its retries, a refusal,
// a page too large) means articles no one can name are missing: the job says
// so and is not complete. A page that is not there (404, 410) is the end of a
// list, as services answer past the last page; it is told only when the blog
// could not be read at all.
void Job::OnGiveUp(const std::string& address, const FetchResult& result) {
    if (state_ != JobState::Listing) return;
    const std::string text = "无法获取页面：" + address + "  " + FetchFailureText(result);
    const bool notThere = result.kind == FetchResult::Kind::HttpStatus &&
                          (result.status == 404 || result.status == 410);
    if (notThere) {
        std::lock_guard lock(resultMutex_);
        listingFailure_ = text;
        return;
    }
    MarkListingIncomplete();
    Message(text);
}

// The books are made all the same; only a later run cannot continue from here.
void Job::RecordUnwritable() {
    if (recordUnwritable_.exchange(true)) return;
    Message("无法写入任务记录，中断后将不能从这里继续：" + folder_->Path() + Manifest::kFileName);
}

void Job::MarkListingIncomplete() {
    std::lock_guard lock(resultMutex_);
    result_.listingIncomplete = true;
}

JobResult Job::ResultSoFar() {
    std::lock_guard lock(resultMutex_);
    return result_;
}

bool Job::ListingIncomplete() {
    std::lock_guard lock(resultMutex_);
    return result_.listingIncomplete;
}

void Job::SetState(JobState state) {
    state_ = state;
    Notify([state](JobListener& l) { l.OnStateChanged(state); });
}

// Nothing a page does may end the program: whatever a step throws (memory
// running out on a monstrous page, say) ends the job with the reason.
void Job::Run() {
    try {
        RunSteps();
    } catch (const std::exception& e) {
        if (ending_) return;  // the end was being told: telling it again helps no one
        const std::string text = std::string("任务因错误而中止：") + e.what();
        Message(text);
        Finish(JobResult::End::NoBook, text);
    }
}

void Job::RunSteps() {
    SetState(JobState::Listing);
    if (!List()) {
        const std::string text = "未能识别该博客类型，请联系作者添加!";
        // Why the blog's pages did not read as any service's, when a request
        // failed for good (failures worth retrying were told as they came).
        std::string failure;
        {
            std::lock_guard lock(resultMutex_);
            if (!result_.listingIncomplete) failure = listingFailure_;
            result_.listingIncomplete = false;  // there is no listing to speak of
        }
        if (!failure.empty() && !Cancelled()) Message(failure);
        if (!noBlogDetail_.empty() && !Cancelled()) Message(noBlogDetail_);
        Status(text);
        return Finish(Cancelled() ? JobResult::End::Cancelled : JobResult::End::NoEngine, text);
    }
    if (Cancelled()) return Finish(JobResult::End::Cancelled, {});
    ListingEnded();
    SetState(JobState::Downloading);
    if (!PrepareFolder()) return;
    PlanTasks();
    Download();
    if (Cancelled()) return Finish(JobResult::End::Cancelled, {});
    MakeAndDeliverBooks();
}

bool Job::List() {
    Notify([](JobListener& l) { l.OnTreeChanged({TreeOp::DeleteAll, 0, 0, {}, {}}); });
    engine_ = ChooseEngine(engines_, options_.address);
    if (!engine_) return false;
    http_->SetCookieDomains(CookieDomains(options_.address, engine_));
    Status("正在获取文章分类……");
    std::vector<std::string> categories;
    if (!engine_->GetCategories(categories)) {
        noBlogDetail_ = engine_->NoBlogDetail();
        engine_ = nullptr;
        return false;
    }
    // An engine may learn the blog's name only from its lists.
    listing_.AddBlog(engine_->blogName);
    for (const auto& name : categories) listing_.AddCategory(name);
    listing_.ExpandBlog();
    engine_->ListArticles([this](const ArticleInfo& article) { return OnArticleListed(article); });
    return true;
}

void Job::ListingEnded() {
    if (Stopping()) {
        MarkListingIncomplete();  // the stop may have cut the listing short
    } else if (ListingIncomplete()) {
        Message("文章列表不完整：有的列表页面没有下载成功，书中可能缺少文章");
    }
    Status("文章列表获取完毕，可以下载备份成书了");
}

bool Job::OnArticleListed(const ArticleInfo& listed) {
    if (Stopping()) return false;
    if (listing_.ArticleCount() >= options_.maxArticles) {
        MarkListingIncomplete();
        Message(Format("文章数量超过上限 %d 篇，其余文章没有列出", options_.maxArticles));
        return false;
    }
    listing_.AddArticle(listed);
    return true;
}

bool Job::PrepareFolder() {
    const std::string name = ReadableFileName(engine_->account);
    JobFolder::Opened opened = JobFolder::Open(options_.jobRoot, name, engine_->homeUrl);
    if (!opened.folder) {
        const bool busy = opened.status == JobFolder::Status::Busy;
        const std::string text =
            busy ? "这个博客正在由另一个任务下载，请等它结束后再试：" + opened.path
                 : "无法创建任务文件夹：" + opened.path;
        Status(text);
        Finish(busy ? JobResult::End::Busy : JobResult::End::NoBook, text);
        return false;
    }
    folder_ = std::move(opened.folder);
    if (options_.fresh) folder_->Clear();
    manifest_ = std::make_unique<Manifest>();
    if (!manifest_->Open(folder_->Path() + Manifest::kFileName)) RecordUnwritable();
    pictures_ = std::make_unique<PictureStore>(*http_, folder_->ImageDir(), options_.pictureBudget);
    for (const auto& [url, reference] : manifest_->Pictures()) pictures_->Remember(url, reference);
    pictures_->SetOnSaved([this](const std::string& url, const std::string& reference) {
        if (!manifest_->PictureSaved(url, reference)) RecordUnwritable();
    });
    return true;
}

void Job::PlanTasks() {
    const ArticleTree& tree = listing_.Tree();
    plan_.Reserve(static_cast<size_t>(listing_.ArticleCount()));
    for (int item = tree.GetRootItem(); item; item = tree.GetNextItem(item)) {
        if (ArticleInfo* article = tree.GetItemData(item)) plan_.Add(article);
    }
    const std::string dir = folder_->Path();
    const int had = plan_.Resume(
        manifest_->Articles(),
        [&](const std::string& page) { return ::access((dir + page).c_str(), R_OK) == 0; },
        manifest_->HighestNumber());
    result_.resumedWith = had;
    if (had > 0) {
        Status(Format("继续上次的任务：已有 %d 篇文章，还需下载 %d 篇", had, plan_.PendingCount()));
    }
}

void Job::Download() {
    if (!gate_.IsOpen()) Status("暂停下载");
    std::vector<std::jthread> workers;
    for (int i = 0; i < options_.workers; ++i) {
        try {
            workers.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            // A worker that cannot start is left out.
        }
    }
    for (auto& worker : workers) worker.join();
}

void Job::Work() {
    while (gate_.Pass(stop_.get_token())) {
        const std::optional<TaskPlan::Turn> turn = plan_.Take();
        if (!turn) return;
        try {
            DownloadTask(*turn);
        } catch (const std::exception& e) {
            plan_.Record(*turn->task,
                         ArticleOutcome::Fail(std::string("下载文章时出错：") + e.what()));
            try {
                TellFailure(turn->task->outcome.reason);
            } catch (const std::exception&) {
                // It is in the report all the same.
            }
        }
    }
}

void Job::DownloadTask(const TaskPlan::Turn& turn) {
    ArticleInfo& article = *turn.task->article;
    article.fileName = turn.fileName;
    article.localPath = folder_->Path() + turn.fileName;
    const int total = plan_.Total();
    Status(Format("正在下载[%d/%d]：%s", turn.begun, total, article.title.c_str()));
    ArticleOutcome outcome = engine_->DownloadArticle(article);
    // Services answer busy moments with pages that lack the article.
    if (outcome.markersMissing && WaitUnlessStopped(stop_.get_token(), kBusyPageWait)) {
        outcome = engine_->DownloadArticle(article);
    }
    std::string().swap(article.localPath);  // written or not: kept for nothing from here
    const ArticleOutcome::Kind kind = outcome.kind;
    const std::string reason = outcome.reason;
    plan_.Record(*turn.task, std::move(outcome));
    if (kind == ArticleOutcome::Kind::Interrupted) return;
    if (kind == ArticleOutcome::Kind::Saved) {
        if (!manifest_->ArticleSaved(turn.task->key, turn.fileName)) RecordUnwritable();
    } else if (kind == ArticleOutcome::Kind::Failed) {
        TellFailure(reason);
    }
    const int begun = turn.begun;
    const std::string title = article.title;
    Notify([=](JobListener& l) { l.OnArticleProgress(begun, total, title); });
}

void Job::MakeAndDeliverBooks() {
    Status("文章列表下载完毕，开始制作电子书……");
    SetState(JobState::Building);
    BookDescription book =
        OutlineBook(listing_.Tree(), plan_, folder_->Path(), *engine_, options_.formats);
    ReturnFreeMemory();  // what the listing and the workers left behind
    const BookStepResult made = MakeBooks(
        book,
        [this](const std::string& line) {
            Notify([line](JobListener& l) { l.OnCompilerLine(line); });
        },
        cancel_.get_token());
    entries_ = std::move(book.entries);  // one copy of a 100,000-entry tree is plenty
    if (Cancelled()) return Finish(JobResult::End::Cancelled, {});

    JobResult soFar = ResultSoFar();
    const size_t told = soFar.messages.size();
    const Delivery delivery{made,
                            plan_,
                            options_,
                            *folder_,
                            *engine_,
                            Stopping(),
                            pictures_ ? pictures_->KeptRemote() : 0};
    JobResult delivered =
        Deliver(delivery, std::move(soFar), [this](const std::string& text) { Status(text); });
    for (size_t i = told; i < delivered.messages.size(); ++i) {
        Notify([text = delivered.messages[i]](JobListener& l) { l.OnMessage(text); });
    }
    Status(delivered.finalText);
    Finish(std::move(delivered));
}

void Job::Finish(JobResult::End end, const std::string& finalText) {
    JobResult result = ResultSoFar();
    result.end = end;
    result.finalText = finalText;
    if (end == JobResult::End::Cancelled && folder_) result.jobFolder = folder_->Path();
    Finish(std::move(result));
}

void Job::Finish(JobResult result) {
    ending_ = true;
    {
        std::lock_guard lock(resultMutex_);
        result_ = std::move(result);
    }
    folder_.reset();  // releases the lock before anyone hears of the end
    state_ = JobState::Idle;
    Notify([this](JobListener& l) {
        l.OnStateChanged(JobState::Idle);
        l.OnFinished(result_);
    });
    // The end is told before anyone may take the job for ended.
    listener_.Flush();
    end_.Set();
}

}  // namespace pw

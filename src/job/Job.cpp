#include "job/Job.h"

#include <unistd.h>

#include "base/DisplayText.h"
#include "base/Encoding.h"
#include "base/Format.h"
#include "base/SafeFolderName.h"
#include "base/TextOps.h"
#include "book/BookDelivery.h"
#include "book/BookDescription.h"
#include "engine/ArticleRenderer.h"
#include "engine/FetchFailure.h"
#include "engine/PictureStore.h"
#include "job/BookStep.h"
#include "job/JobFolder.h"
#include "job/JobReport.h"
#include "job/Manifest.h"
#include "sites/EngineRegistry.h"

namespace pw {

namespace {

// A page that came without the engine's markers is asked for once more after this.
constexpr std::chrono::milliseconds kBusyPageWait{2000};

// Cuts a text to at most max bytes without splitting a double-byte character.
void Bound(std::string& text, size_t max) {
    if (text.size() <= max) return;
    size_t end = 0;
    for (size_t i = 0; i < max;) {
        const size_t width = IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + width > max) break;
        i += width;
        end = i;
    }
    text.resize(end);
}

// No real title, category, time or address comes near these sizes; a page that
// sends larger ones would only make the tree and every copy of it huge.
void BoundFields(ArticleInfo& article) {
    Bound(article.title, 1024);
    Bound(article.category, 1024);
    Bound(article.time, 256);
    Bound(article.url, 4096);
    Bound(article.id, 256);
}

int Depth(const ArticleTree& tree, int item) {
    int depth = 0;
    for (int p = tree.GetParentItem(item); p; p = tree.GetParentItem(p)) ++depth;
    return depth;
}

// Pre-order successor: first child, else next sibling, else the next sibling of
// the nearest ancestor that has one.
int NextInPreOrder(const ArticleTree& tree, int item) {
    if (const int child = tree.GetChildItem(item)) return child;
    for (int it = item; it; it = tree.GetParentItem(it)) {
        if (const int sibling = tree.GetNextSiblingItem(it)) return sibling;
    }
    return 0;
}

std::vector<std::string> CookieDomains(const std::string& address, const EngineList& engines) {
    std::vector<std::string> domains;
    const std::string typed = HostOf(address);
    if (!typed.empty()) domains.push_back(typed);
    for (const auto& engine : engines) {
        for (const std::string& domain : engine->ServiceDomains()) domains.push_back(domain);
    }
    return domains;
}

}  // namespace

Job::Job(JobOptions options, JobListener& listener)
    : Job(std::move(options), listener, [](SiteContext& site) { return CreateEngines(site); }) {}

Job::Job(JobOptions options, JobListener& listener, const EngineFactory& makeEngines)
    : options_(std::move(options)), listener_(listener) {
    engines_ = makeEngines(*this);
    SessionOptions session;
    session.retry.attempts = std::max(1, options_.attempts);
    session.retry.firstDelay = options_.firstRetryDelay;
    session.maxPerHost = std::max(1, options_.workers);
    session.requestDelay = options_.requestDelay;
    session.cookies = options_.cookies;
    session.cookieDomains = CookieDomains(options_.address, engines_);
    session.onWait = [this](const std::string& host, int seconds) {
        Status(Format(Gbk("服务器繁忙，%d 秒后重试：%s").c_str(), seconds, host.c_str()));
    };
    session.onGiveUp = [this](const std::string& address, const FetchResult& result) {
        OnGiveUp(address, result);
    };
    session.stop = cancel_.get_token();
    session.stopWaits = stopWaits_.get_token();
    http_ = std::make_unique<HttpSession>(std::move(session));
    tree_.SetObserver([this](const TreeChange& change) {
        Notify([&](JobListener& l) { l.OnTreeChanged(change); });
    });
}

Job::~Job() {
    Cancel();
    if (runner_.joinable()) runner_.join();
}

void Job::Start() {
    if (runner_.joinable() || finished_) return;
    runner_ = std::jthread([this] { Run(); });
}

void Job::Pause() {
    gate_.Close();
    Status(Gbk("暂停下载"));
}

void Job::Continue() {
    gate_.Open();
    Status(Gbk("继续下载"));
}

void Job::Stop() {
    stopped_ = true;
    stopWaits_.request_stop();
    gate_.Wake();
    Status(Gbk("停止下载"));
}

void Job::Cancel() {
    stopped_ = true;
    stopWaits_.request_stop();
    cancel_.request_stop();
    gate_.Wake();
}

void Job::Wait() {
    if (runner_.joinable()) runner_.join();
}

const std::vector<TreeEntry>& Job::Entries() const {
    return entries_;
}

void Job::Notify(const std::function<void(JobListener&)>& call) {
    std::lock_guard lock(notifyMutex_);
    call(listener_);
}

void Job::Status(const std::string& text) {
    Notify([&](JobListener& l) { l.OnStatus(text); });
}

void Job::Message(const std::string& text) {
    {
        std::lock_guard lock(resultMutex_);
        result_.messages.push_back(text);
    }
    Notify([&](JobListener& l) { l.OnMessage(text); });
}

// A list page that never came (a failure that outlived its retries, a refusal,
// a page too large) means articles no one can name are missing: the job says
// so and is not complete. A page that is not there (404, 410) is the end of a
// list, as services answer past the last page; it is told only when the blog
// could not be read at all.
void Job::OnGiveUp(const std::string& address, const FetchResult& result) {
    if (state_ != JobState::Listing) return;
    const std::string text = Gbk("无法获取页面：") + address + "  " + FetchFailureText(result);
    const bool notThere = result.kind == FetchResult::Kind::HttpStatus &&
                          (result.status == 404 || result.status == 410);
    if (notThere) {
        std::lock_guard lock(resultMutex_);
        listingFailure_ = text;
        return;
    }
    {
        std::lock_guard lock(resultMutex_);
        result_.listingIncomplete = true;
    }
    Message(text);
}

// The books are made all the same; only a later run cannot continue from here.
void Job::RecordUnwritable() {
    if (recordUnwritable_.exchange(true)) return;
    Message(Gbk("无法写入任务记录，中断后将不能从这里继续：") +
            ToAnsi(folder_->Path() + Manifest::kFileName));
}

bool Job::ListingIncomplete() {
    std::lock_guard lock(resultMutex_);
    return result_.listingIncomplete;
}

bool Job::Stopping() const {
    return stopped_.load() || Cancelled();
}

void Job::SetState(JobState state) {
    state_ = state;
    Notify([&](JobListener& l) { l.OnStateChanged(state); });
}

bool Job::PauseFor(std::chrono::milliseconds wait) {
    const auto until = std::chrono::steady_clock::now() + wait;
    const std::stop_token stop = stopWaits_.get_token();
    while (std::chrono::steady_clock::now() < until) {
        if (stop.stop_requested()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Nothing a page does may end the program: whatever a step throws (memory
// running out on a monstrous page, say) ends the job with the reason.
void Job::Run() {
    try {
        RunSteps();
    } catch (const std::exception& e) {
        if (ending_) return;  // the end was being told: telling it again helps no one
        const std::string text = Gbk("任务因错误而中止：") + e.what();
        Message(text);
        Finish(JobResult::End::NoBook, text);
    }
}

void Job::RunSteps() {
    SetState(JobState::Listing);
    if (!List()) {
        const std::string text = Gbk("未能识别该博客类型，请联系作者添加!");
        // Why the blog's pages did not read as any service's, when a request
        // failed for good (failures worth retrying were told as they came).
        std::string failure;
        {
            std::lock_guard lock(resultMutex_);
            if (!result_.listingIncomplete) failure = listingFailure_;
            result_.listingIncomplete = false;  // there is no listing to speak of
        }
        if (!failure.empty() && !Cancelled()) Message(failure);
        Status(text);
        Finish(Cancelled() ? JobResult::End::Cancelled : JobResult::End::NoEngine, text);
        return;
    }
    if (Cancelled()) return Finish(JobResult::End::Cancelled, {});
    if (Stopping()) {
        std::lock_guard lock(resultMutex_);
        result_.listingIncomplete = true;  // the stop may have cut the listing short
    } else if (ListingIncomplete()) {
        Message(Gbk("文章列表不完整：有的列表页面没有下载成功，书中可能缺少文章"));
    }
    Status(Gbk("文章列表获取完毕，可以下载备份成书了"));
    SetState(JobState::Downloading);
    if (!PrepareFolder()) return;
    PlanTasks();
    Download();
    if (Cancelled()) return Finish(JobResult::End::Cancelled, {});

    Status(Gbk("文章列表下载完毕，开始制作电子书……"));
    SetState(JobState::Building);
    const BookDescription book = Describe();
    entries_ = book.entries;
    const BookStepResult made = MakeBooks(
        book,
        [this](const std::string& line) {
            Notify([&](JobListener& l) { l.OnCompilerLine(line); });
        },
        cancel_.get_token());
    if (Cancelled()) return Finish(JobResult::End::Cancelled, {});
    Deliver(made);
}

// ---- listing ----

int Job::InsertItem(int parent, const std::string& text, int image, int selectedImage) {
    return tree_.InsertItem(parent, text, image, selectedImage);
}

bool Job::List() {
    Notify([](JobListener& l) {
        TreeChange reset;
        reset.op = TreeOp::DeleteAll;
        l.OnTreeChanged(reset);
    });
    engine_ = ChooseEngine(engines_, options_.address);
    if (!engine_) return false;
    rootItem_ = InsertItem(0, engine_->blogName, kImageBookClosed, kImageBookClosedSelected);
    Status(Gbk("正在获取文章分类……"));
    std::vector<std::string> categories;
    if (!engine_->GetCategories(categories)) {
        engine_ = nullptr;
        return false;
    }
    for (const auto& name : categories) {
        const int item = InsertItem(rootItem_, name, kImageBookClosed, kImageBookClosedSelected);
        categories_.emplace(name, item);  // the first item of a name wins
    }
    tree_.Expand(rootItem_);
    engine_->ListArticles([this](const ArticleInfo& article) { return OnArticleListed(article); });
    return true;
}

bool Job::OnArticleListed(const ArticleInfo& listed) {
    if (Stopping()) return false;
    if (static_cast<int>(articles_.size()) >= options_.maxArticles) {
        {
            std::lock_guard lock(resultMutex_);
            result_.listingIncomplete = true;
        }
        Message(
            Format(Gbk("文章数量超过上限 %d 篇，其余文章没有列出").c_str(), options_.maxArticles));
        return false;
    }
    ArticleInfo article = listed;
    BoundFields(article);
    int category = 0;
    const auto found = categories_.find(article.category);
    if (found != categories_.end()) {
        category = found->second;
    } else {
        category =
            InsertItem(rootItem_, article.category, kImageBookClosed, kImageBookClosedSelected);
        categories_.emplace(article.category, category);
    }
    const int item = InsertItem(category, article.title, kImagePage, kImagePageSelected);
    if (!item) return true;
    articles_.push_back(std::move(article));
    tree_.SetItemData(item, &articles_.back());
    return true;
}

// ---- folder and plan ----

bool Job::PrepareFolder() {
    const std::string name = ReadableFileName(ToUtf8(engine_->account));
    JobFolder::Status status = JobFolder::Status::Failed;
    std::string error;
    folder_ = JobFolder::Open(options_.jobRoot, name, engine_->homeUrl, &status, &error);
    if (!folder_) {
        const bool busy = status == JobFolder::Status::Busy;
        const std::string text =
            busy ? Gbk("这个博客正在由另一个任务下载，请等它结束后再试：") + ToAnsi(error)
                 : Gbk("无法创建任务文件夹：") + ToAnsi(error);
        Status(text);
        Finish(busy ? JobResult::End::Busy : JobResult::End::NoBook, text);
        return false;
    }
    if (options_.fresh) folder_->Clear();
    manifest_ = std::make_unique<Manifest>();
    if (!manifest_->Open(folder_->Path() + Manifest::kFileName)) RecordUnwritable();
    pictures_ = std::make_unique<PictureStore>(*http_, folder_->ImageDir(), options_.pictureBudget);
    for (const auto& [url, reference] : manifest_->Pictures()) pictures_->Remember(url, reference);
    pictures_->SetOnSaved([this](const std::string& url, const std::string& reference) {
        if (!manifest_->PictureSaved(url, reference)) RecordUnwritable();
    });
    nextNumber_ = manifest_->HighestNumber();
    return true;
}

void Job::PlanTasks() {
    for (int item = tree_.GetRootItem(); item; item = NextInPreOrder(tree_, item)) {
        ArticleInfo* article = tree_.GetItemData(item);
        if (!article) continue;
        const std::string key = ArticleKey(*article);
        if (const auto known = taskOf_.find(key); known != taskOf_.end()) {
            // An article listed again keeps its place; its page is made from the
            // later listing, which names its own category where the first one
            // (Sina's 全部博文) names the listing.
            tasks_[known->second].article = article;
            continue;
        }
        taskOf_.emplace(key, tasks_.size());
        Task task;
        task.article = article;
        task.key = key;
        tasks_.push_back(std::move(task));
    }
    int had = 0;
    for (size_t i = 0; i < tasks_.size(); ++i) {
        Task& task = tasks_[i];
        const auto saved = manifest_->Articles().find(task.key);
        if (saved != manifest_->Articles().end() &&
            ::access((folder_->Path() + saved->second).c_str(), R_OK) == 0) {
            task.saved = true;
            fileNames_[task.key] = saved->second;
            ++had;
        } else {
            pending_.push_back(i);
        }
    }
    result_.resumedWith = had;
    begun_ = had;
    if (had > 0) {
        Status(Format(Gbk("继续上次的任务：已有 %d 篇文章，还需下载 %d 篇").c_str(), had,
                      static_cast<int>(pending_.size())));
    }
}

// ---- download ----

void Job::Download() {
    if (!gate_.IsOpen()) Status(Gbk("暂停下载"));
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
    for (;;) {
        gate_.Pass([this] { return Stopping(); });
        if (Stopping()) return;
        const size_t index = nextPending_.fetch_add(1);
        if (index >= pending_.size()) return;
        Task& task = tasks_[pending_[index]];
        try {
            DownloadTask(task);
        } catch (const std::exception& e) {
            task.tried = true;
            task.outcome = ArticleOutcome::Fail(Gbk("下载文章时出错：") + e.what());
            try {
                Message(task.outcome.reason);
            } catch (const std::exception&) {
                // It is in the report all the same.
            }
        }
    }
}

void Job::DownloadTask(Task& task) {
    ArticleInfo& article = *task.article;
    const int number = ++nextNumber_;
    const std::string fileName = std::to_string(number) + ".html";
    {
        std::lock_guard lock(tasksMutex_);
        article.fileName = fileName;
        article.localPath = folder_->Path() + fileName;
        fileNames_[task.key] = fileName;
    }
    const int begun = ++begun_;
    const int total = static_cast<int>(tasks_.size());
    Status(Format(Gbk("正在下载[%d/%d]：%s").c_str(), begun, total, article.title.c_str()));
    ArticleOutcome outcome = engine_->DownloadArticle(article);
    // Services answer busy moments with pages that lack the article.
    if (outcome.markersMissing && !Stopping() && PauseFor(kBusyPageWait)) {
        outcome = engine_->DownloadArticle(article);
    }
    // Cut off by the stop: not a failure, and not saved; the next run fetches it.
    if (outcome.kind == ArticleOutcome::Kind::Interrupted) {
        std::lock_guard lock(tasksMutex_);
        fileNames_.erase(task.key);  // no page: its entries lead nowhere
        return;
    }
    task.tried = true;
    if (outcome.Saved()) {
        task.saved = true;
        if (!manifest_->ArticleSaved(task.key, fileName)) RecordUnwritable();
    } else if (outcome.kind == ArticleOutcome::Kind::Failed) {
        Message(outcome.reason);
    }
    task.outcome = std::move(outcome);
    Notify([&](JobListener& l) { l.OnArticleProgress(begun, total, article.title); });
}

// ---- books ----

BookDescription Job::Describe() const {
    BookDescription book;
    book.dir = folder_->Path();
    book.name = SafeFolderName(engine_->account);
    book.title = engine_->blogName;
    book.author = engine_->author.empty() ? engine_->blogName : engine_->author;
    book.homeUrl = engine_->homeUrl;
    book.formats = options_.formats;
    for (int item = tree_.GetRootItem(); item; item = NextInPreOrder(tree_, item)) {
        TreeEntry entry;
        entry.depth = Depth(tree_, item);
        entry.text = tree_.GetItemText(item);
        if (const ArticleInfo* listed = tree_.GetItemData(item)) {
            entry.article = true;
            const std::string key = ArticleKey(*listed);
            const auto name = fileNames_.find(key);
            if (name != fileNames_.end()) entry.fileName = name->second;
            // Every entry of an article shows the one page that was made.
            const auto task = taskOf_.find(key);
            const ArticleInfo* article =
                task != taskOf_.end() ? tasks_[task->second].article : listed;
            entry.title = article->title;
            entry.time = article->time;
            entry.category = article->category;
            entry.url = article->url;
            entry.heading = ArticleHeading(*article);
        }
        book.entries.push_back(std::move(entry));
    }
    return book;
}

void Job::CollectMissing() {
    for (const Task& task : tasks_) {
        if (task.saved) {
            ++result_.saved;
            continue;
        }
        if (task.tried && task.outcome.kind == ArticleOutcome::Kind::Skipped) continue;
        MissingArticle missing;
        missing.title = task.article->title;
        missing.url = task.article->url;
        missing.reason = task.tried ? task.outcome.reason : Gbk("下载已停止");
        missing.httpStatus = task.outcome.httpStatus;
        result_.missing.push_back(std::move(missing));
    }
    result_.articles = static_cast<int>(tasks_.size());
    result_.picturesKeptRemote = pictures_ ? pictures_->KeptRemote() : 0;
}

void Job::Deliver(const BookStepResult& books) {
    CollectMissing();
    const std::string dir = folder_->Path();
    const std::string projectName = SafeFolderName(engine_->account);
    const std::string bookName = ReadableFileName(DisplayText(ToUtf8(engine_->account)));
    const std::string desktop = options_.desktopDir;

    // Each book as the file in the folder and its name on the desktop.
    std::vector<std::pair<std::string, std::string>> made;
    std::vector<std::string> failed;
    if (books.chmWanted) {
        if (books.chm.Made()) {
            made.emplace_back(projectName + ".chm", bookName + ".chm");
        } else {
            failed.push_back("CHM");
            result_.compilerMissing = books.chm.kind == CompileResult::Kind::CompilerMissing;
            if (!books.chm.reason.empty()) Status(Gbk("电子书编译失败：") + books.chm.reason);
        }
    }
    if (books.epubWanted) {
        if (books.epubMade) {
            made.emplace_back(projectName + ".epub", bookName + ".epub");
        } else {
            failed.push_back("EPUB");
        }
    }
    // The desktop is the user's: only this blog's own earlier book is replaced
    // there, and not by a book cut short (a short listing, a stopped job).
    const std::string blog = engine_->homeUrl.empty() ? engine_->account : engine_->homeUrl;
    const bool cutShort = ListingIncomplete() || Stopping();
    const std::string recordDir = cutShort ? std::string() : options_.deliveryRecordDir;
    for (const auto& [source, target] : made) {
        const DeliveredBook delivered =
            DeliverBookFile(dir, source, desktop, target, blog, recordDir);
        if (delivered.path.empty()) {
            failed.push_back(source.substr(source.rfind('.') + 1) == "chm" ? "CHM" : "EPUB");
            continue;
        }
        result_.books.push_back(delivered.path);
        if (delivered.renamed) {
            Message(BookRenamedText(target, delivered.path.substr(delivered.path.rfind('/') + 1)));
        }
    }

    result_.booksFailed = failed;
    const bool allBooks = failed.empty() && !result_.books.empty();
    const bool complete = allBooks && result_.missing.empty() && !ListingIncomplete();
    result_.jobFolder = dir;
    if (!complete || options_.keepDownloads) {
        result_.reportPath = WriteReport(dir, result_, engine_->blogName, engine_->homeUrl);
    }
    if (complete && !options_.keepDownloads) {
        folder_->Remove();
        result_.jobFolder.clear();
    }

    std::string text;
    if (allBooks) {
        text = BookDeliveredText();
    } else if (!result_.books.empty()) {
        text = Gbk(failed.front() == "CHM" ? "CHM 电子书制作失败，EPUB 电子书已放到桌面上；"
                                           : "EPUB 电子书制作失败，CHM 电子书已放到桌面上；") +
               BookFailedText(dir);
    } else {
        text = BookFailedText(dir);
    }
    Status(text);
    Finish(result_.books.empty() ? JobResult::End::NoBook : JobResult::End::Delivered, text);
}

void Job::Finish(JobResult::End end, const std::string& finalText) {
    ending_ = true;
    {
        std::lock_guard lock(resultMutex_);
        result_.end = end;
        result_.finalText = finalText;
        if (end == JobResult::End::Cancelled && folder_) result_.jobFolder = folder_->Path();
    }
    folder_.reset();  // releases the lock before anyone hears of the end
    state_ = JobState::Idle;
    Notify([&](JobListener& l) {
        l.OnStateChanged(JobState::Idle);
        l.OnFinished(result_);
    });
    finished_ = true;
}

}  // namespace pw

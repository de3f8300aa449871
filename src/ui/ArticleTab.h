#pragma once
// "博客文章下载": the address box, the start button and the article tree. Each
// press of the button makes one Job for the address; the tree view mirrors the
// job's tree as it reports its changes. Pause, continue and stop act on the
// running job; the end of a job is told in one box or one report, on the GUI
// thread and after the job has finished.

#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "job/JobOptions.h"
#include "net/CookieSource.h"
#include "ui/JobMetaTypes.h"
#include "ui/WidgetLayout.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pw {

class Job;
class JobSignals;
class Prompter;

// The address shown in the box when the page opens: a Baidu Space blog.
inline constexpr const char* kExampleAddress = "http://hi.baidu.com/pagewell";

class ArticleTab : public QWidget {
    Q_OBJECT
public:
    // Makes the options of a job for an address; tests give
    // their own. Empty: the settings' options, books to the desktop.
    using OptionsMaker = std::function<JobOptions(const std::string& address)>;

    ArticleTab(Prompter& prompter, QWidget* parent = nullptr);
    // Cancels a running job and waits for its threads.
    ~ArticleTab() override;

    QLineEdit* AddressEdit() const { return address_; }
    QPushButton* StartButton() const { return start_; }
    QTreeWidget* TreeView() const { return tree_; }
    // The view's item for a job's tree handle, or null.
    QTreeWidgetItem* ViewItem(int handle) const { return items_.value(handle, nullptr); }

    // The last job, running or finished; null before the first.
    const Job* CurrentJob() const { return job_.get(); }
    bool JobRunning() const;

    // The browser tab's cookies, sent with the next jobs to their blog service.
    void SetCookieSource(CookieSource cookies) { cookies_ = std::move(cookies); }
    void SetOptionsMaker(OptionsMaker maker) { makeOptions_ = std::move(maker); }

public slots:
    // The start button: a job for the address in the box, continuing what an
    // earlier run of that blog saved.
    void StartJob();
    // The same, throwing away what an earlier run saved.
    void StartJobOver();
    // 暂停下载, 继续下载, 停止下载.
    void PauseJob();
    void ContinueJob();
    void StopJob();
    // The window is closing: the job ends at once, its folder stays for the
    // next run; returns when its threads have ended.
    void CancelJob();

signals:
    // Status part 1.
    void statusChanged(const QString& text);
    void runningChanged(bool running);
    // The job's phase: listing, downloading, building, idle.
    void stateChanged(pw::JobState state);
    void articleProgress(int done, int total);
    // A job has ended (before its end is told).
    void jobFinished(const pw::JobResult& result);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Start(bool fresh);
    void OnTreeChanged(const TreeChange& change);
    void OnFinished(const JobResult& result);
    void OnItemExpanded(QTreeWidgetItem* item, bool expanded);
    void TellEnd(const JobResult& result);
    void OfferCompilerInstall();

    Prompter& prompter_;
    WidgetLayout layout_;
    QLineEdit* address_ = nullptr;
    QPushButton* start_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QHash<int, QTreeWidgetItem*> items_;
    CookieSource cookies_;
    OptionsMaker makeOptions_;
    // The signals outlive the job: its threads report into them until it has
    // been joined.
    std::unique_ptr<JobSignals> signals_;
    std::unique_ptr<Job> job_;
    bool running_ = false;    // from the press until the job's end has arrived here
    bool cancelled_ = false;  // the window is closing: nothing more is told
};

}  // namespace pw

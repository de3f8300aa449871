#include "ui/ArticleTab.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "app/AppSettings.h"
#include "app/Paths.h"
#include "job/ArticleTree.h"
#include "job/Job.h"
#include "ui/DialogUnits.h"
#include "ui/JobReportDialog.h"
#include "ui/JobSignals.h"
#include "ui/Prompter.h"
#include "ui/SwallowKeys.h"
#include "ui/TreeImages.h"
#include "ui/UiText.h"

namespace pw {

ArticleTab::ArticleTab(Prompter& prompter, QWidget* parent)
    : QWidget(parent), prompter_(prompter), layout_(this) {
    setObjectName("articlePage");
    resize(DluToPixels(452, 261));

    address_ = new QLineEdit(this);
    address_->setObjectName("address");
    address_->setGeometry(DluRect(10, 1, 347, 14));

    start_ = new QPushButton(U8("一键下载制作成书"), this);
    start_->setObjectName("start");
    start_->setGeometry(DluRect(360, 1, 82, 14));

    tree_ = new QTreeWidget(this);
    tree_->setObjectName("articles");
    tree_->setGeometry(DluRect(10, 16, 432, 245));
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);  // buttons and lines at the root
    tree_->setIconSize(QSize(kTreeImageSize, kTreeImageSize));

    layout_.Record(this);
    layout_.SetAnchors(address_, kAnchorStretch, kAnchorFixed);
    layout_.SetAnchors(start_, kAnchorMoveWithFar, kAnchorFixed);
    layout_.SetAnchors(tree_, kAnchorStretch, kAnchorStretch);

    address_->setText(U8(kExampleAddress));

    connect(start_, &QPushButton::clicked, this, &ArticleTab::StartJob);
    connect(tree_, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { OnItemExpanded(item, true); });
    connect(tree_, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { OnItemExpanded(item, false); });
}

ArticleTab::~ArticleTab() {
    CancelJob();
}

bool ArticleTab::JobRunning() const {
    return running_;
}

void ArticleTab::StartJob() {
    Start(false);
}

void ArticleTab::StartJobOver() {
    Start(true);
}

void ArticleTab::Start(bool fresh) {
    if (running_) return;
    const std::string address = address_->text().toStdString();
    JobOptions options =
        makeOptions_ ? makeOptions_(address) : Settings().MakeJobOptions(address, GetDesktopDir());
    options.fresh = fresh;
    if (cookies_) options.cookies = cookies_;

    job_.reset();  // the last one has finished; this joins its thread
    signals_ = std::make_unique<JobSignals>();
    connect(signals_.get(), &JobSignals::statusChanged, this, &ArticleTab::statusChanged);
    // chmcmd's own lines are the progress texts of the compile.
    connect(signals_.get(), &JobSignals::compilerLine, this, [this](const QString& line) {
        if (!line.isEmpty()) emit statusChanged(U8("正在编译：%1\n").arg(line));
    });
    connect(signals_.get(), &JobSignals::treeChanged, this, &ArticleTab::OnTreeChanged);
    connect(signals_.get(), &JobSignals::stateChanged, this, &ArticleTab::stateChanged);
    connect(signals_.get(), &JobSignals::articleProgress, this,
            [this](int done, int total) { emit articleProgress(done, total); });
    connect(signals_.get(), &JobSignals::finished, this, &ArticleTab::OnFinished);

    job_ = std::make_unique<Job>(std::move(options), *signals_);
    running_ = true;
    cancelled_ = false;
    start_->setEnabled(false);
    emit runningChanged(true);
    job_->Start();
}

void ArticleTab::PauseJob() {
    if (running_) {
        job_->Pause();
    } else {
        emit statusChanged(U8("暂停下载"));
    }
}

void ArticleTab::ContinueJob() {
    if (running_) {
        job_->Continue();
    } else {
        emit statusChanged(U8("继续下载"));
    }
}

void ArticleTab::StopJob() {
    if (running_) {
        job_->Stop();
    } else {
        emit statusChanged(U8("停止下载"));
    }
}

void ArticleTab::CancelJob() {
    if (!job_) return;
    cancelled_ = true;
    job_->Cancel();
    job_->Wait();
}

void ArticleTab::keyPressEvent(QKeyEvent* event) {
    if (!SwallowEnterAndEscape(event)) QWidget::keyPressEvent(event);
}

void ArticleTab::OnFinished(const JobResult& result) {
    running_ = false;
    start_->setEnabled(true);
    emit runningChanged(false);
    emit jobFinished(result);
    // A cancelled job belongs to a window that is closing: nothing to tell,
    // even when the job had ended just before.
    if (!cancelled_ && result.end != JobResult::End::Cancelled) TellEnd(result);
}

void ArticleTab::TellEnd(const JobResult& result) {
    if (result.compilerMissing) OfferCompilerInstall();
    const JobEndReport report = MakeJobEndReport(result);
    if (report.HasDetails()) {
        prompter_.ShowJobReport(report);
    } else if (!report.finalText.isEmpty()) {
        prompter_.Tell(report.finalText);
    }
}

void ArticleTab::OfferCompilerInstall() {
    if (!prompter_.Ask(U8("编译电子书的必备文件“chmcmd”不存在，是否从网上下载？"))) return;
    prompter_.Tell(U8("chmcmd 无法从网上下载：请用系统的软件包管理器安装 Debian 软件包 "
                      "fp-utils（例如 sudo apt-get install fp-utils），然后重新制作电子书。"),
                   QMessageBox::Information);
}

void ArticleTab::OnTreeChanged(const TreeChange& change) {
    switch (change.op) {
        case TreeOp::Insert: {
            QTreeWidgetItem* parent = items_.value(change.parent, nullptr);
            if (change.parent && !parent) return;
            auto* item = new QTreeWidgetItem;
            item->setText(0, Shown(change.text));
            item->setIcon(0, TreeItemIcon(change.kind));
            if (parent) {
                parent->addChild(item);
            } else {
                tree_->addTopLevelItem(item);
            }
            items_.insert(change.item, item);
            break;
        }
        case TreeOp::Expand:
            if (QTreeWidgetItem* item = items_.value(change.item, nullptr)) {
                // Expanding by program raises no expansion notification.
                const QSignalBlocker quiet(tree_);
                item->setExpanded(true);
            }
            break;
        case TreeOp::DeleteAll:
            items_.clear();
            tree_->clear();
            break;
    }
}

void ArticleTab::OnItemExpanded(QTreeWidgetItem* item, bool expanded) {
    // The job's tree is finished with once listed; the pictures are the view's.
    item->setIcon(0, TreeItemIcon(TreeItemKind::Category, expanded));
}

}  // namespace pw

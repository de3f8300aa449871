#include "ui/UpdateRunner.h"

#include <system_error>

#include "ui/DownloadDialog.h"
#include "ui/PendingAnswer.h"
#include "ui/Prompter.h"
#include "ui/UiText.h"

namespace pw {

UpdateRunner::UpdateRunner(QWidget* window, Prompter& prompter, UpdateInfo& info,
                           std::string address,
                           std::function<void(const std::string& address)> openInBrowser)
    : window_(window),
      prompter_(prompter),
      info_(info),
      address_(std::move(address)),
      openInBrowser_(std::move(openInBrowser)) {}

UpdateRunner::~UpdateRunner() {
    Stop();
}

template <class Fn>
void UpdateRunner::Post(std::stop_token stop, Fn fn) {
    QMetaObject::invokeMethod(
        this,
        [stop, fn = std::move(fn)]() mutable {
            if (!stop.stop_requested()) fn();
        },
        Qt::QueuedConnection);
}

void UpdateRunner::StartCheck() {
    Start(&CheckForUpdate);
}

void UpdateRunner::StartRun() {
    Start(&RunUpdate);
}

void UpdateRunner::Start(int (*routine)(const UpdateContext& ctx)) {
    Reap();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    try {
        std::jthread thread([this, routine, ended](std::stop_token stop) {
            routine(MakeContext(stop));
            *ended = true;
        });
        workers_.push_back({std::move(thread), ended});
    } catch (const std::system_error&) {
        // No thread, no check; the next command tries again.
    }
}

void UpdateRunner::Stop() {
    for (Worker& worker : workers_) worker.thread.request_stop();
    workers_.clear();  // joins
}

int UpdateRunner::Running() const {
    int running = 0;
    for (const Worker& worker : workers_) running += *worker.ended ? 0 : 1;
    return running;
}

void UpdateRunner::Reap() {
    workers_.remove_if([](const Worker& worker) { return worker.ended->load(); });
}

UpdateContext UpdateRunner::MakeContext(std::stop_token stop) {
    UpdateContext ctx;
    ctx.info = &info_;
    ctx.address = address_;
    ctx.stop = stop;
    ctx.busy = &busy_;
    ctx.status = [this, stop](const std::string& text) {
        Post(stop, [this, text = QString::fromStdString(text)] { emit statusChanged(text); });
    };
    ctx.notice = [this, stop](int kind) {
        Post(stop, [this, kind] {
            prompter_.Tell(QString::fromStdString(UpdateNoticeText(kind)),
                           QMessageBox::Information);
        });
    };
    ctx.message = [this, stop](const std::string& text) {
        Post(stop, [this, text = QString::fromStdString(text)] {
            prompter_.Tell(text, QMessageBox::Warning);
        });
    };
    ctx.askUpdate = [this, stop](const std::string& question) {
        auto answer = std::make_shared<PendingAnswer<bool>>();
        Post(stop, [this, answer, question = QString::fromStdString(question)] {
            if (answer->Abandoned()) return;
            answer->Set(prompter_.Show({QMessageBox::Information, question,
                                        QString::fromStdString(UpdateQuestionCaption()), true}));
        });
        return answer->Wait(stop).value_or(false);
    };
    ctx.download = [this, stop](const std::string& source, const std::string& target) {
        auto answer = std::make_shared<PendingAnswer<UpdateDownload>>();
        Post(stop, [this, answer, source, target] {
            if (answer->Abandoned()) return;
            DownloadDialog dialog(prompter_, window_.data());
            dialog.SetTransfer(source, target, true);
            dialog.SetHttpsOnly(true);
            const bool ok = dialog.exec() == QDialog::Accepted;
            answer->Set({ok, dialog.CameOverHttps()});
        });
        return answer->Wait(stop).value_or(UpdateDownload{});
    };
    ctx.openInBrowser = openInBrowser_;
    ctx.quit = [this, stop] { Post(stop, [this] { emit quitRequested(); }); };
    if (hook_) hook_(ctx);
    return ctx;
}

}  // namespace pw

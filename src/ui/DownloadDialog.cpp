#include "ui/DownloadDialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <chrono>
#include <climits>
#include <filesystem>
#include <system_error>

#include "ui/CredentialsDialog.h"
#include "ui/DownloadFormat.h"
#include "ui/DownloadMeter.h"
#include "ui/PendingAnswer.h"
#include "ui/Prompter.h"
#include "ui/UiText.h"

namespace pw {

namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QLabel* AddLabel(QVBoxLayout* layout, QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    // File and server names come from the update description: never markup.
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    layout->addWidget(label);
    return label;
}

int Kilobytes(int64_t bytes) {
    const int64_t kb = (bytes + 512) / 1024;
    return kb > INT_MAX ? INT_MAX : static_cast<int>(kb);
}

}  // namespace

// Runs on the worker. The meter runs here too, so only the changes the display
// shows are posted; the credentials question is the one call that waits.
class DownloadDialog::Listener : public DownloadListener {
public:
    Listener(DownloadDialog* dialog, std::stop_token stop) : dialog_(dialog), stop_(stop) {}

    void OnStep(DownloadStep step, const std::string& info) override {
        Post([d = dialog_, step, info] { d->OnStep(step, info); });
    }
    void OnResponse(int64_t size) override {
        meter_.emplace(size, NowMs());
        Post([d = dialog_, size] { d->OnResponse(size); });
    }
    void OnReceived(int64_t received) override {
        if (!meter_) return;
        const DownloadProgress progress = meter_->Add(received - meter_->Received(), NowMs());
        if (progress.HasNews()) Post([d = dialog_, progress] { d->OnProgress(progress); });
    }
    std::optional<DownloadCredentials> OnCredentials(bool proxy) override {
        auto answer = std::make_shared<PendingAnswer<std::optional<DownloadCredentials>>>();
        Post([d = dialog_, answer, proxy] {
            if (!answer->Abandoned()) answer->Set(d->AskCredentials(proxy));
        });
        return answer->Wait(stop_).value_or(std::nullopt);
    }

private:
    template <class Fn>
    void Post(Fn fn) {
        QMetaObject::invokeMethod(dialog_, std::move(fn), Qt::QueuedConnection);
    }

    DownloadDialog* dialog_;
    std::stop_token stop_;
    std::optional<DownloadMeter> meter_;
};

DownloadDialog::DownloadDialog(Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
    setWindowTitle(U8("文件下载"));
    auto* layout = new QVBoxLayout(this);
    animation_ = new QProgressBar(this);
    animation_->setObjectName("animation");
    animation_->setTextVisible(false);
    animation_->setMaximumHeight(8);
    animation_->setRange(0, 1);
    layout->addWidget(animation_);
    status_ = AddLabel(layout, this, "status");
    file_ = AddLabel(layout, this, "file");
    bar_ = new QProgressBar(this);
    bar_->setObjectName("progress");
    bar_->setTextVisible(false);
    bar_->setValue(0);
    layout->addWidget(bar_);
    timeLeft_ = AddLabel(layout, this, "timeLeft");
    speed_ = AddLabel(layout, this, "speed");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cancel_ = new QPushButton(U8("取消"), this);
    cancel_->setObjectName("cancel");
    connect(cancel_, &QPushButton::clicked, this, &DownloadDialog::reject);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

DownloadDialog::~DownloadDialog() {
    if (!worker_.joinable()) return;
    // Only a dialog torn down without its end message gets here with the worker
    // still busy; it must not be left writing into a closed dialog.
    worker_.request_stop();
    worker_.join();
}

void DownloadDialog::SetTransfer(std::string source, std::string target, bool overwrite) {
    source_ = std::move(source);
    target_ = std::move(target);
    overwrite_ = overwrite;
}

int DownloadDialog::exec() {
    if (!Start()) {
        done_ = true;
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

bool DownloadDialog::Start() {
    if (!ParseDownloadAddress(source_, address_)) return false;
    std::error_code ec;
    if (!overwrite_ && std::filesystem::exists(target_, ec) &&
        !prompter_.Ask(QString::fromStdString(FormatOverwriteQuestion(target_)))) {
        return false;
    }
    download_ = std::make_unique<FileDownload>(address_.url, target_);
    download_->SetStallSeconds(stallSeconds_);
    download_->SetHttpsOnly(httpsOnly_);
    if (const int error = download_->OpenTarget()) {
        prompter_.Tell(QString::fromStdString(FormatFileOpenFailure(error)), QMessageBox::Warning);
        return false;
    }
    displayName_ = DownloadDisplayName(address_.object);
    file_->setText(QString::fromStdString(FormatDownloadFileText(displayName_, address_.server)));

    try {
        worker_ = std::jthread([this](std::stop_token stop) { Work(stop); });
    } catch (const std::system_error&) {
        return false;
    }
    animation_->setRange(0, 0);  // runs until the end message
    return true;
}

void DownloadDialog::Work(std::stop_token stop) {
    Listener listener(this, stop);
    result_ = download_->Run(listener, stop);
    const bool failed = !result_.Ok() && result_.kind != FetchResult::Kind::Stopped;
    QMetaObject::invokeMethod(
        this, [this, failed] { OnDownloadDone(failed); }, Qt::QueuedConnection);
}

void DownloadDialog::OnDownloadDone(bool failed) {
    done_ = true;
    animation_->setRange(0, 1);
    if (abort_) {
        QDialog::reject();
        return;
    }
    if (!failed) {
        accept();
        return;
    }
    prompter_.Tell(QString::fromStdString(FormatDownloadFailure(result_)));
    QDialog::reject();
}

void DownloadDialog::reject() {
    if (done_ || !download_) {
        QDialog::reject();
        return;
    }
    if (abort_) return;
    // The dialog stays until the worker has ended.
    abort_ = true;
    worker_.request_stop();
    cancel_->setEnabled(false);
    SetStatus(DownloadAbortingText());
}

void DownloadDialog::closeEvent(QCloseEvent* event) {
    if (done_ || !download_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    reject();
}

void DownloadDialog::OnStep(DownloadStep step, const std::string& info) {
    if (!abort_) SetStatus(FormatDownloadStep(step, info));
}

void DownloadDialog::OnResponse(int64_t size) {
    if (abort_) return;
    SetStatus(DownloadResponseText());
    if (size >= 0) bar_->setRange(0, Kilobytes(size));
    SetStatus(DownloadTransferText());
}

void DownloadDialog::OnProgress(const DownloadProgress& progress) {
    if (progress.percent) {
        setWindowTitle(
            QString::fromStdString(FormatDownloadCaption(*progress.percent, displayName_)));
        const int64_t kb = progress.received / 1024;
        bar_->setValue(kb > bar_->maximum() ? bar_->maximum() : static_cast<int>(kb));
    }
    if (progress.rate) speed_->setText(QString::fromStdString(FormatDownloadSpeed(*progress.rate)));
    if (progress.secondsLeft) {
        timeLeft_->setText(QString::fromStdString(
            FormatTimeLeft(*progress.secondsLeft, progress.received, progress.size)));
    }
}

std::optional<DownloadCredentials> DownloadDialog::AskCredentials(bool proxy) {
    const QString server = QString::fromStdString(address_.server);
    if (prompt_) return prompt_(server, proxy);
    return CredentialsDialog::Ask(server, proxy, this);
}

void DownloadDialog::SetStatus(const std::string& ansi) {
    status_->setText(QString::fromStdString(ansi));
}

QString DownloadDialog::StatusText() const {
    return status_->text();
}

}  // namespace pw

#include "ui/HttpDownloadDlg.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <climits>
#include <filesystem>
#include <system_error>

#include "ui/DownloadFormat.h"
#include "ui/CredentialsDlg.h"
#include "ui/QtHost.h"
#include "ui/UiText.h"

namespace pw {

// Runs on the worker: every report is posted to the dialog; only the credentials
// question waits for its answer.
class CHttpDownloadDlg::Listener : public IDownloadListener {
public:
    explicit Listener(CHttpDownloadDlg* dialog) : m_dialog(dialog) {}

    void OnStep(DownloadStep step, const std::string& info) override {
        Post([d = m_dialog, step, info] { d->OnStep(step, info); });
    }
    void OnResponse(int64_t size) override {
        Post([d = m_dialog, size] { d->OnResponse(size); });
    }
    void OnProgress(const DownloadProgress& progress) override {
        Post([d = m_dialog, progress] { d->OnProgress(progress); });
    }
    std::optional<DownloadCredentials> OnCredentials(bool proxy) override {
        std::optional<DownloadCredentials> answer;
        QMetaObject::invokeMethod(
            m_dialog, [&] { answer = m_dialog->AskCredentials(proxy); },
            Qt::BlockingQueuedConnection);
        return answer;
    }

private:
    template <class Fn>
    void Post(Fn fn) {
        QMetaObject::invokeMethod(m_dialog, std::move(fn), Qt::QueuedConnection);
    }

    CHttpDownloadDlg* m_dialog;
};

namespace {

QLabel* AddLabel(QVBoxLayout* layout, QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    layout->addWidget(label);
    return label;
}

int Kilobytes(int64_t bytes) {
    const int64_t kb = (bytes + 512) / 1024;
    return kb > INT_MAX ? INT_MAX : static_cast<int>(kb);
}

}  // namespace

CHttpDownloadDlg::CHttpDownloadDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(U8("文件下载"));
    auto* layout = new QVBoxLayout(this);
    m_animation = new QProgressBar(this);
    m_animation->setObjectName("animation");
    m_animation->setTextVisible(false);
    m_animation->setMaximumHeight(8);
    m_animation->setRange(0, 1);
    layout->addWidget(m_animation);
    m_status = AddLabel(layout, this, "status");
    m_file = AddLabel(layout, this, "file");
    m_bar = new QProgressBar(this);
    m_bar->setObjectName("progress");
    m_bar->setTextVisible(false);
    m_bar->setValue(0);
    layout->addWidget(m_bar);
    m_timeLeft = AddLabel(layout, this, "timeLeft");
    m_speed = AddLabel(layout, this, "speed");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_cancel = new QPushButton(U8("取消"), this);
    m_cancel->setObjectName("cancel");
    connect(m_cancel, &QPushButton::clicked, this, &CHttpDownloadDlg::reject);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

CHttpDownloadDlg::~CHttpDownloadDlg() {
    if (!m_worker.joinable()) return;
    // Only a dialog torn down without its end message gets here with the worker
    // still busy; it must not be left writing into a closed dialog.
    m_download->Cancel();
    m_worker.join();
}

int CHttpDownloadDlg::exec() {
    if (!Start()) {
        m_bDone = true;
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

bool CHttpDownloadDlg::Start() {
    if (!ParseDownloadAddress(m_strSource, m_address)) return false;
    std::error_code ec;
    if (!m_bOverwrite && std::filesystem::exists(m_strTarget, ec) &&
        !ShowUiBox(BoxKind::Question, FromAnsi(FormatOverwriteQuestion(m_strTarget)))) {
        return false;
    }
    m_download = std::make_unique<HttpDownload>(m_address.strUrl, m_strTarget);
    m_download->SetStallSeconds(m_nStallSeconds);
    if (const int error = m_download->OpenTarget()) {
        ShowUiBox(BoxKind::Warning, FromAnsi(FormatFileOpenFailure(error)));
        return false;
    }
    m_strDisplayName = DownloadDisplayName(m_address.strObject);
    m_file->setText(FromAnsi(FormatDownloadFileText(m_strDisplayName, m_address.strServer)));

    m_listener = std::make_unique<Listener>(this);
    try {
        m_worker = std::thread(&CHttpDownloadDlg::Work, this);
    } catch (const std::system_error&) {
        return false;
    }
    m_animation->setRange(0, 0);  // runs until the end message
    return true;
}

void CHttpDownloadDlg::Work() {
    m_result = m_download->Run(*m_listener);
    const int wParam = m_result.end == DownloadEnd::kFailed ? 1 : 0;
    QMetaObject::invokeMethod(
        this, [this, wParam] { OnDownloadDone(wParam); }, Qt::QueuedConnection);
}

void CHttpDownloadDlg::OnDownloadDone(int wParam) {
    m_bDone = true;
    m_animation->setRange(0, 1);
    if (m_bAbort) {
        QDialog::reject();
        return;
    }
    if (wParam == 0) {
        accept();
        return;
    }
    ShowUiBox(BoxKind::Plain, FromAnsi(FormatDownloadFailure(m_result.failure, m_result.nCode)));
    QDialog::reject();
}

void CHttpDownloadDlg::reject() {
    if (m_bDone || !m_download) {
        QDialog::reject();
        return;
    }
    if (m_bAbort) return;
    // The dialog stays until the worker has ended.
    m_bAbort = true;
    m_download->Cancel();
    m_cancel->setEnabled(false);
    SetStatus(DownloadAbortingText());
}

void CHttpDownloadDlg::closeEvent(QCloseEvent* event) {
    if (m_bDone || !m_download) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    reject();
}

void CHttpDownloadDlg::OnStep(DownloadStep step, const std::string& info) {
    if (!m_bAbort) SetStatus(FormatDownloadStep(step, info));
}

void CHttpDownloadDlg::OnResponse(int64_t size) {
    if (m_bAbort) return;
    SetStatus(DownloadResponseText());
    if (size >= 0) m_bar->setRange(0, Kilobytes(size));
    SetStatus(DownloadTransferText());
}

void CHttpDownloadDlg::OnProgress(const DownloadProgress& progress) {
    if (progress.percent) {
        setWindowTitle(FromAnsi(FormatDownloadCaption(*progress.percent, m_strDisplayName)));
        const int64_t kb = progress.nReceived / 1024;
        m_bar->setValue(kb > m_bar->maximum() ? m_bar->maximum() : static_cast<int>(kb));
    }
    if (progress.rate) m_speed->setText(FromAnsi(FormatDownloadSpeed(*progress.rate)));
    if (progress.secondsLeft) {
        m_timeLeft->setText(
            FromAnsi(FormatTimeLeft(*progress.secondsLeft, progress.nReceived, progress.nSize)));
    }
}

std::optional<DownloadCredentials> CHttpDownloadDlg::AskCredentials(bool proxy) {
    const QString server = FromAnsi(m_address.strServer);
    if (m_prompt) return m_prompt(server, proxy);
    return CCredentialsDlg::Ask(server, proxy, this);
}

void CHttpDownloadDlg::SetStatus(const std::string& ansi) {
    m_status->setText(FromAnsi(ansi));
}

QString CHttpDownloadDlg::StatusText() const {
    return m_status->text();
}

}  // namespace pw

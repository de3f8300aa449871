#pragma once
// Downloads one file with progress, speed, time left and a Cancel button. The
// transfer runs on a worker thread as a FileDownload; the worker's reports and
// its end are posted to the dialog, never waited for, and its one question
// (credentials) is given up when the dialog goes, so the dialog can always
// wait for the worker.

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "net/DownloadAddress.h"
#include "net/FetchResult.h"
#include "net/FileDownload.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace pw {

class Prompter;
struct DownloadProgress;

class DownloadDialog : public QDialog {
    Q_OBJECT
public:
    // Asks for credentials on the dialog's thread; nothing to give up.
    using CredentialsPrompt =
        std::function<std::optional<DownloadCredentials>(const QString& server, bool proxy)>;

    DownloadDialog(Prompter& prompter, QWidget* parent = nullptr);
    // Cancels a transfer still under way and waits for the worker.
    ~DownloadDialog() override;

    // What to fetch, where to, and whether an existing target is replaced
    // without asking; before exec().
    void SetTransfer(std::string source, std::string target, bool overwrite);
    void SetCredentialsPrompt(CredentialsPrompt prompt) { prompt_ = std::move(prompt); }
    void SetStallSeconds(long seconds) { stallSeconds_ = seconds; }
    // Refuses every address that is not https, redirects included.
    void SetHttpsOnly(bool httpsOnly) { httpsOnly_ = httpsOnly; }

    // Accepted when the whole body was written; Rejected after a cancel, a failure
    // or a refusal to overwrite.
    int exec() override;

    // After exec(): the whole file came, and over https only.
    bool CameOverHttps() const { return httpsOnly_ && result_.Ok(); }
    const FetchResult& Result() const { return result_; }
    QString StatusText() const;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Listener;

    bool Start();
    void Work(std::stop_token stop);
    void OnDownloadDone(bool failed);
    void OnStep(DownloadStep step, const std::string& info);
    void OnResponse(int64_t size);
    void OnProgress(const DownloadProgress& progress);
    std::optional<DownloadCredentials> AskCredentials(bool proxy);
    void SetStatus(const std::string& ansi);

    Prompter& prompter_;
    std::string source_;
    std::string target_;
    bool overwrite_ = false;

    QLabel* status_ = nullptr;
    QLabel* file_ = nullptr;
    QProgressBar* animation_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* timeLeft_ = nullptr;
    QLabel* speed_ = nullptr;
    QPushButton* cancel_ = nullptr;

    DownloadAddress address_;
    std::string displayName_;
    std::unique_ptr<FileDownload> download_;
    std::unique_ptr<Listener> listener_;
    FetchResult result_;
    bool abort_ = false;
    bool done_ = false;
    long stallSeconds_ = 10;
    bool httpsOnly_ = false;
    CredentialsPrompt prompt_;
    std::jthread worker_;  // last: it goes first and reaches everything above
};

}  // namespace pw

#pragma once
// Downloads one file with progress, speed, time left and a Cancel button. The
// transfer runs on a worker thread over HttpDownload; the worker's reports and
// its end (WM_DOWNLOAD_DONE) are posted to the dialog, never sent, so the dialog
// can always wait for the worker without a deadlock.

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "net/DownloadAddress.h"
#include "net/HttpDownload.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace pw {

class CHttpDownloadDlg : public QDialog {
    Q_OBJECT
public:
    // The worker's end message: wParam 0 finished (or aborted), 1 failed.
    static constexpr int WM_DOWNLOAD_DONE = 0x8000 + 1;

    // Asks for credentials on the dialog's thread; nothing to give up.
    using CredentialsPrompt =
        std::function<std::optional<DownloadCredentials>(const QString& server, bool proxy)>;

    explicit CHttpDownloadDlg(QWidget* parent = nullptr);
    // Waits for the worker.
    ~CHttpDownloadDlg() override;

    // The inputs, set before exec().
    std::string m_strSource;
    std::string m_strTarget;
    bool m_bOverwrite = false;

    // Accepted when the whole body was written; Rejected after a cancel, a failure
    // or a refusal to overwrite.
    int exec() override;

    void SetCredentialsPrompt(CredentialsPrompt prompt) { m_prompt = std::move(prompt); }
    void SetStallSeconds(long seconds) { m_nStallSeconds = seconds; }

    // After exec(): every address of the transfer was https.
    bool CameOverHttps() const { return m_result.bSecure; }
    const DownloadResult& Result() const { return m_result; }
    QString StatusText() const;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Listener;

    bool Start();
    void Work();
    void OnDownloadDone(int wParam);
    void OnStep(DownloadStep step, const std::string& info);
    void OnResponse(int64_t size);
    void OnProgress(const DownloadProgress& progress);
    std::optional<DownloadCredentials> AskCredentials(bool proxy);
    void SetStatus(const std::string& ansi);

    QLabel* m_status = nullptr;
    QLabel* m_file = nullptr;
    QProgressBar* m_animation = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_timeLeft = nullptr;
    QLabel* m_speed = nullptr;
    QPushButton* m_cancel = nullptr;

    DownloadAddress m_address;
    std::string m_strDisplayName;
    std::unique_ptr<HttpDownload> m_download;
    std::unique_ptr<Listener> m_listener;
    std::thread m_worker;
    DownloadResult m_result;
    bool m_bAbort = false;
    bool m_bDone = false;
    long m_nStallSeconds = HttpDownload::kStallSeconds;
    CredentialsPrompt m_prompt;
};

}  // namespace pw

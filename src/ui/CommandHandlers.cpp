#include "ui/CommandHandlers.h"

#include <QMessageBox>
#include <QPointer>
#include <atomic>
#include <system_error>
#include <thread>

#include "app/UpdateCheck.h"
#include "app/UpdateInfo.h"
#include "engine/Host.h"
#include "app/BrowserLaunch.h"
#include "ui/HttpDownloadDlg.h"
#include "ui/MainDlg.h"
#include "ui/QtHost.h"
#include "app/ShareLinks.h"
#include "ui/UiText.h"

namespace pw {

namespace {

std::atomic<int> g_nUpdateThreads{0};

// The start-up question: information icon, yes/no, its own caption.
bool AskUpdate(const QPointer<QWidget>& owner, const std::string& question) {
    bool yes = false;
    SendToUi([&] {
        QMessageBox box(QMessageBox::Information, FromAnsi(UpdateQuestionCaption()),
                        FromAnsi(question), QMessageBox::Yes | QMessageBox::No, owner.data());
        yes = box.exec() == QMessageBox::Yes;
    });
    return yes;
}

UpdateDownload RunDownloadDialog(const QPointer<QWidget>& owner, const std::string& source,
                                 const std::string& target) {
    UpdateDownload got;
    SendToUi([&] {
        CHttpDownloadDlg dialog(owner.data());
        dialog.m_strSource = source;
        dialog.m_strTarget = target;
        dialog.m_bOverwrite = true;
        got.bOk = dialog.exec() == QDialog::Accepted;
        got.bSecure = dialog.CameOverHttps();
    });
    return got;
}

// Update routines run detached: the process may end while one waits for the
// network, and main() asks UpdateThreadsRunning() before tearing anything down.
void StartDetached(int (*routine)(const UpdateContext&), UpdateContext ctx) {
    ++g_nUpdateThreads;
    try {
        std::thread([routine, ctx = std::move(ctx)] {
            routine(ctx);
            --g_nUpdateThreads;
        }).detach();
    } catch (const std::system_error&) {
        --g_nUpdateThreads;
    }
}

}  // namespace

UpdateContext MakeUpdateContext(CMainDlg& window) {
    const QPointer<QWidget> owner(&window);
    UpdateContext ctx;
    ctx.askUpdate = [owner](const std::string& question) { return AskUpdate(owner, question); };
    ctx.download = [owner](const std::string& source, const std::string& target) {
        return RunDownloadDialog(owner, source, target);
    };
    ctx.openInBrowser = [](const std::string& address) { OpenInBrowser(address); };
    return ctx;
}

void StartUpdateCheck(CMainDlg& window) {
    if (CQtHost* host = QtHost()) {
        QObject::connect(host, &CQtHost::noticeRequested, &window, &CMainDlg::ShowNotice,
                         Qt::UniqueConnection);
    }
    StartDetached(&CheckForUpdate, MakeUpdateContext(window));
}

void OnUpdateCommand(CMainDlg& window) {
    StartDetached(&RunUpdate, MakeUpdateContext(window));
}

bool UpdateThreadsRunning() {
    return g_nUpdateThreads.load() > 0;
}

void OnShareCommand(int id) {
    const std::string address = ShareAddress(id, SharedUpdateInfo().HelpUrl());
    if (!address.empty()) OpenInBrowser(address);
}

std::string HelpAddress() {
    return SharedUpdateInfo().HelpUrl();
}

std::string SiteAddress() {
    return SharedUpdateInfo().SiteUrl();
}

std::string OtherWorksAddress() {
    return SharedUpdateInfo().OtherWorksUrl();
}

}  // namespace pw

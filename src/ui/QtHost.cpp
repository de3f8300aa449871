#include "ui/QtHost.h"

#include <QCoreApplication>
#include <QThread>

#include "ui/UiText.h"

namespace pw {

namespace {

QMessageBox::Icon IconOf(BoxKind kind) {
    switch (kind) {
        case BoxKind::Information:
            return QMessageBox::Information;
        case BoxKind::Warning:
            return QMessageBox::Warning;
        case BoxKind::Question:
            return QMessageBox::Question;
        case BoxKind::Plain:
            break;
    }
    return QMessageBox::NoIcon;
}

bool ShowModalBox(QWidget* owner, BoxKind kind, const QString& text) {
    const bool question = kind == BoxKind::Question;
    QMessageBox box(IconOf(kind), QCoreApplication::applicationName(), text,
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    // Texts may carry titles and names from the network: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace

CQtHost::CQtHost() = default;

CQtHost::~CQtHost() {
    if (GetHost() == this) AttachHost(nullptr);
}

bool CQtHost::ShowBox(BoxKind kind, const QString& text) {
    if (m_boxHandler) return m_boxHandler(kind, text);
    return ShowModalBox(m_mainWindow, kind, text);
}

void CQtHost::SendToUi(const std::function<void()>& fn) {
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    // The worker waits here as behind a synchronous window message; the GUI
    // thread never waits for a worker, so this cannot close a cycle.
    QMetaObject::invokeMethod(
        this, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

void CQtHost::SetStatusText(int part, const std::string& text) {
    emit statusTextChanged(part, FromAnsi(text));
}

void CQtHost::ShowMessageBox(const std::string& text) {
    ShowBox(BoxKind::Plain, FromAnsi(text));
}

bool CQtHost::AskYesNo(const std::string& text) {
    return ShowBox(BoxKind::Question, FromAnsi(text));
}

void CQtHost::OnTreeChanged(const TreeChange& change) {
    emit treeChanged(change);
}

void CQtHost::OnPageStateChanged(PageState state) {
    emit pageStateChanged(state);
}

void CQtHost::OnArticleProgress(int done, int total) {
    emit articleProgress(done, total);
}

void CQtHost::OnJobFinished(const std::string& book) {
    emit jobFinished(QString::fromStdString(book));
}

void CQtHost::ShowNotice(int kind) {
    emit noticeRequested(kind);
}

CQtHost* QtHost() {
    return dynamic_cast<CQtHost*>(GetHost());
}

bool ShowUiBox(BoxKind kind, const QString& text) {
    if (CQtHost* host = QtHost()) return host->ShowBox(kind, text);
    return ShowModalBox(nullptr, kind, text);
}

}  // namespace pw

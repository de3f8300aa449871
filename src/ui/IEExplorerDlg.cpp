#include "ui/IEExplorerDlg.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QStandardPaths>
#include <QWebEngineHistory>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "base/Identity.h"
#include "app/Paths.h"
#include "ui/BrowserCookies.h"
#include "ui/DialogUnits.h"
#include "ui/UiText.h"

namespace pw {

namespace {

// The browser's silent mode: scripts neither report errors nor open boxes.
class CSilentPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
        return false;
    }
};

// Kept apart from the job folders, which are named after accounts from the network.
QString ProfileFolder(QStandardPaths::StandardLocation location) {
    return QDir(QStandardPaths::writableLocation(location)).filePath("pagewell-browser");
}

QString StartPage() {
    const std::string found = FindDataFile(kReadmePage);
    return QString::fromStdString(found.empty() ? GetModuleDir() + kReadmePage : found);
}

}  // namespace

void CIEExplorerDlg::PrepareEngine() {
    // The engine's sandbox refuses to start for root, and the page would stay
    // blank; root runs it unsandboxed (the page shows the user's own choices).
    if (::geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine's start-up report is for its developers, not for the terminal.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

CIEExplorerDlg::CIEExplorerDlg(QWidget* parent) : QWidget(parent), m_layout(this) {
    setObjectName("browserPage");
    resize(DluToPixels(427, 195));

    m_profile = new QWebEngineProfile(QStringLiteral("pagewell"), this);
    m_profile->setPersistentStoragePath(ProfileFolder(QStandardPaths::GenericDataLocation));
    m_profile->setCachePath(ProfileFolder(QStandardPaths::GenericCacheLocation));
    m_cookies = new CBrowserCookies(m_profile->cookieStore(), this);

    m_btnBack = new QPushButton(U8("←"), this);
    m_btnBack->setObjectName("back");
    m_btnBack->setGeometry(DluRect(2, 2, 20, 14));
    m_btnForward = new QPushButton(U8("→"), this);
    m_btnForward->setObjectName("forward");
    m_btnForward->setGeometry(DluRect(24, 2, 20, 14));
    m_editAddress = new QLineEdit(this);
    m_editAddress->setObjectName("address");
    m_editAddress->setGeometry(DluRect(47, 2, 330, 14));
    m_btnGo = new QPushButton(U8("→转到"), this);
    m_btnGo->setObjectName("go");
    m_btnGo->setGeometry(DluRect(380, 2, 45, 14));
    m_view = new QWebEngineView(this);
    m_view->setObjectName("view");
    m_view->setPage(new CSilentPage(m_profile, m_view));
    // Pages may ask for new windows; every such request lands in this view.
    m_view->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    m_view->setGeometry(DluRect(2, 18, 423, 175));

    m_layout.Record(this);
    m_layout.SetAnchors(m_btnBack, kAnchorFixed, kAnchorFixed);
    m_layout.SetAnchors(m_btnForward, kAnchorFixed, kAnchorFixed);
    m_layout.SetAnchors(m_editAddress, kAnchorStretch, kAnchorFixed);
    m_layout.SetAnchors(m_btnGo, kAnchorMoveWithFar, kAnchorFixed);
    m_layout.SetAnchors(m_view, kAnchorStretch, kAnchorStretch);

    connect(m_btnBack, &QPushButton::clicked, this, &CIEExplorerDlg::OnBack);
    connect(m_btnForward, &QPushButton::clicked, this, &CIEExplorerDlg::OnForward);
    connect(m_btnGo, &QPushButton::clicked, this, [this] { Navigate(m_editAddress->text()); });
    connect(m_editAddress, &QLineEdit::returnPressed, this,
            [this] { Navigate(m_editAddress->text()); });
    connect(m_view, &QWebEngineView::loadFinished, this, [this] { OnDocumentComplete(); });
    // A new window is refused and its address shown here instead.
    connect(m_view->page(), &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) { m_view->load(request.requestedUrl()); });

    m_btnBack->setEnabled(false);
    m_btnForward->setEnabled(false);
    setFocusProxy(m_editAddress);
    m_editAddress->setText(StartPage());
    Navigate(m_editAddress->text());
}

CIEExplorerDlg::~CIEExplorerDlg() {
    // The page must go before its profile.
    delete m_view;
    m_view = nullptr;
}

void CIEExplorerDlg::Navigate(const QString& address) {
    m_view->load(QUrl::fromUserInput(address));
}

void CIEExplorerDlg::OnDocumentComplete() {
    m_editAddress->setText(m_view->url().toString());
    m_btnBack->setEnabled(true);
}

void CIEExplorerDlg::OnBack() {
    if (m_view->history()->canGoBack()) {
        m_view->back();
        m_btnForward->setEnabled(true);
    } else {
        m_btnBack->setEnabled(false);
    }
}

void CIEExplorerDlg::OnForward() {
    if (m_view->history()->canGoForward()) {
        m_view->forward();
        m_btnBack->setEnabled(true);
    } else {
        m_btnForward->setEnabled(false);
    }
}

void CIEExplorerDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace pw

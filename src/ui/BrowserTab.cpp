#include "ui/BrowserTab.h"

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

#include "app/Paths.h"
#include "base/Identity.h"
#include "ui/BrowserCookies.h"
#include "ui/DialogUnits.h"
#include "ui/UiText.h"

namespace pw {

namespace {

// The browser's silent mode: scripts neither report errors nor open boxes.
class SilentPage : public QWebEnginePage {
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

void BrowserTab::PrepareEngine() {
    // The engine's sandbox refuses to start for root, and the page would stay
    // blank; root runs it unsandboxed (the page shows the user's own choices).
    if (::geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine's start-up report is for its developers, not for the terminal.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

BrowserTab::BrowserTab(QWidget* parent) : QWidget(parent), layout_(this) {
    setObjectName("browserPage");
    resize(DluToPixels(427, 195));

    profile_ = new QWebEngineProfile(QStringLiteral("pagewell"), this);
    profile_->setPersistentStoragePath(ProfileFolder(QStandardPaths::GenericDataLocation));
    profile_->setCachePath(ProfileFolder(QStandardPaths::GenericCacheLocation));
    cookies_ = new BrowserCookies(profile_->cookieStore(), this);

    back_ = new QPushButton(U8("←"), this);
    back_->setObjectName("back");
    back_->setGeometry(DluRect(2, 2, 20, 14));
    forward_ = new QPushButton(U8("→"), this);
    forward_->setObjectName("forward");
    forward_->setGeometry(DluRect(24, 2, 20, 14));
    address_ = new QLineEdit(this);
    address_->setObjectName("address");
    address_->setGeometry(DluRect(47, 2, 330, 14));
    go_ = new QPushButton(U8("→转到"), this);
    go_->setObjectName("go");
    go_->setGeometry(DluRect(380, 2, 45, 14));
    view_ = new QWebEngineView(this);
    view_->setObjectName("view");
    view_->setPage(new SilentPage(profile_, view_));
    // Pages may ask for new windows; every such request lands in this view.
    view_->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    view_->setGeometry(DluRect(2, 18, 423, 175));

    layout_.Record(this);
    layout_.SetAnchors(back_, kAnchorFixed, kAnchorFixed);
    layout_.SetAnchors(forward_, kAnchorFixed, kAnchorFixed);
    layout_.SetAnchors(address_, kAnchorStretch, kAnchorFixed);
    layout_.SetAnchors(go_, kAnchorMoveWithFar, kAnchorFixed);
    layout_.SetAnchors(view_, kAnchorStretch, kAnchorStretch);

    connect(back_, &QPushButton::clicked, this, &BrowserTab::OnBack);
    connect(forward_, &QPushButton::clicked, this, &BrowserTab::OnForward);
    connect(go_, &QPushButton::clicked, this, [this] { Navigate(address_->text()); });
    connect(address_, &QLineEdit::returnPressed, this, [this] { Navigate(address_->text()); });
    connect(view_, &QWebEngineView::loadFinished, this, [this] { OnDocumentComplete(); });
    // A new window is refused and its address shown here instead.
    connect(view_->page(), &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) { view_->load(request.requestedUrl()); });

    back_->setEnabled(false);
    forward_->setEnabled(false);
    setFocusProxy(address_);
    address_->setText(StartPage());
    Navigate(address_->text());
}

BrowserTab::~BrowserTab() {
    // The page must go before its profile.
    delete view_;
    view_ = nullptr;
}

CookieSource BrowserTab::Cookies() const {
    return cookies_->Source();
}

void BrowserTab::Navigate(const QString& address) {
    view_->load(QUrl::fromUserInput(address));
}

void BrowserTab::OnDocumentComplete() {
    address_->setText(view_->url().toString());
    back_->setEnabled(true);
}

void BrowserTab::OnBack() {
    if (view_->history()->canGoBack()) {
        view_->back();
        forward_->setEnabled(true);
    } else {
        back_->setEnabled(false);
    }
}

void BrowserTab::OnForward() {
    if (view_->history()->canGoForward()) {
        view_->forward();
        back_->setEnabled(true);
    } else {
        forward_->setEnabled(false);
    }
}

void BrowserTab::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace pw

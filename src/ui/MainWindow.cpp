#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QUrl>

#include "app/AppSettings.h"
#include "app/BrowserLaunch.h"
#include "app/IniFile.h"
#include "app/Paths.h"
#include "app/ShareLinks.h"
#include "base/Identity.h"
#include "job/JobResult.h"
#include "ui/AboutDialog.h"
#include "ui/ArticleTab.h"
#include "ui/BrowserTab.h"
#include "ui/DialogUnits.h"
#include "ui/OptionsDialog.h"
#include "ui/PowerOff.h"
#include "ui/ProgramIcon.h"
#include "ui/Prompter.h"
#include "ui/SwallowKeys.h"
#include "ui/UiText.h"

namespace pw {

namespace {

constexpr int kStatusPart0Width = 200;
constexpr int kStatusBarHeight = 20;
constexpr int kMinRestoredSize = 500;

// The seven networks of "分享推荐" with their menu texts.
struct ShareNetwork {
    const char* name;
    ShareTarget target;
};
constexpr ShareNetwork kShareNetworks[] = {
    {"新浪微博", ShareTarget::kSinaWeibo}, {"腾讯微博", ShareTarget::kTencentWeibo},
    {"搜狐微博", ShareTarget::kSohuWeibo}, {"网易微博", ShareTarget::kNeteaseWeibo},
    {"人人网", ShareTarget::kRenren},      {"开心网", ShareTarget::kKaixin},
    {"QQ空间", ShareTarget::kQzone},
};

// A local file as an address a browser opens (percent-encoded, so plain ASCII).
std::string FileAddress(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path)).toEncoded().toStdString();
}

}  // namespace

MakerAddresses BuildAddresses() {
    return {kUpdateFileUrl, kHelpPageUrl, kSiteUrl, kShopUrl};
}

MainWindow::MainWindow() : MainWindow(Options{}) {}

MainWindow::MainWindow(Options options)
    : prompter_(options.prompter),
      addresses_(std::move(options.addresses)),
      openInBrowser_(std::move(options.openInBrowser)),
      layout_(this) {
    if (!prompter_) {
        ownPrompter_ = std::make_unique<Prompter>();
        prompter_ = ownPrompter_.get();
    }
    prompter_->SetOwner(this);
    if (!openInBrowser_)
        openInBrowser_ = [](const std::string& address) { OpenInBrowser(address); };
    UpdateValues defaults;
    defaults.helpUrl = addresses_.help;
    defaults.bbsUrl = addresses_.site;
    defaults.allSoftUrl = addresses_.shop;
    updateInfo_.Set(std::move(defaults));
    updates_ = std::make_unique<UpdateRunner>(this, *prompter_, updateInfo_, addresses_.update,
                                              openInBrowser_);
    updates_->SetContextHook(std::move(options.updateHook));

    setWindowIcon(ProgramIcon());
    CreatePages(options.makeBrowserPage);
    CreateActions();
    CreateMenuBar();
    CreateStatusBar();
    setWindowTitle(QStringLiteral("%1 v%2").arg(U8(kProductNameUtf8), kVersion));

    layout_.Record(centralWidget());
    layout_.SetAnchors(tabs_, kAnchorStretch, kAnchorStretch);
    RestoreSize();

    connect(updates_.get(), &UpdateRunner::statusChanged, this,
            [this](const QString& text) { SetStatus(0, text); });
    connect(updates_.get(), &UpdateRunner::quitRequested, this, &MainWindow::close);
    connect(articles_, &ArticleTab::jobFinished, this, [this](const JobResult& result) {
        if (!JobEndCallsForPowerOff(result, Settings().autoShutPc)) return;
        StartPowerOffCountdown(this, QDBusConnection::systemBus(),
                               [this](const QString& text) { SetStatus(0, text); });
    });
    // A build without an update address is updated through its package.
    if (!addresses_.update.empty()) {
        SetStatus(0, U8("正在检查是否有最新版本……"));
        updates_->StartCheck();
    }
    CreateTrayIcon();
}

MainWindow::~MainWindow() {
    if (tray_) tray_->hide();
    // The job and the update threads report into this window: they go first.
    articles_->CancelJob();
    updates_->Stop();
}

void MainWindow::CreatePages(const PageFactory& makeBrowserPage) {
    // The tab control fills the client area and the layout list keeps it so.
    auto* client = new QWidget(this);
    client->resize(DluToPixels(512, 329, kMainWindowFont));
    setCentralWidget(client);
    tabs_ = new QTabWidget(client);
    tabs_->setObjectName("tabs");
    tabs_->setGeometry(client->rect());

    QWidget* browser = makeBrowserPage ? makeBrowserPage(tabs_) : new BrowserTab(tabs_);
    tabs_->addTab(browser, U8(kFirstTabTitleUtf8));
    articles_ = new ArticleTab(*prompter_, tabs_);
    tabs_->addTab(articles_, U8("博客文章下载"));
    tabs_->setCurrentIndex(1);  // the article tab is the one the user sees first
    // A login on the browser tab counts for the downloads.
    if (auto* browserTab = qobject_cast<BrowserTab*>(browser)) {
        articles_->SetCookieSource(browserTab->Cookies());
    }
    connect(articles_, &ArticleTab::statusChanged, this,
            [this](const QString& text) { SetStatus(1, text); });
}

void MainWindow::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setMinimumHeight(kStatusBarHeight);
    for (int part = 0; part < 2; ++part) {
        statusParts_[part] = new QLabel(bar);
        statusParts_[part]->setObjectName(QStringLiteral("statusPart%1").arg(part));
        // Progress texts carry article titles from the network: plain text only.
        statusParts_[part]->setTextFormat(Qt::PlainText);
    }
    statusParts_[0]->setFixedWidth(kStatusPart0Width);
    bar->addWidget(statusParts_[0]);
    bar->addWidget(statusParts_[1], 1);
}

void MainWindow::SetStatus(int part, const QString& text) {
    statusParts_[part]->setText(text);
}

QString MainWindow::StatusText(int part) const {
    return part == 0 || part == 1 ? statusParts_[part]->text() : QString();
}

QAction* MainWindow::AddAction(const char* name, const char* text) {
    auto* action = new QAction(U8(text), this);
    action->setObjectName(name);
    return action;
}

void MainWindow::CreateActions() {
    // "开始下载" starts nothing: the article tab's button is the way to start.
    AddAction("start", "开始下载");
    QAction* startOver = AddAction("startOver", "从头重新下载");
    startOver->setStatusTip(U8("不接续上次未完成的任务，重新下载这个博客的全部文章"));
    connect(startOver, &QAction::triggered, articles_, &ArticleTab::StartJobOver);
    connect(articles_, &ArticleTab::runningChanged, startOver, &QAction::setDisabled);
    connect(AddAction("pause", "暂停下载"), &QAction::triggered, articles_, &ArticleTab::PauseJob);
    connect(AddAction("continue", "继续下载"), &QAction::triggered, articles_,
            &ArticleTab::ContinueJob);
    connect(AddAction("stop", "停止下载"), &QAction::triggered, articles_, &ArticleTab::StopJob);
    hideAction_ = AddAction("hide", "最小化到托盘");
    connect(hideAction_, &QAction::triggered, this, &MainWindow::HideToTray);
    connect(AddAction("exit", "退出"), &QAction::triggered, this, &MainWindow::close);
    connect(AddAction("update", "更新升级"), &QAction::triggered, this, &MainWindow::UpdateNow);
    QAction* otherWorks = AddAction("otherWorks", "查看其他作品");
    otherWorks->setVisible(!addresses_.shop.empty());
    connect(otherWorks, &QAction::triggered, this, &MainWindow::OpenOtherWorks);
    connect(AddAction("options", "选项设置"), &QAction::triggered, this, &MainWindow::ShowOptions);
    connect(AddAction("help", "使用帮助？"), &QAction::triggered, this, &MainWindow::OpenHelp);
    QAction* site = AddAction("site", "官方网站");
    site->setVisible(!addresses_.site.empty());
    connect(site, &QAction::triggered, this, &MainWindow::OpenSite);
    connect(AddAction("about", "关于 Pagewell(&A)..."), &QAction::triggered, this,
            &MainWindow::ShowAbout);

    shareMenu_ = new QMenu(U8("分享推荐"), this);
    shareMenu_->setObjectName("share");
    for (const ShareNetwork& network : kShareNetworks) {
        QAction* action = shareMenu_->addAction(U8(network.name));
        connect(action, &QAction::triggered, this, [this, network] { Share(network.target); });
    }
}

void MainWindow::CreateMenuBar() {
    auto action = [this](const char* name) { return findChild<QAction*>(name); };
    QMenuBar* bar = menuBar();
    QMenu* download = bar->addMenu(U8("下载操作"));
    download->addActions({action("start"), action("startOver"), action("pause"), action("continue"),
                          action("stop")});
    download->addSeparator();
    download->addActions({action("hide"), action("exit")});
    bar->addActions({action("update"), action("otherWorks"), action("options"), action("help")});
    bar->addMenu(shareMenu_);
    // There is no window-system menu to carry the about entry; it ends the bar.
    bar->addAction(action("about"));
}

void MainWindow::CreateTrayIcon() {
    auto action = [this](const char* name) { return findChild<QAction*>(name); };
    trayMenu_ = new QMenu(this);
    trayMenu_->addMenu(shareMenu_);
    trayMenu_->addSeparator();
    trayMenu_->addActions({action("options"), action("update"), action("site")});
    trayMenu_->addSeparator();
    trayMenu_->addAction(action("exit"));

    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // Without a tray a hidden window could not come back.
        hideAction_->setEnabled(false);
        return;
    }
    tray_ = new QSystemTrayIcon(ProgramIcon(), this);
    tray_->setToolTip(U8(kProductNameUtf8));
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick) RestoreFromTray();
    });
    connect(articles_, &ArticleTab::jobFinished, this, [this](const JobResult& result) {
        if (isVisible() || !tray_->supportsMessages() || result.finalText.empty()) return;
        tray_->showMessage(U8(kProductNameUtf8), Shown(result.finalText));
    });
    tray_->show();
}

void MainWindow::RestoreSize() {
    // The stored size comes back when it is a usable one; the position never does.
    IniFile ini(Settings().configPath);
    ini.Load();
    const int left = ini.GetInt("window", "left", 0);
    const int top = ini.GetInt("window", "top", 0);
    const int right = ini.GetInt("window", "right", 0);
    const int bottom = ini.GetInt("window", "bottom", 0);
    if (right - left > kMinRestoredSize && bottom - top > kMinRestoredSize) {
        resize(right - left, bottom - top);
    } else {
        resize(DluToPixels(512, 329, kMainWindowFont));
    }
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void MainWindow::StoreRect() {
    // The window's own rectangle without the window manager's frame, so that
    // restoring it does not grow the window by the frame each time.
    const QRect rect = geometry();
    AppSettings& settings = Settings();
    settings.windowLeft = rect.left();
    settings.windowTop = rect.top();
    settings.windowRight = rect.left() + rect.width();
    settings.windowBottom = rect.top() + rect.height();
}

void MainWindow::ShowOptions() {
    OptionsDialog options(*prompter_, this);
    options.exec();
}

void MainWindow::ShowAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::OpenWebAddress(const std::string& address) {
    // Addresses may come from the update description: never a file, a share
    // or anything else a launcher would open.
    if (IsWebAddress(address)) openInBrowser_(address);
}

void MainWindow::OpenHelp() {
    const std::string web = updateInfo_.HelpUrl();
    if (IsWebAddress(web)) {
        openInBrowser_(web);
        return;
    }
    const std::string page = FindDataFile(kHelpPage);
    if (!page.empty()) openInBrowser_(FileAddress(page));
}

void MainWindow::OpenSite() {
    OpenWebAddress(updateInfo_.SiteUrl());
}

void MainWindow::OpenOtherWorks() {
    OpenWebAddress(updateInfo_.OtherWorksUrl());
}

void MainWindow::Share(ShareTarget target) {
    // Without a help page on the web the text goes alone: a local file is no link.
    const std::string help = updateInfo_.HelpUrl();
    const std::string address = ShareAddress(target, IsWebAddress(help) ? help : std::string());
    if (!address.empty()) openInBrowser_(address);
}

void MainWindow::UpdateNow() {
    if (addresses_.update.empty()) {
        prompter_->Tell(U8("这个版本通过它的软件包更新：请用系统的软件包管理器"
                           "（例如 sudo apt update && sudo apt upgrade）安装新版本。"),
                        QMessageBox::Information);
        return;
    }
    updates_->StartRun();
}

void MainWindow::HideToTray() {
    if (!tray_) return;
    hide();
    if (tray_->supportsMessages()) {
        tray_->showMessage(U8(kProductNameUtf8), U8("已最小化到托盘区域，双击后打开界面!"));
    }
}

void MainWindow::RestoreFromTray() {
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (!SwallowEnterAndEscape(event)) QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closed_) return;
    closed_ = true;
    StoreRect();
    Settings().SaveSettings();
    if (tray_) tray_->hide();
    // The job ends where it is (its folder stays for the next run) and the
    // update checks stop; both are waited for.
    articles_->CancelJob();
    updates_->Stop();
    emit closed();
}

}  // namespace pw

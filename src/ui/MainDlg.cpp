#include "ui/MainDlg.h"

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

#include "app/AppSettings.h"
#include "base/Identity.h"
#include "app/IniFile.h"
#include "app/UpdateCheck.h"
#include "engine/Host.h"
#include "job/DownloadJob.h"
#include "ui/AboutDlg.h"
#include "app/BrowserLaunch.h"
#include "ui/CommandHandlers.h"
#include "ui/CommandIds.h"
#include "ui/DialogUnits.h"
#include "ui/DlgPreview.h"
#include "ui/IEExplorerDlg.h"
#include "ui/OptionsDlg.h"
#include "ui/ProgramIcon.h"
#include "ui/QtHost.h"
#include "ui/SwallowKeys.h"
#include "ui/UiText.h"

namespace pw {

namespace {

constexpr int kStatusPart0Width = 200;
constexpr int kStatusBarHeight = 20;
constexpr int kMinRestoredSize = 500;

const char* const kShareNames[] = {"新浪微博", "腾讯微博", "搜狐微博", "网易微博",
                                   "人人网",   "开心网",   "QQ空间"};

}  // namespace

CMainDlg::CMainDlg(CQtHost& host, Options options) : m_layout(this) {
    setWindowIcon(ProgramIcon());
    host.SetMainWindow(this);
    CreateMenuBar();
    CreatePages(host, options.makeBrowserPage);
    CreateStatusBar(host);
    connect(&host, &CQtHost::noticeRequested, this, &CMainDlg::ShowNotice, Qt::UniqueConnection);
    setWindowTitle(QStringLiteral("%1 v%2").arg(U8(kProductNameUtf8), kVersion));

    m_layout.Record(centralWidget());
    m_layout.SetAnchors(m_tabs, kAnchorStretch, kAnchorStretch);

    RestoreSize();
    ShowStatus(0, Gbk("正在检查是否有最新版本……"));
    if (options.bCheckForUpdate) StartUpdateCheck(*this);
    CreateTrayIcon(host);
}

CMainDlg::~CMainDlg() {
    if (m_tray) m_tray->hide();
}

void CMainDlg::CreatePages(CQtHost& host, const PageFactory& makeBrowserPage) {
    // The tab control fills the client area and the layout list keeps it so.
    auto* client = new QWidget(this);
    client->resize(DluToPixels(512, 329, kMainWindowFont));
    setCentralWidget(client);
    m_tabs = new QTabWidget(client);
    m_tabs->setObjectName("tabs");
    m_tabs->setGeometry(client->rect());

    QWidget* browser = makeBrowserPage ? makeBrowserPage(m_tabs) : new CIEExplorerDlg(m_tabs);
    m_tabs->addTab(browser, U8(kFirstTabTitleUtf8));
    m_preview = new CDlgPreview(host, m_tabs);
    m_tabs->addTab(m_preview, U8("博客文章下载"));
    m_tabs->setCurrentIndex(1);  // the article page is the one the user sees first
}

void CMainDlg::CreateStatusBar(CQtHost& host) {
    QStatusBar* bar = statusBar();
    bar->setMinimumHeight(kStatusBarHeight);
    for (int part = 0; part < 2; ++part) {
        m_statusParts[part] = new QLabel(bar);
        m_statusParts[part]->setObjectName(QStringLiteral("statusPart%1").arg(part));
        // Progress texts carry article titles from the network: plain text only.
        m_statusParts[part]->setTextFormat(Qt::PlainText);
    }
    m_statusParts[0]->setFixedWidth(kStatusPart0Width);
    bar->addWidget(m_statusParts[0]);
    bar->addWidget(m_statusParts[1], 1);
    connect(&host, &CQtHost::statusTextChanged, this, [this](int part, const QString& text) {
        if (part == 0 || part == 1) m_statusParts[part]->setText(text);
    });
}

QString CMainDlg::StatusText(int part) const {
    return part == 0 || part == 1 ? m_statusParts[part]->text() : QString();
}

QAction* CMainDlg::AddCommand(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    return action;
}

QMenu* CMainDlg::CreateShareMenu(QWidget* parent) {
    auto* share = new QMenu(U8("分享推荐"), parent);
    for (int id = ID_SHARE_FIRST; id <= ID_SHARE_LAST; ++id) {
        AddCommand(share, id, U8(kShareNames[id - ID_SHARE_FIRST]));
    }
    return share;
}

void CMainDlg::CreateMenuBar() {
    QMenuBar* bar = menuBar();
    QMenu* download = bar->addMenu(U8("下载操作"));
    AddCommand(download, ID_START_DOWNLOAD, U8("开始下载"));
    AddCommand(download, ID_PAUSE_DOWNLOAD, U8("暂停下载"));
    AddCommand(download, ID_CONTINUE_DOWNLOAD, U8("继续下载"));
    AddCommand(download, ID_STOP_DOWNLOAD, U8("停止下载"));
    download->addSeparator();
    AddCommand(download, ID_HIDE_TO_TRAY, U8("最小化到托盘"));
    AddCommand(download, ID_EXIT, U8("退出"));

    // Plain items of the bar are actions without a pop-up.
    auto addBarCommand = [&](int id, const char* text) {
        QAction* action = bar->addAction(U8(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    };
    addBarCommand(ID_UPDATE, "更新升级");
    addBarCommand(ID_OTHER_WORKS, "查看其他作品");
    addBarCommand(ID_OPTIONS, "选项设置");
    addBarCommand(ID_HELP, "使用帮助？");
    bar->addMenu(CreateShareMenu(bar));
    // There is no window-system menu to carry the about entry; it ends the bar.
    addBarCommand(IDM_ABOUTBOX, "关于 Pagewell(&A)...");
}

void CMainDlg::CreateTrayIcon(CQtHost& host) {
    m_trayMenu = new QMenu(this);
    m_trayMenu->addMenu(CreateShareMenu(m_trayMenu));
    m_trayMenu->addSeparator();
    AddCommand(m_trayMenu, ID_OPTIONS, U8("选项设置"));
    AddCommand(m_trayMenu, ID_UPDATE, U8("更新升级"));
    AddCommand(m_trayMenu, ID_SITE, U8("官方网站"));
    m_trayMenu->addSeparator();
    AddCommand(m_trayMenu, ID_EXIT, U8("退出"));

    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // Without a tray a hidden window could not come back.
        for (QAction* action : menuBar()->findChildren<QAction*>()) {
            if (action->data().toInt() == ID_HIDE_TO_TRAY) action->setEnabled(false);
        }
        return;
    }
    m_tray = new QSystemTrayIcon(ProgramIcon(), this);
    m_tray->setToolTip(U8(kProductNameUtf8));
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick) RestoreFromTray();
    });
    connect(&host, &CQtHost::jobFinished, this, [this](const QString& book) {
        if (isVisible() || !m_tray->supportsMessages()) return;
        m_tray->showMessage(U8(kProductNameUtf8), book.isEmpty()
                                                      ? U8("电子书制作失败")
                                                      : U8("电子书编译完毕(在桌面上)，请您欣赏"));
    });
    m_tray->show();
}

void CMainDlg::RestoreSize() {
    // The stored size comes back when it is a usable one; the position never does.
    CIniFile ini(Settings().m_strConfigPath);
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

void CMainDlg::StoreRect() {
    // The window's own rectangle without the window manager's frame, so that
    // restoring it does not grow the window by the frame each time.
    const QRect rect = geometry();
    CAppSettings& settings = Settings();
    settings.m_nLeft = rect.left();
    settings.m_nTop = rect.top();
    settings.m_nRight = rect.left() + rect.width();
    settings.m_nBottom = rect.top() + rect.height();
}

bool CMainDlg::JobRunning() const {
    return m_preview->Page().State() != PageState::Idle;
}

void CMainDlg::OnCommand(int id) {
    if (IsShareCommand(id)) {
        OnShareCommand(id);
        return;
    }
    if (IsAboutCommand(id)) {
        ShowAbout();
        return;
    }
    switch (id) {
        case ID_START_DOWNLOAD:
            break;  // the article page's button starts the job
        case ID_PAUSE_DOWNLOAD:
            OnPauseDownload();
            break;
        case ID_CONTINUE_DOWNLOAD:
            OnContinueDownload();
            break;
        case ID_STOP_DOWNLOAD:
            OnStopDownload();
            break;
        case ID_HIDE_TO_TRAY:
            HideToTray();
            break;
        case ID_EXIT:
            close();
            break;
        case ID_UPDATE:
            OnUpdateCommand(*this);
            break;
        case ID_OTHER_WORKS:
            OpenInBrowser(OtherWorksAddress());
            break;
        case ID_OPTIONS: {
            COptionsDlg options(this);
            options.exec();
            break;
        }
        case ID_HELP:
            OpenInBrowser(HelpAddress());
            break;
        case ID_SITE:
            OpenInBrowser(SiteAddress());
            break;
        default:
            break;
    }
}

void CMainDlg::ShowNotice(int kind) {
    if (kind != 0 && kind != 1) return;
    ShowUiBox(BoxKind::Information, FromAnsi(UpdateNoticeText(kind)));
}

void CMainDlg::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainDlg::HideToTray() {
    if (!m_tray) return;
    hide();
    if (m_tray->supportsMessages()) {
        m_tray->showMessage(U8(kProductNameUtf8), U8("已最小化到托盘区域，双击后打开界面!"));
    }
}

void CMainDlg::RestoreFromTray() {
    showNormal();
    raise();
    activateWindow();
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
    if (!SwallowEnterAndEscape(event)) QMainWindow::keyPressEvent(event);
}

void CMainDlg::closeEvent(QCloseEvent* event) {
    event->accept();
    if (m_bClosed) return;
    m_bClosed = true;
    StoreRect();
    Settings().SaveSettings();
    if (m_tray) m_tray->hide();
    emit closed();
}

}  // namespace pw

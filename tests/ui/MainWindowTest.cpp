// The main window: its pages, menus, status bar, commands, keys, and the window
// rectangle kept in the settings.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>
#include <cstdio>
#include <memory>

#include "UiTestMain.h"
#include "app/AppSettings.h"
#include "app/IniFile.h"
#include "engine/Host.h"
#include "job/DownloadJob.h"
#include "ui/DialogUnits.h"
#include "ui/DlgPreview.h"
#include "ui/MainDlg.h"

using namespace pw;
using pw::test::UiTestHost;

namespace {

std::unique_ptr<CMainDlg> MakeWindow() {
    CMainDlg::Options options;
    options.makeBrowserPage = [](QWidget* parent) { return new QWidget(parent); };
    options.bCheckForUpdate = false;
    return std::make_unique<CMainDlg>(UiTestHost::Get(), options);
}

// A menu as lines: "id text" per command, "-" per separator, a pop-up as its
// title followed by its lines in braces.
QStringList Describe(const QList<QAction*>& actions) {
    QStringList lines;
    for (QAction* action : actions) {
        if (action->isSeparator()) {
            lines << "-";
        } else if (action->menu()) {
            lines << action->text() + " {" + Describe(action->menu()->actions()).join(", ") + "}";
        } else {
            lines << QString::number(action->data().toInt()) + " " + action->text();
        }
    }
    return lines;
}

QAction* FindAction(const QList<QAction*>& actions, int id) {
    for (QAction* action : actions) {
        if (action->menu()) {
            if (QAction* found = FindAction(action->menu()->actions(), id)) return found;
        } else if (!action->isSeparator() && action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

void WriteWindowRect(int left, int top, int right, int bottom) {
    CIniFile ini(Settings().m_strConfigPath);
    ini.SetInt("window", "left", left);
    ini.SetInt("window", "top", top);
    ini.SetInt("window", "right", right);
    ini.SetInt("window", "bottom", bottom);
    QVERIFY(ini.Save());
}

const QString kShares =
    "分享推荐 {40037 新浪微博, 40038 腾讯微博, 40039 搜狐微博, 40040 网易微博, 40041 人人网, "
    "40042 开心网, 40043 QQ空间}";

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        UiTestHost::Boxes().clear();
        std::remove(Settings().m_strConfigPath.c_str());
    }

    void showsTheArticlePageUnderItsTitle() {
        auto window = MakeWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("墨舟博客文章下载器 v1.0"));
        QTabWidget* tabs = window->Tabs();
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("快速登陆页面"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("博客文章下载"));
        QCOMPARE(tabs->currentWidget(), &window->ArticlePage());
        QCOMPARE(window->StatusText(0), QStringLiteral("正在检查是否有最新版本……"));
        QCOMPARE(window->findChild<QLabel*>("statusPart0")->width(), 200);
        // Article titles reach part 1: markup in them stays text.
        ShowStatus(1, "<img src=\"/dev/zero\"><b>x</b>");
        auto* part1 = window->findChild<QLabel*>("statusPart1");
        QCOMPARE(part1->text(), QStringLiteral("<img src=\"/dev/zero\"><b>x</b>"));
        QCOMPARE(part1->textFormat(), Qt::PlainText);
    }

    void theMenuBarHasTheCommandsInOrder() {
        auto window = MakeWindow();
        const QStringList expected{
            "下载操作 {40032 开始下载, 40010 暂停下载, 40011 继续下载, 40012 停止下载, -, "
            "40013 最小化到托盘, 40014 退出}",
            "40008 更新升级",
            "40002 查看其他作品",
            "40004 选项设置",
            "40009 使用帮助？",
            kShares,
            "16 关于 Pagewell(&A)...",
        };
        QCOMPARE(Describe(window->menuBar()->actions()), expected);
    }

    void theTrayMenuHasTheCommandsInOrder() {
        auto window = MakeWindow();
        const QStringList expected{kShares,          "-", "40004 选项设置", "40008 更新升级",
                                   "40030 官方网站", "-", "40014 退出"};
        QCOMPARE(Describe(window->TrayMenu()->actions()), expected);
    }

    void pauseContinueAndStopSetTheJobState() {
        auto window = MakeWindow();
        const QList<QAction*> bar = window->menuBar()->actions();
        FindAction(bar, 40010)->trigger();
        QCOMPARE(g_nDownState.load(), int(kDownPaused));
        QVERIFY(!g_evtDownGate.IsSet());
        QCOMPARE(window->StatusText(1), QStringLiteral("暂停下载"));
        FindAction(bar, 40011)->trigger();
        QCOMPARE(g_nDownState.load(), int(kDownRunning));
        QVERIFY(g_evtDownGate.IsSet());
        QCOMPARE(window->StatusText(1), QStringLiteral("继续下载"));
        FindAction(bar, 40012)->trigger();
        QCOMPARE(g_nDownState.load(), int(kDownStopped));
        QVERIFY(!g_evtDownGate.IsSet());
        QCOMPARE(window->StatusText(1), QStringLiteral("停止下载"));
        OnContinueDownload();
    }

    void startDownloadInTheMenuDoesNothing() {
        auto window = MakeWindow();
        FindAction(window->menuBar()->actions(), 40032)->trigger();
        QCOMPARE(window->ArticlePage().Page().State(), PageState::Idle);
        QCOMPARE(window->StatusText(1), QString());
        QVERIFY(UiTestHost::Boxes().isEmpty());
    }

    void exitFromTrayOrMenuBarStoresTheWindow_data() {
        QTest::addColumn<bool>("fromTray");
        QTest::newRow("menu bar") << false;
        QTest::newRow("tray") << true;
    }
    void exitFromTrayOrMenuBarStoresTheWindow() {
        QFETCH(bool, fromTray);
        Settings().m_nThreadCnt = 6;
        auto window = MakeWindow();
        QSignalSpy closed(window.get(), &CMainDlg::closed);
        window->show();
        window->resize(700, 650);
        const QRect rect = window->geometry();
        const QList<QAction*> actions =
            fromTray ? window->TrayMenu()->actions() : window->menuBar()->actions();
        FindAction(actions, 40014)->trigger();

        QCOMPARE(closed.count(), 1);
        QVERIFY(!window->isVisible());
        CIniFile ini(Settings().m_strConfigPath);
        ini.Load();
        QCOMPARE(ini.GetInt("window", "left", -1), rect.left());
        QCOMPARE(ini.GetInt("window", "top", -1), rect.top());
        QCOMPARE(ini.GetInt("window", "right", -1), rect.left() + 700);
        QCOMPARE(ini.GetInt("window", "bottom", -1), rect.top() + 650);
        QCOMPARE(ini.GetInt("main", "threadcnt", -1), 6);
        Settings().m_nThreadCnt = 5;
    }

    void theStoredSizeComesBackWhenLargeEnough_data() {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<bool>("applied");
        QTest::newRow("400 x 800") << QRect(10, 10, 400, 800) << false;
        QTest::newRow("800 x 400") << QRect(10, 10, 800, 400) << false;
        QTest::newRow("500 x 900") << QRect(0, 0, 500, 900) << false;
        QTest::newRow("600 x 600") << QRect(30, 40, 600, 600) << true;
        QTest::newRow("501 x 501") << QRect(-900, 5, 501, 501) << true;
    }
    void theStoredSizeComesBackWhenLargeEnough() {
        QFETCH(QRect, stored);
        QFETCH(bool, applied);
        WriteWindowRect(stored.left(), stored.top(), stored.left() + stored.width(),
                        stored.top() + stored.height());
        auto window = MakeWindow();
        const QSize expected = applied ? stored.size() : DluToPixels(512, 329, kMainWindowFont);
        QCOMPARE(window->size(), expected);
        // The position is never restored: the window is centred.
        QCOMPARE(window->geometry().center(),
                 QGuiApplication::primaryScreen()->availableGeometry().center());
    }

    void enterAndEscapeCloseNothingAndStartNothing() {
        auto window = MakeWindow();
        window->show();
        QLineEdit* address = window->ArticlePage().AddressEdit();
        address->setFocus();
        for (QWidget* target :
             {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(&window->ArticlePage()),
              static_cast<QWidget*>(address)}) {
            QTest::keyClick(target, Qt::Key_Escape);
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter);
        }
        QVERIFY(window->isVisible());
        QCOMPARE(window->ArticlePage().Page().State(), PageState::Idle);
        QVERIFY(UiTestHost::Boxes().isEmpty());
    }

    void withoutATrayTheWindowIsNeverHidden() {
        auto window = MakeWindow();
        if (window->HasTray()) QSKIP("this display has a system tray");
        window->show();
        QVERIFY(!FindAction(window->menuBar()->actions(), 40013)->isEnabled());
        window->OnCommand(40013);
        QVERIFY(window->isVisible());
    }

    void noticesComeFromTheHost() {
        auto window = MakeWindow();
        UiTestHost::Get().ShowNotice(0);
        UiTestHost::Get().ShowNotice(1);
        UiTestHost::Get().ShowNotice(7);
        QCOMPARE(UiTestHost::Boxes(),
                 (QStringList{"当前版本是最新版!",
                              "无法获取最新版本信息，可能是以下原因导致：\n1.网络连接断开；\n2."
                              "杀软误报，请把本软件添加为信任；\n3."
                              "防火墙阻止了本软件，请允许本软件访问网络；\n"}));
    }
};

PW_UI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

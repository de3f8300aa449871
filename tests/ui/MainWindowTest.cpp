// The main window: its tabs, menus, status bar, commands, keys, the window
// rectangle kept in the settings, the maker's addresses and the update threads.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "TestWindow.h"
#include "app/AppSettings.h"
#include "app/IniFile.h"
#include "app/UpdateInfo.h"
#include "base/Encoding.h"
#include "net/FetchResult.h"
#include "support/Answered.h"
#include "support/ScopedEnv.h"
#include "support/SilentServer.h"
#include "ui/ArticleTab.h"
#include "ui/DialogUnits.h"

using namespace pw;

using pw::test::Answered;
using pw::test::Boxes;
using pw::test::MakeWindow;
using pw::test::Opened;
using pw::test::WindowOptions;

namespace {

const MakerAddresses kAllAddresses{"https://update.example.com/pagewell.txt",
                                   "http://pagewell.example.com/help.php?a=1",
                                   "http://pagewell.example.com/", "http://shop.example.com/"};

// A menu as lines: the visible commands by text, "-" per separator, a pop-up as
// its title followed by its lines in braces.
QStringList Describe(const QList<QAction*>& actions) {
    QStringList lines;
    for (QAction* action : actions) {
        if (!action->isVisible()) continue;
        if (action->isSeparator()) {
            lines << "-";
        } else if (action->menu()) {
            lines << action->text() + " {" + Describe(action->menu()->actions()).join(", ") + "}";
        } else {
            lines << action->text();
        }
    }
    return lines;
}

QAction* Action(MainWindow& window, const char* name) {
    auto* action = window.findChild<QAction*>(name);
    if (!action) qFatal("no action %s", name);
    return action;
}

QAction* ShareAction(MainWindow& window, const QString& network) {
    for (QAction* action : window.findChild<QMenu*>("share")->actions()) {
        if (action->text() == network) return action;
    }
    qFatal("no share action");
}

void WriteWindowRect(int left, int top, int right, int bottom) {
    IniFile ini(Settings().configPath);
    ini.SetInt("window", "left", left);
    ini.SetInt("window", "top", top);
    ini.SetInt("window", "right", right);
    ini.SetInt("window", "bottom", bottom);
    QVERIFY(ini.Save());
}

// Any message box or dialog on the screen.
bool BoxOnScreen() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && qobject_cast<QDialog*>(widget)) return true;
    }
    return false;
}

// A fetch for the update description that serves one text.
UpdateRunner::ContextHook Serving(std::string file) {
    return [file](UpdateContext& ctx) {
        ctx.fetch = [file](const std::string&, std::string& page) {
            page = file;
            return Answered(200);
        };
    };
}

const QString kShares = "分享推荐 {新浪微博, 腾讯微博, 搜狐微博, 网易微博, 人人网, 开心网, QQ空间}";

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Boxes().Clear();
        Opened().Clear();
        std::remove(Settings().configPath.c_str());
    }

    void showsTheArticleTabUnderItsTitle() {
        auto window = MakeWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("墨舟博客文章下载器 v1.0"));
        QTabWidget* tabs = window->Tabs();
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("快速登陆页面"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("博客文章下载"));
        QCOMPARE(tabs->currentWidget(), &window->Articles());
        QCOMPARE(window->findChild<QLabel*>("statusPart0")->width(), 200);
        // Article titles reach part 1: markup in them stays text.
        emit window->Articles().statusChanged("<img src=\"/dev/zero\"><b>x</b>");
        auto* part1 = window->findChild<QLabel*>("statusPart1");
        QCOMPARE(part1->text(), QStringLiteral("<img src=\"/dev/zero\"><b>x</b>"));
        QCOMPARE(part1->textFormat(), Qt::PlainText);
    }

    void theMenusHoldTheCommandsInOrder() {
        auto window = MakeWindow(WindowOptions(kAllAddresses));
        QCOMPARE(Describe(window->menuBar()->actions()),
                 (QStringList{"下载操作 {开始下载, 从头重新下载, 暂停下载, 继续下载, 停止下载, -, "
                              "最小化到托盘, 退出}",
                              "更新升级", "查看其他作品", "选项设置", "使用帮助？", kShares,
                              "关于 Pagewell(&A)..."}));
        QCOMPARE(Describe(window->TrayMenu()->actions()),
                 (QStringList{kShares, "-", "选项设置", "更新升级", "官方网站", "-", "退出"}));
        // One action per command: the tray's are the menu bar's.
        QVERIFY(window->TrayMenu()->actions().contains(Action(*window, "exit")));
    }

    void withoutSiteAndShopTheirCommandsAreHidden() {
        auto window = MakeWindow();
        QCOMPARE(Describe(window->menuBar()->actions()).mid(1, 4),
                 (QStringList{"更新升级", "选项设置", "使用帮助？", kShares}));
        QCOMPARE(Describe(window->TrayMenu()->actions()),
                 (QStringList{kShares, "-", "选项设置", "更新升级", "-", "退出"}));
    }

    void pauseContinueAndStopWithoutAJobOnlySayIt() {
        auto window = MakeWindow();
        Action(*window, "pause")->trigger();
        QCOMPARE(window->StatusText(1), QStringLiteral("暂停下载"));
        Action(*window, "continue")->trigger();
        QCOMPARE(window->StatusText(1), QStringLiteral("继续下载"));
        Action(*window, "stop")->trigger();
        QCOMPARE(window->StatusText(1), QStringLiteral("停止下载"));
        QVERIFY(!window->Articles().JobRunning());
        QVERIFY(Boxes().texts.isEmpty());
    }

    void startDownloadInTheMenuDoesNothing() {
        auto window = MakeWindow();
        Action(*window, "start")->trigger();
        QVERIFY(!window->Articles().JobRunning());
        QVERIFY(window->Articles().CurrentJob() == nullptr);
        QCOMPARE(window->StatusText(1), QString());
        QVERIFY(Boxes().texts.isEmpty());
    }

    void exitFromTrayOrMenuBarStoresTheWindow_data() {
        QTest::addColumn<bool>("fromTray");
        QTest::newRow("menu bar") << false;
        QTest::newRow("tray") << true;
    }
    void exitFromTrayOrMenuBarStoresTheWindow() {
        QFETCH(bool, fromTray);
        Settings().threadCount = 6;
        auto window = MakeWindow();
        QSignalSpy closed(window.get(), &MainWindow::closed);
        window->show();
        window->resize(700, 650);
        const QRect rect = window->geometry();
        QMenu* menu = fromTray ? window->TrayMenu() : window->menuBar()->actions()[0]->menu();
        QAction* exit = menu->actions().last();
        QCOMPARE(exit->text(), QStringLiteral("退出"));
        exit->trigger();

        QCOMPARE(closed.count(), 1);
        QVERIFY(!window->isVisible());
        IniFile ini(Settings().configPath);
        ini.Load();
        QCOMPARE(ini.GetInt("window", "left", -1), rect.left());
        QCOMPARE(ini.GetInt("window", "top", -1), rect.top());
        QCOMPARE(ini.GetInt("window", "right", -1), rect.left() + 700);
        QCOMPARE(ini.GetInt("window", "bottom", -1), rect.top() + 650);
        QCOMPARE(ini.GetInt("main", "threadcnt", -1), 6);
        Settings().threadCount = 5;
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
        QLineEdit* address = window->Articles().AddressEdit();
        address->setFocus();
        for (QWidget* target :
             {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(&window->Articles()),
              static_cast<QWidget*>(address)}) {
            QTest::keyClick(target, Qt::Key_Escape);
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter);
        }
        QVERIFY(window->isVisible());
        QVERIFY(!window->Articles().JobRunning());
        QVERIFY(Boxes().texts.isEmpty());
    }

    void withoutATrayTheWindowIsNeverHidden() {
        auto window = MakeWindow();
        if (window->HasTray()) QSKIP("this display has a system tray");
        window->show();
        QVERIFY(!Action(*window, "hide")->isEnabled());
        window->HideToTray();
        QVERIFY(window->isVisible());
    }

    void helpOpensTheInstalledPageAsALocalFile() {
        auto window = MakeWindow();
        Action(*window, "help")->trigger();
        const auto opened = Opened().List();
        QCOMPARE(opened.size(), size_t(1));
        const QUrl url(QString::fromStdString(opened[0]));
        QVERIFY2(url.isLocalFile(), opened[0].c_str());
        QCOMPARE(url.fileName(), QStringLiteral("help.html"));
        QVERIFY(std::filesystem::is_regular_file(url.toLocalFile().toStdString()));
    }

    void aWebHelpPageIsOpenedWhenTheBuildNamesOne() {
        auto window = MakeWindow(WindowOptions(kAllAddresses));
        Action(*window, "help")->trigger();
        Action(*window, "site")->trigger();
        Action(*window, "otherWorks")->trigger();
        QCOMPARE(Opened().List(), (std::vector<std::string>{kAllAddresses.help, kAllAddresses.site,
                                                            kAllAddresses.shop}));
    }

    void addressesFromTheUpdateDescriptionOpenOnlyWhenTheyAreWebAddresses() {
        MainWindow::Options options = WindowOptions(kAllAddresses);
        options.updateHook = Serving(
            "<version>1.0</version><help>file:///etc/passwd</help><bbs>smb://host/share</bbs>"
            "<allsoft>-https://x/</allsoft>");
        auto window = MakeWindow(std::move(options));
        QTRY_COMPARE(window->StatusText(0), QStringLiteral("当前版本是最新版!"));
        QTRY_COMPARE(window->Updates().Running(), 0);
        Action(*window, "site")->trigger();
        Action(*window, "otherWorks")->trigger();
        ShareAction(*window, "新浪微博")->trigger();
        Action(*window, "help")->trigger();
        const auto opened = Opened().List();
        // The share page goes without a link; help falls back to the local page.
        QCOMPARE(opened.size(), size_t(2));
        QVERIFY(opened[0].find("url=&title=") != std::string::npos);
        QVERIFY(QUrl(QString::fromStdString(opened[1])).isLocalFile());
    }

    void sharingUsesTheWebHelpPageAsItsLink() {
        auto window = MakeWindow(WindowOptions(kAllAddresses));
        ShareAction(*window, "QQ空间")->trigger();
        QCOMPARE(Opened().List().size(), size_t(1));
        QVERIFY(Opened().List()[0].find("url=http://pagewell.example.com/help.php?a%3D1") !=
                std::string::npos);
    }

    void withoutAnUpdateAddressNothingIsCheckedAndNoBoxAppears() {
        // The real boxes: nothing may show up in the first seconds.
        MainWindow::Options options = WindowOptions();
        options.prompter = nullptr;
        auto window = MakeWindow(std::move(options));
        window->show();
        // No thread was started, so nothing can bring a box later; what the
        // window itself posted is handled here.
        QCOMPARE(window->Updates().Running(), 0);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(!BoxOnScreen());
        QCOMPARE(window->StatusText(0), QString());
    }

    void withoutAnUpdateAddressTheCommandPointsToThePackage() {
        auto window = MakeWindow();
        Action(*window, "update")->trigger();
        QCOMPARE(Boxes().shown.size(), 1);
        QCOMPARE(Boxes().shown[0].icon, QMessageBox::Information);
        QVERIFY(Boxes().shown[0].text.contains(QStringLiteral("软件包")));
        QCOMPARE(window->Updates().Running(), 0);
    }

    void withAnUpdateAddressTheStartUpCheckOnlySetsTheStatus() {
        MainWindow::Options options = WindowOptions(kAllAddresses);
        options.updateHook = Serving("<version>1.0</version>");
        auto window = MakeWindow(std::move(options));
        QTRY_COMPARE(window->StatusText(0), QStringLiteral("当前版本是最新版!"));
        QTRY_COMPARE(window->Updates().Running(), 0);
        QVERIFY(Boxes().texts.isEmpty());

        // The command says so in a box as well.
        Action(*window, "update")->trigger();
        QTRY_COMPARE(Boxes().texts, QStringList{"当前版本是最新版!"});
    }

    void aFailedStartUpCheckShowsTheNoticeOnce() {
        MainWindow::Options options = WindowOptions(kAllAddresses);
        options.updateHook = [](UpdateContext& ctx) {
            ctx.fetch = [](const std::string&, std::string&) { return Answered(404); };
        };
        auto window = MakeWindow(std::move(options));
        QTRY_COMPARE(Boxes().texts.size(), 1);
        QVERIFY(Boxes().texts[0].startsWith(QStringLiteral("无法获取最新版本信息")));
        QCOMPARE(window->StatusText(0), QStringLiteral("正在检查是否有最新版本……"));
    }

    void theUpdateQuestionCarriesTheOfferedVersionAsText() {
        MainWindow::Options options = WindowOptions(kAllAddresses);
        options.updateHook = Serving(
            "<version>9<img src=\"/dev/zero\"></version>"
            "<downurl>https://dl.example.com/P.exe</downurl>");
        auto window = MakeWindow(std::move(options));
        QTRY_COMPARE(Boxes().shown.size(), 1);
        const Box question = Boxes().shown[0];
        QCOMPARE(question.caption, QStringLiteral("更新提示"));
        QCOMPARE(question.icon, QMessageBox::Information);
        QVERIFY(question.yesNo);
        QCOMPARE(question.text,
                 QStringLiteral("Pagewell发现可用更新(v9<img src=\"/dev/zero\">)，是否立即更新?"));
        // Declined: the archive address goes to the browser.
        QTRY_COMPARE(Opened().List(), std::vector<std::string>{"https://dl.example.com/P.rar"});
    }

    void closingStopsAnUpdateCheckThatWaitsForTheNetwork() {
        test::ScopedEnv env;
        for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
            env.Unset(name);
        }
        test::SilentServer server;
        MakerAddresses addresses = kAllAddresses;
        addresses.update = server.HttpsUrl();
        auto window = MakeWindow(WindowOptions(addresses));
        window->show();
        // QTRY_ checks its condition once more after it held: the client is taken once.
        bool connected = false;
        QTRY_VERIFY_WITH_TIMEOUT(
            connected || (connected = server.TakeClient(std::chrono::milliseconds(0))), 60000);
        QCOMPARE(window->Updates().Running(), 1);
        const auto before = std::chrono::steady_clock::now();
        window->close();
        QVERIFY(std::chrono::steady_clock::now() - before < std::chrono::seconds(3));
        QCOMPARE(window->Updates().Running(), 0);
        window.reset();
        // The thread is joined: whatever it posted is handled now.
        QCoreApplication::sendPostedEvents();
        QVERIFY(Boxes().texts.isEmpty());
    }
};

PW_UI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

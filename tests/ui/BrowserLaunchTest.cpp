// Opening addresses in the default browser: the Exec line of the HTML handler's
// desktop entry, and the launch itself with stand-in tools on PATH.

#include <sys/stat.h>

#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "UiTestMain.h"
#include "app/BrowserLaunch.h"
#include "app/DesktopEntry.h"
#include "base/Encoding.h"
#include "support/ScopedEnv.h"

using namespace pw;
using Args = std::vector<std::string>;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(Args)

namespace {

void WriteFile(const std::string& path, const std::string& text, bool executable = false) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::trunc) << text;
    if (executable) ::chmod(path.c_str(), 0755);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// A tool that writes its arguments, one a line, into log and exits with status.
std::string Recorder(const std::string& log, int status, const std::string& output = {}) {
    return "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + log + "'\n" +
           (output.empty() ? "" : "echo '" + output + "'\n") + "exit " + std::to_string(status) +
           "\n";
}

// Stand-in xdg-open, xdg-mime and browser in a folder that is all of PATH.
class FakeDesktop {
public:
    FakeDesktop() {
        env_.Set("PATH", bin());
        env_.Set("XDG_DATA_DIRS", dir_.File("system"));
    }

    std::string bin() const { return dir_.File("bin"); }
    std::string log(const std::string& tool) const { return dir_.File(tool + ".log"); }

    void XdgOpen(int status) {
        WriteFile(bin() + "/xdg-open", Recorder(log("xdg-open"), status), true);
    }
    void DefaultHtmlHandler(const std::string& desktopId, const std::string& exec) {
        WriteFile(bin() + "/xdg-mime", Recorder(log("xdg-mime"), 0, desktopId), true);
        WriteFile(bin() + "/browser", Recorder(log("browser"), 0), true);
        WriteFile(pw::test::TestHome()->DataHome() + "/applications/" + desktopId,
                  "[Desktop Entry]\nType=Application\nExec=" + exec + "\n");
    }
    Args Logged(const std::string& tool) const {
        Args lines;
        std::stringstream in(ReadFile(log(tool)));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

private:
    pw::test::TempDir dir_;
    pw::test::ScopedEnv env_;
};

}  // namespace

class BrowserLaunchTest : public QObject {
    Q_OBJECT
private slots:
    void cutsTheExecLineAtItsAddressCode_data() {
        QTest::addColumn<std::string>("exec");
        QTest::addColumn<std::string>("cut");
        QTest::newRow("bare code") << std::string("firefox-esr %u") << std::string("firefox-esr ");
        QTest::newRow("quoted code")
            << std::string("/usr/bin/b --new \"%U\" --x") << std::string("/usr/bin/b --new ");
        QTest::newRow("file codes") << std::string("b %F") << std::string("b ");
        QTest::newRow("no code") << std::string("b --flag") << std::string("b --flag");
        QTest::newRow("literal percent") << std::string("b 100%%u %f") << std::string("b 100%%u ");
        QTest::newRow("other codes stay")
            << std::string("b %i --class %c %U") << std::string("b %i --class %c ");
        QTest::newRow("first code wins") << std::string("b %u \"%U\"") << std::string("b ");
    }
    void cutsTheExecLineAtItsAddressCode() {
        QFETCH(std::string, exec);
        QFETCH(std::string, cut);
        QCOMPARE(CutExecAtFieldCode(exec), cut);
    }

    void splitsByTheDesktopEntryQuotingRules() {
        QCOMPARE(*SplitExecLine("\"/opt/My Browser/run\"  --flag\t-x"),
                 (Args{"/opt/My Browser/run", "--flag", "-x"}));
        QCOMPARE(*SplitExecLine("a \"q \\\"t\\\" \\\\ \\$HOME \\`x\\`\" b"),
                 (Args{"a", "q \"t\" \\ $HOME `x`", "b"}));
        QCOMPARE(*SplitExecLine("a %i 100%% %c"), (Args{"a", "100%"}));
        QCOMPARE(*SplitExecLine("a --name=x%k"), (Args{"a", "--name=x"}));
        QVERIFY(!SplitExecLine("a \"unterminated"));
        QVERIFY(SplitExecLine("   ")->empty());
    }

    void theAddressIsOneArgumentAfterTheCutLine() {
        const std::string hostile = "http://x/?a=1&b=2;rm -rf ~ $(id) `id` \"q\"";
        QCOMPARE(*BrowserCommand("chromium --incognito \"%U\"", hostile),
                 (Args{"chromium", "--incognito", hostile}));
        // No placeholder: the whole command, then the address.
        QCOMPARE(*BrowserCommand("\"/opt/b b/run\" --new-tab", "http://a/"),
                 (Args{"/opt/b b/run", "--new-tab", "http://a/"}));
        // An empty address adds nothing.
        QCOMPARE(*BrowserCommand("b %u", ""), (Args{"b"}));
        QVERIFY(!BrowserCommand("%u", "http://a/"));
        QVERIFY(!BrowserCommand("", "http://a/"));
    }

    void readsTheMainGroupsExecWithItsEscapes() {
        pw::test::TempDir dir;
        const std::string file = dir.File("b.desktop");
        WriteFile(file,
                  "# Exec=comment\n[Desktop Action new]\nExec=wrong\n"
                  "[Desktop Entry]\nName=B\nExec[de]=wrong\n  Exec = /opt/b\\sdir/run \\\\x %u\n"
                  "[Desktop Action other]\nExec=wrong too\n");
        QCOMPARE(ReadDesktopExec(file), std::string("/opt/b dir/run \\x %u"));
        WriteFile(file, "[Desktop Entry]\nName=NoExec\n");
        QCOMPARE(ReadDesktopExec(file), std::string());
        QCOMPARE(ReadDesktopExec(dir.File("missing.desktop")), std::string());
    }

    void findsDesktopFilesInTheDataFolders() {
        pw::test::TempDir dir;
        pw::test::ScopedEnv env;
        env.Set("XDG_DATA_DIRS", dir.File("one") + ":" + dir.File("two"));
        const std::string home = pw::test::TestHome()->DataHome() + "/applications/";
        WriteFile(home + "mine.desktop", "[Desktop Entry]\n");
        WriteFile(dir.File("one/applications/mine.desktop"), "[Desktop Entry]\n");
        WriteFile(dir.File("two/applications/kde4/kon.desktop"), "[Desktop Entry]\n");
        WriteFile(dir.File("secret.desktop"), "[Desktop Entry]\n");

        QCOMPARE(FindDesktopFile("mine.desktop"), home + "mine.desktop");
        QCOMPARE(FindDesktopFile("kde4-kon.desktop"),
                 dir.File("two/applications/kde4/kon.desktop"));
        QCOMPARE(FindDesktopFile("none.desktop"), std::string());
        // Only plain desktop ids: nothing outside the applications folders.
        QCOMPARE(FindDesktopFile("../../secret.desktop"), std::string());
        QCOMPARE(FindDesktopFile("kde4/kon.desktop"), std::string());
        QCOMPARE(FindDesktopFile("mine"), std::string());
        std::filesystem::remove(home + "mine.desktop");
    }

    void xdgOpenThatSucceedsIsAllThatRuns() {
        FakeDesktop desktop;
        desktop.XdgOpen(0);
        desktop.DefaultHtmlHandler("b.desktop", desktop.bin() + "/browser %u");
        QCOMPARE(LaunchBrowserNow("http://a/ b"), BrowserLaunch::kXdgOpen);
        QCOMPARE(desktop.Logged("xdg-open"), (Args{"http://a/ b"}));
        QVERIFY(!Exists(desktop.log("xdg-mime")));
        QVERIFY(!Exists(desktop.log("browser")));
    }

    void aFailingXdgOpenFallsBackToTheHtmlHandler() {
        FakeDesktop desktop;
        desktop.XdgOpen(3);
        desktop.DefaultHtmlHandler("fake-browser.desktop",
                                   desktop.bin() + "/browser --new-window \"%u\"");
        const std::string address = "http://a/?x=1;touch /tmp/pwned";
        QCOMPARE(LaunchBrowserNow(address), BrowserLaunch::kHandler);
        QCOMPARE(desktop.Logged("xdg-mime"), (Args{"query", "default", "text/html"}));
        QCOMPARE(desktop.Logged("browser"), (Args{"--new-window", address}));
    }

    void withoutXdgOpenTheHandlerStillOpensIt() {
        FakeDesktop desktop;
        desktop.DefaultHtmlHandler("b.desktop", desktop.bin() + "/browser");
        QCOMPARE(LaunchBrowserNow("http://a/"), BrowserLaunch::kHandler);
        QCOMPARE(desktop.Logged("browser"), (Args{"http://a/"}));
    }

    void nothingToStartEndsQuietly() {
        FakeDesktop desktop;
        desktop.XdgOpen(4);
        WriteFile(desktop.bin() + "/xdg-mime", Recorder(desktop.log("xdg-mime"), 0, "gone.desktop"),
                  true);
        QCOMPARE(LaunchBrowserNow("http://a/"), BrowserLaunch::kNone);
    }

    void anAddressThatLooksLikeAnOptionIsNotHandedOn() {
        FakeDesktop desktop;
        desktop.XdgOpen(0);
        desktop.DefaultHtmlHandler("b.desktop", desktop.bin() + "/browser %u");
        QCOMPARE(LaunchBrowserNow("--help"), BrowserLaunch::kNone);
        QVERIFY(!Exists(desktop.log("xdg-open")));
        QVERIFY(!Exists(desktop.log("browser")));
    }

    void openInBrowserReturnsAtOnceAndConvertsTheText() {
        FakeDesktop desktop;
        // An xdg-open that goes on only once the call has returned (it gives up
        // after a minute): a caller that waited for it would never see it end well.
        const std::string go = desktop.bin() + "/go";
        WriteFile(desktop.bin() + "/xdg-open",
                  "#!/bin/sh\ni=0\nwhile [ ! -e '" + go +
                      "' ]; do\n"
                      "    i=$((i + 1)); [ $i -gt 600 ] && exit 1; /bin/sleep 0.1\ndone\n"
                      "printf '%s\\n' \"$@\" > '" +
                      desktop.log("xdg-open") + "'\n",
                  true);
        OpenInBrowser("http://a/?q=博客");
        WriteFile(go, "", false);
        QTRY_VERIFY_WITH_TIMEOUT(Exists(desktop.log("xdg-open")), 90000);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.Logged("xdg-open"), (Args{"http://a/?q=博客"}), 5000);
    }
};

PW_UI_TEST_MAIN(BrowserLaunchTest)
#include "BrowserLaunchTest.moc"

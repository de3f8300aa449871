// The file download dialog over the simulator: its results, the boxes it shows
// and what it leaves of the target file.

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "UiTestMain.h"
#include "sim/ServiceSimulator.h"
#include "support/ScopedProxy.h"
#include "support/TempDir.h"
#include "ui/HttpDownloadDlg.h"

using namespace pw;

namespace {

constexpr const char* kHost = "dl.example.com";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

class HttpDownloadDlgTest : public QObject {
    Q_OBJECT
private:
    sim::ServiceSimulator* sim_ = nullptr;
    test::ScopedProxy* proxy_ = nullptr;
    test::TempDir* dir_ = nullptr;

    std::string Target() const { return dir_->File("Pagewell2.0.exe"); }

    void Prepare(CHttpDownloadDlg& dialog, const std::string& source, bool overwrite = true) {
        dialog.m_strSource = source;
        dialog.m_strTarget = Target();
        dialog.m_bOverwrite = overwrite;
    }

private slots:
    void init() {
        sim_ = new sim::ServiceSimulator;
        proxy_ = new test::ScopedProxy(*sim_);
        dir_ = new test::TempDir;
        test::UiTestHost::Boxes().clear();
    }
    void cleanup() {
        delete dir_;
        delete proxy_;
        delete sim_;
    }

    void wholeFileEndsWithOk() {
        const std::string body(50 * 1024, 'x');
        sim_->Route(kHost, "/files/P.exe", sim::Response::Text(body, "application/octet-stream"));
        CHttpDownloadDlg dialog;
        // Without a scheme the address is fetched as http.
        Prepare(dialog, std::string(kHost) + "/files/P.exe");
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(ReadAll(Target()), body);
        QVERIFY(!dialog.CameOverHttps());
        QVERIFY(dialog.windowTitle().startsWith("100%"));
        QVERIFY(dialog.findChild<QLabel*>("file")->text().contains("P.exe"));
        QVERIFY(test::UiTestHost::Boxes().isEmpty());
    }

    void errorStatusShowsItsCodeAndLeavesNoFile() {
        CHttpDownloadDlg dialog;
        Prepare(dialog, std::string("http://") + kHost + "/missing.exe");
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(!std::filesystem::exists(Target()));
        QCOMPARE(test::UiTestHost::Boxes().size(), 1);
        QVERIFY(test::UiTestHost::Boxes()[0].contains("404"));
    }

    void refusedOverwriteKeepsTheFile() {
        std::ofstream(Target()) << "old";
        sim_->Route(kHost, "/P.exe", sim::Response::Text("new", "application/octet-stream"));
        CHttpDownloadDlg dialog;
        Prepare(dialog, std::string("http://") + kHost + "/P.exe", false);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));  // the test host answers "no"
        QCOMPARE(test::UiTestHost::Boxes().size(), 1);
        QCOMPARE(ReadAll(Target()), std::string("old"));
        QCOMPARE(sim_->Requests().size(), size_t(0));
    }

    void cancelWaitsForTheWorkerAndRemovesTheFile() {
        sim::Response slow = sim::Response::Text(std::string(400 * 1024, 'y'), "application/x");
        slow.chunkBytes = 1024;
        slow.chunkIntervalMs = 20;
        sim_->Route(kHost, "/slow.exe", slow);

        CHttpDownloadDlg dialog;
        Prepare(dialog, std::string("http://") + kHost + "/slow.exe");
        QTimer poll;
        bool pressed = false;
        connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (pressed || !dialog.windowTitle().contains('%')) return;
            pressed = true;
            QPushButton* cancel = dialog.findChild<QPushButton*>("cancel");
            cancel->click();
            // Until the worker's end message the dialog stays, its button off.
            QVERIFY(!cancel->isEnabled());
            QVERIFY(dialog.isVisible());
        });
        poll.start(10);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(pressed);
        QVERIFY(!std::filesystem::exists(Target()));
        QVERIFY(test::UiTestHost::Boxes().isEmpty());
    }

    void credentialsComeFromThePrompt() {
        sim_->Route(kHost, "/private.exe", [](const sim::Request& request) {
            if (request.Header("Authorization") == "Basic dTpw") {
                return sim::Response::Text("granted", "application/x");
            }
            sim::Response denied = sim::Response::Html("denied", 401);
            denied.headers.emplace_back("WWW-Authenticate", "Basic realm=\"r\"");
            return denied;
        });
        CHttpDownloadDlg dialog;
        Prepare(dialog, std::string("http://") + kHost + "/private.exe");
        QString askedFor;
        dialog.SetCredentialsPrompt([&](const QString& server, bool proxy) {
            askedFor = server + (proxy ? " proxy" : "");
            return std::optional<DownloadCredentials>(DownloadCredentials{"u", "p"});
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(askedFor, QString(kHost));
        QCOMPARE(ReadAll(Target()), std::string("granted"));
    }
};

PW_UI_TEST_MAIN(HttpDownloadDlgTest)
#include "HttpDownloadDlgTest.moc"

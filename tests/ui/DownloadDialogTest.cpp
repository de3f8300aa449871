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
#include "ui/DownloadDialog.h"

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

class DownloadDialogTest : public QObject {
    Q_OBJECT
private:
    sim::ServiceSimulator* sim_ = nullptr;
    test::ScopedProxy* proxy_ = nullptr;
    test::TempDir* dir_ = nullptr;

    std::string Target() const { return dir_->File("Pagewell2.0.exe"); }

    void Prepare(DownloadDialog& dialog, const std::string& source, bool overwrite = true) {
        dialog.SetTransfer(source, Target(), overwrite);
    }

private slots:
    void init() {
        sim_ = new sim::ServiceSimulator;
        proxy_ = new test::ScopedProxy(*sim_);
        dir_ = new test::TempDir;
        test::Boxes().Clear();
    }
    void cleanup() {
        delete dir_;
        delete proxy_;
        delete sim_;
    }

    void wholeFileEndsWithOk() {
        const std::string body(50 * 1024, 'x');
        sim_->Route(kHost, "/files/P.exe", sim::Response::Text(body, "application/octet-stream"));
        DownloadDialog dialog(test::Boxes());
        // Without a scheme the address is fetched as http.
        Prepare(dialog, std::string(kHost) + "/files/P.exe");
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(ReadAll(Target()), body);
        QVERIFY(!dialog.CameOverHttps());
        QVERIFY(dialog.windowTitle().startsWith("100%"));
        QVERIFY(dialog.findChild<QLabel*>("file")->text().contains("P.exe"));
        QVERIFY(test::Boxes().texts.isEmpty());
        // Names and addresses from an update description are never read as markup.
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
    }

    void errorStatusShowsItsCodeAndLeavesNoFile() {
        DownloadDialog dialog(test::Boxes());
        Prepare(dialog, std::string("http://") + kHost + "/missing.exe");
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(!std::filesystem::exists(Target()));
        QCOMPARE(test::Boxes().texts.size(), 1);
        QVERIFY(test::Boxes().texts[0].contains("404"));
    }

    void refusedOverwriteKeepsTheFile() {
        std::ofstream(Target()) << "old";
        sim_->Route(kHost, "/P.exe", sim::Response::Text("new", "application/octet-stream"));
        DownloadDialog dialog(test::Boxes());
        Prepare(dialog, std::string("http://") + kHost + "/P.exe", false);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));  // the test host answers "no"
        QCOMPARE(test::Boxes().texts.size(), 1);
        QCOMPARE(ReadAll(Target()), std::string("old"));
        QCOMPARE(sim_->Requests().size(), size_t(0));
    }

    void cancelWaitsForTheWorkerAndRemovesTheFile() {
        sim::Response slow = sim::Response::Text(std::string(400 * 1024, 'y'), "application/x");
        slow.chunkBytes = 1024;
        slow.chunkIntervalMs = 20;
        sim_->Route(kHost, "/slow.exe", slow);

        DownloadDialog dialog(test::Boxes());
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
        QVERIFY(test::Boxes().texts.isEmpty());
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
        DownloadDialog dialog(test::Boxes());
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

PW_UI_TEST_MAIN(DownloadDialogTest)
#include "DownloadDialogTest.moc"

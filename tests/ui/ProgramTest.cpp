// The pagewell program as a process: closing the window while a job runs saves
// the settings, ends the job where it is and waits for its threads; the process
// ends normally and the job's folder stays for the next run.

#include <QImage>
#include <QProcess>
#include <QtTest>
#include <filesystem>

#include "UiTestMain.h"
#include "app/AppSettings.h"
#include "app/IniFile.h"
#include "job/Manifest.h"
#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "support/ScopedProxy.h"

using namespace pw;

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void closingDuringAJobSavesEndsTheJobAndKeepsItsFolder() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog = sim::MakeDemoBlog({.categories = 2, .articlesPerCategory = 4});
        sim::SinaOptions slow;
        slow.delayMs = 3000;
        const std::string address = sim::AddSinaBlog(simulator, blog, slow);
        test::TempDir dir;
        const QString picture = QString::fromStdString(dir.File("shot.png"));

        // The picture hook lists the blog, takes the picture once the download has
        // begun, and closes the window.
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PAGEWELL_SCREENSHOT", picture);
        env.insert("PAGEWELL_SCREENSHOT_ADDRESS", QString::fromStdString(address));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(PAGEWELL_GUI_PATH, {});
        QVERIFY(program.waitForStarted());
        QVERIFY(program.waitForFinished(120000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        // Ended with the job under way, without waiting for the slow pages: not
        // every article was asked for.
        size_t articles = 0;
        for (const auto& request : simulator.Requests()) {
            if (request.path.rfind("/s/blog_", 0) == 0) ++articles;
        }
        QVERIFY(articles > 0);
        QVERIFY(articles < blog.articles.size());
        const std::string folder = Settings().jobRoot + blog.account + "/";
        QVERIFY2(std::filesystem::exists(folder + Manifest::kFileName), folder.c_str());
        std::filesystem::remove_all(folder);

        const QImage shot(picture);
        QVERIFY(!shot.isNull());
        IniFile ini(Settings().configPath);
        ini.Load();
        QCOMPARE(ini.GetInt("window", "right", 0) - ini.GetInt("window", "left", 0), shot.width());
        QCOMPARE(ini.GetInt("main", "threadcnt", 0), 5);
    }
};

PW_UI_TEST_MAIN(ProgramTest)
#include "ProgramTest.moc"

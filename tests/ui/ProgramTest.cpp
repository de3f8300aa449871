// The pagewell program as a process: closing the window while a job runs saves
// the settings and ends the process without waiting for the job.

#include <QImage>
#include <QProcess>
#include <QtTest>

#include "UiTestMain.h"
#include "app/AppSettings.h"
#include "app/IniFile.h"
#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "support/ScopedProxy.h"

using namespace pw;

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void closingDuringAJobSavesAndEndsAtOnce() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog = sim::MakeDemoBlog({.categories = 2, .articlesPerCategory = 4});
        sim::SinaOptions slow;
        slow.delayMs = 3000;
        const std::string address = sim::AddSinaBlog(simulator, blog, slow);
        const int entries = 2 * 8;  // each article under "all" and under its category
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

        // Ended with the job under way: not every article was asked for.
        size_t articles = 0;
        for (const auto& request : simulator.Requests()) {
            if (request.path.rfind("/s/blog_", 0) == 0) ++articles;
        }
        QVERIFY(articles > 0);
        QVERIFY(articles < size_t(entries));

        const QImage shot(picture);
        QVERIFY(!shot.isNull());
        CIniFile ini(Settings().m_strConfigPath);
        ini.Load();
        QCOMPARE(ini.GetInt("window", "right", 0) - ini.GetInt("window", "left", 0), shot.width());
        QCOMPARE(ini.GetInt("main", "threadcnt", 0), 5);
    }
};

PW_UI_TEST_MAIN(ProgramTest)
#include "ProgramTest.moc"

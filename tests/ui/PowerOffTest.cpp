// The power-off after a job: when a job's end calls for it, the countdown with
// its cancel button, and the request logind gets, answered by a stand-in on a
// private bus (never the machine's own).

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>
#include <chrono>
#include <fstream>

#include "UiTestMain.h"
#include "job/JobResult.h"
#include "support/TempDir.h"
#include "ui/PowerOff.h"
#include "ui/ShutdownCountdown.h"

using namespace pw;

namespace {

// What logind's manager offers for the request, recording each call.
class StandInLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    QList<bool> calls;

public slots:
    void PowerOff(bool interactive) { calls.append(interactive); }
};

// A message bus of the test's own, from a configuration of its own.
class PrivateBus {
public:
    PrivateBus() {
        const std::string config = dir_.File("bus.conf");
        std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC "
                                 "\"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\" "
                                 "\"http://www.freedesktop.org/standards/dbus/1.0/"
                                 "busconfig.dtd\">\n"
                                 "<busconfig><type>session</type><listen>unix:dir="
                              << dir_.Path()
                              << "</listen><auth>EXTERNAL</auth>"
                                 "<policy context=\"default\"><allow send_destination=\"*\"/>"
                                 "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy>"
                                 "</busconfig>\n";
        daemon_.start("dbus-daemon", {"--nofork", "--print-address=1",
                                      "--config-file=" + QString::fromStdString(config)});
        while (daemon_.waitForReadyRead(10000) || daemon_.canReadLine()) {
            if (daemon_.canReadLine()) {
                address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
                break;
            }
        }
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished();
    }

    const QString& Address() const { return address_; }

private:
    test::TempDir dir_;
    QProcess daemon_;
    QString address_;
};

}  // namespace

class PowerOffTest : public QObject {
    Q_OBJECT

private slots:
    void OnlyAWholeDeliveredJobCallsForIt() {
        JobResult delivered;
        delivered.end = JobResult::End::Delivered;
        delivered.missing.push_back({});  // the report stays; the books are there
        QVERIFY(JobEndCallsForPowerOff(delivered, true));
        QVERIFY(!JobEndCallsForPowerOff(delivered, false));
        JobResult stopped = delivered;
        stopped.listingIncomplete = true;
        QVERIFY(!JobEndCallsForPowerOff(stopped, true));
        JobResult oneBookFailed = delivered;
        oneBookFailed.booksFailed.push_back("CHM");
        QVERIFY(!JobEndCallsForPowerOff(oneBookFailed, true));
        for (const auto end : {JobResult::End::NoBook, JobResult::End::NoEngine,
                               JobResult::End::Busy, JobResult::End::Cancelled}) {
            JobResult failed;
            failed.end = end;
            QVERIFY(!JobEndCallsForPowerOff(failed, true));
        }
    }

    void TheCountdownCountsToZeroUnlessCancelled() {
        // Seconds are counted by hand here: an hour-long tick never comes.
        ShutdownCountdown countdown(nullptr, 3, std::chrono::hours(1));
        QSignalSpy expired(&countdown, &ShutdownCountdown::expired);
        QCOMPARE(countdown.Text(), QStringLiteral("将在 3 秒后关机"));
        countdown.Tick();
        QCOMPARE(countdown.Text(), QStringLiteral("将在 2 秒后关机"));
        countdown.Tick();
        QCOMPARE(expired.count(), 0);
        countdown.Tick();
        QCOMPARE(expired.count(), 1);
        QCOMPARE(countdown.result(), int(QDialog::Accepted));
        countdown.Tick();
        QCOMPARE(expired.count(), 1);

        ShutdownCountdown cancelled(nullptr, 2, std::chrono::hours(1));
        QSignalSpy never(&cancelled, &ShutdownCountdown::expired);
        cancelled.show();
        cancelled.findChild<QPushButton*>("cancelShutdown")->click();
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        cancelled.Tick();
        cancelled.Tick();
        QCOMPARE(never.count(), 0);
        QCOMPARE(cancelled.SecondsLeft(), 2);

        // The program's own lasts a minute, a second at a time.
        ShutdownCountdown real;
        QCOMPARE(real.SecondsLeft(), 60);
        QCOMPARE(real.findChild<QTimer*>()->interval(), 1000);
    }

    void AtZeroLogindIsAskedToPowerOffInteractively() {
        PrivateBus bus;
        QVERIFY(!bus.Address().isEmpty());
        QDBusConnection service = QDBusConnection::connectToBus(bus.Address(), "stand-in");
        QVERIFY(service.isConnected());
        StandInLogind logind;
        QVERIFY(service.registerObject("/org/freedesktop/login1", &logind,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService("org.freedesktop.login1"));
        QDBusConnection program = QDBusConnection::connectToBus(bus.Address(), "program");

        QWidget window;
        QStringList told;
        QPointer<ShutdownCountdown> countdown = StartPowerOffCountdown(
            &window, program, [&](const QString& text) { told.append(text); });
        QVERIFY(countdown->isVisible());
        while (countdown && countdown->SecondsLeft() > 0) countdown->Tick();
        QTRY_COMPARE(logind.calls.size(), 1);
        QCOMPARE(logind.calls.front(), true);

        // A request nobody answers is told, not passed over.
        service.unregisterService("org.freedesktop.login1");
        countdown = StartPowerOffCountdown(&window, program,
                                           [&](const QString& text) { told.append(text); });
        while (countdown && countdown->SecondsLeft() > 0) countdown->Tick();
        QTRY_COMPARE(told.size(), 1);
        QVERIFY(told.front().startsWith(QStringLiteral("自动关机失败：")));
        QCOMPARE(logind.calls.size(), 1);
        QDBusConnection::disconnectFromBus("program");
        QDBusConnection::disconnectFromBus("stand-in");
    }
};

PW_UI_TEST_MAIN(PowerOffTest)
#include "PowerOffTest.moc"

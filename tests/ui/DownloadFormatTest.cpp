// The download dialog's numbers: speed, amounts and time left in their units,
// and the meter that decides when the display changes.

#include <QtTest>
#include <string>

#include "UiTestMain.h"
#include "base/Encoding.h"
#include "ui/DownloadFormat.h"
#include "ui/DownloadMeter.h"

using namespace pw;

class DownloadFormatTest : public QObject {
    Q_OBJECT
private slots:
    void speedUnitsChangeAtOneAndTen_data() {
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("shown");
        QTest::newRow("half") << 0.5 << "512 字节/秒";
        QTest::newRow("zero") << 0.0 << "0 字节/秒";
        QTest::newRow("just below one") << 0.999 << "1023 字节/秒";
        QTest::newRow("one") << 1.0 << "1.00 KB/秒";
        QTest::newRow("five") << 5.0 << "5.00 KB/秒";
        QTest::newRow("just below ten") << 9.994 << "9.99 KB/秒";
        QTest::newRow("ten") << 10.0 << "10 KB/秒";
        QTest::newRow("rounded") << 12.7 << "13 KB/秒";
    }
    void speedUnitsChangeAtOneAndTen() {
        QFETCH(double, rate);
        QFETCH(QString, shown);
        QCOMPARE(FormatDownloadSpeed(rate), shown.toStdString());
    }

    void amountUnitsChangeAtKilobyteAndMegabyte_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << qint64(0) << "0 字节";
        QTest::newRow("1023") << qint64(1023) << "1023 字节";
        QTest::newRow("1024") << qint64(1024) << "1.0 KB";
        QTest::newRow("1048575") << qint64(1048575) << "1024.0 KB";
        QTest::newRow("1048576") << qint64(1048576) << "1.00 MB";
        QTest::newRow("5 GB") << (qint64(5) << 30) << "5120.00 MB";
    }
    void amountUnitsChangeAtKilobyteAndMegabyte() {
        QFETCH(qint64, bytes);
        QFETCH(QString, shown);
        QCOMPARE(FormatDownloadAmount(bytes), shown.toStdString());
    }

    void durationInSecondsMinutesOrBoth() {
        QCOMPARE(FormatDownloadDuration(0), "0 秒");
        QCOMPARE(FormatDownloadDuration(59), "59 秒");
        QCOMPARE(FormatDownloadDuration(60), "1 分钟");
        QCOMPARE(FormatDownloadDuration(120), "2 分钟");
        QCOMPARE(FormatDownloadDuration(125), "2 分 5 秒");
        QCOMPARE(FormatTimeLeft(125, 1024, 1048576),
                 "剩余时间：2 分 5 秒（已下载 1.0 KB / 1.00 MB）");
    }

    void percentageOnlyWhenItsWholeNumberChanges() {
        DownloadMeter meter(1000, 0);
        QCOMPARE(meter.Add(5, 10).percent, std::nullopt);  // 0.5 % is still 0
        QCOMPARE(meter.Add(5, 20).percent, std::optional<int>(1));
        QCOMPARE(meter.Add(9, 30).percent, std::nullopt);  // 1.9 %
        QCOMPARE(meter.Add(981, 40).percent, std::optional<int>(100));
    }

    void speedAndTimeLeftAtMostOnceASecond() {
        DownloadMeter meter(10000, 0);
        QVERIFY(!meter.Add(500, 1000).rate);  // exactly one second is not yet due
        const DownloadProgress due = meter.Add(500, 2000);
        QVERIFY(due.rate);
        QCOMPARE(*due.rate, 0.5);
        // 2000 ms for 1000 bytes, 9000 bytes to go.
        QCOMPARE(due.secondsLeft, std::optional<int64_t>(18));

        QVERIFY(!meter.Add(100, 2900).rate);
        const DownloadProgress next = meter.Add(2400, 3250);
        QVERIFY(next.rate);
        QCOMPARE(*next.rate, 2500.0 / 1250);
    }

    void unknownSizeGivesSpeedOnly() {
        for (int64_t size : {int64_t{-1}, int64_t{0}}) {
            DownloadMeter meter(size, 0);
            const DownloadProgress p = meter.Add(4096, 1500);
            QVERIFY(!p.percent);
            QVERIFY(p.rate);
            QVERIFY(!p.secondsLeft);
        }
    }

    void moreThanAnnouncedLeavesNoNegativeTime() {
        DownloadMeter meter(100, 0);
        QCOMPARE(meter.Add(300, 2000).secondsLeft, std::optional<int64_t>(0));
    }
};

PW_UI_TEST_MAIN(DownloadFormatTest)
#include "DownloadFormatTest.moc"

// The window's host: calls from workers run on the GUI thread while the worker
// waits, and workers' boxes appear even while the GUI thread sits in a modal
// dialog of its own.

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <thread>
#include <vector>

#include "UiTestMain.h"
#include "base/Encoding.h"
#include "engine/Host.h"

using namespace pw;

namespace {

// Attaches a host that shows real message boxes, restoring the test host after.
class RealBoxes {
public:
    RealBoxes() { AttachHost(&host); }
    ~RealBoxes() { AttachHost(&pw::test::UiTestHost::Get()); }
    CQtHost host;
};

// Answers every message box that becomes the active modal window: "yes" to
// questions, OK to the rest, remembering caption and text.
class BoxAnswerer : public QObject {
public:
    BoxAnswerer() {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            captions << box->windowTitle();
            plainText = plainText && box->textFormat() == Qt::PlainText;
            texts << box->text();
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                yes->click();
            } else {
                box->button(QMessageBox::Ok)->click();
            }
        });
        m_timer.start(20);
    }
    QStringList captions;
    QStringList texts;
    bool plainText = true;

private:
    QTimer m_timer;
};

}  // namespace

class QtHostTest : public QObject {
    Q_OBJECT
private slots:
    void aWorkersCallRunsOnTheGuiThreadAndIsWaitedFor() {
        CQtHost& host = pw::test::UiTestHost::Get();
        std::atomic<bool> ranOnGui{false};
        std::atomic<bool> sawResult{false};
        std::atomic<bool> done{false};
        std::thread worker([&] {
            int value = 0;
            host.SendToUi([&] {
                ranOnGui = QThread::currentThread() == qApp->thread();
                value = 42;
            });
            sawResult = value == 42;
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
        worker.join();
        QVERIFY(ranOnGui.load());
        QVERIFY(sawResult.load());

        bool direct = false;
        host.SendToUi([&] { direct = true; });
        QVERIFY(direct);
    }

    void workersBoxesAppearWhileTheGuiThreadIsInAModalDialog() {
        RealBoxes real;
        BoxAnswerer answerer;
        QDialog busy;
        std::atomic<int> finished{0};
        std::atomic<int> yes{0};
        std::vector<std::thread> workers;
        QTimer::singleShot(0, &busy, [&] {
            for (int i = 0; i < 3; ++i) {
                workers.emplace_back([&, i] {
                    ShowStatus(1, Gbk("正在下载"));
                    ShowMessageBox(Gbk("第") + std::to_string(i) + Gbk("篇下载失败"));
                    ShowMessageBox("<img src=\"/dev/zero\">");
                    if (AskYesNo(Gbk("是否继续?"))) ++yes;
                    ++finished;
                });
            }
        });
        QTimer closer;
        connect(&closer, &QTimer::timeout, &busy, [&] {
            if (finished.load() == 3) busy.accept();
        });
        closer.start(20);
        QTimer::singleShot(30000, &busy, &QDialog::reject);  // never hang the suite
        busy.exec();
        for (auto& worker : workers) worker.join();

        QCOMPARE(finished.load(), 3);
        QCOMPARE(yes.load(), 3);
        QCOMPARE(answerer.texts.size(), 9);
        // Network text in a box is shown as it is, never read as markup.
        QCOMPARE(answerer.texts.count(QStringLiteral("<img src=\"/dev/zero\">")), 3);
        QVERIFY(answerer.plainText);
        QCOMPARE(answerer.texts.count(QStringLiteral("是否继续?")), 3);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(answerer.texts.contains(QStringLiteral("第%1篇下载失败").arg(i)));
        }
        for (const QString& caption : answerer.captions)
            QCOMPARE(caption, QStringLiteral("pagewell"));
    }
};

PW_UI_TEST_MAIN(QtHostTest)
#include "QtHostTest.moc"

// The boxes the user really sees: plain text whatever the network sent, the
// update question with its own caption, and the one report at a job's end.

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <condition_variable>
#include <mutex>
#include <stop_token>

#include "UiTestMain.h"
#include "app/UpdateInfo.h"
#include "base/Encoding.h"
#include "job/JobResult.h"
#include "net/FetchResult.h"
#include "support/Answered.h"
#include "support/OneShotGate.h"
#include "ui/JobReportDialog.h"
#include "ui/Prompter.h"
#include "ui/UpdateRunner.h"

using namespace pw;

using pw::test::Answered;

namespace {

// Answers every message box that becomes the active modal window: "yes" to
// questions, OK to the rest, remembering what it showed and how.
class BoxAnswerer : public QObject {
public:
    struct Seen {
        QString caption;
        QString text;
        Qt::TextFormat format;
        QMessageBox::Icon icon;
        bool yesNo;
    };

    BoxAnswerer() {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            seen.append(
                {box->windowTitle(), box->text(), box->textFormat(), box->icon(), yes != nullptr});
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        });
        timer_.start(20);
    }
    QList<Seen> seen;

private:
    QTimer timer_;
};

MissingArticle Missing(const char* title, const char* url, const char* reason) {
    return {title, url, reason, 500};
}

}  // namespace

class PrompterTest : public QObject {
    Q_OBJECT
private slots:
    void boxesShowTheirTextAsTextAndAnswer() {
        BoxAnswerer answerer;
        Prompter prompter;
        prompter.Tell("<img src=\"/dev/zero\"><b>x</b>", QMessageBox::Warning);
        QVERIFY(prompter.Ask(QStringLiteral("是否继续?")));
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen[0].text, QStringLiteral("<img src=\"/dev/zero\"><b>x</b>"));
        QCOMPARE(answerer.seen[0].icon, QMessageBox::Warning);
        QVERIFY(!answerer.seen[0].yesNo);
        QVERIFY(answerer.seen[1].yesNo);
        for (const auto& seen : answerer.seen) {
            QCOMPARE(seen.format, Qt::PlainText);
            QCOMPARE(seen.caption, QStringLiteral("pagewell"));
        }
    }

    void theUpdateQuestionIsPlainTextUnderItsOwnCaption() {
        BoxAnswerer answerer;
        Prompter prompter;
        UpdateInfo info;
        QWidget window;
        UpdateRunner runner(&window, prompter, info, "https://update.example.com/u.txt",
                            [](const std::string&) {});
        std::atomic<bool> downloadAsked{false};
        runner.SetContextHook([&](UpdateContext& ctx) {
            ctx.fetch = [](const std::string&, std::string& page) {
                page = "<version>2.0<img src=\"/dev/zero\"></version>";
                return Answered(200);
            };
            ctx.download = [&](const std::string&, const std::string&) {
                downloadAsked = true;
                return UpdateDownload{};
            };
        });
        runner.StartCheck();
        QTRY_COMPARE(answerer.seen.size(), 1);
        const auto& question = answerer.seen[0];
        QCOMPARE(question.caption, QStringLiteral("更新提示"));
        QCOMPARE(question.icon, QMessageBox::Information);
        QVERIFY(question.yesNo);
        QCOMPARE(question.format, Qt::PlainText);
        QCOMPARE(
            question.text,
            QStringLiteral("Pagewell发现可用更新(v2.0<img src=\"/dev/zero\">)，是否立即更新?"));
        QTRY_COMPARE(runner.Running(), 0);
        // Yes: no https address and no digest, so nothing is downloaded.
        QVERIFY(!downloadAsked.load());
    }

    void aStoppedRunnerNeverAsks() {
        BoxAnswerer answerer;
        Prompter prompter;
        UpdateInfo info;
        QWidget window;
        UpdateRunner runner(&window, prompter, info, "https://update.example.com/u.txt",
                            [](const std::string&) {});
        pw::test::OneShotGate fetching;
        runner.SetContextHook([&fetching](UpdateContext& ctx) {
            ctx.fetch = [&fetching, stop = ctx.stop](const std::string&, std::string& page) {
                fetching.Set();
                std::mutex mutex;
                std::condition_variable_any never;
                std::unique_lock lock(mutex);
                never.wait(lock, stop, [] { return false; });
                page = "<version>2.0</version>";
                return Answered(200);  // as if the answer had come just then
            };
        });
        runner.StartCheck();
        fetching.Wait();
        QCOMPARE(runner.Running(), 1);
        runner.Stop();
        QCOMPARE(runner.Running(), 0);
        // The thread is joined: whatever it posted is handled now.
        QCoreApplication::sendPostedEvents();
        QVERIFY(answerer.seen.isEmpty());
    }

    void whatAStoppedCheckHadPostedIsDropped() {
        BoxAnswerer answerer;
        Prompter prompter;
        UpdateInfo info;
        QWidget window;
        UpdateRunner runner(&window, prompter, info, "https://update.example.com/u.txt",
                            [](const std::string&) {});
        pw::test::OneShotGate posted;
        runner.SetContextHook([&posted](UpdateContext& ctx) {
            ctx.fetch = [](const std::string&, std::string&) { return Answered(404); };
            ctx.notice = [&posted, post = ctx.notice](int kind) {
                post(kind);
                posted.Set();
            };
        });
        runner.StartCheck();
        // The notice is posted, but this thread has not handled it yet.
        posted.Wait();
        runner.Stop();
        QCoreApplication::sendPostedEvents();
        QVERIFY(answerer.seen.isEmpty());
    }

    void aReportSaysEachThingOnce() {
        JobResult result;
        result.finalText = "电子书编译完毕(在桌面上)，请您欣赏";
        result.articles = 5;
        result.saved = 3;
        result.missing = {Missing("第一篇", "http://blog.example.com/1", "服务器返回 HTTP 500"),
                          Missing("第二篇", "http://blog.example.com/2", "服务器返回 HTTP 500")};
        result.messages = {"日期格式错误", "日期格式错误", "分类获取失败"};
        result.picturesKeptRemote = 4;
        result.reportPath = "/tmp/jobs/a/report.txt";

        const JobEndReport report = MakeJobEndReport(result);
        QCOMPARE(report.finalText, QStringLiteral("电子书编译完毕(在桌面上)，请您欣赏"));
        QCOMPARE(report.messages, (QStringList{QStringLiteral("日期格式错误（2 次）"),
                                               QStringLiteral("分类获取失败")}));
        QCOMPARE(report.missing.size(), 2);
        QCOMPARE(report.missing[1].title, QStringLiteral("第二篇"));
        QCOMPARE(report.missing[1].url, QStringLiteral("http://blog.example.com/2"));
        QCOMPARE(report.missing[1].reason, QStringLiteral("服务器返回 HTTP 500"));
        QVERIFY(report.summary.contains(QStringLiteral("3/5")));
        QVERIFY(report.HasDetails());

        JobResult clean;
        clean.finalText = result.finalText;
        QVERIFY(!MakeJobEndReport(clean).HasDetails());
    }

    void theReportListsEverythingInOneDialog() {
        JobEndReport report;
        report.finalText = QStringLiteral("电子书编译完毕(在桌面上)，请您欣赏");
        report.messages = {QStringLiteral("<b>分类获取失败</b>")};
        report.missing = {{QStringLiteral("<i>第一篇</i>"), "http://blog.example.com/1",
                           QStringLiteral("服务器返回 HTTP 500")}};
        report.picturesKeptRemote = 4;
        report.reportPath = "/tmp/jobs/a/report.txt";
        JobReportDialog dialog(report);
        QTreeWidget* list = dialog.List();
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("<b>分类获取失败</b>"));
        QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("<i>第一篇</i>"));
        QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("http://blog.example.com/1"));
        QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("服务器返回 HTTP 500"));
        QVERIFY(list->topLevelItem(2)->text(0).contains('4'));
        QStringList labels;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
            labels << label->text();
        }
        QVERIFY(labels.contains(report.finalText));
        QVERIFY(labels.join('\n').contains(report.reportPath));
    }
};

PW_UI_TEST_MAIN(PrompterTest)
#include "PrompterTest.moc"

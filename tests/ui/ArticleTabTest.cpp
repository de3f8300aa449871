// The article tab in the window, driven as a user drives it over the service
// simulator: an address typed, the button pressed, the tree filled, the books
// delivered and the end told once; failing articles, pause, continue, stop,
// resuming and starting over, the browser's cookies, a missing compiler, and
// closing the window in the middle of a download.

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "TestWindow.h"
#include "app/AppSettings.h"
#include "base/Encoding.h"
#include "job/Job.h"
#include "job/Manifest.h"
#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "support/HeldAnswers.h"
#include "support/ScopedEnv.h"
#include "support/ScopedProxy.h"
#include "support/TestListener.h"
#include "ui/ArticleTab.h"
#include "ui/TreeImages.h"

using namespace pw;
using pw::test::Boxes;
using pw::test::MakeWindow;

namespace {

namespace fs = std::filesystem;

constexpr int kJobTimeoutMs = 180000;
const QString kBookDone = QStringLiteral("电子书编译完毕(在桌面上)，请您欣赏");

void TypeAndStart(ArticleTab& tab, const std::string& address) {
    tab.AddressEdit()->clear();
    QTest::keyClicks(tab.AddressEdit(), QString::fromStdString(address));
    QTest::mouseClick(tab.StartButton(), Qt::LeftButton);
}

QAction* Action(MainWindow& window, const char* name) {
    return window.findChild<QAction*>(name);
}

// The view's tree as text, one line per item, indented by depth.
QStringList ViewTree(QTreeWidget* tree) {
    QStringList lines;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
        lines << QString(depth * 2, ' ') + item->text(0);
        for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), depth + 1);
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i) walk(tree->topLevelItem(i), 0);
    return lines;
}

// The job's tree as the same text.
QStringList JobTree(const ArticleTree& tree) {
    QStringList lines;
    std::function<void(int, int)> walk = [&](int item, int depth) {
        for (; item; item = tree.GetNextSiblingItem(item)) {
            lines << QString(depth * 2, ' ') + QString::fromStdString(tree.GetItemText(item));
            walk(tree.GetChildItem(item), depth + 1);
        }
    };
    walk(tree.GetRootItem(), 0);
    return lines;
}

QImage IconImage(QTreeWidgetItem* item, QIcon::Mode mode) {
    return item->icon(0)
        .pixmap(kTreeImageSize, kTreeImageSize, mode)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

QImage StripImage(int index) {
    return TreeImage(index).toImage().convertToFormat(QImage::Format_ARGB32);
}

bool HasOpaquePixel(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0) return true;
        }
    }
    return false;
}

size_t ArticleRequests(const sim::ServiceSimulator& simulator) {
    size_t count = 0;
    for (const auto& request : simulator.Requests()) {
        if (request.path.rfind("/s/blog_", 0) == 0) ++count;
    }
    return count;
}

std::string FolderOf(const sim::DemoBlog& blog) {
    return Settings().jobRoot + blog.account + "/";
}

// Waits for the tab's job to end; false after the limit.
bool WaitForEnd(ArticleTab& tab, int timeoutMs = kJobTimeoutMs) {
    return QTest::qWaitFor([&] { return !tab.JobRunning(); }, timeoutMs);
}

// Runs a job on another small blog to its end, beside whatever the tab does.
bool RunOtherJob(sim::ServiceSimulator& simulator) {
    const sim::DemoBlog other =
        sim::MakeDemoBlog({.account = "2222", .categories = 1, .articlesPerCategory = 2});
    const std::string address = sim::AddSinaBlog(simulator, other);
    test::TestListener listener;
    Job job(Settings().MakeJobOptions(address, test::TestHome()->Desktop() + "/"), listener);
    return test::RunJob(job) && job.Result().Complete();
}

// Records, with each box or report, whether the job was still running then.
class WatchingPrompter : public test::RecordingPrompter {
public:
    bool Show(const Box& box) override {
        NoteJob();
        return RecordingPrompter::Show(box);
    }
    void ShowJobReport(const JobEndReport& report) override {
        NoteJob();
        RecordingPrompter::ShowJobReport(report);
    }
    void NoteJob() {
        const Job* job = tab ? tab->CurrentJob() : nullptr;
        shownWhileRunning = shownWhileRunning || (job && !job->Finished());
    }

    ArticleTab* tab = nullptr;
    bool shownWhileRunning = false;
};

// Articles begun so far, as the tab reports them.
class Progress {
public:
    explicit Progress(ArticleTab& tab) {
        QObject::connect(&tab, &ArticleTab::articleProgress, &tab, [this](int done, int) {
            last = done;
            ++calls;
        });
    }
    int last = 0;   // the number of the article last ended, in the order they began
    int calls = 0;  // articles ended
};

}  // namespace

class ArticleTabTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Boxes().Clear();
        Settings().bookFormats = "both";
        Settings().retries = 1;
        Settings().threadCount = 3;
        Settings().keepDownloads = false;
    }

    void theTreeImagesSitAtTheirPositions() {
        const QImage strip = DrawTreeImageStrip();
        QCOMPARE(strip.size(), QSize(672, 16));
        for (int index = 0; index < kTreeImageCount; ++index) {
            const bool used = index <= 3 || index == 10 || index == 11;
            QCOMPARE(HasOpaquePixel(StripImage(index)), used);
        }
        QVERIFY(StripImage(0) != StripImage(1));
        QVERIFY(StripImage(0) != StripImage(2));
        QVERIFY(StripImage(1) != StripImage(3));
        QVERIFY(StripImage(10) != StripImage(11));
    }

    void aSinaAddressBecomesBooksOnTheDesktop() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog =
            sim::MakeDemoBlog({.categories = 2, .articlesPerCategory = 3, .pageSize = 2});
        const std::string address = sim::AddSinaBlog(simulator, blog);
        auto window = MakeWindow();
        window->show();
        ArticleTab& tab = window->Articles();

        TypeAndStart(tab, address);
        QVERIFY(!tab.StartButton()->isEnabled());
        QVERIFY(!Action(*window, "startOver")->isEnabled());
        QVERIFY(WaitForEnd(tab));
        QCOMPARE(Boxes().texts, QStringList{kBookDone});
        QVERIFY(Boxes().reports.isEmpty());
        QCOMPARE(window->StatusText(1), kBookDone);
        QVERIFY(tab.StartButton()->isEnabled());
        QVERIFY(Action(*window, "startOver")->isEnabled());
        for (const char* kind : {".chm", ".epub"}) {
            const std::string book = test::TestHome()->Desktop() + "/" + blog.account + kind;
            QVERIFY2(fs::is_regular_file(book), book.c_str());
            QVERIFY(fs::file_size(book) > 0);
        }
        // Everything arrived: the downloads are gone.
        QVERIFY(!fs::exists(FolderOf(blog)));

        // The view mirrors the job's tree: blog, "all" and two categories, each
        // article under "all" and under its category.
        QTreeWidget* tree = tab.TreeView();
        const QStringList lines = ViewTree(tree);
        QCOMPARE(lines, JobTree(tab.CurrentJob()->Tree()));
        QCOMPARE(lines.size(), 1 + 3 + 12);
        QCOMPARE(lines[0], QString::fromStdString(blog.name + "_新浪博客"));
        QCOMPARE(lines[1], QStringLiteral("  全部博文"));

        // Books and pages carry their images; the root was expanded by the program
        // and so still shows a closed book.
        QTreeWidgetItem* root = tree->topLevelItem(0);
        QVERIFY(root->isExpanded());
        QCOMPARE(IconImage(root, QIcon::Normal), StripImage(kImageBookClosed));
        QCOMPARE(IconImage(root, QIcon::Selected), StripImage(kImageBookClosedSelected));
        QTreeWidgetItem* article = root->child(0)->child(0);
        QCOMPARE(IconImage(article, QIcon::Normal), StripImage(kImagePage));
        QCOMPARE(IconImage(article, QIcon::Selected), StripImage(kImagePageSelected));

        // A category the user opens shows an open book, and a closed one again after.
        QTreeWidgetItem* category = root->child(1);
        tree->expandItem(category);
        QCOMPARE(IconImage(category, QIcon::Normal), StripImage(kImageBookOpen));
        QCOMPARE(IconImage(category, QIcon::Selected), StripImage(kImageBookOpenSelected));
        tree->collapseItem(category);
        QCOMPARE(IconImage(category, QIcon::Normal), StripImage(kImageBookClosed));

        // A second run starts from an empty tree.
        Boxes().Clear();
        TypeAndStart(tab, address);
        QVERIFY(WaitForEnd(tab));
        QCOMPARE(Boxes().texts, QStringList{kBookDone});
        QCOMPARE(ViewTree(tree), lines);
    }

    void anAddressNoEngineTakesIsRefused() {
        auto window = MakeWindow();
        ArticleTab& tab = window->Articles();
        TypeAndStart(tab, "http://www.example.com/blog");
        QVERIFY(WaitForEnd(tab, 30000));
        const QString refused = QStringLiteral("未能识别该博客类型，请联系作者添加!");
        QCOMPARE(Boxes().texts, QStringList{refused});
        QCOMPARE(window->StatusText(1), refused);
        QVERIFY(tab.StartButton()->isEnabled());
        QCOMPARE(tab.TreeView()->topLevelItemCount(), 0);
    }

    void failingArticlesAreToldInOneReportAtTheEnd() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog = sim::MakeDemoBlog({.categories = 2, .articlesPerCategory = 3});
        const std::string address = sim::AddSinaBlog(simulator, blog);
        // Two articles fail on the server, every time they are asked for.
        const sim::DemoArticle& first = blog.articles[1];
        const sim::DemoArticle& second = blog.articles[4];
        for (const sim::DemoArticle* failing : {&first, &second}) {
            const std::string url = sim::SinaArticleUrl(*failing);
            simulator.Route(sim::kSinaHost, url.substr(url.find("/s/")),
                            sim::Response::Html("busy", 500));
        }
        Settings().bookFormats = "epub";
        WatchingPrompter prompter;
        MainWindow::Options options = test::WindowOptions();
        options.prompter = &prompter;
        auto window = MakeWindow(std::move(options));
        ArticleTab& tab = window->Articles();
        prompter.tab = &tab;

        TypeAndStart(tab, address);
        QVERIFY(WaitForEnd(tab));
        QVERIFY(!prompter.shownWhileRunning);
        QVERIFY(prompter.shown.isEmpty());
        QCOMPARE(prompter.reports.size(), 1);
        const JobEndReport& report = prompter.reports[0];
        QCOMPARE(report.finalText, kBookDone);
        QCOMPARE(report.missing.size(), 2);
        QStringList titles;
        for (const auto& missing : report.missing) {
            titles << missing.title;
            QVERIFY(missing.url.startsWith("http://blog.sina.com.cn/s/blog_"));
            QVERIFY2(missing.reason.contains("500"), qPrintable(missing.reason));
        }
        titles.sort();
        QStringList expected{QString::fromStdString(first.title),
                             QString::fromStdString(second.title)};
        expected.sort();
        QCOMPARE(titles, expected);
        // Their reasons are not told a second time as messages.
        QVERIFY2(report.messages.isEmpty(), qPrintable(report.messages.join("|")));
        QVERIFY(report.summary.contains(QStringLiteral("2 篇失败")));
        QVERIFY(!report.reportPath.isEmpty());
        // The book of the rest is on the desktop, the downloads kept for a later run.
        QVERIFY(fs::is_regular_file(test::TestHome()->Desktop() + "/" + blog.account + ".epub"));
        QVERIFY(fs::exists(FolderOf(blog) + Manifest::kFileName));
        fs::remove_all(FolderOf(blog));
    }

    void pauseContinueStopAndTheNextJobRunsFree() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog =
            sim::MakeDemoBlog({.categories = 3, .articlesPerCategory = 4, .pageSize = 5});
        const std::string address = sim::AddSinaBlog(simulator, blog);
        const size_t articles = blog.articles.size();
        // Article pages go out when the test says, so it knows what the workers hold.
        test::HeldAnswers held;
        for (const auto& article : blog.articles) {
            const std::string url = sim::SinaArticleUrl(article);
            simulator.Route(sim::kSinaHost, url.substr(url.find("/s/")),
                            held.Hold(sim::Response::Html(sim::SinaArticlePage(article, {}))));
        }
        Settings().threadCount = 2;
        Settings().bookFormats = "epub";
        auto window = MakeWindow();
        ArticleTab& tab = window->Articles();
        Progress progress(tab);

        TypeAndStart(tab, address);
        QTRY_VERIFY_WITH_TIMEOUT(held.Arrived() == 2, kJobTimeoutMs);
        Action(*window, "pause")->trigger();
        QTRY_COMPARE(window->StatusText(1), QStringLiteral("暂停下载"));
        // Articles under way finish; then nothing new starts while paused, not
        // even while a whole other job runs.
        held.LetThrough(2);
        QTRY_VERIFY_WITH_TIMEOUT(progress.calls == 2, kJobTimeoutMs);
        QVERIFY(RunOtherJob(simulator));
        QCOMPARE(held.Arrived(), 2);
        QVERIFY(tab.JobRunning());
        QVERIFY(!tab.StartButton()->isEnabled());

        // Continued, a worker takes the next article; the stop comes while it is in hand.
        Action(*window, "continue")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(held.Arrived() > 2, kJobTimeoutMs);
        Action(*window, "stop")->trigger();
        held.LetAllThrough();
        QVERIFY(WaitForEnd(tab));
        const int stoppedAt = held.Arrived();
        QVERIFY(stoppedAt <= 4);
        // The book of what was downloaded, and the rest listed as not downloaded.
        QCOMPARE(Boxes().reports.size(), 1);
        QCOMPARE(Boxes().reports[0].finalText, kBookDone);
        QVERIFY(!Boxes().reports[0].missing.isEmpty());
        QVERIFY(tab.StartButton()->isEnabled());

        // The stop belonged to that job: the next one neither waits nor stops,
        // and continues where the first ended.
        Boxes().Clear();
        QStringList statuses;
        connect(&tab, &ArticleTab::statusChanged, this,
                [&statuses](const QString& text) { statuses << text; });
        QTest::mouseClick(tab.StartButton(), Qt::LeftButton);
        QVERIFY(WaitForEnd(tab));
        QCOMPARE(Boxes().texts, QStringList{kBookDone});
        QVERIFY(Boxes().reports.isEmpty());
        QVERIFY(statuses.filter(QStringLiteral("继续上次的任务")).size() == 1);
        QVERIFY(held.Arrived() < stoppedAt + static_cast<int>(articles));
        QVERIFY(!fs::exists(FolderOf(blog)));
    }

    void startingOverFetchesEveryArticleAgain() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog = sim::MakeDemoBlog({.categories = 2, .articlesPerCategory = 2});
        const std::string address = sim::AddSinaBlog(simulator, blog);
        const size_t articles = blog.articles.size();
        Settings().bookFormats = "epub";
        Settings().keepDownloads = true;
        auto window = MakeWindow();
        ArticleTab& tab = window->Articles();
        tab.AddressEdit()->setText(QString::fromStdString(address));

        tab.StartJob();
        QVERIFY(WaitForEnd(tab));
        QCOMPARE(ArticleRequests(simulator), articles);
        QVERIFY(fs::exists(FolderOf(blog)));  // kept, as the settings ask

        // Pressed again, nothing needs fetching; started over, everything does.
        tab.StartJob();
        QVERIFY(WaitForEnd(tab));
        QCOMPARE(ArticleRequests(simulator), articles);
        Action(*window, "startOver")->trigger();
        QVERIFY(tab.JobRunning());
        QVERIFY(WaitForEnd(tab));
        QCOMPARE(ArticleRequests(simulator), 2 * articles);
        QCOMPARE(Boxes().texts, (QStringList{kBookDone, kBookDone, kBookDone}));
        fs::remove_all(FolderOf(blog));
    }

    void theBrowsersCookiesGoToTheBlogServiceOnly() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog = sim::MakeDemoBlog({.categories = 1, .articlesPerCategory = 2});
        const std::string address = sim::AddSinaBlog(simulator, blog);
        Settings().bookFormats = "epub";
        auto window = MakeWindow();
        ArticleTab& tab = window->Articles();
        tab.SetCookieSource([](const std::string&) { return std::string("SUP=uid1"); });

        TypeAndStart(tab, address);
        QVERIFY(WaitForEnd(tab));
        size_t blogRequests = 0, pictureRequests = 0;
        for (const auto& request : simulator.Requests()) {
            if (request.host == sim::kSinaHost) {
                ++blogRequests;
                QVERIFY2(request.Header("Cookie") == "SUP=uid1",
                         (request.path + " [" + request.Header("Cookie") + "]").c_str());
            } else {
                ++pictureRequests;
                QVERIFY2(request.Header("Cookie").empty(), request.host.c_str());
            }
        }
        QVERIFY(blogRequests > 0);
        QVERIFY(pictureRequests > 0);
    }

    void aMissingCompilerIsAskedAboutAtTheEnd() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog = sim::MakeDemoBlog({.categories = 1, .articlesPerCategory = 1});
        const std::string address = sim::AddSinaBlog(simulator, blog);
        test::ScopedEnv env;
        env.Set("PAGEWELL_CHMCMD", "/nonexistent/chmcmd");
        Settings().bookFormats = "chm";
        auto window = MakeWindow();
        ArticleTab& tab = window->Articles();
        Boxes().answer = true;

        TypeAndStart(tab, address);
        QVERIFY(WaitForEnd(tab));
        QCOMPARE(Boxes().shown.size(), 3);
        QCOMPARE(Boxes().shown[0].text,
                 QStringLiteral("编译电子书的必备文件“chmcmd”不存在，是否从网上下载？"));
        QVERIFY(Boxes().shown[0].yesNo);
        QVERIFY(Boxes().shown[1].text.contains("fp-utils"));
        QVERIFY(Boxes().shown[2].text.startsWith(QStringLiteral("电子书编译失败")));
        fs::remove_all(FolderOf(blog));
    }

    void closingTheWindowDuringADownloadEndsTheJobAndKeepsItsFolder() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog = sim::MakeDemoBlog({.categories = 2, .articlesPerCategory = 5});
        sim::SinaOptions slow;
        slow.delayMs = 1500;
        const std::string address = sim::AddSinaBlog(simulator, blog, slow);
        auto window = MakeWindow();
        window->show();
        ArticleTab& tab = window->Articles();
        Progress progress(tab);
        QSignalSpy closed(window.get(), &MainWindow::closed);

        TypeAndStart(tab, address);
        QTRY_VERIFY_WITH_TIMEOUT(progress.last >= 1, kJobTimeoutMs);
        const auto before = std::chrono::steady_clock::now();
        window->close();
        // Returned with the job's threads joined, long before the slow pages would end.
        QVERIFY(std::chrono::steady_clock::now() - before < std::chrono::seconds(5));
        QCOMPARE(closed.count(), 1);
        QVERIFY(tab.CurrentJob()->Finished());
        QCOMPARE(tab.CurrentJob()->Result().end, JobResult::End::Cancelled);
        QVERIFY(ArticleRequests(simulator) < blog.articles.size());
        QVERIFY(fs::exists(FolderOf(blog) + Manifest::kFileName));
        window.reset();
        // Whatever the job's threads posted before they were joined is handled now.
        QCoreApplication::sendPostedEvents();
        QVERIFY(Boxes().texts.isEmpty());
        fs::remove_all(FolderOf(blog));
    }
};

PW_UI_TEST_MAIN(ArticleTabTest)
#include "ArticleTabTest.moc"

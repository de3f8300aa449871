// The article page in the window, driven as a user drives it: an address typed,
// the button pressed, the tree filled, the book delivered; pause, continue and
// stop from the menu while a slow job runs.

#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "UiTestMain.h"
#include "base/Encoding.h"
#include "job/DownloadJob.h"
#include "sim/DemoBlog.h"
#include "sim/SinaService.h"
#include "support/ScopedProxy.h"
#include "ui/DlgPreview.h"
#include "ui/MainDlg.h"
#include "ui/TreeImages.h"

using namespace pw;
using pw::test::UiTestHost;

namespace {

constexpr int kJobTimeoutMs = 180000;
const QString kBookDone = QStringLiteral("电子书编译完毕(在桌面上)，请您欣赏");
const QString kBookFailed = QStringLiteral("电子书制作失败，已下载的文章保存在：");

std::unique_ptr<CMainDlg> MakeWindow() {
    CMainDlg::Options options;
    options.makeBrowserPage = [](QWidget* parent) { return new QWidget(parent); };
    options.bCheckForUpdate = false;
    auto window = std::make_unique<CMainDlg>(UiTestHost::Get(), options);
    window->show();
    return window;
}

void TypeAndStart(CDlgPreview& page, const std::string& address) {
    page.AddressEdit()->clear();
    QTest::keyClicks(page.AddressEdit(), QString::fromStdString(address));
    QTest::mouseClick(page.StartButton(), Qt::LeftButton);
}

void Trigger(CMainDlg& window, int id) {
    for (QAction* top : window.menuBar()->actions()) {
        if (!top->menu()) continue;
        for (QAction* action : top->menu()->actions()) {
            if (action->data().toInt() == id) {
                action->trigger();
                return;
            }
        }
    }
    QFAIL("no such command");
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

// The core's tree as the same text.
QStringList CoreTree(const CArticleTree& tree) {
    QStringList lines;
    std::function<void(int, int)> walk = [&](int item, int depth) {
        for (; item; item = tree.GetNextSiblingItem(item)) {
            lines << QString(depth * 2, ' ') +
                         QString::fromStdString(ToUtf8(tree.GetItemText(item)));
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

}  // namespace

class ArticleJobTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        UiTestHost::Boxes().clear();
        OnContinueDownload();
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

    void aSinaAddressBecomesABookOnTheDesktop() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog =
            sim::MakeDemoBlog({.categories = 2, .articlesPerCategory = 3, .pageSize = 2});
        const std::string address = sim::AddSinaBlog(simulator, blog);
        auto window = MakeWindow();
        CDlgPreview& page = window->ArticlePage();

        TypeAndStart(page, address);
        QVERIFY(!page.StartButton()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!UiTestHost::Boxes().isEmpty(), kJobTimeoutMs);
        QCOMPARE(UiTestHost::Boxes(), QStringList{kBookDone});
        QCOMPARE(window->StatusText(1), kBookDone);
        QVERIFY(page.StartButton()->isEnabled());
        const std::string book = test::TestHome()->Desktop() + "/" + blog.account + ".chm";
        QVERIFY2(std::filesystem::is_regular_file(book), book.c_str());
        QVERIFY(std::filesystem::file_size(book) > 0);

        // The view mirrors the core's tree: blog, "all" and two categories, each article
        // under "all" and under its category.
        QTreeWidget* tree = page.TreeView();
        const QStringList lines = ViewTree(tree);
        QCOMPARE(lines, CoreTree(page.Page().Tree()));
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
        UiTestHost::Boxes().clear();
        TypeAndStart(page, address);
        QTRY_VERIFY_WITH_TIMEOUT(!UiTestHost::Boxes().isEmpty(), kJobTimeoutMs);
        QCOMPARE(ViewTree(tree), lines);
    }

    void anAddressNoEngineTakesIsRefused() {
        auto window = MakeWindow();
        CDlgPreview& page = window->ArticlePage();
        TypeAndStart(page, "http://www.example.com/blog");
        const QString refused = QStringLiteral("未能识别该博客类型，请联系作者添加!");
        QTRY_COMPARE_WITH_TIMEOUT(UiTestHost::Boxes(), QStringList{refused}, 30000);
        QCOMPARE(window->StatusText(1), refused);
        QVERIFY(page.StartButton()->isEnabled());
        QCOMPARE(page.TreeView()->topLevelItemCount(), 0);
    }

    void pauseContinueAndStopFromTheMenuDuringASlowJob() {
        sim::ServiceSimulator simulator;
        test::ScopedProxy proxy(simulator);
        const sim::DemoBlog blog =
            sim::MakeDemoBlog({.categories = 3, .articlesPerCategory = 4, .pageSize = 5});
        sim::SinaOptions slow;
        slow.delayMs = 300;
        const std::string address = sim::AddSinaBlog(simulator, blog, slow);
        auto window = MakeWindow();
        CDlgPreview& page = window->ArticlePage();
        page.Page().SetWorkerCount(2);
        const int total = 2 * 12;  // every article under "all" and under its category

        TypeAndStart(page, address);
        QTRY_VERIFY_WITH_TIMEOUT(g_nStartedCount.load() >= 2, kJobTimeoutMs);
        Trigger(*window, 40010);
        QCOMPARE(window->StatusText(1), QStringLiteral("暂停下载"));
        // Articles under way finish; then nothing new starts while paused.
        QTest::qWait(1000);
        const int paused = g_nStartedCount.load();
        QTest::qWait(1500);
        QCOMPARE(g_nStartedCount.load(), paused);
        QCOMPARE(page.Page().State(), PageState::Downloading);
        QVERIFY(!page.StartButton()->isEnabled());

        Trigger(*window, 40011);
        QTRY_VERIFY_WITH_TIMEOUT(g_nStartedCount.load() > paused, 30000);
        Trigger(*window, 40012);
        QTRY_VERIFY_WITH_TIMEOUT(!UiTestHost::Boxes().isEmpty(), kJobTimeoutMs);
        QVERIFY(g_nStartedCount.load() < total);
        const QString final = UiTestHost::Boxes().constFirst();
        QVERIFY2(final == kBookDone || final.startsWith(kBookFailed), qPrintable(final));
        QCOMPARE(page.Page().State(), PageState::Idle);
        QVERIFY(page.StartButton()->isEnabled());
    }
};

PW_UI_TEST_MAIN(ArticleJobTest)
#include "ArticleJobTest.moc"

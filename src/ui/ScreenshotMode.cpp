#include "ui/ScreenshotMode.h"

#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "job/JobListener.h"
#include "ui/ArticleTab.h"
#include "ui/MainWindow.h"

namespace pw {

namespace {

constexpr int kSettleMs = 800;
constexpr int kGiveUpMs = 60000;

// Opens a category (the second when there is one: the first of some services
// holds every article) and marks its first article, so the picture shows every
// kind of tree image.
void ShowTreeDetail(QTreeWidget* tree) {
    QTreeWidgetItem* root = tree->topLevelItem(0);
    if (!root || root->childCount() == 0) return;
    QTreeWidgetItem* category = root->child(root->childCount() > 1 ? 1 : 0);
    category->setExpanded(true);
    if (category->childCount() > 0) tree->setCurrentItem(category->child(0));
}

}  // namespace

void ArmScreenshot(MainWindow& window) {
    const QString file = qEnvironmentVariable("PAGEWELL_SCREENSHOT");
    if (file.isEmpty()) return;
    const QString address = qEnvironmentVariable("PAGEWELL_SCREENSHOT_ADDRESS");

    auto taken = std::make_shared<bool>(false);
    auto take = [&window, file, taken] {
        if (*taken) return;
        *taken = true;
        ShowTreeDetail(window.Articles().TreeView());
        QTimer::singleShot(kSettleMs, &window, [&window, file] {
            window.grab().save(file, "PNG");
            window.close();
        });
    };
    if (address.isEmpty()) {
        QTimer::singleShot(kSettleMs, &window, take);
        return;
    }
    QObject::connect(&window.Articles(), &ArticleTab::stateChanged, &window,
                     [take](JobState state) {
                         if (state == JobState::Downloading || state == JobState::Idle) take();
                     });
    QTimer::singleShot(0, &window, [&window, address] {
        window.Articles().AddressEdit()->setText(address);
        window.Articles().StartButton()->click();
    });
    QTimer::singleShot(kGiveUpMs, &window, take);
}

}  // namespace pw

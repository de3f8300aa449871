#pragma once
// The program's one top-level window: the two tabs, the menu bar, the two-part
// status bar and the tray icon, with one QAction per command. It owns the
// update threads and the article tab's job, and closing it ends both and
// waits for their threads.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "app/ShareLinks.h"
#include "app/UpdateInfo.h"
#include "ui/UpdateRunner.h"
#include "ui/WidgetLayout.h"

class QAction;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTabWidget;

namespace pw {

class ArticleTab;
class Prompter;

// Where the maker's pages are; each empty when this build has none.
struct MakerAddresses {
    std::string update;  // the update description file (https)
    std::string help;    // the help page on the web; empty: the installed help.html
    std::string site;    // 官方网站
    std::string shop;    // 查看其他作品
};

// The build's addresses (PAGEWELL_UPDATE_URL and its kin).
MakerAddresses BuildAddresses();

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Makes the first tab; empty: the browser tab.
    using PageFactory = std::function<QWidget*(QWidget* parent)>;

    // Tests replace what reaches outside the window.
    struct Options {
        PageFactory makeBrowserPage;
        Prompter* prompter = nullptr;  // null: real message boxes
        MakerAddresses addresses = BuildAddresses();
        // Opens an address outside the program; empty: OpenInBrowser.
        std::function<void(const std::string& address)> openInBrowser;
        UpdateRunner::ContextHook updateHook;
    };

    MainWindow();
    explicit MainWindow(Options options);
    ~MainWindow() override;

    ArticleTab& Articles() const { return *articles_; }
    QTabWidget* Tabs() const { return tabs_; }
    QMenu* TrayMenu() const { return trayMenu_; }
    QString StatusText(int part) const;
    bool HasTray() const { return tray_ != nullptr; }
    UpdateRunner& Updates() const { return *updates_; }

public slots:
    void ShowOptions();
    void ShowAbout();
    void OpenHelp();
    void OpenSite();
    void OpenOtherWorks();
    void Share(ShareTarget target);
    void UpdateNow();
    void HideToTray();
    void RestoreFromTray();

signals:
    // The window has stored the settings, ended the job and the update threads;
    // the process may end.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateActions();
    void CreatePages(const PageFactory& makeBrowserPage);
    void CreateStatusBar();
    void CreateMenuBar();
    void CreateTrayIcon();
    QAction* AddAction(const char* name, const char* text);
    void RestoreSize();
    void StoreRect();
    void OpenWebAddress(const std::string& address);
    void SetStatus(int part, const QString& text);

    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_ = nullptr;
    const MakerAddresses addresses_;
    std::function<void(const std::string& address)> openInBrowser_;
    UpdateInfo updateInfo_;

    WidgetLayout layout_;
    QTabWidget* tabs_ = nullptr;
    ArticleTab* articles_ = nullptr;
    QLabel* statusParts_[2] = {nullptr, nullptr};
    QMenu* shareMenu_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QAction* hideAction_ = nullptr;
    bool closed_ = false;
    std::unique_ptr<UpdateRunner> updates_;
};

}  // namespace pw

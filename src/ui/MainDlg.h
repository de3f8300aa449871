#pragma once
// The program's one top-level window: the two tab pages, the menu bar, the
// two-part status bar, the tray icon, and the routing of every command.

#include <QMainWindow>
#include <functional>

#include "ui/WidgetLayout.h"

class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTabWidget;

namespace pw {

class CDlgPreview;
class CQtHost;

class CMainDlg : public QMainWindow {
    Q_OBJECT
public:
    // Makes the first tab page; empty: the browser page.
    using PageFactory = std::function<QWidget*(QWidget* parent)>;

    // Tests leave out what reaches outside the machine or needs the browser engine.
    struct Options {
        PageFactory makeBrowserPage;
        bool bCheckForUpdate = true;
    };

    explicit CMainDlg(CQtHost& host) : CMainDlg(host, Options{}) {}
    CMainDlg(CQtHost& host, Options options);
    ~CMainDlg() override;

    // Every menu bar and tray command arrives here with its id.
    void OnCommand(int id);
    // The update check's notices: 0 "up to date", 1 "could not check".
    void ShowNotice(int kind);

    CDlgPreview& ArticlePage() const { return *m_preview; }
    QTabWidget* Tabs() const { return m_tabs; }
    QMenu* TrayMenu() const { return m_trayMenu; }
    QString StatusText(int part) const;
    bool HasTray() const { return m_tray != nullptr; }
    // A job is running: the process must end without waiting for its threads.
    bool JobRunning() const;

signals:
    // The window has stored the settings and is gone; the process may end.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreatePages(CQtHost& host, const PageFactory& makeBrowserPage);
    void CreateStatusBar(CQtHost& host);
    void CreateMenuBar();
    void CreateTrayIcon(CQtHost& host);
    QMenu* CreateShareMenu(QWidget* parent);
    QAction* AddCommand(QMenu* menu, int id, const QString& text);
    void RestoreSize();
    void StoreRect();
    void HideToTray();
    void RestoreFromTray();
    void ShowAbout();

    CWidgetLayout m_layout;
    QTabWidget* m_tabs = nullptr;
    CDlgPreview* m_preview = nullptr;
    QLabel* m_statusParts[2] = {nullptr, nullptr};
    QMenu* m_trayMenu = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    bool m_bClosed = false;
};

}  // namespace pw

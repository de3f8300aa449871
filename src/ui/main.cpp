// pagewell: the desktop program.

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "app/AppSettings.h"
#include "ui/CommandHandlers.h"
#include "ui/IEExplorerDlg.h"
#include "ui/MainDlg.h"
#include "ui/QtHost.h"
#include "ui/ScreenshotMode.h"

int main(int argc, char** argv) {
    pw::CIEExplorerDlg::PrepareEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pagewell"));
    // Hidden in the tray the window is the last one and not visible; the program
    // ends only when the window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    pw::Settings();  // loads the settings file and makes the working folder
    pw::CQtHost host;
    pw::AttachHost(&host);

    int result = 0;
    {
        pw::CMainDlg window(host);
        QObject::connect(&window, &pw::CMainDlg::closed, &app, &QApplication::quit);
        pw::ArmScreenshot(window);
        window.show();
        result = app.exec();
        if (window.JobRunning() || pw::UpdateThreadsRunning()) {
            // The settings are saved; the job's threads may be waiting for this
            // thread and are not waited for.
            std::fflush(nullptr);
            std::_Exit(result);
        }
    }
    pw::AttachHost(nullptr);
    return result;
}

// pagewell: the desktop program.

#include <QApplication>

#include "app/AppSettings.h"
#include "base/AllocatorArenas.h"
#include "ui/BrowserTab.h"
#include "ui/MainWindow.h"
#include "ui/ScreenshotMode.h"

int main(int argc, char** argv) {
    pw::LimitAllocatorArenas();
    pw::BrowserTab::PrepareEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pagewell"));
    // Hidden in the tray the window is the last one and not visible; the program
    // ends only when the window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    pw::Settings();  // loads the settings file and makes the working folder
    pw::MainWindow window;
    QObject::connect(&window, &pw::MainWindow::closed, &app, &QApplication::quit);
    pw::ArmScreenshot(window);
    window.show();
    // Closing the window has ended the job and the update checks and waited
    // for their threads; everything else goes with the window.
    return app.exec();
}

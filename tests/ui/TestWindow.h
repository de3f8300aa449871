#pragma once
// The main window as the tests make it: a plain page in place of the browser,
// boxes recorded, addresses to the browser recorded, no maker's addresses
// unless a test gives them.

#include <memory>

#include "UiTestMain.h"
#include "ui/MainWindow.h"

namespace pw::test {

inline MainWindow::Options WindowOptions(MakerAddresses addresses = {}) {
    MainWindow::Options options;
    options.makeBrowserPage = [](QWidget* parent) { return new QWidget(parent); };
    options.prompter = &Boxes();
    options.addresses = std::move(addresses);
    options.openInBrowser = [](const std::string& address) { Opened().Add(address); };
    return options;
}

inline std::unique_ptr<MainWindow> MakeWindow(MainWindow::Options options = WindowOptions()) {
    return std::make_unique<MainWindow>(std::move(options));
}

}  // namespace pw::test

#pragma once
// main() of a desktop program test: fresh home, config, data and desktop folders
// for the whole run (the settings record is read once per process), the
// application object, and every message box answered by a recording host.

#include <QApplication>
#include <QStringList>
#include <QtTest>

#include "support/TempDir.h"
#include "ui/IEExplorerDlg.h"
#include "ui/QtHost.h"

namespace pw::test {

// The host of every test: message boxes are recorded and answered with "no".
struct UiTestHost {
    static CQtHost& Get() {
        static CQtHost* host = [] {
            auto* h = new CQtHost;
            h->SetBoxHandler([](BoxKind, const QString& text) {
                Boxes().append(text);
                return false;
            });
            AttachHost(h);
            return h;
        }();
        return *host;
    }
    static QStringList& Boxes() {
        static QStringList boxes;
        return boxes;
    }
};

inline ScopedHome*& TestHome() {
    static ScopedHome* home = nullptr;
    return home;
}

}  // namespace pw::test

#define PW_UI_TEST_MAIN(TestClass)                                    \
    int main(int argc, char** argv) {                                 \
        pw::test::ScopedHome home;                                    \
        pw::test::TestHome() = &home;                                 \
        pw::CIEExplorerDlg::PrepareEngine();                          \
        QApplication app(argc, argv);                                 \
        QApplication::setApplicationName(QStringLiteral("pagewell")); \
        pw::test::UiTestHost::Get();                                  \
        TestClass test;                                               \
        return QTest::qExec(&test, argc, argv);                       \
    }

#pragma once
// main() of a desktop program test: fresh home, config, data and desktop folders
// for the whole run (the settings record is read once per process), the
// application object, and a prompter that records every box instead of
// showing it.

#include <QApplication>
#include <QList>
#include <QStringList>
#include <QtTest>
#include <mutex>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "ui/BrowserTab.h"
#include "ui/JobReportDialog.h"
#include "ui/Prompter.h"

namespace pw::test {

// Records what would have been shown; questions get `answer`.
class RecordingPrompter : public Prompter {
public:
    bool Show(const Box& box) override {
        shown.append(box);
        texts.append(box.text);
        return box.yesNo && answer;
    }
    void ShowJobReport(const JobEndReport& report) override {
        reports.append(report);
        texts.append(report.finalText);
    }
    void Clear() {
        shown.clear();
        texts.clear();
        reports.clear();
        answer = false;
    }

    QList<Box> shown;
    QStringList texts;  // every box's text and every report's closing text
    QList<JobEndReport> reports;
    bool answer = false;
};

inline RecordingPrompter& Boxes() {
    static RecordingPrompter prompter;
    return prompter;
}

// Addresses handed to the browser, from whichever thread.
class OpenedAddresses {
public:
    void Add(const std::string& address) {
        std::lock_guard lock(mutex_);
        addresses_.push_back(address);
    }
    std::vector<std::string> List() const {
        std::lock_guard lock(mutex_);
        return addresses_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        addresses_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> addresses_;
};

inline OpenedAddresses& Opened() {
    static OpenedAddresses opened;
    return opened;
}

inline ScopedHome*& TestHome() {
    static ScopedHome* home = nullptr;
    return home;
}

}  // namespace pw::test

#define PW_UI_TEST_MAIN(TestClass)                                    \
    int main(int argc, char** argv) {                                 \
        pw::test::ScopedHome home;                                    \
        pw::test::TestHome() = &home;                                 \
        pw::BrowserTab::PrepareEngine();                              \
        QApplication app(argc, argv);                                 \
        QApplication::setApplicationName(QStringLiteral("pagewell")); \
        TestClass test;                                               \
        return QTest::qExec(&test, argc, argv);                       \
    }

#pragma once
// What the user is told when a job ends with something missing: the closing
// text, and in one list every message of the job, each article that is not in
// the books (title, address, reason) and the pictures left at their addresses.

#include <QDialog>
#include <QList>
#include <QStringList>

class QTreeWidget;

namespace pw {

struct JobResult;

struct JobEndReport {
    struct Missing {
        QString title;
        QString url;
        QString reason;
    };

    QString finalText;
    QString summary;  // "已下载 18/20 篇文章，2 篇失败"; empty when nothing is missing
    QStringList messages;  // those a missing article does not already say
    QList<Missing> missing;
    int picturesKeptRemote = 0;
    QString reportPath;

    bool HasDetails() const {
        return !messages.isEmpty() || !missing.isEmpty() || picturesKeptRemote > 0;
    }
};

// The report of a finished job. A failed article's reason came as a message
// too; it is listed once, with its article. Repeated messages are listed once
// with their count.
JobEndReport MakeJobEndReport(const JobResult& result);

class JobReportDialog : public QDialog {
    Q_OBJECT
public:
    JobReportDialog(const JobEndReport& report, QWidget* parent = nullptr);

    QTreeWidget* List() const { return list_; }

private:
    QTreeWidget* list_ = nullptr;
};

}  // namespace pw

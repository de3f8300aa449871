#pragma once
// A job's listener for the window: each report becomes a signal. The job calls
// from its own threads; the receivers live on the GUI thread, so every signal
// reaches them queued, in the order the job sent it, and the job never waits
// for the window.

#include <QObject>
#include <QString>

#include "ui/JobMetaTypes.h"

namespace pw {

class JobSignals : public QObject, public JobListener {
    Q_OBJECT
public:
    using QObject::QObject;

    void OnStatus(const std::string& text) override;
    void OnTreeChanged(const TreeChange& change) override;
    void OnStateChanged(JobState state) override;
    void OnArticleProgress(int done, int total, const std::string& title) override;
    void OnMessage(const std::string& text) override;
    void OnCompilerLine(const std::string& line) override;
    void OnFinished(const JobResult& result) override;

signals:
    void statusChanged(const QString& text);
    void treeChanged(const pw::TreeChange& change);
    void stateChanged(pw::JobState state);
    void articleProgress(int done, int total, const QString& title);
    void message(const QString& text);
    void compilerLine(const QString& line);
    void finished(const pw::JobResult& result);
};

}  // namespace pw

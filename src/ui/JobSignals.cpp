#include "ui/JobSignals.h"

#include "ui/UiText.h"

namespace pw {

void JobSignals::OnStatus(const std::string& text) {
    emit statusChanged(Shown(text));
}

void JobSignals::OnTreeChanged(const TreeChange& change) {
    emit treeChanged(change);
}

void JobSignals::OnStateChanged(JobState state) {
    emit stateChanged(state);
}

void JobSignals::OnArticleProgress(int done, int total, const std::string& title) {
    emit articleProgress(done, total, Shown(title));
}

void JobSignals::OnMessage(const std::string& text) {
    emit message(Shown(text));
}

void JobSignals::OnCompilerLine(const std::string& line) {
    emit compilerLine(QString::fromStdString(line));
}

void JobSignals::OnFinished(const JobResult& result) {
    emit finished(result);
}

}  // namespace pw

#include "support/TestHost.h"

#include <algorithm>

#include "engine/Encoding.h"

namespace pw::test {

TestHost::TestHost() {
    AttachHost(this);
}
TestHost::~TestHost() {
    AttachHost(nullptr);
}

void TestHost::SetStatusText(int part, const std::string& text) {
    if (part == 1) statuses.push_back(ToUtf8(text));
}

void TestHost::ShowMessageBox(const std::string& text) {
    messages.push_back(ToUtf8(text));
}

bool TestHost::AskYesNo(const std::string& text) {
    questions.push_back(ToUtf8(text));
    return answerYes;
}

void TestHost::OnTreeChanged(const TreeChange& change) {
    treeChanges.push_back(change);
}

void TestHost::OnArticleProgress(int done, int total) {
    ++progressCalls;
    lastDone = done;
    lastTotal = total;
}

void TestHost::OnJobFinished(const std::string& delivered) {
    finished = true;
    book = delivered;
}

bool TestHost::RunUntilFinished(int seconds) {
    return RunUntil([this] { return finished; }, seconds);
}

bool TestHost::RunUntil(const std::function<bool()>& cond, int seconds) {
    return loop.RunUntil(cond, std::chrono::seconds(seconds));
}

bool TestHost::HasStatus(const std::string& utf8) const {
    return std::find(statuses.begin(), statuses.end(), utf8) != statuses.end();
}

bool TestHost::HasMessage(const std::string& utf8) const {
    return std::find(messages.begin(), messages.end(), utf8) != messages.end();
}

}  // namespace pw::test

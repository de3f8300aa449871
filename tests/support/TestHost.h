#pragma once
// A host for tests: the test's own thread is the UI thread (a message loop), and
// every report is recorded (texts converted to UTF-8) for the test to inspect.

#include <mutex>
#include <string>
#include <vector>

#include "app/MessageLoop.h"
#include "engine/Host.h"

namespace pw::test {

class TestHost : public IHost {
public:
    // Attaches itself; detaches in the destructor.
    TestHost();
    ~TestHost() override;

    void SendToUi(const std::function<void()>& fn) override { loop.Send(fn); }
    void SetStatusText(int part, const std::string& text) override;
    void ShowMessageBox(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void OnTreeChanged(const TreeChange& change) override;
    void OnPageStateChanged(PageState state) override { states.push_back(state); }
    void OnArticleProgress(int done, int total) override;
    void OnJobFinished(const std::string& book) override;

    // Runs the loop until the job has finished; false on time-out.
    bool RunUntilFinished(int seconds = 120);
    // Runs the loop until cond() holds; false on time-out.
    bool RunUntil(const std::function<bool()>& cond, int seconds = 60);

    bool HasStatus(const std::string& utf8) const;
    bool HasMessage(const std::string& utf8) const;

    CMessageLoop loop;
    bool answerYes = false;
    bool finished = false;
    std::string book;
    std::vector<std::string> statuses;  // part 1, UTF-8
    std::vector<std::string> messages;  // message boxes, UTF-8
    std::vector<std::string> questions;
    std::vector<TreeChange> treeChanges;
    std::vector<PageState> states;
    int progressCalls = 0;
    int lastDone = 0;
    int lastTotal = 0;
};

}  // namespace pw::test

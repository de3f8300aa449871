#pragma once
// The terminal's view of a job. On a terminal: one status line with a progress
// bar, redrawn in place. Into a pipe or file: one line per phase and one per
// finished article. Quiet: neither. Messages go to stderr, each prefixed with
// the program's name; every text from the network passes TerminalText first.

#include <cstdio>
#include <mutex>
#include <string>

#include "job/JobListener.h"

namespace pw {

class CliListener : public JobListener {
public:
    struct Mode {
        bool quiet = false;
        bool verbose = false;   // also the compiler's own output
        bool terminal = false;  // stdout is a terminal
    };

    CliListener(Mode mode, std::FILE* out, std::FILE* err);

    void OnStatus(const std::string& text) override;
    void OnStateChanged(JobState state) override;
    void OnArticleProgress(int done, int total, const std::string& title) override;
    void OnMessage(const std::string& text) override;
    void OnCompilerLine(const std::string& line) override;
    void OnFinished(const JobResult& result) override;

    // A line on stderr, "pagewell: " + text, the bar kept apart.
    void Error(const std::string& text);

private:
    void Redraw();
    void EndBar();

    const Mode mode_;
    std::FILE* out_;
    std::FILE* err_;
    std::mutex mutex_;
    std::string status_;
    int done_ = 0;
    int total_ = 0;
    bool barShown_ = false;
};

}  // namespace pw

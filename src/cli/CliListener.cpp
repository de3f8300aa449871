#include "cli/CliListener.h"

#include "base/DisplayText.h"
#include "cli/TerminalText.h"
#include "job/JobResult.h"

namespace pw {

namespace {

// Safe for the terminal, references decoded.
std::string Shown(const std::string& raw) {
    std::string text = TerminalText(DisplayText(raw));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

const char* PhaseText(JobState state) {
    switch (state) {
        case JobState::Listing:
            return "获取文章列表";
        case JobState::Downloading:
            return "下载文章";
        case JobState::Building:
            return "制作电子书";
        case JobState::Idle:
            break;
    }
    return nullptr;
}

}  // namespace

CliListener::CliListener(Mode mode, std::FILE* out, std::FILE* err)
    : mode_(mode), out_(out), err_(err) {}

void CliListener::Redraw() {
    std::string line;
    if (total_ > 0) {
        constexpr int kWidth = 24;
        const int filled = done_ >= total_ ? kWidth : done_ * kWidth / total_;
        line = "[" + std::string(static_cast<size_t>(filled), '#') +
               std::string(static_cast<size_t>(kWidth - filled), ' ') + "] " +
               std::to_string(done_) + "/" + std::to_string(total_) + " ";
    }
    line += status_;
    std::fprintf(out_, "\r\033[K%s", line.c_str());
    std::fflush(out_);
    barShown_ = true;
}

void CliListener::EndBar() {
    if (!barShown_) return;
    std::fprintf(out_, "\n");
    std::fflush(out_);
    barShown_ = false;
}

void CliListener::OnStatus(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (mode_.quiet || !mode_.terminal || text.empty()) return;
    status_ = Shown(text);
    Redraw();
}

void CliListener::OnStateChanged(JobState state) {
    std::lock_guard lock(mutex_);
    if (mode_.quiet || mode_.terminal) return;
    if (const char* phase = PhaseText(state)) {
        std::fprintf(out_, "%s\n", phase);
        std::fflush(out_);
    }
}

void CliListener::OnArticleProgress(int done, int total, const std::string& title) {
    std::lock_guard lock(mutex_);
    done_ = done;
    total_ = total;
    if (mode_.quiet) return;
    if (mode_.terminal) {
        Redraw();
    } else {
        std::fprintf(out_, "[%d/%d] %s\n", done, total, Shown(title).c_str());
        std::fflush(out_);
    }
}

void CliListener::OnMessage(const std::string& text) {
    Error(text);
}

void CliListener::OnCompilerLine(const std::string& line) {
    std::lock_guard lock(mutex_);
    if (!mode_.verbose) return;
    EndBar();
    std::fprintf(out_, "chmcmd: %s\n", Shown(line).c_str());
    std::fflush(out_);
}

void CliListener::OnFinished(const JobResult&) {
    std::lock_guard lock(mutex_);
    EndBar();
}

void CliListener::Error(const std::string& text) {
    std::lock_guard lock(mutex_);
    EndBar();
    std::fprintf(err_, "pagewell: %s\n", Shown(text).c_str());
    std::fflush(err_);
}

}  // namespace pw

#include "cli/CliHost.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "engine/Encoding.h"

namespace pw {

CCliHost::CCliHost(CMessageLoop& loop, bool quiet)
    : m_loop(loop), m_bQuiet(quiet), m_bTerminal(::isatty(STDOUT_FILENO) != 0) {}

void CCliHost::Redraw() {
    if (m_bQuiet) return;
    std::string line;
    if (m_nTotal > 0) {
        constexpr int kWidth = 24;
        const int filled = m_nDone >= m_nTotal ? kWidth : m_nDone * kWidth / m_nTotal;
        line = "[" + std::string(static_cast<size_t>(filled), '#') +
               std::string(static_cast<size_t>(kWidth - filled), ' ') + "] " +
               std::to_string(m_nDone) + "/" + std::to_string(m_nTotal) + " ";
    }
    line += m_strStatus;
    if (m_bTerminal) {
        std::printf("\r\033[K%s", line.c_str());
    } else {
        std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
}

void CCliHost::SetStatusText(int part, const std::string& text) {
    if (part != 1 || text.empty()) return;
    m_strStatus = ToUtf8(text);
    while (!m_strStatus.empty() && m_strStatus.back() == '\n') m_strStatus.pop_back();
    Redraw();
}

void CCliHost::ShowMessageBox(const std::string& text) {
    if (m_bTerminal && !m_bQuiet) std::printf("\n");
    std::fflush(stdout);
    std::cerr << "pagewell: " << ToUtf8(text) << std::endl;
}

bool CCliHost::AskYesNo(const std::string& text) {
    std::cerr << "pagewell: " << ToUtf8(text);
    if (!::isatty(STDIN_FILENO)) {
        std::cerr << " [no]" << std::endl;
        return false;
    }
    std::cerr << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

void CCliHost::OnArticleProgress(int done, int total) {
    m_nDone = done;
    m_nTotal = total;
    Redraw();
}

void CCliHost::OnJobFinished(const std::string& book) {
    if (m_bTerminal && !m_bQuiet) std::printf("\n");
    std::fflush(stdout);
    m_strBook = book;
    m_bFinished = true;
}

}  // namespace pw

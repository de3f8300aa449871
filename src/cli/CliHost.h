#pragma once
// The terminal's host: status texts and a progress bar on stdout, message boxes
// as lines on stderr, questions answered on the terminal (or "no" without one).

#include <string>

#include "app/MessageLoop.h"
#include "engine/Host.h"

namespace pw {

class CCliHost : public IHost {
public:
    CCliHost(CMessageLoop& loop, bool quiet);

    void SendToUi(const std::function<void()>& fn) override { m_loop.Send(fn); }
    void SetStatusText(int part, const std::string& text) override;
    void ShowMessageBox(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void OnArticleProgress(int done, int total) override;
    void OnJobFinished(const std::string& book) override;

    bool Finished() const { return m_bFinished; }
    const std::string& Book() const { return m_strBook; }

private:
    void Redraw();

    CMessageLoop& m_loop;
    const bool m_bQuiet;
    const bool m_bTerminal;
    std::string m_strStatus;
    int m_nDone = 0;
    int m_nTotal = 0;
    bool m_bFinished = false;
    std::string m_strBook;
};

}  // namespace pw

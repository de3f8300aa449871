#pragma once
// The window's host for the core: runs the core's synchronous sends on the GUI
// thread and turns its reports into signals for the windows. Every message box of
// the program goes through ShowBox, so a test can answer them instead of a person.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "engine/Host.h"

namespace pw {

enum class BoxKind { Plain, Information, Warning, Question };

class CQtHost : public QObject, public IHost {
    Q_OBJECT
public:
    // Stands in for the modal box: gets the kind and text, returns the answer to a question.
    using BoxHandler = std::function<bool(BoxKind kind, const QString& text)>;

    // Construct on the GUI thread.
    CQtHost();
    ~CQtHost() override;

    void SetBoxHandler(BoxHandler handler) { m_boxHandler = std::move(handler); }
    // Owner of the boxes; without one they are centred on the screen.
    void SetMainWindow(QWidget* window) { m_mainWindow = window; }

    // A modal box with the application's name as caption (GUI thread). For a
    // question: true for "yes".
    bool ShowBox(BoxKind kind, const QString& text);

    // IHost.
    void SendToUi(const std::function<void()>& fn) override;
    void SetStatusText(int part, const std::string& text) override;
    void ShowMessageBox(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void OnTreeChanged(const TreeChange& change) override;
    void OnPageStateChanged(PageState state) override;
    void OnArticleProgress(int done, int total) override;
    void OnJobFinished(const std::string& book) override;
    void ShowNotice(int kind) override;

signals:
    void statusTextChanged(int part, const QString& text);
    void treeChanged(const pw::TreeChange& change);
    void pageStateChanged(pw::PageState state);
    void articleProgress(int done, int total);
    void jobFinished(const QString& book);
    // The update check's notice (0 or 1), for the main window to show.
    void noticeRequested(int kind);

private:
    BoxHandler m_boxHandler;
    QPointer<QWidget> m_mainWindow;
};

// The attached host when it is the window's, else null.
CQtHost* QtHost();

// A box through the attached host (a plain QMessageBox without one); GUI thread.
bool ShowUiBox(BoxKind kind, const QString& text);

}  // namespace pw

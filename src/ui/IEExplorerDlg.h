#pragma once
// "快速登陆页面": a small web browser with back, forward, an address box and go.
// It starts on readme.html, keeps pop-ups in its own view, shows no script errors,
// and its cookies are the ones the page fetcher sends.

#include <QWidget>

#include "ui/WidgetLayout.h"

class QLineEdit;
class QPushButton;
class QWebEngineProfile;
class QWebEngineView;

namespace pw {

class CBrowserCookies;

class CIEExplorerDlg : public QWidget {
    Q_OBJECT
public:
    explicit CIEExplorerDlg(QWidget* parent = nullptr);
    ~CIEExplorerDlg() override;

    // Before the application object exists: the browser engine's process set-up.
    static void PrepareEngine();

    QLineEdit* AddressEdit() const { return m_editAddress; }
    QPushButton* BackButton() const { return m_btnBack; }
    QPushButton* ForwardButton() const { return m_btnForward; }
    QWebEngineView* View() const { return m_view; }

    void Navigate(const QString& address);
    void OnBack();
    void OnForward();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnDocumentComplete();

    CWidgetLayout m_layout;
    QWebEngineProfile* m_profile = nullptr;
    CBrowserCookies* m_cookies = nullptr;
    QPushButton* m_btnBack = nullptr;
    QPushButton* m_btnForward = nullptr;
    QLineEdit* m_editAddress = nullptr;
    QPushButton* m_btnGo = nullptr;
    QWebEngineView* m_view = nullptr;
};

}  // namespace pw

#pragma once
// "快速登陆页面": a small web browser with back, forward, an address box and go.
// It starts on readme.html, keeps pop-ups in its own view, shows no script errors,
// and its cookies are the ones the jobs send to their blog service.

#include <QWidget>

#include "net/CookieSource.h"
#include "ui/WidgetLayout.h"

class QLineEdit;
class QPushButton;
class QWebEngineProfile;
class QWebEngineView;

namespace pw {

class BrowserCookies;

class BrowserTab : public QWidget {
    Q_OBJECT
public:
    explicit BrowserTab(QWidget* parent = nullptr);
    ~BrowserTab() override;

    // Before the application object exists: the browser engine's process set-up.
    static void PrepareEngine();

    // The browser's cookies, for the jobs.
    CookieSource Cookies() const;

    QLineEdit* AddressEdit() const { return address_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* ForwardButton() const { return forward_; }
    QWebEngineView* View() const { return view_; }

    void Navigate(const QString& address);
    void OnBack();
    void OnForward();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnDocumentComplete();

    WidgetLayout layout_;
    QWebEngineProfile* profile_ = nullptr;
    BrowserCookies* cookies_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* forward_ = nullptr;
    QLineEdit* address_ = nullptr;
    QPushButton* go_ = nullptr;
    QWebEngineView* view_ = nullptr;
};

}  // namespace pw

#pragma once
// Every message box of the program goes through a Prompter, so a test can
// answer them instead of a person. Boxes are modal, shown on the GUI thread
// only, and their texts are always plain text: many carry titles, names and
// addresses from the network or from the update description.

#include <QMessageBox>
#include <QPointer>
#include <QString>

namespace pw {

struct JobEndReport;

struct Box {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString caption;  // empty: the application's name
    bool yesNo = false;
};

class Prompter {
public:
    virtual ~Prompter() = default;

    // Owner of the boxes; without one they are centred on the screen.
    void SetOwner(QWidget* owner) { owner_ = owner; }
    QWidget* Owner() const { return owner_; }

    // Shows the box; true when a yes/no box was answered "yes".
    virtual bool Show(const Box& box);
    // The end of a job that has messages, missing articles or remote pictures
    // to tell: one dialog with all of them.
    virtual void ShowJobReport(const JobEndReport& report);

    // An OK box with the given icon.
    void Tell(const QString& text, QMessageBox::Icon icon = QMessageBox::NoIcon) {
        Show({icon, text, {}, false});
    }
    // A yes/no question; true for "yes".
    bool Ask(const QString& text) { return Show({QMessageBox::Question, text, {}, true}); }

private:
    QPointer<QWidget> owner_;
};

}  // namespace pw

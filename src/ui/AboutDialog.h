#pragma once

#include <QDialog>

namespace pw {

// "关于 Pagewell": the icon, the version line, one line about the program, OK.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace pw

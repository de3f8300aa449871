#pragma once
// "选项设置": the number of download workers, the shut-down flag, the books to
// make and whether downloads are kept, saved with the whole settings file.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace pw {

class Prompter;
class UpDown;

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(Prompter& prompter, QWidget* parent = nullptr);

    QLineEdit* ThreadEdit() const { return threads_; }
    UpDown* Spin() const { return spin_; }
    QCheckBox* ShutdownBox() const { return shutdown_; }
    QComboBox* FormatsBox() const { return formats_; }
    QCheckBox* KeepDownloadsBox() const { return keepDownloads_; }
    QPushButton* SaveButton() const { return save_; }

public slots:
    void Save();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Reads the controls into the dialog data, reporting a count that is not valid.
    void ReadControls();

    Prompter& prompter_;
    int threadCount_ = 0;
    bool autoShutdown_ = false;
    QLineEdit* threads_ = nullptr;
    UpDown* spin_ = nullptr;
    QCheckBox* shutdown_ = nullptr;
    QComboBox* formats_ = nullptr;
    QCheckBox* keepDownloads_ = nullptr;
    QPushButton* save_ = nullptr;
};

}  // namespace pw

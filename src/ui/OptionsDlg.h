#pragma once
// "选项设置": the number of download workers and the shut-down flag, saved with
// the whole settings file.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace pw {

class CUpDown;

class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(QWidget* parent = nullptr);

    QLineEdit* ThreadEdit() const { return m_editThreads; }
    CUpDown* Spin() const { return m_spin; }
    QCheckBox* ShutdownBox() const { return m_chkShutdown; }
    QPushButton* SaveButton() const { return m_btnSave; }
    QComboBox* FormatsBox() const { return m_comboFormats; }

    void OnSave();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Reads the controls into the dialog data, reporting a count that is not valid.
    void ReadControls();

    int m_nThreadCount = 0;
    int m_nAutoShutdown = 0;
    QLineEdit* m_editThreads = nullptr;
    CUpDown* m_spin = nullptr;
    QCheckBox* m_chkShutdown = nullptr;
    QComboBox* m_comboFormats = nullptr;
    QPushButton* m_btnSave = nullptr;
};

}  // namespace pw

#pragma once
// An up-down control bound to a line edit: its arrows and the edit's arrow keys
// step the number in the edit within a range, starting from whatever number the
// edit holds; the edit itself still takes any text.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace pw {

class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit* buddy, QWidget* parent = nullptr);

    void SetRange(int lower, int upper);
    // Clamped to the range; the edit is not touched (the dialog fills it itself).
    void SetPos(int pos);
    int Pos() const { return pos_; }
    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* buddy_;
    int lower_ = 0;
    int upper_ = 100;
    int pos_ = 0;
};

}  // namespace pw

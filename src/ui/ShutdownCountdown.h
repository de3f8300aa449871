#pragma once
// The last chance to keep the computer on: a window counting down the seconds
// before the power-off, with a button to cancel it.

#include <QDialog>
#include <chrono>

class QLabel;
class QTimer;

namespace pw {

class ShutdownCountdown : public QDialog {
    Q_OBJECT

public:
    static constexpr int kSeconds = 60;

    // tick is how long one counted second lasts: a second in the program.
    explicit ShutdownCountdown(QWidget* parent = nullptr, int seconds = kSeconds,
                               std::chrono::milliseconds tick = std::chrono::seconds(1));

    int SecondsLeft() const { return left_; }
    QString Text() const;

public slots:
    // One second has passed; at zero the window closes accepted and expired()
    // is emitted.
    void Tick();

signals:
    void expired();

private:
    QLabel* label_ = nullptr;
    QTimer* timer_ = nullptr;
    int left_ = 0;
};

}  // namespace pw

#include "ui/ShutdownCountdown.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/UiText.h"

namespace pw {

ShutdownCountdown::ShutdownCountdown(QWidget* parent, int seconds, std::chrono::milliseconds tick)
    : QDialog(parent), left_(seconds) {
    setObjectName("shutdownCountdown");
    setWindowTitle(U8("自动关机"));
    label_ = new QLabel(this);
    auto* cancel = new QPushButton(U8("取消关机"), this);
    cancel->setObjectName("cancelShutdown");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    timer_ = new QTimer(this);
    timer_->setInterval(tick);
    connect(timer_, &QTimer::timeout, this, &ShutdownCountdown::Tick);
    // A closed window, whichever way, counts no further.
    connect(this, &QDialog::finished, timer_, &QTimer::stop);
    label_->setText(Text());
    timer_->start();
}

QString ShutdownCountdown::Text() const {
    return U8("将在 %1 秒后关机").arg(left_);
}

void ShutdownCountdown::Tick() {
    if (left_ <= 0 || !timer_->isActive()) return;
    --left_;
    label_->setText(Text());
    if (left_ > 0) return;
    accept();
    emit expired();
}

}  // namespace pw

#include "ui/UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/ThreadCountInput.h"

namespace pw {

UpDown::UpDown(QLineEdit* buddy, QWidget* parent) : QWidget(parent), buddy_(buddy) {
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setObjectName("up");
    down->setObjectName("down");
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setAutoRepeat(true);
    down->setAutoRepeat(true);
    for (QToolButton* button : {up, down}) {
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        button->setFixedWidth(16);
        button->setFocusPolicy(Qt::NoFocus);
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(up);
    column->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
    buddy_->installEventFilter(this);
}

void UpDown::SetRange(int lower, int upper) {
    lower_ = std::min(lower, upper);
    upper_ = std::max(lower, upper);
    pos_ = std::clamp(pos_, lower_, upper_);
}

void UpDown::SetPos(int pos) {
    pos_ = std::clamp(pos, lower_, upper_);
}

void UpDown::Step(int delta) {
    // The edit's number counts when it is one; a step never leaves the range.
    if (const auto typed = ParseDecimalInt(buddy_->text().toStdString())) {
        pos_ = std::clamp(*typed, lower_, upper_);
    }
    pos_ = std::clamp(pos_ + delta, lower_, upper_);
    buddy_->setText(QString::number(pos_));
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pw

#include "ui/UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/ThreadCountInput.h"

namespace pw {

CUpDown::CUpDown(QLineEdit* buddy, QWidget* parent) : QWidget(parent), m_buddy(buddy) {
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
    m_buddy->installEventFilter(this);
}

void CUpDown::SetRange(int lower, int upper) {
    m_nLower = std::min(lower, upper);
    m_nUpper = std::max(lower, upper);
    m_nPos = std::clamp(m_nPos, m_nLower, m_nUpper);
}

void CUpDown::SetPos(int pos) {
    m_nPos = std::clamp(pos, m_nLower, m_nUpper);
}

void CUpDown::Step(int delta) {
    // The edit's number counts when it is one; a step never leaves the range.
    if (const auto typed = ParseDecimalInt(m_buddy->text().toStdString())) {
        m_nPos = std::clamp(*typed, m_nLower, m_nUpper);
    }
    m_nPos = std::clamp(m_nPos + delta, m_nLower, m_nUpper);
    m_buddy->setText(QString::number(m_nPos));
}

bool CUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pw

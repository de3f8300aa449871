#pragma once

#include <QKeyEvent>

namespace pw {

// Enter and Escape neither close a page nor press its buttons: true when the
// event was one of them and has been taken.
inline bool SwallowEnterAndEscape(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return true;
        default:
            return false;
    }
}

}  // namespace pw

#pragma once

#include <QEvent>
#include <QKeyEvent>

// Return and Enter: the keys a page takes so they never close the window or
// press a button.
inline bool IsReturnKeyPress(const QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

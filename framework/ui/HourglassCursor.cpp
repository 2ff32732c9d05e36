#include "HourglassCursor.h"

#include <QApplication>
#include <QWidget>

void HourglassCursor::push() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (depth_++ != 0) return;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) window->repaint();
}

void HourglassCursor::pop() {
    if (depth_ > 0) --depth_;
    QApplication::restoreOverrideCursor();
}

HourglassCursor& HourglassCursor::application() {
    static HourglassCursor cursor;
    return cursor;
}

NormalCursorWhileAsking::NormalCursorWhileAsking() {
    if (!QApplication::overrideCursor()) return;
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    overridden_ = true;
}

NormalCursorWhileAsking::~NormalCursorWhileAsking() {
    if (overridden_) QApplication::restoreOverrideCursor();
}

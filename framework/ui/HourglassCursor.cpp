#include "HourglassCursor.h"

#include <QApplication>

void HourglassCursor::push() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void HourglassCursor::pop() { QApplication::restoreOverrideCursor(); }

HourglassCursor& HourglassCursor::application() {
    static HourglassCursor cursor;
    return cursor;
}

// The program's busy cursor: the hourglass over every window, and the windows painted at once
// before the program blocks.
#include "HourglassCursor.h"

#include <QApplication>
#include <QCursor>
#include <QPaintEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class CountingWindow : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(HourglassCursor, FirstPushPaintsTheWindowsAtOnceAndNests) {
    CountingWindow shown;
    shown.resize(200, 100);
    shown.show();
    CountingWindow hidden;
    settle();
    const int before = shown.paints;

    HourglassCursor cursor;
    cursor.push();
    // Painted without the event loop running: what follows blocks it.
    EXPECT_GT(shown.paints, before);
    EXPECT_EQ(hidden.paints, 0);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    const int afterFirst = shown.paints;
    cursor.push();
    EXPECT_EQ(shown.paints, afterFirst) << "only the outermost push paints";
    cursor.pop();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    cursor.pop();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The next outermost push paints again.
    cursor.push();
    EXPECT_GT(shown.paints, afterFirst);
    cursor.pop();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace

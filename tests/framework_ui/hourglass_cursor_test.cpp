// The program's busy cursor: the hourglass over every window, and the windows painted at once
// before the program blocks.
#include "HourglassCursor.h"

#include "ErrorHandler.h"
#include "NData.h"
#include "QtMessageBoxService.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

class CountingWindow : public QWidget {
public:
    int paints = 0;
    QRegion painted;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        painted += event->region();
    }
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
    shown.update();
    cursor.push();
    // Painted without the event loop running: what follows blocks it.
    EXPECT_GT(shown.paints, before);
    EXPECT_EQ(hidden.paints, 0);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    const int afterFirst = shown.paints;
    shown.update();
    cursor.push();
    EXPECT_EQ(shown.paints, afterFirst) << "only the outermost push paints";
    cursor.pop();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    cursor.pop();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The next outermost push paints again.
    shown.update();
    cursor.push();
    EXPECT_GT(shown.paints, afterFirst);
    cursor.pop();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The first push paints only what changed: an unchanged window not at all, and of a window that
// a closed one covered, the area it uncovered, before the window system's expose can arrive.
TEST(HourglassCursor, FirstPushPaintsWhatChangedAndWhatAClosedWindowUncovered) {
    CountingWindow below;
    below.setGeometry(100, 100, 300, 200);
    below.show();
    settle();
    HourglassCursor cursor;

    const int unchanged = below.paints;
    cursor.push();
    cursor.pop();
    EXPECT_EQ(below.paints, unchanged) << "an unchanged window is not painted again";

    QWidget over;
    over.setWindowFlags(Qt::FramelessWindowHint);
    over.setGeometry(150, 120, 100, 80);
    over.show();
    settle();
    over.hide();
    below.painted = QRegion();
    cursor.push();
    cursor.pop();
    const QRect uncovered(50, 20, 100, 80);
    EXPECT_EQ(below.painted & uncovered, QRegion(uncovered)) << "the closed window's area is painted";
    EXPECT_NE(below.painted, QRegion(below.rect())) << "and not the whole window";

    // Once painted, the area is not painted again.
    below.painted = QRegion();
    cursor.push();
    cursor.pop();
    EXPECT_TRUE(below.painted.isEmpty());
}

Qt::CursorShape currentCursor() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::BlankCursor;
}

// Every way the program asks the technician while it is busy: the normal cursor over the
// question, the hourglass back afterwards.
TEST(HourglassCursor, QuestionsAskedWhileBusyShowTheNormalCursor) {
    QtMessageBoxService boxes;
    MessageBoxService* previous = installMessageBoxService(&boxes);
    const struct {
        const char* name;
        std::function<void()> ask;
    } questions[] = {
        {"message box", [] { MsgBox("Repeat?", "Tarvik", MB_YESNO); }},
        {"error dialog", [] { TNErrorHandler(nullptr, DriverTrace{}).FehlerAnzeigen(0x20010051); }},
        {"ECU start dialog",
         [] {
             TNErrorHandler texts(nullptr, DriverTrace{});
             TNInitEcuEH(nullptr, DriverTrace{}).Execute(texts, 0x20010051, nullptr);
         }},
        {"interface start dialog",
         [] {
             uint8_t choice = 0;
             TfrmInitDIErrorHandler(nullptr, DriverTrace{}).Execute(choice, 0x20010051);
         }},
    };
    for (const auto& q : questions) {
        HourglassCursor cursor;
        cursor.push();
        Qt::CursorShape whileAsking = Qt::BlankCursor;
        ModalScript script([&](QWidget* modal) {
            whileAsking = currentCursor();
            pressEscape(modal);
        });
        q.ask();
        EXPECT_TRUE(script.ran()) << q.name;
        EXPECT_EQ(whileAsking, Qt::ArrowCursor) << q.name;
        EXPECT_EQ(currentCursor(), Qt::WaitCursor) << q.name;
        cursor.pop();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << q.name;
    }

    // Not busy: nothing is overridden for the question.
    Qt::CursorShape whileAsking = Qt::WaitCursor;
    ModalScript script([&](QWidget* modal) {
        whileAsking = currentCursor();
        pressEscape(modal);
    });
    MsgBox("Repeat?", "Tarvik", MB_YESNO);
    EXPECT_EQ(whileAsking, Qt::BlankCursor);
    installMessageBoxService(previous);
}

}  // namespace

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
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>

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

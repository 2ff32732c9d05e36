// The wait window: steps its bar in 500 ms ticks, closes at the tick that reaches the wait time,
// and shows the hourglass while it waits. The ticks are driven directly; nothing here waits.
#include "Wartendialog.h"

#include "UiTestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Ticks until the window closes (at most `limit`) and the bar after each tick that left it open.
struct TickRun {
    int ticks = 0;
    std::vector<int> positions;
};

TickRun tickUntilClosed(TfrmWartenDialog& window, int limit = 1000) {
    TickRun run;
    while (window.isVisible() && run.ticks < limit) {
        EXPECT_TRUE(window.WarteTimer->isActive()) << "tick " << run.ticks;
        window.WarteTimerTimer();
        ++run.ticks;
        if (window.isVisible()) run.positions.push_back(window.ProgressBar->value());
    }
    return run;
}

TEST(WaitDialog, Layout) {
    TfrmWartenDialog window;
    EXPECT_EQ(window.windowTitle(), "Wait");
    EXPECT_EQ(window.size(), QSize(437, 124));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.lblAktualisieren->text(), "Updating diagnostic memory");
    EXPECT_EQ(window.lblBitteWarten->text(), "Please wait!");
    EXPECT_EQ(window.vergangen(), 0);
}

// Frameless, it draws its own edge: the window stands out from the window under it.
TEST(WaitDialog, HasAVisibleEdge) {
    TfrmWartenDialog window;
    const QImage image = window.grab().toImage();
    const QColor inside = image.pixelColor(8, image.height() / 2);
    const QColor bottomEdge = image.pixelColor(image.width() / 2, image.height() - 1);
    const QColor rightEdge = image.pixelColor(image.width() - 1, image.height() / 2);
    EXPECT_NE(bottomEdge, inside);
    EXPECT_NE(rightEdge, inside);
}

TEST(WaitDialog, TenSecondsAreTwentyTicksOfHalfASecond) {
    TfrmWartenDialog window;
    window.prepareExecute(10000);
    EXPECT_EQ(window.ProgressBar->maximum(), 10000);
    EXPECT_EQ(window.ProgressBar->value(), 0);
    EXPECT_EQ(window.WarteTimer->interval(), 500);
    window.show();

    const TickRun run = tickUntilClosed(window);
    EXPECT_EQ(run.ticks, 20);
    std::vector<int> steps;
    for (int t = 500; t < 10000; t += 500) steps.push_back(t);
    EXPECT_EQ(run.positions, steps);
    EXPECT_EQ(window.vergangen(), 10000);
    EXPECT_EQ(window.result(), 1);
    EXPECT_FALSE(window.WarteTimer->isActive());
}

struct TickCase {
    int milliseconds;
    int ticks;
};

class Waits : public ::testing::TestWithParam<TickCase> {};

TEST_P(Waits, CloseAtTheTickThatReachesTheWaitTime) {
    TfrmWartenDialog window;
    window.prepareExecute(GetParam().milliseconds);
    window.show();
    EXPECT_EQ(tickUntilClosed(window).ticks, GetParam().ticks);
    EXPECT_EQ(window.result(), 1);
}

INSTANTIATE_TEST_SUITE_P(Times, Waits,
                         ::testing::Values(TickCase{0, 1}, TickCase{1, 1}, TickCase{499, 1}, TickCase{500, 1},
                                           TickCase{501, 2}, TickCase{1000, 2}, TickCase{1001, 3},
                                           TickCase{-5, 1}));

TEST(WaitDialog, ASecondWaitStartsFromNothing) {
    TfrmWartenDialog window;
    window.prepareExecute(1000);
    window.show();
    EXPECT_EQ(tickUntilClosed(window).ticks, 2);
    window.prepareExecute(1500);
    window.show();
    EXPECT_EQ(window.ProgressBar->value(), 0);
    EXPECT_EQ(tickUntilClosed(window).ticks, 3);
}

TEST(WaitDialog, EscapeDoesNotEndTheWait) {
    TfrmWartenDialog window;
    window.prepareExecute(10000);
    window.show();
    pressEscape(&window);
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(tickUntilClosed(window).ticks, 20);
}

TEST(WaitDialog, ExecuteShowsTheHourglassModallyAndRestoresTheCursor) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    TfrmWartenDialog window;
    ModalScript script([&](QWidget* modal) {
        ASSERT_EQ(modal, &window);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        EXPECT_TRUE(window.WarteTimer->isActive());
        window.WarteTimerTimer();  // the tick the timer would give after 500 ms
    });
    window.Execute(500);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(window.result(), 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(window.WarteTimer->isActive());
}

TEST(WaitDialog, WaitWindowServesTheEcuLayer) {
    QWidget owner;
    WaitWindow seam(&owner);
    WaitDialog& dialog = seam;
    int seen = 0;
    ModalScript script([&](QWidget* modal) {
        auto* window = qobject_cast<TfrmWartenDialog*>(modal);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->parentWidget(), &owner);
        EXPECT_EQ(window->wartezeit(), 10000);
        seen = window->ProgressBar->maximum();
        while (window->isVisible()) window->WarteTimerTimer();
    });
    dialog.Execute(10000);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(seen, 10000);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(owner.findChildren<TfrmWartenDialog*>().isEmpty());  // one window per wait, gone after
}

}  // namespace

// The hourglass's first push as "Save system data" meets it: the running program's main window
// (demo mode), a dialog of the vehicle-data dialog's size closed over it just before, and a status
// text set just before, neither painted yet. Against the least a correct push must do: paint what
// is pending and repaint the area the dialog uncovered, nothing else. Per round both run once,
// alternately (each first in every other round), from the same state; printed are the medians
// of wall and processor time of both, the widgets painted, and the ratios.
//
//   hourglass_bench [rounds]   (default 201; offscreen unless set)
//
// Instructions, which a busy machine does not disturb:
//   valgrind --tool=callgrind --toggle-collect='HourglassCursor::push()' build/bin/hourglass_bench 21
//   valgrind --tool=callgrind --toggle-collect='*leastCorrectPush*' build/bin/hourglass_bench 21
#include "WindowBench.h"

#include "AutomationHub.h"
#include "HourglassCursor.h"
#include "Main.h"
#include "QtApplicationWindows.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <QWindow>

#include <time.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace bench;

// The dialog that asks for the vehicle data before the save: its size, centred on the window.
constexpr QSize kDialogSize(440, 350);

double threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Counts the paint events delivered to any widget while it is on.
class PaintCounter : public QObject {
public:
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) ++paints;
        return false;
    }
};

// What any correct push must paint: what is pending, and the area the closed dialog left.
__attribute__((noinline)) void leastCorrectPush(QWidget& window, const QRect& uncoveredOnScreen) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::sendPostedEvents(&window, QEvent::UpdateRequest);
    const QRect local = uncoveredOnScreen.translated(-window.mapToGlobal(QPoint(0, 0))) & window.rect();
    if (!local.isEmpty()) window.repaint(local);
}

struct Figures {
    std::vector<double> wallNs, cpuNs, paints;
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 201;
    BenchHome home("hourglass_bench");
    const fs::path program = home.path() / "program";
    fs::create_directories(program / "demo");
    writeDescription(program / "demo" / "10780100.PKD", 56);

    quietPlatformNotes();
    QApplication application(argc, argv);
    NoWaitClock clock;
    DemoMainWindow demo((program / "Tarvik").string(), program, &clock);
    TfrmMain& window = demo.window();
    if (!demo.showConnected() || !window.windowHandle() || !window.windowHandle()->isExposed()) {
        std::fprintf(stderr, "hourglass_bench: the demo did not connect\n");
        return 1;
    }
    // The poll would change the window between the two; the save stops it as well.
    window.MainTimer->stop();
    idleMoment();

    QDialog dialog(&window);
    dialog.resize(kDialogSize);
    QRect placed(QPoint(), kDialogSize);
    placed.moveCenter(window.frameGeometry().center());
    dialog.move(placed.topLeft());
    QLabel* status = window.statusPanel(0);

    // The state both start from: the dialog shown and painted, then closed and a status text
    // set, neither painted yet.
    int serial = 0;
    const auto prepare = [&]() -> QRect {
        dialog.show();
        for (int i = 0; i < 100 && !(dialog.windowHandle() && dialog.windowHandle()->isExposed()); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        idleMoment();
        dialog.hide();
        status->setText(QStringLiteral("Reading %1").arg(++serial));
        return dialog.frameGeometry();
    };
    HourglassCursor& hourglass = HourglassCursor::application();
    const auto measure = [&](Figures& into, const std::function<void(const QRect&)>& push,
                             const std::function<void()>& release) {
        const QRect uncovered = prepare();
        PaintCounter counter;
        QElapsedTimer wall;
        const double cpuStart = threadCpuNs();
        wall.start();
        push(uncovered);
        const double wallNs = static_cast<double>(wall.nsecsElapsed());
        const double cpuNs = threadCpuNs() - cpuStart;
        into.wallNs.push_back(wallNs);
        into.cpuNs.push_back(cpuNs);
        into.paints.push_back(counter.paints);
        release();
        idleMoment();
    };
    const auto programPush = [&](const QRect&) { hourglass.push(); };
    const auto programPop = [&] { hourglass.pop(); };
    const auto baselinePush = [&](const QRect& uncovered) { leastCorrectPush(window, uncovered); };
    const auto baselinePop = [] { QApplication::restoreOverrideCursor(); };

    // Warm-up: fonts, pixmaps and the backing store in place before the first figure.
    Figures warm;
    for (int i = 0; i < 3; ++i) {
        measure(warm, programPush, programPop);
        measure(warm, baselinePush, baselinePop);
    }
    Figures push, least;
    for (int r = 0; r < rounds; ++r) {
        if (r % 2 == 0) {
            measure(push, programPush, programPop);
            measure(least, baselinePush, baselinePop);
        } else {
            measure(least, baselinePush, baselinePop);
            measure(push, programPush, programPop);
        }
    }
    std::vector<double> wallRatios, cpuRatios;
    for (int r = 0; r < rounds; ++r) {
        wallRatios.push_back(push.wallNs[r] / least.wallNs[r]);
        cpuRatios.push_back(push.cpuNs[r] / least.cpuNs[r]);
    }
    std::printf("first hourglass push after a %dx%d dialog closed over the demo main window (%d rounds)\n",
                kDialogSize.width(), kDialogSize.height(), rounds);
    std::printf("%-28s %12s %12s %10s\n", "", "wall us", "cpu us", "paints");
    std::printf("%-28s %12.1f %12.1f %10.0f\n", "program (push)", median(push.wallNs) / 1e3, median(push.cpuNs) / 1e3,
                median(push.paints));
    std::printf("%-28s %12.1f %12.1f %10.0f\n", "baseline (least correct)", median(least.wallNs) / 1e3,
                median(least.cpuNs) / 1e3, median(least.paints));
    std::printf("ratio program/baseline: wall %.2f, cpu %.2f (medians of the rounds' ratios), paints %.2f\n",
                median(wallRatios), median(cpuRatios), median(push.paints) / std::max(1.0, median(least.paints)));
    return 0;
}

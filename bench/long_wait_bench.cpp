// From the start of a wait on a silent interface to the hourglass and the wait's text painted in
// the main window's status line, beside the least a correct program must spend: the notice time
// itself (a shorter wait must not flash the hourglass), measured as a plain poll() of that length
// on the same pseudo-terminal. Printed: both medians and their difference, the cost of telling.
//
//   long_wait_bench [rounds]     (default 9; QT_QPA_PLATFORM=offscreen unless set otherwise)
#include "Basisform.h"
#include "InterfaceWait.h"
#include "SerialLink.h"
#include "StringTable.h"
#include "TextCodec.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

double msBetween(SteadyTime from, SteadyTime to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Notes when the panel is first painted with the wait's text under the hourglass.
class NoticePainted : public QObject {
public:
    NoticePainted(QLabel* panel, QString text) : panel_(panel), text_(std::move(text)) {}
    SteadyTime at{};
    bool seen = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen && event->type() == QEvent::Paint && panel_->text() == text_ && QApplication::overrideCursor() &&
            QApplication::overrideCursor()->shape() == Qt::WaitCursor) {
            at = std::chrono::steady_clock::now();
            seen = true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QLabel* panel_;
    QString text_;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    QApplication app(argc, argv);

    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    int32_t status = 0;
    std::unique_ptr<SerialLink> link = SerialLink::open(name, status);
    if (!link || link->configure(19200) != 0) {
        std::fprintf(stderr, "the pseudo-terminal %s does not open as a serial port (%d)\n", name, status);
        return 1;
    }
    SerialTimeouts timeouts = link->timeouts();
    timeouts.readTotalConstantMs = InterfaceWait::kNoticeMs + 200;
    link->setTimeouts(timeouts);

    TNBasisform window(nullptr, false);
    window.resize(792, 546);
    window.show();
    app.processEvents();

    std::vector<double> noticed;
    std::vector<double> floor;
    for (int round = 0; round < rounds; ++round) {
        NoticePainted painted(window.statusPanel(0), fromAnsi(LoadStr(11991)));
        window.statusPanel(0)->installEventFilter(&painted);
        uint8_t buffer[2];
        size_t got = 0;
        const SteadyTime start = std::chrono::steady_clock::now();
        link->read(buffer, sizeof buffer, &got);
        window.statusPanel(0)->removeEventFilter(&painted);
        if (!painted.seen) {
            std::fprintf(stderr, "round %d: the wait was never shown\n", round);
            return 1;
        }
        noticed.push_back(msBetween(start, painted.at));

        pollfd waiting{link->fd(), POLLIN, 0};
        const SteadyTime plain = std::chrono::steady_clock::now();
        ::poll(&waiting, 1, InterfaceWait::kNoticeMs);
        floor.push_back(msBetween(plain, std::chrono::steady_clock::now()));
        app.processEvents();
    }
    const double shown = median(noticed);
    const double least = median(floor);
    std::printf("wait start to hourglass and text painted: %.1f ms (median of %d)\n", shown, rounds);
    std::printf("notice time alone (plain poll):           %.1f ms\n", least);
    std::printf("cost of telling:                          %.1f ms\n", shown - least);
    link.reset();
    ::close(slave);
    ::close(master);
    return 0;
}

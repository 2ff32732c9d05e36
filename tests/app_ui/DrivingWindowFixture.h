// A KELT ECU connected through the real driver and the test build of the USB library, for the
// windows that drive its outputs and valves: an error dialog during which the windows' timers and
// events run as during a real one, the actuation word the simulated ECU holds, and the program's
// exit request.
#pragma once

#include "DriverTestSupport.h"
#include "EventLoopErrorReporter.h"
#include "KeltTestSupport.h"
#include "OutputShutdown.h"
#include "QtApplicationWindows.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include <array>
#include <cstdint>

// A left-button press or release on the widget, as the mouse sends it (a hold-to-act button is
// held from the press to the release).
inline void sendMouse(QWidget* widget, QEvent::Type type) {
    const QPointF at(5, 5);
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

class DrivingWindowFixture : public OverTheRealDriver<KeltFixture> {
public:
    using Word = std::array<uint8_t, 2>;

    DrivingWindowFixture() {
        errorHandler = &dialog;
        // The windows' way out asks whether the exit request was made: this test's.
        OutputShutdown::setExitRequested([this] { return quitRequested; });
    }

    void TearDown() override {
        OutputShutdown::setExitRequested({});
        if (quitRequested) {
            // The application's exit request ended every loop and stays pending for the next
            // one of this test program; one application loop takes it up.
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
            QApplication::exec();
        }
        OverTheRealDriver::TearDown();
    }

    Word word() const { return ecu->actuationWord(); }
    bool waitForWord(Word expected) {
        return processEventsUntil([&] { return word() == expected; });
    }
    void requestExit() {
        quitRequested = true;
        QtApplicationWindows windows;
        AutomationHub hub(&windows);
        hub.RequestCloseApplication();
    }

    EventLoopErrorReporter dialog{errors};
    bool quitRequested = false;
};

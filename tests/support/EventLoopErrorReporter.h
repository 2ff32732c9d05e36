#pragma once
// An error dialog for window tests that behaves like the real modal one while it is "shown":
// every timer still running in the application's windows comes due once (the technician reads
// the message for longer than any window's poll tick) and the posted events run, so timers, idle
// moments and posted events reach the program as they would meanwhile. A window whose poll timer
// still ran would poll again from inside its own dialog. No time passes: the timers are fired,
// not waited for. The answers come from the ScriptedErrorReporter it wraps.
// Header-only: only Qt test programs include it; test_support itself has no Qt.

#include "ErrorReporter.h"
#include "RunningTimers.h"
#include "ScriptedErrorReporter.h"

#include <cstdint>

class EventLoopErrorReporter final : public ErrorReporter {
public:
    // answers: what the "user" presses.
    explicit EventLoopErrorReporter(ScriptedErrorReporter& answers) : answers_(answers) {}

    int FehlerAnzeigen(int32_t code) override {
        // A dialog the timers open while this one is shown does not fire them again.
        if (code != 0 && !shown_) {
            shown_ = true;
            fireRunningTimers();
            shown_ = false;
        }
        return answers_.FehlerAnzeigen(code);
    }

private:
    ScriptedErrorReporter& answers_;
    bool shown_ = false;
};

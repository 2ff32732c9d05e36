#pragma once
// An error dialog that takes its time, for window tests: like the real modal dialog, it keeps
// the Qt event loop running while it is "shown" (longer than any window's poll tick) before it
// answers, so timers, idle moments and posted events reach the program as they would while the
// technician reads the message. A window whose poll timer still ran meanwhile would poll again
// from inside its own dialog. The answers come from the ScriptedErrorReporter it wraps.
// Header-only: only Qt test programs include it; test_support itself has no Qt.

#include "ErrorReporter.h"
#include "ScriptedErrorReporter.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdint>

class EventLoopErrorReporter final : public ErrorReporter {
public:
    // answers: what the "user" presses; shownMs: how long each dialog stays open.
    explicit EventLoopErrorReporter(ScriptedErrorReporter& answers, int shownMs = 150)
        : answers_(answers), shownMs_(shownMs) {}

    int FehlerAnzeigen(int32_t code) override {
        if (code != 0) {
            QEventLoop dialog;
            QTimer::singleShot(shownMs_, &dialog, &QEventLoop::quit);
            dialog.exec();
        }
        return answers_.FehlerAnzeigen(code);
    }

private:
    ScriptedErrorReporter& answers_;
    int shownMs_;
};

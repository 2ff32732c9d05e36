#pragma once
// Outputs never stay driven: how every window that drives outputs, valves, lamps or throttles
// switches them off again, whichever way it ends - and the one place that knows, for the whole
// process, whether an output may still be driven.
//
// The window owns one, made with its off command (one attempt of an ECU operation, answering
// 0, 1 or 2 as they do) and the stop of its timers, and ends through one of:
//   afterGiveUp()  its own poll got a give-up. The timers stop for good, the off command is sent
//                  once without an error dialog, and only then is DiagnoseAktiv cleared: the
//                  main window's idle step closes a given-up connection, and must not close
//                  the interface before the off command went out.
//   finish()       every other way out (OK, close box, Escape, the application's exit
//                  request), once the window's modal loop has ended. The timers stop for good,
//                  then the off command is repeated while its error dialog answers Repeat; a
//                  give-up clears DiagnoseAktiv. When the application's exit request ended that
//                  dialog (nobody answered it), one more attempt goes out without a dialog.
// The first of them does the work, a later call nothing. The off command goes out only when the
// window drove something: an actuation request went to the driver since the object was made.
// When it cannot be delivered, a message box (text 20900) tells the technician that outputs may
// still be active (and, while the program ends, standard error, as no box may show any more).
//
// Hold-to-act buttons: a dialog keeps the technician from letting go of a held button, so
// while releaseBeforeDialogs() lives, the off command goes out once, silently, before any error
// dialog of the ECU layer shows while a button is held.
//
// Leaving by another path. Every object is known process-wide while it lives. When the process
// ends without the window's way out (the toolkit calls exit() when the display connection is
// lost; quick_exit), every object whose outputs may still be driven sends its off command once,
// silently, and its interface is closed. A window destroyed before its way out began (an
// exception) sends it once from the destructor.
//
// Timers: a tick stops its timer and starts it again only while running() holds, so no timer
// runs on after the way out began (not during the off command's error dialog either).
//
// Use (the actuator-test windows get all of this from ActuatorDialog in app/ui):
//   OutputShutdown shutdown_{kelt, [&kelt] { return kelt.DriveWarningLamp(false); },
//                            [this] { Warnlampentimer->stop(); }};
//   tick:     answer = drive, repeated while 1;
//             if (answer == GiveUp) { shutdown_.afterGiveUp(); done(2); return; }
//             if (shutdown_.running()) timer->start();
//   Execute:  const int result = exec(); shutdown_.finish(); return result;
//             (or, for a window with the end hook: return shutdown_.finishExecute(exec());)
//
// User-interface thread only.

#include <cstdint>
#include <functional>

#include "KELTInterface.h"

class OutputShutdown {
public:
    // "The outputs and valves could not be switched off and may still be active. ..."
    static constexpr int kNotSwitchedOffText = 20900;

    // kelt, and whatever the two functions use, must outlive the object. The off command should
    // use only kelt: it may also run while the window that made it is being destroyed.
    OutputShutdown(KELTInterface& kelt, std::function<int()> switchOff,
                   std::function<void()> stopTimers);
    ~OutputShutdown();
    OutputShutdown(const OutputShutdown&) = delete;
    OutputShutdown& operator=(const OutputShutdown&) = delete;

    // True until the way out began.
    bool running() const { return running_; }
    // An actuation request went out since the object was made.
    bool drove() const;
    // Something may still be driven: an actuation request went out since the object was made
    // and since the last off command it delivered.
    bool mayBeDriven() const;

    // The window's poll got a give-up; DiagnoseAktiv is cleared on return.
    void afterGiveUp();
    // Any other way out. The off command's final answer: 0 switched off (or nothing to switch
    // off, or done already), 2 given up (DiagnoseAktiv cleared).
    int finish();
    // The end of a driving window's Execute once its modal showing ended with modalResult:
    // finish(), then the end hook ReportLastError repeated while asked. A give-up in either
    // makes the result 2 (DiagnoseAktiv cleared); else the modal result.
    int finishExecute(int modalResult);

    // While the scope lives: ahead of every error dialog of the ECU layer, `dropHold` is asked;
    // when it answers true (a button was held; it has let go of it) the off command goes out
    // once without a dialog before the dialog shows.
    [[nodiscard]] KELTInterface::BeforeErrorDialog releaseBeforeDialogs(std::function<bool()> dropHold);

    // Whether the application's exit request has been made; by default the application's
    // automation hub is asked. An empty function restores that.
    static void setExitRequested(std::function<bool()> asked);

    // The process is ending while objects live: each one whose outputs may be driven sends its
    // off command once without a dialog (its timers stopped first), then each of their
    // interfaces is closed. Runs from std::atexit and std::at_quick_exit (registered whenever an
    // object is made); does its work once per process.
    static void switchOffBeforeTheProcessEnds();

private:
    // Stops the timers; false when the way out had begun already.
    bool begin();
    // One attempt without an error dialog; notes a delivered off command.
    int switchOffSilently();
    int switchOff();
    void warnNotSwitchedOff() const;
    static bool exitRequested();

    KELTInterface& kelt_;
    std::function<int()> switchOff_;
    std::function<void()> stopTimers_;
    uint64_t actuationsBefore_;
    // The actuation requests sent when nothing was driven last.
    uint64_t settledAt_;
    bool running_ = true;

    // Every live object, newest first.
    OutputShutdown* newer_ = nullptr;
    OutputShutdown* older_ = nullptr;
    static inline OutputShutdown* newest_ = nullptr;
};

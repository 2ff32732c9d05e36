#pragma once
// The part the windows share whose timer talks to the ECU (raise/lower, the pressure-sensor
// windows): the timer stops around every tick and every button's ECU work, so no tick runs under
// a handler's dialog; a give-up closes the window with 2; the close box and Escape give 2, as
// Cancel; done() stops the timer for good.
//
// A window derives from it, names the timer (its member points at timer()), shows its logic's
// state in refresh() and, when it drives valves, answers running() from its OutputShutdown.

#include "BasisDialog.h"

#include <functional>

class QTimer;

class TimerDialog : public TNBasisDialog {
    Q_OBJECT
public:
    TimerDialog(QWidget* owner, const char* timerName, int periodMs);

    QTimer* timer() const { return timer_; }

public slots:
    void done(int result) override;

protected:
    void reject() override;

    // The window's run once its start is done: 2 unshown when the start did not succeed, else the
    // window modally with its timer running; `finish` turns the result into the one to answer
    // (the valves released, the end hook).
    int execWithTimer(bool started, const std::function<int(int)>& finish);

    // Runs a tick's or a button's work with the timer stopped. False from `work`: the connection
    // was given up and the window closes with 2; else the timer runs again while the window shows
    // and running() holds.
    void withTimerStopped(const std::function<bool()>& work);
    // OK: asks `confirm` with the timer stopped and closes with 1 when it agrees.
    void closeIfConfirmed(const std::function<bool()>& confirm);

    // False once the window's way out began: the timer never starts again.
    virtual bool running() const { return true; }
    // Shows the logic's state after each piece of work.
    virtual void refresh() = 0;

private:
    QTimer* timer_;
};

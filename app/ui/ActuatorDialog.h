#pragma once
// The part the actuator-test windows share (lamp test, throttle test, outputs, LSV valve): a
// poll timer that drives the outputs, and the OutputShutdown that switches them off again
// whichever way the window ends.
//
// A window derives from it, gives its off command, names the timer (the window's member for it
// points at pollTimer()) and calls
//   tick(drive)   from the timer: the timer stops for the round trip; `drive` sends the drive
//                 command and answers as the ECU layer does. On 2 the window ends with 2 after
//                 the one silent off command (OutputShutdown::afterGiveUp), the timer stopped
//                 for good; otherwise the timer runs again - unless the way out has begun.
//   runModal()    the poll started, the window modally, then the off command
//                 (OutputShutdown::finish). The modal result.
// done() stops the poll; the close box and Escape give 2.

#include "BasisDialog.h"
#include "OutputShutdown.h"

#include <functional>

class KELTInterface;
class QTimer;

class ActuatorDialog : public TNBasisDialog {
    Q_OBJECT
public:
    // kelt: the ECU layer (outlives the window); switchOff: one attempt of the off command.
    ActuatorDialog(QWidget* owner, KELTInterface& kelt, const char* timerName, int periodMs,
                   std::function<int()> switchOff);

    QTimer* pollTimer() const { return pollTimer_; }

public slots:
    void done(int result) override;

protected:
    void reject() override;

    int runModal();
    void tick(const std::function<int()>& drive);

    KELTInterface& kelt_;
    OutputShutdown& shutdown() { return shutdown_; }

private:
    QTimer* pollTimer_;
    OutputShutdown shutdown_;
};

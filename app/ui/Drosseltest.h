#pragma once
// TfrmDrosseltest: "Throttle" - the main-flow and cross-flow throttles follow two latching
// buttons while the window is open, and are switched off again whichever way it closes.
//
// Use (the throttle command of the main window, with the poll paused):
//   TfrmDrosseltest window(this, ecu());
//   window.Execute();   // 1 OK; 2 closed, or the ECU was given up (DiagnoseAktiv cleared)
//
// Each button is enabled with its label by the ECU's capability flag (CfgMainThrottle,
// CfgCrossThrottle). A tick repeats at once on the answer 1; on a give-up the timer stops for
// good, the throttles get one off command without a dialog and the window closes with 2
// (ActuatorDialog). Every other way out sends the off command after the window's loop ended.

#include "ActuatorDialog.h"

class QLabel;
class QToolButton;

class TfrmDrosseltest : public ActuatorDialog {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 1;

    // kelt: the ECU layer (outlives the window).
    TfrmDrosseltest(QWidget* owner, KELTInterface& kelt);

    // The buttons by the capability flags, the window modally, then the throttles off. The
    // modal result.
    int Execute();
    // Execute's part before the showing: the buttons enabled by the flags.
    void prepareExecute();

    // One tick: the throttles follow the buttons.
    void Timer1Timer();

    QLabel* lblUeberschrift;
    QLabel* lblHauptdrossel;
    QToolButton* btnHauptdrossel;
    QLabel* lblQuerdrossel;
    QToolButton* btnQuerdrossel;
    QTimer* Timer1;
};

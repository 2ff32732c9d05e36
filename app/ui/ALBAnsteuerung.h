#pragma once
// TfrmALBAnsteuerung: "Activation of the LSV valve" - the load-sensing valve is driven while the
// technician holds the button down, and switched off again whichever way the window closes.
// The program's own ECUs have no such valve (its command stays disabled); for them every drive
// shows "not supported".
//
// Use (the LSV command of the main window, with the poll paused):
//   TfrmALBAnsteuerung window(this, ecu());
//   window.Execute();   // 1 OK; 2 closed, or the ECU was given up (DiagnoseAktiv cleared)
//
// Hold to run: the mouse button or any key held on BitBtn1 drives the valve (HoldButton); its
// release, and everything that can swallow the release, releases it; before a tick's error
// dialog shows, the held valve gets one off command without a dialog. A tick that gets the
// answer 1 is retried at the next tick; on a give-up the timer stops for good, the valve gets
// one off command without a dialog and the window closes with 2 (ActuatorDialog).

#include "ActuatorDialog.h"

#include <cstdint>

class HoldButton;
class QLabel;

class TfrmALBAnsteuerung : public ActuatorDialog {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 1;

    // kelt: the ECU layer (outlives the window).
    TfrmALBAnsteuerung(QWidget* owner, KELTInterface& kelt);

    // The poll started, the window modally, then the valve off. The modal result.
    int Execute();

    // One tick: the valve follows the button.
    void ALBAnsteuerungTimer();

    // 1 while the button is held.
    uint8_t pressed() const;

    QLabel* lblUeberschrift;
    QLabel* lblALB;
    HoldButton* BitBtn1;
    QTimer* ALBAnsteuerung;

public slots:
    void done(int result) override;
};

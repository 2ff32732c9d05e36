#pragma once
// TfrmDSKalibrieren: "Calibration of the pressure sensor" - the technician vents the bellows by
// holding "Lower the vehicle" and, once they are pressureless, saves the pressure sensor's value
// to the ECU as its 0-bar offset. The logic stands in app/core (DSKalibrieren); this window shows
// it and forwards its buttons and its timer.
//
// Use (the main window's command, after the caution, with the poll paused):
//   TfrmDSKalibrieren window(this, ecu());
//   window.Execute();   // 1 OK, 2 Cancel or given up
//
// The valves never stay driven: "Lower the vehicle" acts only while really held (HoldButton),
// and every way out (OK, Cancel, Escape, the close box, a give-up, the program closing) stops
// the timer and releases the valves.

#include "DSKalibrieren.h"
#include "TimerDialog.h"

class HoldButton;
class KELTInterface;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

class TfrmDSKalibrieren : public TimerDialog {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 1;

    // kelt: the ECU layer (outlives the window).
    TfrmDSKalibrieren(QWidget* owner, KELTInterface& kelt);

    // The start (2 without showing the window when it is given up), the window modally, the
    // valves released and the end hook. The result.
    int Execute();
    // Execute's part before the showing. False: Execute answers 2 without showing.
    bool prepareExecute();

    // Handlers.
    void TimerTimer();
    void BitBtnDruckwerteSpeichernClick();
    void btn2Click();

    const DSKalibrieren& logic() const { return logic_; }

    QLabel* lblHinweis;
    QGroupBox* gbDrucksensor;
    QLabel* lbl_DSText;
    QLabel* lblDrucksensor;
    QLabel* lblEinheit;
    HoldButton* sbFahrzeugSenken;
    QPushButton* BitBtnDruckwerteSpeichern;
    QTimer* Timer;

private:
    bool running() const override { return logic_.running(); }
    void refresh() override;

    DSKalibrieren logic_;
};

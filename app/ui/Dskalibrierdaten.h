#pragma once
// TfrmDSKalibrierdaten: "Calibration data of the pressure sensor" - the 0-bar offset stored in
// the ECU, shown beside the current pressure, replaced by that pressure or typed in, and written
// to the ECU. The logic stands in app/core (DSKalibrierdaten); this window shows it and forwards
// its buttons and its timer.
//
// Use (the main window's command, with the poll paused):
//   TfrmDSKalibrierdaten window(this, ecu());
//   window.Execute();   // 1 OK, 2 Cancel, given up or not shown

#include "DSKalibrieren.h"
#include "TimerDialog.h"

class KELTInterface;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

class TfrmDSKalibrierdaten : public TimerDialog {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 50;

    // kelt: the ECU layer (outlives the window).
    TfrmDSKalibrierdaten(QWidget* owner, KELTInterface& kelt);

    // The offset read and the start hook (2 without showing the window when given up), the
    // window modally, then the close handler. The result.
    int Execute();
    // Execute's part before the showing. False: Execute answers 2 without showing.
    bool prepareExecute();

    // Handlers.
    void Timer1Timer();
    void btnAktullenDruckUebernehmenClick();
    void btnNullBarOffsetSpeichernClick();
    void btn2Click();

    const DSKalibrierdaten& logic() const { return logic_; }

    QLabel* lblUeberschrift;
    QLabel* lblDrucksensor;
    QLabel* lblEinheit;
    QLineEdit* edOffsetDS;
    QLabel* lblEinheit2;
    QPushButton* btnAktullenDruckUebernehmen;
    QPushButton* btnNullBarOffsetSpeichern;
    QTimer* Timer1;

private:
    void refresh() override;

    DSKalibrierdaten logic_;
};

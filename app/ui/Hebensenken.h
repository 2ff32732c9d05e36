#pragma once
// TfrmHebenSenken: "Lifting/lowering" - the technician raises and lowers the vehicle by holding
// "Charge" or "Vent" while chosen level valves are open, watches the levels, the pressure and
// the tilt sensors, and runs the calibrations of the distance sensors and the tilt sensors.
// The logic stands in app/core (HebenSenken); this window shows it and forwards its buttons and
// its timer.
//
// Use (the main window's raise/lower and calibration commands, with the poll paused):
//   TfrmHebenSenken window(this, ecu());
//   window.Execute(HebenSenkenMode::RaiseLower);   // 1 OK, 2 Cancel or given up
//
// The valves never stay driven: "Charge" and "Vent" act only while really held (HoldButton),
// every timer tick holds the valves unless one is, and every way out (OK, Cancel, Escape, the
// close box, a give-up, the program closing) stops the timer and releases the valves.

#include "HebenSenken.h"
#include "TimerDialog.h"

#include <memory>

class HoldButton;
class KELTInterface;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

class TfrmHebenSenken : public TimerDialog {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 1;

    // kelt: the ECU layer (outlives the window).
    TfrmHebenSenken(QWidget* owner, KELTInterface& kelt);
    ~TfrmHebenSenken() override;

    // The start checks (2 without showing the window when they fail), the window modally, the
    // valves released and the end hook. The result.
    int Execute(HebenSenkenMode mode);
    // Execute's part before the showing. False: Execute answers 2 without showing.
    bool prepareExecute(HebenSenkenMode mode);

    // Handlers.
    void btnAchsenClick();
    void AnsteuerTimerTimer();
    void KalibrierungsschritteClick(CalibrationButton button);
    void BitBtnTiltsensorwerteSpeichernClick();
    void btn2Click();

    const HebenSenken& logic() const { return logic_; }

    QGroupBox* gbVentilauswahl;
    QPushButton* btn1WSLinks;
    QPushButton* btn1WSRechts;
    QPushButton* btn2WSLinks;
    QPushButton* btn2WSRechts;
    QPushButton* btnQDrossel;
    HoldButton* btnHeben;
    HoldButton* btnSenken;
    QGroupBox* GroupBox2;
    QLabel* lblNiveauVorderachse;
    QLabel* lblNiveauHinterachseLinks;
    QLabel* lblNiveauHinterachseRechts;
    QLabel* lblEinheitNiveaus;
    QLabel* lblDruck;
    QLabel* lblHinweis;
    QGroupBox* gbKalibrierart;
    QLabel* lblKalibrierart;
    QGroupBox* gbKalibrierschritte;
    QPushButton* btnKalibrierungStarten;
    QPushButton* btnFNSpeichern;
    QPushButton* btnONSpeichern;
    QPushButton* btnUNSpeichern;
    QPushButton* btnKalibrierungBeenden;
    QGroupBox* gbTSKalibrierung;
    QLabel* lblTiltsensor1;
    QLabel* lblTiltsensor2;
    QPushButton* BitBtnTiltsensorwerteSpeichern;
    QTimer* AnsteuerTimer;

private:
    class LevelInput;
    bool running() const override { return logic_.running(); }
    // The window follows the logic's texts and buttons.
    void refresh() override;

    KELTInterface& kelt_;
    std::unique_ptr<LevelInput> levelInput_;
    HebenSenken logic_;
};

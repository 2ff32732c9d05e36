#pragma once
// TfrmAusgaengeAnsteuern: "Outputs" - one row per switchable output of the ECU (door enabling,
// immobilizer, buzzer), each driven while its latching button is down, and all switched off
// again whichever way the window closes.
//
// Use (the outputs command of the main window, with the poll paused):
//   TfrmAusgaengeAnsteuern window(this, ecu());
//   window.Execute();   // 1 OK; 2 closed, or the ECU was given up (DiagnoseAktiv cleared)
//
// A tick that gets the answer 1 is retried at the next tick; on a give-up the timer stops for
// good, the outputs get one off command without a dialog and the window closes with 2
// (ActuatorDialog). Every other way out sends the off command, repeated while its error dialog
// answers 1, after the window's loop ended.

#include "ActuatorDialog.h"
#include "OutputList.h"
#include "RowColumn.h"

#include <QFrame>

#include <vector>

class QLabel;
class QScrollArea;
class QToolButton;

// One row: the output's latching button and its name ("---" until filled).
class TfrmAusgangAnsteuernEintrag : public QFrame {
    Q_OBJECT
public:
    explicit TfrmAusgangAnsteuernEintrag(QWidget* parent = nullptr);

    QToolButton* btnAnsteuern;
    QLabel* lblBezeichnung;
};

class TfrmAusgaengeAnsteuern : public ActuatorDialog {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 1;

    // kelt: the ECU layer (outlives the window).
    TfrmAusgaengeAnsteuern(QWidget* owner, KELTInterface& kelt);

    // The outputs of the ECU type with their rows, the window modally, then every output off.
    // The modal result.
    int Execute();
    // Execute's part before the showing: the list and one row per visible entry.
    void prepareExecute();

    // One tick: each visible output follows its row's button.
    void AnsteuerungTimer();

    // One slot per list entry; null for an entry without a row.
    const std::vector<TfrmAusgangAnsteuernEintrag*>& rows() const { return rows_.rows(); }

    QLabel* lblUeberschrift;
    QScrollArea* sbAusgaenge;
    QTimer* Ansteuerung;

private:
    OutputList list_;
    RowColumn<TfrmAusgangAnsteuernEintrag> rows_;
};

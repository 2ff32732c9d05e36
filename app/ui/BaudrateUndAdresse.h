#pragma once
// TfrmBaudrateUndAdresse: "Change ECU baud rate and address" - reads the ECU's diagnosis address
// and baud code, and saves either when the technician asks.
//
// Use (the main window's command, with the poll paused):
//   TfrmBaudrateUndAdresse window(this, ecu());
//   window.Execute();   // 1 OK; 2 the ECU was given up while reading (nothing was shown)
//
// Every ECU failure has been shown by the ECU layer's error dialog; the window repeats at once on
// the answer 1. A give-up while reading clears DiagnoseAktiv and ends Execute with 2 unshown; a
// give-up while saving clears DiagnoseAktiv and leaves the window open. "The data are stored in
// the ECU" follows only a save whose read-back matched.

#include "BasisDialog.h"

#include <array>
#include <functional>

class KELTInterface;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class TfrmBaudrateUndAdresse : public TNBasisDialog {
    Q_OBJECT
public:
    // kelt: the ECU layer (outlives the window).
    TfrmBaudrateUndAdresse(QWidget* owner, KELTInterface& kelt);

    // The reads and the preselection, then the window modally.
    int Execute();
    // Execute without showing: false when the ECU was given up while reading.
    bool prepareExecute();

    void btnSpeichernAdresseClick();
    void btnSpeichernBaudrateClick();

    // The data-rate buttons in code order (1200, 2400, 4800, 9600 baud).
    std::array<QRadioButton*, 4> baudButtons() const;

    QLabel* lblUeberschrift;
    QGroupBox* gbECUAdresse;
    QLabel* lblECUAdresse;
    QLineEdit* edECUAdresse;
    QPushButton* btnSpeichernAdresse;
    QGroupBox* gbBaudrate;
    QRadioButton* rb1200Baud;
    QRadioButton* rb2400Baud;
    QRadioButton* rb4800Baud;
    QRadioButton* rb9600Baud;
    QPushButton* btnSpeichernBaudrate;

private:
    // Runs the operation while it answers 1; a give-up clears DiagnoseAktiv. True on 0.
    bool untilAnswered(const std::function<int()>& operation);
    void tellStored(bool stored);

    KELTInterface& kelt_;
};

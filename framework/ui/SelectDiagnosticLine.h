#pragma once
// TNfrmSelectDiagnosticLine: "Select diagnostic port" - asks on which diagnostic line the ECU is
// reached, through two large picture buttons or the buttons "&1" and "&2". Meant as the
// selection window of TNInitEcuEH (its third button shows it): a chosen line closes it with the
// modal result 1, so the connection is tried again; "&Cancel" closes it with 2. The caller reads
// the chosen line and decides what to do with it. This program shows none.

#include "BasisDialog.h"

#include <cstdint>

class QLabel;
class QPushButton;

class TNfrmSelectDiagnosticLine : public TNBasisDialog {
    Q_OBJECT
public:
    explicit TNfrmSelectDiagnosticLine(QWidget* owner = nullptr);

    // The line chosen in the last showing: 1 or 2, 0 when none was chosen.
    uint8_t chosenLine() const { return chosenLine_; }

    QLabel* lblAuswahl;
    QPushButton* btnLeitung1;  // picture button of line 1
    QPushButton* btnLeitung2;  // picture button of line 2

protected:
    void showEvent(QShowEvent* event) override;

private:
    void choose(uint8_t line);

    uint8_t chosenLine_ = 0;
};

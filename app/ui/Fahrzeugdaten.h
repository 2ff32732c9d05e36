#pragma once
// TfrmFahrzeugdaten: "Save system data" - asks for the tester and the vehicle before a protocol
// or system data are saved or printed. It shows TesterName and the vehicle texts, and every way
// of closing it (OK, Cancel, the close box, Escape) copies the edits back into them: a cancelled
// entry is kept, only the answer differs.
// Use: TfrmFahrzeugdaten dialog(owner); int answer = dialog.exec();  // 1 OK, 2 Cancel
//
// Each edit takes no more characters than its text's width allows (width - 1), and a longer
// stored text is shown cut to that length, so the texts never outgrow their widths.

#include "BasisDialog.h"

class QHideEvent;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmFahrzeugdaten : public TfrmCOMBasisDialog {
    Q_OBJECT
public:
    explicit TfrmFahrzeugdaten(QWidget* owner = nullptr);

    QLabel* pnlUeberschrift;
    QLineEdit* edPruefername;
    QLineEdit* edHersteller;
    QLineEdit* edFahrzeugtyp;
    QLineEdit* edFahrgestellnummer;
    QLineEdit* edKilometerstand;
    QPushButton* btnOk;
    QPushButton* btnAbbruch;

protected:
    void hideEvent(QHideEvent* event) override;
    void reject() override;  // the close box and Escape answer 2, like Cancel

    // Copies the five edits back into the texts, then the base's closing.
    void FormClose();
};

#pragma once
// TfrmWSKalibrierdaten: "Calibration data of the distance sensors" - the level calibration
// values stored in the ECU (normal, upper and lower level of both axles and the left/right
// difference of the rear axle), which the technician changes as levels or as differences to the
// normal level and writes back after the plausibility check. The logic stands in app/core
// (LevelDataEditor); this window copies the texts to and from its edits.
//
// Use (the main window's command, with the poll paused):
//   TfrmWSKalibrierdaten window(this, ecu());
//   window.Execute();
//
// Leaving an edit recomputes what depends on it. Save and OK first take the edit being typed in
// as left, so a typed value is never lost, also when they are reached by their keys.

#include "BasisDialog.h"
#include "LevelDataEditor.h"

#include <array>

class KELTInterface;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class TfrmWSKalibrierdaten : public TNBasisDialog {
    Q_OBJECT
public:
    // kelt: the ECU layer (outlives the window).
    TfrmWSKalibrierdaten(QWidget* owner, KELTInterface& kelt);

    // Reads the values and shows the window modally; not shown when the user gave up the read.
    void Execute();
    // Execute's part before the showing. False: given up, the window is not to be shown.
    bool prepareExecute();

    // Handlers.
    void RadioGroupClick();
    void VerarbeitungEingabe(QLineEdit* sender);
    void btnNiveausSpeichernClick();
    void btn1Click();

    // The edit of a grid position (and the left/right difference).
    QLineEdit* edit(LevelEdit which) const { return edits_[static_cast<std::size_t>(which)]; }
    const LevelDataEditor& logic() const { return logic_; }

    QGroupBox* gbNiveaueingabe;
    QLineEdit* edONVorn;
    QLineEdit* edDiffONVorn;
    QLineEdit* edFNVorn;
    QLineEdit* edDiffUNVorn;
    QLineEdit* edUNVorn;
    QLineEdit* edONHinten;
    QLineEdit* edDiffONHinten;
    QLineEdit* edFNHinten;
    QLineEdit* edDiffUNHinten;
    QLineEdit* edUNHinten;
    QLineEdit* edONHintenRe;
    QLineEdit* edDiffONHintenRe;
    QLineEdit* edFNHintenRe;
    QLineEdit* edDiffUNHintenRe;
    QLineEdit* edUNHintenRe;
    QLabel* lblHALinks;
    QLabel* lblHARechts;
    QLineEdit* edDiffLinksRechts;
    QLabel* lblEinheit;
    QPushButton* btnNiveausSpeichern;
    QGroupBox* gbEingabeart;
    QRadioButton* rbObenUntenNiveau;
    QRadioButton* rbDifferenzniveau;
    QLabel* lblHinweis;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;  // Escape and the close box: 2, as Cancel

private:
    // The texts between the edits and the logic.
    void takeTexts();
    void showTexts();
    // Which edits can be typed into, and the right column, as the logic says.
    void showOffers();
    // The edit that has the focus counts as left.
    void leaveFocusedEdit();

    std::array<QLineEdit*, kLevelEditCount> edits_;
    LevelDataEditor logic_;
};

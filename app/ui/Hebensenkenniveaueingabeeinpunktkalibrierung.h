#pragma once
// TfrmNiveaueingabeEinpunktkalibrierung: "Level input single point calibration" - the upper and
// lower levels the technician enters for a calibration of the normal level only. The edits of
// an axle the vehicle lacks are disabled.
//
// Use (the calibration window's Start step):
//   TfrmNiveaueingabeEinpunktkalibrierung dialog(this, kelt);
//   dialog.Execute(values);   // 1 OK: the upper and lower levels are the entered ones; 2 Cancel
//
// Only digits reach the edits (typed or pasted), at most three. OK accepts only levels of
// 5..253 in every enabled edit; otherwise the range message of the axle shows, that edit gets
// the focus and the dialog stays open.

#include "BasisDialog.h"
#include "LevelCalibration.h"

#include <array>

class KELTInterface;
class QLabel;
class QLineEdit;

class TfrmNiveaueingabeEinpunktkalibrierung : public TNBasisDialog {
    Q_OBJECT
public:
    // kelt: the ECU layer (its axle flags and message caption; outlives the dialog).
    TfrmNiveaueingabeEinpunktkalibrierung(QWidget* owner, const KELTInterface& kelt);

    int Execute(LevelValues& values);
    // OK: checks the entries; closes with 1 when they are levels.
    void btn2Click();

    QLabel* lblUeberschrift;
    QLineEdit* edOberesNiveauVorn;
    QLineEdit* edOberesNiveauHinten;
    QLineEdit* edUnteresNiveauVorn;
    QLineEdit* edUnteresNiveauHinten;
    QLabel* lblNormalNiveauVorn;
    QLabel* lblNormalNiveauHinten;

private:
    std::array<QLineEdit*, 4> edits() const;

    const KELTInterface& kelt_;
    bool front_;
    bool rear_;
};

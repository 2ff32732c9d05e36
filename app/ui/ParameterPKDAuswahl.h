#pragma once
// TfrmParameterPKDAuswahl: "ECU selection" - the parameter editor's choice of a description file
// while no ECU is connected. One line per ECU a description file of the folder serves
// (ECU_PKD_Liste, app/core ParameterDescription.h).
//
// Use (TfrmParameter::PKDDateiLaden):
//   TfrmParameterPKDAuswahl picker(this, folder);
//   std::string path, ecuNumber;
//   if (picker.Execute(path, ecuNumber) == 1) ...   // 1 chosen, 2 cancelled
//
// A folder without any "*.PKD" file shows 11641 and answers 2 without showing the picker.

#include "BasisDialog.h"
#include "ParameterDescription.h"

#include <filesystem>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QFrame;

class TfrmParameterPKDAuswahl : public TNBasisDialog {
    Q_OBJECT
public:
    TfrmParameterPKDAuswahl(QWidget* owner, std::filesystem::path folder);

    // Shows the picker modally. OK: path = folder / the chosen line's file, ecuNumber = its ECU;
    // answers 1. Cancel (or no description file at all): 2, both left as they were.
    int Execute(std::string& path, std::string& ecuNumber);
    // The list without showing it: fills lbPKDDateien; false when the folder has no file.
    bool fillList();

    const std::vector<ECU_PKD_Liste>& entries() const { return entries_; }

    QLabel* Label2;
    QListWidget* lbPKDDateien;
    QFrame* Panel2;
    QLabel* Label1;

private:
    std::filesystem::path folder_;
    std::vector<ECU_PKD_Liste> entries_;
};

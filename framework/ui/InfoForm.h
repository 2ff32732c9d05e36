#pragma once
// TNInfoForm: "Info about diagnostic software" - the program's version, the interface
// application's and the driver's versions and the user's company and name.
// Use: TNInfoForm form(owner); form.exec();  (the texts are filled when it is shown)

#include "About.h"
#include "BasisDialog.h"

#include <string>

class QLabel;
class QPushButton;
class QTextEdit;

class TNInfoForm : public TfrmCOMBasisDialog {
    Q_OBJECT
public:
    // programFile: whose version block is shown; the running program when empty.
    explicit TNInfoForm(QWidget* owner = nullptr, std::string programFile = {});

    // Fills the window (also done when it is shown).
    void FormShow();

    QLabel* Image1;
    QLabel* Image2;
    QTextEdit* RichEdit1;
    QLabel* lbl_Interface;
    QLabel* lbl_Name;
    QLabel* lbl_Firma;
    QLabel* lblDiaglibVersion;
    QLabel* lblUSBDLLVersion;
    QPushButton* btn_OK;
    TNAbout NAbout1;

public slots:
    void btn_OKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::string programFile_;
};

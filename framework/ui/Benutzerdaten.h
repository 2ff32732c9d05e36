#pragma once
// TNBenutzerdaten: "User data" - asks for the company and the user's name. Offered through the
// base main window's BenutzerdatenEingeben. Cancel ends the program (RequestCloseApplication);
// the window has no close box and Escape does nothing, so one of the two buttons decides.

#include "BasisDialog.h"

#include <string>

class AutomationHub;
class QLabel;
class QLineEdit;

// The texts a program may give the dialog; an empty one keeps the dialog's own.
struct BenutzerdatenTexte {
    std::string Titel;         // the caption, "User data"
    std::string Ueberschrift;  // the explanation above the two fields
    std::string Firma;         // the company field's label, "Company :"
    std::string Name;          // the user-name field's label, "User name :"
};

class TNBenutzerdaten : public TNBasisDialog {
    Q_OBJECT
public:
    // hub: where Cancel asks to close the application (the program's hub when null).
    explicit TNBenutzerdaten(QWidget* owner = nullptr, AutomationHub* hub = nullptr);

    // Shows the texts, runs modally; true with the edited texts copied back when confirmed with
    // OK, false with the texts unchanged otherwise.
    bool Execute(std::string& firma, std::string& name, const BenutzerdatenTexte& texte = {});

    // Execute in steps, for callers that must not block: fill, show and let the user act, then
    // finish with the modal result.
    void prepareExecute(const std::string& firma, const std::string& name,
                        const BenutzerdatenTexte& texte = {});
    bool finishExecute(std::string& firma, std::string& name) const;

    QLabel* lblUeberschrift;
    QLabel* lblFirma;
    QLabel* lblName;
    QLineEdit* edFirma;
    QLineEdit* edName;

public slots:
    void btn1Click();
    void btn2Click();

protected:
    void reject() override;

private:
    AutomationHub* hub_;
};

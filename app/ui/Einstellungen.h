#pragma once
// TNEinstellungen: the program's "Settings" - the framework's pages (without the printer page,
// which nothing in this program uses) and the page "ISO address" with the ECU's diagnostic
// address, [Diagnose] "ECUAdress" of the application INI file.
// Use: TNEinstellungen dialog(owner); dialog.exec();  // 1 OK, 2 Cancel
//
// The address is stored as typed ("17" or "0x11"); a text that is no address (see
// parseEcuAddress) is refused with a message before anything is stored, on this page or the
// framework's, and the dialog stays open.

#include "Optionen.h"

class QLineEdit;
class QPlainTextEdit;

class TNEinstellungen : public TNOptionen {
    Q_OBJECT
public:
    // The arguments as TNOptionen's; the address lives in context.iniFile.
    explicit TNEinstellungen(QWidget* owner = nullptr, SettingsContext context = programSettingsContext(),
                             FolderBrowser* browser = nullptr, PortSelectionDialog* portDialog = nullptr);

    // The framework's pages and the stored address.
    void FormShow() override;
    // The address is checked first; then the framework's pages and the address are stored.
    // False when something was refused or not stored (the user has been told); OK then keeps
    // the dialog open. OK and Accept are the framework's buttons,
    // which reach the address through this.
    bool EinstellungenSpeichern() override;

    QWidget* tabISOAdresse;
    QLineEdit* edAdresse;
    QPlainTextEdit* mmHinweis;

private:
    bool adresseGueltig();
    bool speichereAdresse();
};

#pragma once
// TNOptionen: the "Settings" dialog - interface port, data folders, program options, printer
// margins and user data. The values and the rules live in SettingsModel (core); this dialog
// shows them and hands the edited values back.
//
// A program's own settings dialog derives from it and adds a page:
//   - FormShow(): call the base first (it loads every framework page), then load the own page;
//   - EinstellungenSpeichern(): call the base, then write the own page; return false when
//     something could not be written (the base has told the user about its own failures).
// OK saves and closes with 1 (a failed save keeps the dialog open), Accept saves and stays open,
// Cancel closes with 2 and writes nothing.

#include "BasisDialog.h"
#include "FolderBrowser.h"
#include "SettingsModel.h"

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class PortSelectionDialog;

class TNOptionen : public TfrmCOMBasisDialog {
    Q_OBJECT
public:
    // context: where the settings live (the running program's by default). browser: the folder
    // dialog (Qt's by default). portDialog: the port dialog (the program's programPortDialog() when null).
    // Neither is owned.
    explicit TNOptionen(QWidget* owner = nullptr, SettingsContext context = programSettingsContext(),
                        FolderBrowser* browser = nullptr, PortSelectionDialog* portDialog = nullptr);
    ~TNOptionen() override;

    // Loads every page; runs each time the dialog is shown.
    virtual void FormShow();
    // Writes every page; reports what could not be written. True when everything was written.
    virtual bool EinstellungenSpeichern();

    // The values as the pages show them now.
    SettingsValues werte() const;
    // The outcome of the last EinstellungenSpeichern.
    const SettingsSaveResult& lastSave() const { return lastSave_; }
    SettingsModel& model() { return model_; }
    // The chosen port (shown in lblSchnittstelle, stored on accept).
    const std::string& port() const { return port_; }

    QTabWidget* pctr_Einst;
    QWidget* tab_Seriell;
    QWidget* tab_Ablage;
    QWidget* tab_Optionen;
    QWidget* tab_Drucker;
    QWidget* tab_Benutzer;
    QLabel* lblSchnittstelle;
    QPushButton* btnSchnittstelleAendern;
    QLineEdit* txt_Leseverz;
    QPushButton* btn_Leseverz;
    QLineEdit* txt_Schreibverz;
    QPushButton* btn_Schreibverz;
    QCheckBox* cb_Vollbild;
    QCheckBox* cb_AutoStart;
    QCheckBox* cb_BubbleHelp;
    QLineEdit* txt_X_Position;
    QLineEdit* txt_Y_Position;
    QLineEdit* edFirma;
    QLineEdit* edBenutzername;
    QPushButton* btn_Ok;
    QPushButton* btn_Uebernehmen;
    QPushButton* btn_Abbrechen;

public slots:
    void btn_OkClick();
    void btn_UebernehmenClick();
    void btn_AbbrechenClick();
    void btnSchnittstelleAendernClick();
    // Sender btn_Leseverz chooses the reading folder, any other the writing folder.
    void btn_VerzClick(QObject* sender);

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;  // Escape and the close box cancel (result 2)

private:
    void buildLayout();
    void showPort();
    PortSelectionDialog* portDialog() const;

    SettingsModel model_;
    FolderBrowser* browser_;
    PortSelectionDialog* portDialog_;
    std::string port_;
    SettingsSaveResult lastSave_;
};

#pragma once
// TfrmParameter: "Parameter" - the ECU's parameter block as numbered parameters with physical
// values, units, notes and bit options, read from and written to the ECU. The rows come from the
// parameter description file (".PKD"); every value rule lives in app/core (ParameterEntries,
// ParameterTransfer.h): this window only forwards its controls' events and shows the results.
//
// Use (the main window's parameter command, its poll stopped):
//   TfrmParameter editor(this);
//   editor.Execute(record);   // 0 shown; 1 no description file (nothing shown)
//
// Connected (*record.pDiagnoseAktiv set), the editor uses record.PKDDatei and reads the ECU
// before it shows. Not connected, the description-file picker (TfrmParameterPKDAuswahl) lists the
// files of PKDDatei's folder and the ECU buttons stay disabled. A failed read clears
// DiagnoseAktiv. No user input reaches the window during a transfer. The file buttons load values
// from and save them to a data file (ParameterDataFile.h); the print button shows the parameter
// protocol (TParameterPrint, ParameterDrucken.h) in the print preview.

#include "BasisDialog.h"
#include "ParameterBlock.h"
#include "ParameterDataFile.h"
#include "ParameterDescription.h"
#include "ParameterValues.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QShortcutEvent;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTextEdit;

class TfrmParameter : public TfrmCOMBasisDialog {
    Q_OBJECT
public:
    explicit TfrmParameter(QWidget* owner);

    // Loads the description (PKDDateiLaden), builds the rows, reads the ECU when SofortLesen,
    // clears Geaendert and shows the window modally. 0 when shown, 1 when nothing could be loaded.
    int Execute(structParameter parameter);
    // Execute without the modal showing.
    int prepareExecute(structParameter parameter);
    // Chooses and reads the description file: 0 loaded, 1 not (11641 shown where it applies).
    int PKDDateiLaden();

    // --- handlers ---
    void btnECULesenClick();
    void btnECUSchreibenClick();
    void btnPCLesenClick();
    void btnPCSchreibenClick();
    // The parameter protocol of the shown values in the print preview.
    void btnProtokollDruckenClick();
    void btnOKClick();
    void btnAbbruchClick();
    // Leaving parameter i's edit: the entry check; a failed check is shown and the focus returns.
    void EingabefeldExit(std::size_t i);
    // A click on item `item` of bit b's radio group of parameter i.
    void OptionenChange(std::size_t i, unsigned b, unsigned item);
    // Page Up/Down, Up/Down in parameter i's edit.
    void EditKeyDown(std::size_t i, NavigationKey key);

    // --- state ---
    uint8_t Aufbau = 1;                 // until the rows are built: option clicks are ignored
    uint8_t OptionenAktualisieren = 0;  // while the options follow a bit edit
    uint8_t SofortLesen = 0;            // opened while connected: read before showing
    bool Geaendert() const { return entries_ && entries_->Geaendert; }
    // A block was sent to the ECU while the editor was open (also one it did not take whole).
    bool ParameterGeschrieben() const { return geschrieben_; }
    const structParameter& parameter() const { return parameter_; }
    const structParaSetInfo& ParaSetInfo() const { return paraSetInfo_; }
    const ParameterDescription& description() const { return description_; }

    // --- controls ---
    // One parameter's controls; the option groups only for a bit-coded parameter.
    struct ParameterRow {
        QGroupBox* GruppenBox = nullptr;
        QLineEdit* Eingabefeld = nullptr;
        QLabel* Einheit = nullptr;
        std::vector<QLabel*> Texte;
        std::vector<QGroupBox*> OptionsGruppen;             // "Bit0".."Bit7"
        std::vector<std::array<QRadioButton*, 2>> Optionen;  // their two items
    };
    const std::vector<ParameterRow>& rows() const { return rows_; }
    const std::vector<QLabel*>& hinweise() const { return hinweise_; }

    QScrollArea* sbParameter;
    QWidget* Panel1;
    QPushButton* btnECULesen;
    QPushButton* btnECUSchreiben;
    QPushButton* btnPCLesen;
    QPushButton* btnPCSchreiben;
    QPushButton* btnProtokollDrucken;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QPushButton* btnOK;
    QPushButton* btnAbbruch;
    QTextEdit* DebugAusgabe;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The mnemonic of a panel button's caption: focus the button, and press it only when the
    // focus got there.
    bool pressByMnemonic(QLabel* label, const QShortcutEvent& shortcut);

private:
    class Transfer;

    void ParameterAnzeigeAufbauen();
    void addBitRows(ParameterRow& row, const structParaInfo& parameter, std::size_t index);
    void addValueRows(ParameterRow& row, const structParaInfo& parameter);
    // The edits show the entries' texts; the options follow the bit edits.
    void showEntries();
    void showOptions(std::size_t i);
    // A failed check: its message, the edit's text, and the focus back in the edit.
    void showRefusal(std::size_t i, const EntryCheck& check);
    std::optional<std::size_t> rowOf(const QObject* edit) const;
    // The edits packed into a block; an edit that fails its check is shown and gives nothing.
    std::optional<std::vector<uint8_t>> packedBlock();
    void copyIdentification();
    // Without the connection (never made, or ended by a give-up) nothing is sent to the ECU:
    // its read and write buttons are disabled.
    void disableEcuButtonsWhenDisconnected();
    std::string title() const;

    structParameter parameter_;
    structParaSetInfo paraSetInfo_;
    ParameterDescription description_;
    std::optional<ParameterEntries> entries_;
    std::vector<ParameterRow> rows_;
    std::vector<QLabel*> hinweise_;
    std::unordered_map<const QObject*, std::size_t> rowOfEdit_;
    bool leaving_ = false;    // inside an entry check: its message box takes the focus
    bool transfer_ = false;   // inside a transfer with the ECU
    bool geschrieben_ = false;  // a write to the ECU was sent
};

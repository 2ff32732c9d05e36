#pragma once
// TNFehlerspeicher: the framework's "Diagnostic memory" window. It holds up to 100 fault entries,
// turns their codes into texts through the system's fault-text file (FaultTextFile), sorts them,
// shows them in an owner-drawn list (icon, component text, fault-type text) with a hint and a
// detail panel, offers the fault's help topic and refreshes cyclically. The base does not talk
// to an ECU: a system's window derives from it and reads and clears the ECU's fault memory in
// FehlerspeicherLesen / FehlerspeicherLoeschen (their base versions only answer true). The
// rules without the window live in FaultMemoryTable.h.
//
// Built in two steps, so the derived window's Initialisieren runs (a constructor cannot reach a
// derived override):
//
//   class TMyFsp final : public TNFehlerspeicher {
//       TMyFsp(QWidget* owner, ...) : TNFehlerspeicher(owner, name, fallback, warn) {
//           ...                 // own set-up
//           initialize();       // last: runs TMyFsp::Initialisieren
//       }
//   };
//
// A window class that is not final leaves initialize() to whoever creates it:
//
//   TNFehlerspeicher w(owner, name, fallback, warn);
//   w.initialize();             // Initialisieren(name, fallback, warn): texts file, messages
//   w.Ausfuehren();             // reads, shows modally, returns the modal result
//
// Initialisieren runs once; should a creator forget initialize(), it runs at the first
// Ausfuehren, showing or text lookup.
//
// Closing: OK is refused (message 11110) while current messages are shown; Cancel, Escape and
// the close box close with 2. The sort order chosen in the sort box is stored on closing when it
// differs from the one read at construction.
//
// Saving and printing (the buttons show only when the caller asks, DruckenSichtbar /
// SpeichernSichtbar): the save button writes the shown entries as a protocol file (FaultProtocol.h)
// in one step, the print button prints them through the print preview; ProtokollDrucken reads a
// saved protocol and prints it, also on a window that is never shown. The file dialogs, the
// tester question and the facts of the protocol's header come from the ProgramContext. The window
// is never an MDI child in this program, so the MDI branches are left out.

#include "BasisDialog.h"
#include "FaultMemoryTable.h"
#include "FaultTextFile.h"
#include "FehlerEintrag.h"
#include "FehlerspeicherProtokoll.h"

#include <QPixmap>
#include <QString>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class QPushButton;
class QTimer;
class ProfileAccess;

// The selected entry as UmweltdatenAnzeigen receives it.
struct FaultEntryKey {
    int32_t KomponentenCode = 0;
    int32_t FehlerartCode = 0;
    int32_t Nummer = 0;
    bool operator==(const FaultEntryKey&) const = default;
};

// What one list row draws: the icon (0 stored, 1 current message), the bold first line and the
// plain second line (none for the "No message present" row).
struct FaultRowView {
    int icon = 0;
    QString line1;
    std::optional<QString> line2;
};

class TNFehlerspeicher : public TfrmCOMBasisDialog {
    Q_OBJECT
public:
    // Icon size of the list and the row height.
    static constexpr int kIconSize = 40;
    static constexpr int kRowHeight = 45;

    // owner: the window's owner (Besitzer). name: base name of the fault-text file (the ECU's
    // diagnostic identification). fallback: a numbered substitute file may be used. warn: show
    // the messages about a missing file. programFolder: where the fault-text files lie; empty
    // means the running program's folder. Reads the sort order from the application INI file.
    TNFehlerspeicher(QWidget* owner, std::string name, bool fallback, bool warn,
                     std::filesystem::path programFolder = {});
    ~TNFehlerspeicher() override;

    // The second construction step (see the top of this file); runs Initialisieren once.
    void initialize();
    bool initialized() const { return initialized_; }

    // --- virtual operations, in the framework's slot order ---
    // Sets up the fault-text file FkdDatei; shows 11119 for an empty INI path and, with warn,
    // 11107 / 11108 for a missing file; clears both tables.
    virtual void Initialisieren(const std::string& name, bool fallback, bool warn);
    // Reads the fault memory (result ignored) and gives the number of current entries and the
    // text of the first (see currentFaultText).
    virtual int FehlerTextErmitteln(std::string& text);
    // Fills Fehlertabelle from the ECU; the base answers true.
    virtual bool FehlerspeicherLesen();
    // Clears the ECU's fault memory; the base answers true.
    virtual bool FehlerspeicherLoeschen();
    // The hint of a code pair from the fault-text file; "Unknown" when it has none.
    virtual std::string HinweisText(int32_t komponente, int32_t fehlerart);
    virtual void AnzeigeMaskeSetzen(uint16_t mask);
    // Show or hide the print button bitbtnDrucken / the save button bitbtnSpeichern.
    virtual void DruckenSichtbar(bool visible);
    virtual void SpeichernSichtbar(bool visible);
    // AnzeigeMaske := 15.
    virtual void Voreinstellungen();
    // The environment data of the selected entry; the base shows nothing.
    virtual void UmweltdatenAnzeigen(const FaultEntryKey& key);
    // Clears the tables, reads, and shows the window modally when the read succeeded. Returns
    // the modal result (1 OK, 2 Cancel), 0 when the window was not shown.
    virtual int Ausfuehren();
    // btnUmweltdaten enabled by flag, then Ausfuehren.
    virtual int AusfuehrenMitUmweltdaten(bool flag);
    // Asks the tester's name (the context's question 11118 / 11117, the text cut to 31
    // characters into the tester name); false when cancelled.
    virtual bool PrueferAbfragen();
    // Sorts, looks up the texts and fills the list; nurListe stops before the placeholder row,
    // the selection and the details.
    virtual void FehlerListeFuellen(bool nurListe);
    // Hook while a protocol is saved: keys of the window's own into `protokoll`, section EcuName,
    // after the header keys and before the entries. Nothing reaches the file before the whole
    // protocol is written. Empty in the base.
    virtual void ProtokollErgaenzen(ProfileAccess& protokoll);
    // Hook after a protocol was read (ProtokollDatei), before it is printed. Empty in the base.
    virtual void ProtokollGelesen();
    // Prints a protocol record: the window's two column flags into the record, then the report
    // with the column chosen from the record (TFspPrint::Print).
    virtual void TabelleDrucken(FehlerspeicherProtokoll& record);
    // The same with the timer column (TFspPrint::PrintData).
    virtual void ProtokolldatenDrucken(FehlerspeicherProtokoll& record);

    // --- lookups used by other windows ---
    std::string KomponentenText(int32_t code);
    std::string FehlerartText(int32_t code);
    // Clears Fehlertabelle and Anzeigetabelle (texts stay).
    void FehlerTabelleLoeschen();
    // Whether entry `index` of Fehlertabelle is empty; an index beyond the table counts as empty.
    bool EintragLeer(std::size_t index) const;
    // Lets the technician choose a saved protocol and prints it (TabelleDrucken). Needs no ECU.
    void ProtokollDrucken();

    // The fault-text file FkdDatei as the lookups read it: one object per window, so its text is
    // parsed once (and shared with the other readers of the file) and read again only after the
    // file changed.
    const FaultTextFile& texts() const;
    const std::filesystem::path& programFolder() const { return programFolder_; }
    // The result passed to the last close (0 while the window is open or was never closed).
    int modalResult() const { return modalResult_; }
    // What row `row` of the list draws.
    FaultRowView rowView(int row) const;
    // The list icon of ImageList1: 0 stored message, 1 current message.
    const QPixmap& listIcon(int index) const;

    // --- state ---
    std::array<bool, kFaultTableSize> ZeileGewaehlt{};  // the row clicked last
    FaultEntryTable Fehlertabelle{};    // as the ECU delivered them
    bool ZaehlerSpalteErzwingen = false;
    bool TimerSpalteErzwingen = false;
    std::string FkdDatei;               // full path of the fault-text file; also the caption
    QWidget* Besitzer = nullptr;
    uint16_t AnzeigeMaske = 15;
    int32_t AnzahlEintraege = 0;
    std::string ProtokollDatei;
    FaultEntryTable Anzeigetabelle{};   // in display order
    bool EintraegeVorhanden = false;
    bool AktuelleFehlerVorhanden = false;

    // --- controls ---
    QLabel* FehlerhaftesBauteil;
    QListWidget* lbFehlerpfad;
    QGroupBox* GroupBox2;
    QLabel* stxtFehlerhinweis;
    QGroupBox* GroupBox3;
    QLabel* lblFehlerpfadTxt;
    QLabel* lblFehlerartTxt;
    QLabel* lblFehlerwertigkeitTxt;
    QLabel* lblFehlerzaehlerTxt;
    QLabel* lblFehlerdauerTxt;
    QLabel* lblFehlernummerTxt;
    QGroupBox* GroupBox1;
    QCheckBox* CheckBoxZyklischAktualisieren;
    QLineEdit* MaskEdit1;
    QLabel* StaticText1;
    QFrame* Panel1;
    QPushButton* btnOK;
    QPushButton* btnAbbruch;
    QPushButton* btnHilfe;
    QPushButton* btnFehlerInfo;
    QPushButton* btnUmweltdaten;
    QPushButton* btnFehlerLoeschen;
    QPushButton* btnAktualisieren;
    QComboBox* ComboBoxSort;
    QPushButton* bitbtnDrucken;
    QPushButton* bitbtnSpeichern;
    QTimer* Timer1;

public slots:
    void FormShow();
    void FormCanResize();
    void btnOKClick();
    void btnAbbruchClick();
    virtual void btnAktualisierenClick();
    // Asks first (Yes/No, No the default): the stored messages are lost. No clears nothing.
    virtual void btnFehlerLoeschenClick();
    virtual void btnFehlerInfoClick();
    void btnHilfeClick();
    void btnUmweltdatenClick();
    void lbFehlerpfadClick();
    void ComboBoxSortChange();
    void CheckBoxZyklischAktualisierenClick();
    void Timer1Timer();
    void MaskEdit1Enter();
    void MaskEdit1Exit();
    // Asks the tester, then saves the shown entries as a protocol file the technician chooses.
    void bitbtnSpeichernClick();
    // Asks the tester, then prints the shown entries.
    void bitbtnDruckenClick();

public:
    // Draws row `row` into rect (the list's owner drawing).
    void lbFehlerpfadDrawItem(QPainter& painter, int row, const QRect& rect, bool selected) const;
    // Builds Anzeigetabelle from Fehlertabelle in the sort box's order; the number copied.
    std::size_t Sortierung();

    // Closes with the modal result unless FormClose refuses.
    void done(int result) override;

protected:
    // The window's closing: false keeps it open (OK while current messages are shown).
    bool FormClose(int result);
    // The question before the ECU's fault memory is cleared; true for Yes.
    bool LoeschenBestaetigt();
    // Empties the list without counting it as the user's choice of row.
    void FehlerListeLeeren();
    // Shows the hint and the details of the selected row.
    void HinweisAnzeigen();
    // Runs Initialisieren now when initialize() was not called.
    void ensureInitialized();
    // Reads a protocol the technician chooses and prints it: with ProtokolldatenDrucken when
    // daten is set, else with TabelleDrucken.
    void ProtokollLesen(bool daten);
    // Repaints the owner (when there is one) and the window.
    void repaintWithOwner();
    // The first `count` entries of Anzeigetabelle (at most all of them).
    std::span<const FehlerEintrag> shownEntries(std::size_t count) const;

    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void reject() override;  // Escape and the close box: Cancel
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    int selectedRow() const;
    void selectRow(int row);

    std::string name_;
    bool fallback_;
    bool warn_;
    std::filesystem::path programFolder_;
    bool initialized_ = false;
    int sortOrderRead_ = 0;
    int modalResult_ = 0;
    bool programmaticSelection_ = false;
    std::array<QPixmap, 2> ImageList1;
    mutable std::optional<FaultTextFile> texts_;  // of FkdDatei, made at the first lookup
};

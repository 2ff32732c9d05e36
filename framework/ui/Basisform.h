#pragma once
// TNBasisform: the base of a diagnostic program's main window. It owns the start-up of the
// application - command line, application data, INI file, port, data folders, safety question,
// splash - and the chrome every program shares: tool bar with exit button, Help menu, status
// line with three panels and the info panel with the maker's logo. The decisions live in
// BasisformLogic (core); this class wires them to the window.
//
// Built in two steps, so the derived window's overrides run during the start-up:
//
//   TfrmMain w;                          // constructor: layout only (and the command line)
//   if (!w.initialize()) return 0;       // start-up; false: the application is closing
//   w.show();
//   return windows.exec();               // QtApplicationWindows: no loop after a close request
//
// A close requested during the start-up (No to the safety question, a missing SprachID, Cancel
// in the user-data dialog) ends it at once: no further step runs and nothing more is shown.
//
// The derived window overrides ProgrammkennungEinlesen (sets DiagAttr.SystemKennung,
// SystemUnterKennung, InterneKennung and pNData->Kennungsversion) and ECUListeFuellen (fills
// ECUListe); InitialisierungVorbereiten is an optional hook before Initialisieren. It may replace
// tim_MaxSplashTimer and draws the connection panel in NStatusDrawPanel.

#include "About.h"
#include "AutomationHub.h"
#include "BasisformLogic.h"
#include "Benutzerdaten.h"
#include "Clock.h"
#include "DriveInfo.h"
#include "NData.h"
#include "SettingsModel.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPainter;
class QStatusBar;
class QTimer;
class QToolBar;
class PortSelectionDialog;
class TNInitEcuEH;
class TfrmDIPort;
class Tfrm_NSplash;

// What the main window takes from outside. Every member left empty means the running program's
// own: its command line, program file and folders, mount table, automation hub, clock and the
// port dialog programPortDialog(). Tests hand in their own.
struct BasisformEnvironment {
    std::optional<std::vector<std::string>> arguments;  // the command line, program first
    const ApplicationEnvironment* application = nullptr;
    const DriveInfo* drives = nullptr;
    AutomationHub* hub = nullptr;
    Clock* clock = nullptr;
    PortSelectionDialog* portDialog = nullptr;
};

class TNBasisform : public QMainWindow {
    Q_OBJECT
public:
    // sicherheitsabfrage: ask the safety question at start (the program's main window does).
    explicit TNBasisform(QWidget* owner = nullptr, bool sicherheitsabfrage = true,
                         BasisformEnvironment environment = {});
    // Writes the tester name back to [User Info] "Tester" (only when the INI file is known) and
    // frees the port dialog, the ECU-start error dialog and NData.
    ~TNBasisform() override;

    // The start-up (see the top of this file). Runs once; returns false when the application is
    // closing and must not be shown.
    bool initialize();
    bool closeRequested() const { return hub_->closeRequested(); }

    // Closes the splash once it has been shown for at least minimumMs; never blocks: a rest of
    // the time still to wait is waited for with a timer (tim_SplashWarten).
    void SplashSchliessen(int minimumMs);
    bool AutoStartAktiv() const;
    bool VollbildAktiv() const;
    uint8_t DiagnoseleitungLesen(uint8_t defaultLine);
    // MsgBox 11030 / 11031, Yes/No with the warning icon; No ends the application.
    void SicherheitsabfrageAnzeigen();
    // Panel 1: port and diagnostic line; every 500 ms from TimerAnzeigenAktualisieren.
    void StatuszeileAktualisieren();

    // The area under the tool bar for the derived window's controls (it has no layout yet). The
    // info panel lies over its bottom right corner.
    QWidget* clientArea() const { return clientArea_; }
    // The three panels of the status line (0 hints and messages, 1 port, 2 drawn by the program).
    QLabel* statusPanel(int index) const;
    // A message of the program in panel 0 ("" clears it), painted at once: what follows may block
    // the event loop. Hints of menus and tool buttons passing by leave a message standing.
    void showStatusMessage(const QString& text);
    // Where the settings dialog (TNOptionen and the program's own) finds the settings of this
    // window's program: TNEinstellungen dialog(this, settingsContext());
    SettingsContext settingsContext() const;
    // The texts' source and the program file.
    const ApplicationEnvironment& application() const { return *application_; }
    AutomationHub& hub() const { return *hub_; }

    // Virtual operations, in the framework's slot order.
    virtual void StatuszeileAnpassen();
    virtual void ProgrammkennungEinlesen();
    virtual void ECUListeFuellen();
    virtual void HilfeAnzeigen();
    virtual void InitialisierungVorbereiten();
    virtual void IniDateiFestlegen();
    virtual void Initialisieren();
    virtual void DatenverzeichnisseLesen();
    virtual void SchnittstelleWaehlen();
    // Shows TNBenutzerdaten with company and user name, and with the program's own caption,
    // heading and labels where given; true when the user confirmed (company and name updated).
    virtual bool BenutzerdatenEingeben(std::string& firma, std::string& name,
                                       const BenutzerdatenTexte& texte = {});
    virtual void WechsellaufwerkPruefen();
    // Draws status panel 2 (the program's connection picture); the base draws nothing.
    virtual void NStatusDrawPanel(QPainter& painter, const QRect& rect);

    QToolBar* ToolBar;
    QAction* cmd_Exit;
    QFrame* Panel1;
    QWidget* InfoPanel;
    QLabel* img_NORVA;
    QLabel* txt_Info;
    QStatusBar* NStatus;
    QMenu* Hilfe;
    QAction* mnuUnterstuetzteEcus;
    QAction* mnuVersionshitsory;
    QAction* men_Info;
    TNAbout AppInfo;
    QTimer* tim_MaxSplash;
    QTimer* TimerAnzeigenAktualisieren;
    // The rest of the splash's minimum display time (SplashSchliessen).
    QTimer* tim_SplashWarten;

public slots:
    void cmd_ExitClick();
    virtual void men_InfoClick();
    virtual void mnuUnterstuetzteEcusClick();
    virtual void mnuVersionshitsoryClick();
    virtual void tim_MaxSplashTimer();
    void TimerAnzeigenAktualisierenTimer();

protected:
    void closeEvent(QCloseEvent* event) override;   // FormClose
    void resizeEvent(QResizeEvent* event) override; // FormResize
    bool event(QEvent* event) override;             // hints into panel 0
    bool eventFilter(QObject* watched, QEvent* event) override;  // F1 anywhere: help

    // The application INI file (DiagAttr.AppIni).
    ProfileFile appIni() const;

private:
    class StatusDrawPanel;
    class WaitNotice;

    void FormCreate();
    void buildLayout();
    void runStartupStep(StartupStep step);
    void runInitStep(InitStep step);
    void ShowSplash();
    void splashNowClose();

    bool sicherheitsabfrage_;
    std::vector<std::string> arguments_;
    const ApplicationEnvironment* application_;
    const DriveInfo* drives_;
    AutomationHub* hub_;
    Clock* clock_;
    PortSelectionDialog* portDialog_;

    QWidget* clientArea_ = nullptr;
    QLabel* statusPanels_[2] = {};
    StatusDrawPanel* statusPanel2_ = nullptr;
    bool ownsNData_ = false;
    int designWidthPanel1_ = -1;
    uint64_t splashStartMs_ = 0;
    bool initialized_ = false;
    bool helpKeyInstalled_ = false;
    QString statusMessage_;
    std::unique_ptr<WaitNotice> waitNotice_;
};

// The program's port dialog and ECU-initialisation error dialog, kept for the run. The first
// base main window to start up owns them; each is built the first time it is asked for, as a
// start with a saved port that connects shows neither. Null while no main window has started up.
TfrmDIPort* programPortDialog();
TNInitEcuEH* programInitEcuDialog();
// The splash window while it is shown, else null.
extern Tfrm_NSplash* frm_NSplash;

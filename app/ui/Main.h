#pragma once
// TfrmMain: the suspension program's main window and the owner of the diagnosis. It fills in the
// program's identification and its supported-ECU list for the framework's start-up, shows the
// ECU's identification, configuration, status values and current fault, and opens every
// function window. The decisions of the session (start, poll, interrupt, restart, idle
// synchronisation, menu state) live in DiagnosisSession (app/core); this window shows what the
// session tells it (SessionView) and hands it the real dialogs.
//
// Use (main()):
//   TfrmMain w;                      // layout, ECU layer, error handler, session
//   if (!w.initialize()) return 0;   // the framework's start-up (safety question, port, splash)
//   w.show();                        // the first idle moment runs StartUp (auto start)
//
// Qt has no idle event: "idle moments" are a zero-time timer started whenever the session's state
// may have changed (after every command, tick and dialog). Such a timer also fires inside a
// dialog's own event loop; the session takes care not to close a connection it is building.

#include "AutomationRequests.h"
#include "Basisform.h"
#include "DiagnosisSession.h"
#include "EcuSessionWindows.h"
#include "Jed677Calls.h"
#include "KELTInterface.h"
#include "KeltProgramContext.h"
#include "MenuCommands.h"
#include "SessionView.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>

class PictureView;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QTimer;
class QWidget;
class WaitWindow;

// What the main window takes from outside; everything left empty is the running program's own.
struct MainWindowEnvironment {
    BasisformEnvironment basis;
    std::optional<Jed677Calls> calls;     // the driver's JED677 layer (exported functions)
    Clock* sessionClock = nullptr;        // the restart's 5 s wait (the steady clock)
    std::string programFolder;            // fault texts and interface images (the program's folder)
};

class TfrmMain : public TNBasisform, public SessionView, public AutomationCommands {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* owner = nullptr, MainWindowEnvironment environment = {});
    ~TfrmMain() override;

    // --- the framework's start-up ---
    void ProgrammkennungEinlesen() override;
    void ECUListeFuellen() override;
    void InitialisierungVorbereiten() override;
    // The framework's Initialisieren, then the K-line and the help check (they need the INI file
    // and the application title it sets).
    void Initialisieren() override;
    void tim_MaxSplashTimer() override;
    void NStatusDrawPanel(QPainter& painter, const QRect& rect) override;

    // --- SessionView ---
    void setProgressText(const std::string& text) override;
    void ShowValues() override;
    void applyMenuState(const MenuState& state) override;
    void setPollTimer(bool enabled) override;
    void repaintStatusBar() override;
    void repaint() override;

    // Runs a command by its fixed identifier as its menu item does; false when the command is
    // unknown or disabled.
    bool startCommand(MenuCommand command);

    // --- AutomationCommands: the commands by their numbers, for the automation object ---
    bool commandKnown(int32_t number) const override;
    bool commandEnabled(int32_t number) const override;
    bool startCommandNumber(int32_t number) override;

    // The menu item or, for commands without one, null.
    QAction* commandAction(MenuCommand command) const;
    // The tool button's twin of a command, or null.
    QAction* toolAction(MenuCommand command) const;
    // Commands whose windows exist in this program (their rows in the binding table have a
    // handler); the others stay disabled.
    static const std::set<MenuCommand>& availableCommands();

    KELTInterface& ecu() const { return *KELTInterfaceObj_; }
    // The warning before a window that moves the vehicle: text 20400 under the program's product
    // name.
    void ShowCautionMessage();
    static constexpr int kCautionText = 20400;
    // "Distance sensor calibration impossible. A parameter definition fault ..."
    static constexpr int kParameterFaultText = 20102;
    DiagnosisSession& session() const { return *session_; }

    // --- controls ---
    QGroupBox* gbECUDaten;
    QLabel* txtGeraetenummer;
    QLabel* txtProduktionsdatum;
    QLabel* txtSeriennummer;
    QLabel* txtSoftwareversion;
    QLabel* txtDiagnosekennung;
    QGroupBox* gbAktuellerFehler;
    QLabel* txtAktuellerFehler;
    QGroupBox* gbKonfiguration;
    QLabel* txtKonfiguration;
    QGroupBox* gbMesswerte;
    QLabel* txtSpgBetrieb;
    QLabel* txtSpgRelaisventil;
    QLabel* txtGeschwindigkeit;
    QWidget* pnlFahrzeugschema;
    PictureView* imgFahrzeugschema;
    QLabel* txtWarnung;
    QTimer* MainTimer;

    // Menu items and tool buttons, filled from the command table (buildCommands).
    QAction* mnuDiagnoseStarten = nullptr;
    QAction* mnuDiagnoseUnterbrechen = nullptr;
    QAction* mnuECUNeustart = nullptr;
    QAction* Fehlerspeicherprotokolldrucken = nullptr;
    QAction* mnuBeenden = nullptr;
    QAction* mnuFehlersuche = nullptr;
    QAction* mnuHebenSenken = nullptr;
    QAction* mnuLampentest = nullptr;
    QAction* mnuDrosseln = nullptr;
    QAction* mnuALBVentil = nullptr;
    QAction* mnuAusgaengeAnsteuern = nullptr;
    QAction* mnuSchalterstellungen = nullptr;
    QAction* mnuMesswerteAnzeigen = nullptr;
    QAction* mnuParameter = nullptr;
    QAction* mnuKalibrierenWegsensoren = nullptr;
    QAction* mnuKalibrierenDrucksensoren = nullptr;
    QAction* mnuKalibrierenTiltsensoren = nullptr;
    QAction* mnuKalibrierdatenWegsensor = nullptr;
    QAction* mnuKalibrierdatenDrucksensoren = nullptr;
    QAction* mnuSystemdatenSpeichern = nullptr;
    QAction* mnuBaudrateUndAdresse = nullptr;
    QAction* mnuEinstellungen = nullptr;

    QAction* cmd_ECUStart = nullptr;
    QAction* cmd_ECUStop = nullptr;
    QAction* cmd_ECUReset = nullptr;
    QAction* cmd_FSP = nullptr;
    QAction* cmd_HebenSenken = nullptr;
    QAction* cmd_Messwerte = nullptr;
    QAction* cmd_Schalter = nullptr;
    QAction* cmd_Parametrieren = nullptr;
    QAction* cmd_WSKalibrieren = nullptr;
    QAction* cmd_DSKalibrieren = nullptr;

public slots:
    void StartUp();
    void MainIdle();
    void MainTimerTimer();
    void mnuUnterstuetzteEcusClick() override;

protected:
    // StartUp runs at the first idle moment after the window's first paint: the automatic start
    // blocks, and a window not yet painted would stay black meanwhile. A window that is never
    // painted (placed off screen for an automation client) starts up after kStartUpFallbackMs.
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    class ErrorDialog;
    class EcuStartDialog;
    class PortOpener;
    // The window's part of a command (see MenuCommands.h): the members naming its menu item and
    // tool button, and its handler.
    struct CommandBinding {
        MenuCommand command;
        QAction* TfrmMain::*menuItem;
        QAction* TfrmMain::*toolButton;
        void (TfrmMain::*handler)();
    };
    static std::span<const CommandBinding> bindings();

    // --- command handlers: each only runs its command or window; runCommand puts the frame of
    // the command's row around it (MenuCommands.h), so none of them touches the poll ---
    void mnuDiagnoseStartenClick();
    void mnuDiagnoseUnterbrechenClick();
    void mnuECUNeustartClick();
    void FehlerspeicherprotokolldruckenClick();
    void mnuBeendenClick();
    void mnuFehlersucheClick();
    void mnuSchalterstellungenClick();
    void mnuMesswerteAnzeigenClick();
    void mnuHebenSenkenClick();
    void mnuKalibrierenWegsensorenClick();
    void mnuKalibrierenTiltsensorenClick();
    void mnuKalibrierdatenWegsensorClick();
    void mnuKalibrierenDrucksensorenClick();
    void mnuKalibrierdatenDrucksensorenClick();
    void mnuLampentestClick();
    void mnuDrosselnClick();
    void mnuALBVentilClick();
    void mnuAusgaengeAnsteuernClick();
    void mnuBaudrateUndAdresseClick();
    void mnuEinstellungenClick();
    void mnuParameterClick();
    void mnuSystemdatenSpeichernClick();

    void buildLayout();
    // Menu items and tool buttons from the command table.
    void buildCommands();
    void runCommand(MenuCommand command);
    // Asks for MainIdle at the next idle moment.
    void requestIdle();
    void queueStartUp();
    static constexpr int kStartUpFallbackMs = 1000;
    // A function window's frame: the poll stops while the window runs and starts again after.
    void withPollPaused(const std::function<void()>& window);

    MainWindowEnvironment environment_;
    std::unique_ptr<ErrorDialog> NErrorHandler_;
    std::unique_ptr<KELTInterface> KELTInterfaceObj_;
    // The data-file and protocol writers read the ECU's texts through it.
    KeltProgramContext programContext_;
    ProgramContext* previousContext_ = nullptr;
    std::unique_ptr<EcuStartDialog> ecuStartDialog_;
    std::unique_ptr<PortOpener> portOpener_;
    std::unique_ptr<WaitWindow> waitDialog_;
    std::unique_ptr<DiagnosisSession> session_;
    std::map<MenuCommand, QAction*> menuActions_;
    std::map<MenuCommand, QAction*> toolActions_;
    QTimer* idleTimer_ = nullptr;
    bool startedUp_ = false;
    bool startUpQueued_ = false;
    bool parametersWritten_ = false;  // the parameter editor just closed sent a block to the ECU
};

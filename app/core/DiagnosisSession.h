#pragma once
// The main window's diagnosis session without the window: starting, polling, interrupting and
// restarting the connection to the ECU, the idle synchronisation of menus and texts with
// DiagnoseAktiv, and the menu state that follows the connection and the ECU's capabilities.
//
// The window (TfrmMain) owns one session and forwards to it:
//   construction          Initialise(), after setAvailableCommands/setFaultTexts/setIdleRequest
//   mnuDiagnoseStartenClick   StartDiagnosis()   (also StartUp with AutoStart)
//   MainTimerTimer            PollTick()
//   mnuDiagnoseUnterbrechenClick  InterruptDiagnosis()
//   mnuECUNeustartClick       RestartEcu()
//   mnuParameterClick         after the parameter editor closed: AfterParameterEditor(written)
//   the idle notification     MainIdle()
//   destruction               InterruptDiagnosis()
// and shows what the session tells it through SessionView.
//
// Idle synchronisation. Qt has no idle handler, so the session asks for one: whenever
// DiagnoseAktiv or the menus may have changed it calls the idle request (setIdleRequest); the
// window then calls MainIdle() once from a queued notification. Requests may come often and may
// be merged. A function window that clears DiagnoseAktiv does so behind the session's back: the
// window calls requestIdleSync() (or MainIdle()) after every function window closes.
//
// The display texts (DisplayTexts) belong to the session; the ECU layer's ReadStatusValues
// writes the three status values straight into them, the identification texts stay in
// KELTInterface. SessionView::ShowValues copies both into the window.
//
// A start or restart that is running is never disturbed from a nested event loop (a retry
// dialog's): MainIdle, PollTick and the other commands do nothing meanwhile, and the idle
// synchronisation is requested again when the start or restart is over.
//
// User-interface thread only.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "AutomationHub.h"
#include "Clock.h"
#include "EcuSessionWindows.h"
#include "KELTInterface.h"
#include "MenuCommands.h"
#include "ParameterBlock.h"
#include "SessionView.h"

// The fault-text file's look-ups the poll needs (KomponentenText, FehlerartText of the
// fault-memory window's text file). An empty function gives "Unknown".
struct FaultTextLookup {
    std::function<std::string(int32_t code)> KomponentenText;
    std::function<std::string(int32_t code)> FehlerartText;
};

// The look-ups in the program's fault-text file, the one the fault-memory window reads
// (KELTInterface::kSystemName + ".FKD" in programFolder, found as that window finds it). The
// file is looked for at the first look-up, so making the look-ups costs nothing at start-up.
FaultTextLookup programFaultTexts(const std::filesystem::path& programFolder);

enum class StartOutcome {
    Connected,           // DiagnoseAktiv is set and the poll timer runs
    AlreadyActive,       // DiagnoseAktiv was set: nothing was done
    Busy,                // a start or restart is running (called from a nested event loop)
    InterfaceNotOpened,  // the user gave up opening the interface; nothing to close
    Failed,              // a later step failed or was given up: the interface is closed again
    StopFailed,          // restart only: closing the connection was given up; no new start
};

enum class PollOutcome {
    Shown,           // texts refreshed, timer on again
    NotActive,       // DiagnoseAktiv is 0: the timer stays off
    Busy,            // a start or restart is running: the timer stays off, it restarts it
    ConnectionLost,  // an operation was given up: DiagnoseAktiv cleared, timer off
};

enum class AfterParameterOutcome {
    Refreshed,            // restarted, configuration read again, timer on
    NothingWritten,       // no parameter was written: no restart, the timer on again
    NotConnected,         // DiagnoseAktiv was 0: nothing done, the timer stays off
    Busy,                 // a start or restart is running: nothing done
    RestartFailed,        // the restart did not connect: nothing read, the timer stays off
    ConfigurationFailed,  // reading the configuration was given up: DiagnoseAktiv cleared
                          // (the timer runs; its next tick stops)
};

class DiagnosisSession {
public:
    // The session works on these; none is owned and all must outlive it. startDialog is the ECU
    // start error dialog (TNInitEcuEH), opener the port selection's retry loop
    // (TfrmDIPort::InitDiagnosticInterface with OpenDiagInterface), clock serves the restart's
    // wait, hub receives FireMenuStateHasChanged.
    DiagnosisSession(KELTInterface& kelt, SessionView& view, EcuStartErrorDialog& startDialog,
                     InterfaceOpener& opener, BusyCursor& cursor, Clock& clock,
                     AutomationHub& hub = applicationHub());
    DiagnosisSession(const DiagnosisSession&) = delete;
    DiagnosisSession& operator=(const DiagnosisSession&) = delete;

    // How long the ECU is given between the stop and the new start of a restart.
    static constexpr uint64_t kRestartWaitMs = 5000;
    static constexpr int kStartFunctionNumber = 7;  // ReportLastError at the start

    // --- wiring (before Initialise) ---
    // The commands the window can run; every other command stays disabled. Default: all.
    void setAvailableCommands(std::set<MenuCommand> commands);
    void setFaultTexts(FaultTextLookup lookup) { faultTexts_ = std::move(lookup); }
    // Called whenever the window should run MainIdle() at its next idle moment.
    void setIdleRequest(std::function<void()> request) { idleRequest_ = std::move(request); }

    // The window's construction steps that are logic: K-line, both flags cleared, the system
    // name, texts reset, the not-connected menus. Requests the first idle synchronisation.
    void Initialise();
    // The section name of the fault-memory protocol: SystemName + " ERROR RECORD".
    std::string ecuRecordName() const;
    // What the parameter command hands to the editor: the description file of the ECU's
    // identifier in the program folder (in demo mode in its demo folder, so invented example
    // descriptions never meet a real ECU), the identification texts, the tester and DiagnoseAktiv.
    structParameter parameterRecord(const std::filesystem::path& programFolder);

    // --- the commands ---
    // Opens the interface, connects, checks the identifier, reads identification and
    // configuration; shows the progress in the status bar. On success DiagnoseAktiv is set and
    // the poll timer started; any failure after the interface was opened closes it again.
    StartOutcome StartDiagnosis();
    // One poll: the current fault and the status values. Switches the timer off while it works
    // and on again only when all went well.
    PollOutcome PollTick();
    // Disconnects and clears DiagnoseAktiv and KommunikationGestartet. False while a start or
    // restart runs (nothing is done then).
    bool InterruptDiagnosis();
    // Clears DiagnoseAktiv and the texts, stops the diagnosis, waits kRestartWaitMs on the clock
    // and starts again.
    StartOutcome RestartEcu();
    // After the parameter editor closed (the window stopped MainTimer before opening it):
    // repaints; with the connection up and parameters written to the ECU, restarts the ECU and
    // reads the configuration again, then the poll timer runs again. A failed restart ends it
    // there, the timer off. Without a write the poll simply goes on.
    AfterParameterOutcome AfterParameterEditor(bool parametersWritten);

    // --- idle synchronisation ---
    // Brings menus, status bar and texts in step with DiagnoseAktiv; a connection found lost is
    // closed here. Does nothing while a start or restart runs (it asks again afterwards).
    void MainIdle();
    // Asks the window for a MainIdle() call.
    void requestIdleSync();

    // --- display ---
    // Every identification and display text becomes "---", then ShowValues.
    void ResetDisplayTexts();
    // ConfigurationText from the configuration flags.
    void ShowConfiguration();
    // Applies the state for `connected` to the view and tells the automation client.
    MenuState UpdateMenus(bool connected);

    const DisplayTexts& texts() const { return texts_; }
    bool busy() const { return busyDepth_ > 0; }

    // --- session state ---
    int32_t LetzteAntwort = 0;        // last retry answer in the start, poll and restart loops
    uint8_t MenusNeedRefresh = 0;     // the configuration was re-read: connected menus at idle
    uint8_t ShownDiagnoseAktiv = 0;   // the DiagnoseAktiv the idle step last acted on
    uint8_t MenusInitPending = 1;     // the first idle step sets the not-connected menus

private:
    class BusyScope;

    StartOutcome startDiagnosis();
    StartOutcome restartEcu();
    void disconnect();
    void interruptBody();
    void showCurrentFault(uint16_t component, uint16_t mode);
    // Runs op under the hourglass while it answers RepeatOperation; keeps the answer.
    int repeatBusy(const std::function<int()>& op);
    bool idleWorkPending() const;
    void connectionLost();

    KELTInterface& kelt_;
    SessionView& view_;
    EcuStartErrorDialog& startDialog_;
    InterfaceOpener& opener_;
    BusyCursor& cursor_;
    Clock& clock_;
    AutomationHub& hub_;
    FaultTextLookup faultTexts_;
    std::function<void()> idleRequest_;
    std::set<MenuCommand> available_;
    DisplayTexts texts_;
    int busyDepth_ = 0;
};

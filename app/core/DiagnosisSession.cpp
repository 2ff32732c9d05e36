#include "DiagnosisSession.h"

#include "FaultMemoryRead.h"
#include "NData.h"
#include "ParameterDescription.h"
#include "ProgramModes.h"
#include "StringTable.h"

#include <memory>
#include <optional>

namespace {

enum StringId {
    IdInterfaceInitialising = 11006,
    IdEcuInitialising = 11007,
    IdReadingInformation = 11008,
    IdEcuRestarting = 11992,
    IdUnknownText = 11106,
    IdNoCurrentMessage = 11113,
};

constexpr uint8_t kDiagnosticLineKLine = 1;
constexpr const char* kNoValue = "---";

}  // namespace

FaultTextLookup programFaultTexts(const std::filesystem::path& programFolder) {
    // The file is looked for at the first look-up, not while the main window is built; then one
    // file object serves the whole run: it parses the file once and again only after a change.
    struct Texts {
        std::filesystem::path folder;
        std::optional<FaultTextFile> file;
        const FaultTextFile& get() {
            if (!file) file.emplace(programFaultTextFile(folder));
            return *file;
        }
    };
    const auto texts = std::make_shared<Texts>(Texts{programFolder, std::nullopt});
    return {
        [texts](int32_t code) { return texts->get().KomponentenText(code); },
        [texts](int32_t code) { return texts->get().FehlerartText(code); },
    };
}

// Marks a start or restart as running; when the outermost one ends, the idle synchronisation
// that was held back meanwhile is asked for.
class DiagnosisSession::BusyScope {
public:
    explicit BusyScope(DiagnosisSession& session) : session_(session) { ++session_.busyDepth_; }
    ~BusyScope() {
        if (--session_.busyDepth_ == 0) session_.requestIdleSync();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    DiagnosisSession& session_;
};

DiagnosisSession::DiagnosisSession(KELTInterface& kelt, SessionView& view,
                                   EcuStartErrorDialog& startDialog, InterfaceOpener& opener,
                                   BusyCursor& cursor, Clock& clock, AutomationHub& hub)
    : kelt_(kelt),
      view_(view),
      startDialog_(startDialog),
      opener_(opener),
      cursor_(cursor),
      clock_(clock),
      hub_(hub),
      available_(allMenuCommands()) {}

void DiagnosisSession::setAvailableCommands(std::set<MenuCommand> commands) {
    available_ = std::move(commands);
}

void DiagnosisSession::requestIdleSync() {
    if (idleRequest_) idleRequest_();
}

void DiagnosisSession::Initialise() {
    Diagnoseleitung = kDiagnosticLineKLine;
    kelt_.KommunikationGestartet = 0;
    kelt_.DiagnoseAktiv = 0;
    kelt_.InitSystemName();
    ResetDisplayTexts();
    UpdateMenus(false);
    MenusNeedRefresh = 0;
    requestIdleSync();
}

std::string DiagnosisSession::ecuRecordName() const { return kelt_.SystemName + " ERROR RECORD"; }

structParameter DiagnosisSession::parameterRecord(const std::filesystem::path& programFolder) {
    const std::filesystem::path folder = kelt_.demo() ? programFolder / kDemoDescriptionFolder : programFolder;
    structParameter record;
    record.pDiagnoseAktiv = &kelt_.DiagnoseAktiv;
    record.PKDDatei = (folder / (kelt_.EcuDiagnosticIdentification + ".PKD")).string();
    record.Systemname = kelt_.SystemName;
    record.Programmkennung = DiagAttr.Programmkennung;
    record.Teilenummer = kelt_.EcuProductNumber;
    record.Fertigungsdatum = kelt_.EcuDateOfProduction;
    record.Seriennr = texts_.EcuSerialNumber;
    record.Softwareversion = kelt_.EcuSoftwareVersion;
    record.Pruefer = TesterName;
    return record;
}

// --- display ------------------------------------------------------------------------------------

void DiagnosisSession::ResetDisplayTexts() {
    kelt_.EcuProductNumber = kNoValue;
    kelt_.EcuDateOfProduction = kNoValue;
    kelt_.EcuDiagnosticIdentification = kNoValue;
    kelt_.EcuSoftwareVersion = kNoValue;
    texts_.EcuSerialNumber = kNoValue;
    texts_.SpeedText = kNoValue;
    texts_.Terminal15VoltageText = kNoValue;
    texts_.RelayValveVoltageText = kNoValue;
    texts_.CurrentFaultText = kNoValue;
    texts_.ConfigurationText = kNoValue;
    texts_.CurrentFaultShown = 0;
    view_.ShowValues();
}

void DiagnosisSession::ShowConfiguration() { texts_.ConfigurationText = kelt_.ReadConfigurationTexts(); }

MenuState DiagnosisSession::UpdateMenus(bool connected) {
    MenuState state = menuStateFor(connected, kelt_, available_);
    view_.applyMenuState(state);
    hub_.FireMenuStateHasChanged(1);
    return state;
}

void DiagnosisSession::showCurrentFault(uint16_t component, uint16_t mode) {
    if (component == KELTInterface::kNoCurrentComponent) {
        texts_.CurrentFaultShown = 0;
        texts_.CurrentFaultText = LoadStr(IdNoCurrentMessage);
        return;
    }
    auto lookUp = [](const std::function<std::string(int32_t)>& lookup, int32_t code) {
        return lookup ? lookup(code) : LoadStr(IdUnknownText);
    };
    texts_.CurrentFaultShown = 1;
    texts_.CurrentFaultText =
        lookUp(faultTexts_.KomponentenText, component) + "\n" + lookUp(faultTexts_.FehlerartText, mode);
}

// --- the commands -------------------------------------------------------------------------------

int DiagnosisSession::repeatBusy(const std::function<int()>& op) {
    LetzteAntwort = repeatWhileAsked([&] {
        BusyCursorScope busy(&cursor_);
        return op();
    });
    return LetzteAntwort;
}

StartOutcome DiagnosisSession::StartDiagnosis() {
    if (kelt_.DiagnoseAktiv) return StartOutcome::AlreadyActive;
    // A second start from a retry dialog's event loop would open the interface twice.
    if (busy()) return StartOutcome::Busy;
    BusyScope scope(*this);
    return startDiagnosis();
}

StartOutcome DiagnosisSession::startDiagnosis() {
    view_.setProgressText(LoadStr(IdInterfaceInitialising));
    if (!opener_.InitDiagnosticInterface()) {
        // Nothing is being initialised any more.
        view_.setProgressText("");
        return StartOutcome::InterfaceNotOpened;
    }

    view_.setProgressText(LoadStr(IdEcuInitialising));
    // Every failure is shown once: in the ECU start dialog or in the layer's error dialog.
    LetzteAntwort = repeatWhileAsked([this] {
        const int answer = kelt_.ConnectEcuAtStart(startDialog_);
        if (answer != NoErrorShown) view_.repaint();
        return answer;
    });
    bool ok = LetzteAntwort == NoErrorShown;

    if (ok) {
        kelt_.KommunikationGestartet = 1;
        ok = kelt_.CheckEcuSupported();
    }
    if (ok) {
        kelt_.DeriveEcuType();
        LetzteAntwort = repeatWhileAsked([this] { return kelt_.ReportLastError(kStartFunctionNumber); });
        ok = LetzteAntwort == NoErrorShown;
    }
    if (ok) {
        view_.setProgressText(LoadStr(IdReadingInformation));
        ok = repeatBusy([this] { return kelt_.ReadIdentification(); }) == NoErrorShown &&
             repeatBusy([this] { return kelt_.ReadConfiguration(); }) == NoErrorShown;
    }

    if (ok) {
        ShowConfiguration();
        view_.ShowValues();
        kelt_.DiagnoseAktiv = 1;
        view_.setPollTimer(true);
    } else {
        kelt_.DiagnoseAktiv = 0;
        disconnect();
    }
    view_.setProgressText("");
    return ok ? StartOutcome::Connected : StartOutcome::Failed;
}

PollOutcome DiagnosisSession::PollTick() {
    view_.setPollTimer(false);
    // A tick from a retry dialog's event loop must not talk to the ECU in the middle of a start;
    // the start switches the timer on when it is done.
    if (busy()) return PollOutcome::Busy;
    if (!kelt_.DiagnoseAktiv) return PollOutcome::NotActive;

    uint16_t component = KELTInterface::kNoCurrentComponent;
    uint16_t mode = 0;
    LetzteAntwort = repeatWhileAsked([&] { return kelt_.GetCurrentFault(component, mode); });
    if (LetzteAntwort != NoErrorShown) {
        connectionLost();
        return PollOutcome::ConnectionLost;
    }
    showCurrentFault(component, mode);

    LetzteAntwort = repeatWhileAsked([this] { return kelt_.ReadStatusValues(texts_); });
    if (LetzteAntwort != NoErrorShown) {
        connectionLost();
        return PollOutcome::ConnectionLost;
    }

    view_.ShowValues();
    view_.setPollTimer(true);
    return PollOutcome::Shown;
}

void DiagnosisSession::connectionLost() {
    kelt_.DiagnoseAktiv = 0;
    requestIdleSync();
}

void DiagnosisSession::disconnect() {
    // Closing waits for the interface's answers; the window does not respond meanwhile.
    cursor_.push();
    kelt_.DisconnectEcu();
    cursor_.pop();
}

void DiagnosisSession::interruptBody() {
    disconnect();
    kelt_.DiagnoseAktiv = 0;
    kelt_.KommunikationGestartet = 0;
}

bool DiagnosisSession::InterruptDiagnosis() {
    if (busy()) return false;
    interruptBody();
    requestIdleSync();
    return true;
}

StartOutcome DiagnosisSession::RestartEcu() {
    if (busy()) return StartOutcome::Busy;
    BusyScope scope(*this);
    return restartEcu();
}

StartOutcome DiagnosisSession::restartEcu() {
    kelt_.DiagnoseAktiv = 0;
    // The window does not answer until the new start: it says why, and the hourglass shows.
    view_.setProgressText(LoadStr(IdEcuRestarting));
    ResetDisplayTexts();
    if (repeatBusy([this] { return kelt_.StopDiagnosis(); }) != NoErrorShown) {
        view_.setProgressText("");
        return StartOutcome::StopFailed;
    }
    // The ECU needs the time to come up again.
    {
        BusyCursorScope busy(&cursor_);
        clock_.sleepMs(kRestartWaitMs);
    }
    return startDiagnosis();
}

AfterParameterOutcome DiagnosisSession::AfterParameterEditor(bool parametersWritten) {
    if (busy()) return AfterParameterOutcome::Busy;
    view_.repaint();
    if (!kelt_.DiagnoseAktiv) return AfterParameterOutcome::NotConnected;
    // Nothing written, nothing for the ECU to take over: the connection goes on as it was.
    if (!parametersWritten) {
        view_.setPollTimer(true);
        return AfterParameterOutcome::NothingWritten;
    }

    BusyScope scope(*this);
    // A configuration read on an interface the restart left closed could only fail.
    if (restartEcu() != StartOutcome::Connected) return AfterParameterOutcome::RestartFailed;

    AfterParameterOutcome outcome = AfterParameterOutcome::Refreshed;
    if (repeatBusy([this] { return kelt_.ReadConfiguration(); }) == NoErrorShown) {
        MenusNeedRefresh = 1;
        ShowConfiguration();
        view_.ShowValues();
    } else {
        kelt_.DiagnoseAktiv = 0;
        outcome = AfterParameterOutcome::ConfigurationFailed;
    }
    view_.setPollTimer(true);
    return outcome;
}

// --- idle synchronisation -----------------------------------------------------------------------

bool DiagnosisSession::idleWorkPending() const {
    return MenusInitPending || MenusNeedRefresh || ShownDiagnoseAktiv != kelt_.DiagnoseAktiv;
}

void DiagnosisSession::MainIdle() {
    // Closing the connection here while a start or restart is establishing it would pull the
    // interface from under it; the scope asks again when it ends.
    if (busy()) return;

    if (MenusInitPending) {
        UpdateMenus(false);
        MenusInitPending = 0;
    }
    if (MenusNeedRefresh) {
        UpdateMenus(true);
        MenusNeedRefresh = 0;
        // The rest waits for the next idle moment.
        if (idleWorkPending()) requestIdleSync();
        return;
    }
    if (ShownDiagnoseAktiv != kelt_.DiagnoseAktiv) {
        view_.repaintStatusBar();
        ShownDiagnoseAktiv = kelt_.DiagnoseAktiv;
        if (ShownDiagnoseAktiv) {
            UpdateMenus(true);
        } else {
            UpdateMenus(false);
            ResetDisplayTexts();
            interruptBody();
        }
    }
}

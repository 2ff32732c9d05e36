// The diagnosis session through the real driver: libdiagdr32's exported JED677 functions, the
// USB test library and a generation-1 simulated interface with the simulated KELT ECU behind it.
// Every JED677 call is logged on its way to the driver.
#include "CommaLocale.h"
#include "DiagnosisSessionTestSupport.h"
#include "DriverTestSupport.h"
#include "ProfileFile.h"
#include "StringTable.h"

namespace {

const std::string kConfig = "Config 100 10 500";
const std::string kClose = "Close";

class SessionThroughTheDriver : public OverTheRealDriver<SessionFixture> {
public:
    void SetUp() override {
        OverTheRealDriver::SetUp();
        makeSession();
    }
    Jed677Calls driverCalls() override { return jedLog.wrap(exportedJed677Calls()); }

    // Started, and the first idle moment has followed; records cleared.
    void startConnected() {
        ASSERT_EQ(session->StartDiagnosis(), StartOutcome::Connected);
        session->MainIdle();
        ASSERT_EQ(session->ShownDiagnoseAktiv, 1);
        clearRecords();
        ecu->clearLog();
    }
    bool interfaceOpen() { return bus.isOpen(0); }
    // The first close of the driver times out; any later one goes through.
    void failFirstClose() {
        jedLog.intercept = [failed = false](const std::string& line) mutable -> int32_t {
            if (line != kClose || failed) return 0;
            failed = true;
            return DIAG_ERR_TIMEOUT;
        };
    }
};

// --- the start ---------------------------------------------------------------------------------

TEST_F(SessionThroughTheDriver, StartRunsTheWholeSequence) {
    ProfileFile(attr.AppIni).writeInt("Diagnose", "ECUAdress", 17);
    ecu->setAddress(17);
    clearRecords();

    EXPECT_EQ(session->StartDiagnosis(), StartOutcome::Connected);

    const std::vector<std::string> expected = {
        "Open Diagnostic Interface #1", kConfig, "AppVersion", "Start 255 17", "Ident",
        "Send 11",         // current fault, before the identification
        "Send 02", "Send 40",
        "Send 11",         // current fault, before the configuration
        "Send 82 14 D1", "Send 82 14 D2",
    };
    EXPECT_EQ(jedLog.log, expected);
    EXPECT_EQ(view.progress,
              (std::vector<std::string>{LoadStr(11006), LoadStr(11007), LoadStr(11008), ""}));
    EXPECT_EQ(view.progress[0], "The Diagnostic Interface is being initialized");
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_EQ(kelt->KommunikationGestartet, 1);
    EXPECT_EQ(kelt->EcuTyp, 0x107801u);
    EXPECT_EQ(kelt->EcuDiagnosticIdentification, "10780100");
    EXPECT_NE(kelt->EcuProductNumber, "---");
    EXPECT_EQ(session->texts().ConfigurationText, kelt->ReadConfigurationTexts());
    EXPECT_TRUE(view.timer);
    EXPECT_EQ(session->LetzteAntwort, 0);
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_TRUE(startDialog.shown.empty());
    EXPECT_TRUE(sim->communicating());
    EXPECT_EQ(sim->ecuAddress(), 17);

    // The menus follow at the next idle moment, and the client hears of it.
    EXPECT_EQ(view.menuUpdates, 0);
    EXPECT_GE(idleRequests, 1);
    session->MainIdle();
    EXPECT_FALSE(view.enabled(MenuCommand::DiagnoseStarten));
    EXPECT_TRUE(view.enabled(MenuCommand::DiagnoseUnterbrechen));
    EXPECT_TRUE(view.enabled(MenuCommand::KalibrierenTiltsensoren));
    EXPECT_EQ(view.statusBarRepaints, 1);
    // The first idle moment also sets the not-connected menus once.
    EXPECT_EQ(sink.menuStates, (std::vector<int32_t>{1, 1}));
}

TEST_F(SessionThroughTheDriver, StartWhileActiveDoesNothing) {
    startConnected();
    EXPECT_EQ(session->StartDiagnosis(), StartOutcome::AlreadyActive);
    EXPECT_TRUE(jedLog.log.empty());
    EXPECT_TRUE(view.events.empty());
    EXPECT_EQ(bus.counters().opens, 1);
}

TEST_F(SessionThroughTheDriver, OpenFailureEndsTheStart) {
    attr.Schnittstellenname = "Diagnostic Interface #7";  // not plugged in
    clearRecords();
    EXPECT_EQ(session->StartDiagnosis(), StartOutcome::InterfaceNotOpened);
    EXPECT_EQ(opener.calls, 1);
    EXPECT_EQ(jedLog.log, std::vector<std::string>{"Open Diagnostic Interface #7"});
    EXPECT_EQ(view.progress, (std::vector<std::string>{LoadStr(11006), ""}));
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(bus.counters().opens, 0);
}

struct ConnectFailure {
    std::string name;
    std::function<void(SessionThroughTheDriver&)> arrange;
    int32_t code;
    bool inStartDialog;  // a failed start of communication; else the error handler showed it
};
void PrintTo(const ConnectFailure& c, std::ostream* os) { *os << c.name; }

class ConnectFailures : public SessionThroughTheDriver,
                        public ::testing::WithParamInterface<std::tuple<ConnectFailure, int>> {};

TEST_P(ConnectFailures, ShownOnceAndFollowed) {
    const auto& [c, answer] = GetParam();
    c.arrange(*this);
    if (c.inStartDialog)
        startDialog.answers.push_back(answer);
    else
        errors.script(answer);
    clearRecords();

    const StartOutcome outcome = session->StartDiagnosis();

    if (c.inStartDialog) {
        EXPECT_EQ(startDialog.shown, std::vector<int32_t>{c.code});
        EXPECT_TRUE(errors.shownCodes().empty());
    } else {
        EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{c.code});
        EXPECT_TRUE(startDialog.shown.empty()) << "an answer was shown as an error code";
    }
    EXPECT_EQ(view.repaints, 1);
    if (answer == RepeatOperation) {
        EXPECT_EQ(outcome, StartOutcome::Connected);
        EXPECT_EQ(jedLog.count(kConfig), 2);
        EXPECT_EQ(kelt->DiagnoseAktiv, 1);
        EXPECT_TRUE(interfaceOpen());
        EXPECT_EQ(jedLog.count(kClose), 0);
    } else {
        EXPECT_EQ(outcome, StartOutcome::Failed);
        EXPECT_EQ(session->LetzteAntwort, GiveUp);
        EXPECT_EQ(jedLog.count(kConfig), 1);
        EXPECT_EQ(jedLog.log.back(), kClose);
        EXPECT_FALSE(interfaceOpen());
        EXPECT_EQ(kelt->DiagnoseAktiv, 0);
        EXPECT_EQ(kelt->KommunikationGestartet, 0);
        EXPECT_FALSE(view.timer);
        EXPECT_EQ(view.progress.back(), "");
    }
}

const ConnectFailure kConnectFailures[] = {
    {"StartCommunication",
     [](SessionThroughTheDriver& f) { f.sim->injectStatusFor(0x10, SimInterface::kStatusNoSynchroByte); },
     jed677Status(SimInterface::kStatusNoSynchroByte), true},
    {"Config",
     [](SessionThroughTheDriver& f) { f.sim->injectStatusFor(0x14, SimInterface::kStatusFaultyFunction); },
     jed677Status(SimInterface::kStatusFaultyFunction), false},
    {"Ident", [](SessionThroughTheDriver& f) { f.ecu->injectSilence({0x02}); },
     jed677Status(SimInterface::kStatusEcuSilent), false},
};

INSTANTIATE_TEST_SUITE_P(Points, ConnectFailures, withEachAnswer(kConnectFailures),
                         pointAndAnswerName("Cancel"));

TEST_F(SessionThroughTheDriver, NoSecondStartFromTheStartDialog) {
    sim->injectStatusFor(0x10, SimInterface::kStatusNoSynchroByte);
    std::vector<StartOutcome> nested;
    startDialog.whileShown = [&] { nested.push_back(session->StartDiagnosis()); };
    startDialog.answers.push_back(RepeatOperation);
    EXPECT_EQ(session->StartDiagnosis(), StartOutcome::Connected);
    EXPECT_EQ(nested, std::vector<StartOutcome>{StartOutcome::Busy});
    EXPECT_EQ(bus.counters().opens, 1);
}

struct IdentifierCase {
    std::string name;
    std::array<uint8_t, 4> identifier;
    StartOutcome outcome;
    std::size_t boxes;
};
void PrintTo(const IdentifierCase& c, std::ostream* os) { *os << c.name; }

class IdentifierCheck : public SessionThroughTheDriver,
                        public ::testing::WithParamInterface<IdentifierCase> {};

TEST_P(IdentifierCheck, DecidesTheStart) {
    const IdentifierCase& c = GetParam();
    ecu->setIdentifier(c.identifier);
    clearRecords();
    EXPECT_EQ(session->StartDiagnosis(), c.outcome);
    EXPECT_EQ(boxes.shown.size(), c.boxes);
    if (c.outcome == StartOutcome::Connected) {
        EXPECT_TRUE(interfaceOpen());
        return;
    }
    EXPECT_NE(boxes.shown.at(0).text.find(
                  "The diagnostics version of the ECU is not supported by this diagnostic program."),
              std::string::npos);
    // Nothing is asked of the ECU after the warning, and the interface is closed again.
    EXPECT_EQ(jedLog.after("Ident"), (std::vector<std::string>{"Stop", kClose}));
    EXPECT_FALSE(interfaceOpen());
    EXPECT_EQ(kelt->KommunikationGestartet, 0);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Identifiers, IdentifierCheck,
    ::testing::Values(IdentifierCase{"Supported", {0x10, 0x74, 0x05, 0x00}, StartOutcome::Connected, 0},
                      IdentifierCase{"Newer", {0x10, 0x74, 0x05, 0x01}, StartOutcome::Connected, 1},
                      IdentifierCase{"Unsupported", {0x10, 0x74, 0x07, 0x00}, StartOutcome::Failed, 1}),
    [](const auto& info) { return info.param.name; });

TEST_F(SessionThroughTheDriver, GivingUpTheIdentificationClosesTheInterface) {
    ecu->injectNegative({0x40});
    errors.script(RepeatOperation);
    ecu->injectNegative({0x40});
    errors.script(GiveUp);
    clearRecords();
    EXPECT_EQ(session->StartDiagnosis(), StartOutcome::Failed);
    EXPECT_EQ(jedLog.count("Send 40"), 2);
    EXPECT_EQ(jedLog.count("Send 82 14 D1"), 0);
    EXPECT_FALSE(interfaceOpen());
}

// --- the poll ----------------------------------------------------------------------------------

struct PollCase {
    std::string name;
    uint8_t terminal15, speed, relay;
    int faultIndex;  // status byte set to 0x05 before the start; -1 none
    const char* terminal15Text;
    const char* speedText;
    const char* relayText;
    const char* faultText;
    uint8_t faultShown;
};
void PrintTo(const PollCase& c, std::ostream* os) { *os << c.name; }

class PollValues : public SessionThroughTheDriver, public ::testing::WithParamInterface<PollCase> {};

TEST_P(PollValues, ShowsTheReplies) {
    const PollCase& c = GetParam();
    ecu->setStatusValue(0x48, c.terminal15, 0x55);
    ecu->setStatusValue(0x42, c.speed, 0x55);
    ecu->setStatusValue(0x47, 0x55, c.relay);
    if (c.faultIndex >= 0) ecu->setFaultStatus(static_cast<std::size_t>(c.faultIndex), 0x05);
    startConnected();

    EXPECT_EQ(session->PollTick(), PollOutcome::Shown);
    // The current fault comes from the last connection: the poll reads only the three values.
    EXPECT_EQ(jedLog.log, (std::vector<std::string>{"Send 48", "Send 42", "Send 47"}));
    const DisplayTexts& t = session->texts();
    EXPECT_EQ(t.Terminal15VoltageText, c.terminal15Text);
    EXPECT_EQ(t.SpeedText, c.speedText);
    EXPECT_EQ(t.RelayValveVoltageText, c.relayText);
    EXPECT_EQ(t.CurrentFaultText, c.faultText);
    EXPECT_EQ(t.CurrentFaultShown, c.faultShown);
    EXPECT_EQ(view.events, (std::vector<std::string>{"timer off", "ShowValues", "timer on"}));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PollValues,
    ::testing::Values(
        PollCase{"Fault", 200, 88, 100, 0, "27.0 V", " 88 km/h", "13.5 V", "Component 10\nMode 96", 1},
        PollCase{"NoFault", 0, 255, 255, -1, "0.0 V", "255 km/h", "34.4 V",
                 "No current message stored in the ECU", 0},
        PollCase{"Defaults", 180, 17, 0, -1, "24.3 V", " 17 km/h", "0.0 V",
                 "No current message stored in the ECU", 0}),
    [](const auto& info) { return info.param.name; });

// Qt switches the C library to the user's locale; a German one must not make "24,3 V".
TEST_F(SessionThroughTheDriver, PollTextsUseAPointWhateverTheLocale) {
    ecu->setStatusValue(0x48, 180, 0);
    ecu->setStatusValue(0x47, 0, 100);
    startConnected();
    CommaLocale comma;
    ASSERT_TRUE(comma.active());
    EXPECT_EQ(session->PollTick(), PollOutcome::Shown);
    EXPECT_EQ(session->texts().Terminal15VoltageText, "24.3 V");
    EXPECT_EQ(session->texts().RelayValveVoltageText, "13.5 V");
    EXPECT_EQ(session->texts().SpeedText, " 17 km/h");
}

TEST_F(SessionThroughTheDriver, PollRepeatsOnOne) {
    startConnected();
    ecu->injectNegative({0x42});
    errors.script(RepeatOperation);
    EXPECT_EQ(session->PollTick(), PollOutcome::Shown);
    EXPECT_EQ(jedLog.log, (std::vector<std::string>{"Send 48", "Send 42", "Send 48", "Send 42",
                                                    "Send 47"}));
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{JED677_NEGATIVE_ANSWER});
    EXPECT_EQ(session->texts().SpeedText, " 17 km/h");
    EXPECT_TRUE(view.timer);
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

struct PollGiveUp {
    std::string name;
    std::function<void(SessionThroughTheDriver&)> arrange;
    int32_t code;
};
void PrintTo(const PollGiveUp& c, std::ostream* os) { *os << c.name; }

class PollGiveUps : public SessionThroughTheDriver, public ::testing::WithParamInterface<PollGiveUp> {};

TEST_P(PollGiveUps, LosesTheConnectionAndTheIdleStepClosesIt) {
    startConnected();
    GetParam().arrange(*this);
    errors.script(GiveUp);

    EXPECT_EQ(session->PollTick(), PollOutcome::ConnectionLost);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{GetParam().code});
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(view.showValues, 0);
    EXPECT_GE(idleRequests, 1);
    EXPECT_TRUE(interfaceOpen()) << "closed only at the idle moment";

    session->MainIdle();
    EXPECT_FALSE(interfaceOpen());
    EXPECT_EQ(kelt->KommunikationGestartet, 0);
    EXPECT_EQ(session->ShownDiagnoseAktiv, 0);
    EXPECT_TRUE(view.enabled(MenuCommand::DiagnoseStarten));
    EXPECT_FALSE(view.enabled(MenuCommand::Fehlersuche));
    EXPECT_EQ(session->texts().SpeedText, "---");
    EXPECT_EQ(kelt->EcuProductNumber, "---");
    EXPECT_EQ(view.statusBarRepaints, 1);
    EXPECT_EQ(sink.menuStates, std::vector<int32_t>{1});

    // The timer stays off; a stray tick sends nothing.
    jedLog.log.clear();
    EXPECT_EQ(session->PollTick(), PollOutcome::NotActive);
    EXPECT_TRUE(jedLog.log.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, PollGiveUps,
    ::testing::Values(
        PollGiveUp{"Undervoltage", [](SessionThroughTheDriver& f) { f.ecu->injectUndervoltage({0x47}); },
                   KELT_ERR_UNDERVOLTAGE},
        PollGiveUp{"Silent", [](SessionThroughTheDriver& f) { f.ecu->injectSilence({0x48}); },
                   jed677Status(SimInterface::kStatusEcuSilent)},
        PollGiveUp{"ShortRelayReply", [](SessionThroughTheDriver& f) { f.ecu->injectShortReply({0x47}, 3); },
                   DIAG_ERR_BAD_REPLY}),
    [](const auto& info) { return info.param.name; });

// Every frame that ends the communication would wait its full 10 s on an interface that has
// stopped answering; after the first time-out they wait 200 ms each, under the hourglass.
TEST_F(SessionThroughTheDriver, GivingUpOnASilentInterfaceClosesQuicklyUnderTheHourglass) {
    startConnected();
    sim->setSilent(true);
    errors.script(GiveUp);
    EXPECT_EQ(session->PollTick(), PollOutcome::ConnectionLost);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_TIMEOUT});

    std::vector<int> cursorDepths;
    jedLog.log.clear();
    jedLog.intercept = [&](const std::string&) -> int32_t {
        cursorDepths.push_back(cursor.depth);
        return 0;
    };
    const size_t readsBefore = bus.counters().readTimeouts.size();
    session->MainIdle();
    EXPECT_FALSE(interfaceOpen());
    EXPECT_EQ(jedLog.log, (std::vector<std::string>{"Stop", kClose}));
    EXPECT_EQ(cursorDepths, (std::vector<int>{1, 1}));
    EXPECT_EQ(cursor.depth, 0);
    // The stop, the return to the basic firmware and the two steps of the USB close.
    const std::vector<uint32_t> reads = bus.counters().readTimeouts;
    EXPECT_EQ(std::vector<uint32_t>(reads.begin() + static_cast<long>(readsBefore), reads.end()),
              std::vector<uint32_t>(4, DiagDriver::kClosingTimeoutMs));
}

TEST_F(SessionThroughTheDriver, AnsweringInterfaceIsClosedWithItsUsualTimeOut) {
    startConnected();
    const size_t readsBefore = bus.counters().readTimeouts.size();
    EXPECT_TRUE(session->InterruptDiagnosis());
    const std::vector<uint32_t> reads = bus.counters().readTimeouts;
    ASSERT_GT(reads.size(), readsBefore);
    for (size_t i = readsBefore; i < reads.size(); ++i) EXPECT_EQ(reads[i], 10000u) << i;
}

// --- interrupt and restart ---------------------------------------------------------------------

TEST_F(SessionThroughTheDriver, InterruptClosesAndTheMenusFollow) {
    startConnected();
    EXPECT_TRUE(session->InterruptDiagnosis());
    EXPECT_EQ(jedLog.log, (std::vector<std::string>{"Stop", kClose}));
    EXPECT_FALSE(interfaceOpen());
    EXPECT_FALSE(sim->communicating());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(kelt->KommunikationGestartet, 0);
    EXPECT_GE(idleRequests, 1);
    session->MainIdle();
    EXPECT_TRUE(view.enabled(MenuCommand::DiagnoseStarten));
    EXPECT_FALSE(view.enabled(MenuCommand::DiagnoseUnterbrechen));
    EXPECT_EQ(session->texts().ConfigurationText, "---");
}

TEST_F(SessionThroughTheDriver, RestartReconnectsAfterTheWait) {
    startConnected();
    EXPECT_EQ(session->RestartEcu(), StartOutcome::Connected);
    EXPECT_EQ(clock.sleptMs(), 5000u);
    const std::vector<std::string> begin(jedLog.log.begin(), jedLog.log.begin() + 4);
    EXPECT_EQ(begin, (std::vector<std::string>{"Stop", kClose, "Open Diagnostic Interface #1", kConfig}));
    EXPECT_EQ(bus.counters().closes, 1);
    EXPECT_EQ(bus.counters().opens, 2);
    EXPECT_TRUE(sim->communicating());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_TRUE(view.timer);
    // The window is told why it waits before anything else, then the texts are reset before
    // the new start fills them again.
    const std::vector<std::string> first(view.events.begin(), view.events.begin() + 2);
    EXPECT_EQ(first, (std::vector<std::string>{"progress", "ShowValues"}));
    ASSERT_GE(view.progress.size(), 2u);
    EXPECT_EQ(view.progress[0], LoadStr(11992));
    EXPECT_EQ(view.progress[1], LoadStr(11006));
    EXPECT_EQ(view.progress.back(), "");
    EXPECT_NE(kelt->EcuProductNumber, "---");
}

TEST_F(SessionThroughTheDriver, IdleStepDuringTheRestartLeavesTheConnectionAlone) {
    startConnected();
    sim->injectStatusFor(0x10, SimInterface::kStatusNoSynchroByte);
    struct Inside {
        bool open = false;
        int closes = 0;
        int menuUpdates = 0;
        PollOutcome poll = PollOutcome::Shown;
        bool interrupted = true;
        StartOutcome restart = StartOutcome::Connected;
    } inside;
    startDialog.whileShown = [&] {
        // What the window's event loop may run while the dialog is open.
        session->MainIdle();
        inside.poll = session->PollTick();
        inside.interrupted = session->InterruptDiagnosis();
        inside.restart = session->RestartEcu();
        inside.open = interfaceOpen();
        inside.closes = bus.counters().closes;
        inside.menuUpdates = view.menuUpdates;
    };
    startDialog.answers.push_back(RepeatOperation);

    EXPECT_EQ(session->RestartEcu(), StartOutcome::Connected);
    EXPECT_EQ(startDialog.shown, std::vector<int32_t>{jed677Status(SimInterface::kStatusNoSynchroByte)});
    EXPECT_TRUE(inside.open);
    EXPECT_EQ(inside.closes, 1);  // the restart's own stop only
    EXPECT_EQ(inside.menuUpdates, 0);
    EXPECT_EQ(inside.poll, PollOutcome::Busy);
    EXPECT_FALSE(inside.interrupted);
    EXPECT_EQ(inside.restart, StartOutcome::Busy);
    EXPECT_EQ(clock.sleptMs(), 5000u);
    EXPECT_EQ(jedLog.count(kConfig), 2);
    EXPECT_EQ(bus.counters().closes, 1);
    EXPECT_TRUE(sim->communicating());
    EXPECT_TRUE(view.timer);

    // Afterwards the idle step catches up: the connection is up as it was shown.
    EXPECT_GE(idleRequests, 1);
    session->MainIdle();
    EXPECT_TRUE(interfaceOpen());
    EXPECT_EQ(view.menuUpdates, 0);
}

TEST_F(SessionThroughTheDriver, FailedRestartIsClosedAndShownAtTheNextIdleStep) {
    startConnected();
    sim->injectStatusFor(0x10, SimInterface::kStatusNoSynchroByte);
    startDialog.whileShown = [&] { session->MainIdle(); };
    EXPECT_EQ(session->RestartEcu(), StartOutcome::Failed);
    EXPECT_EQ(view.menuUpdates, 0) << "the idle step ran during the restart";
    EXPECT_FALSE(interfaceOpen());
    const int requests = idleRequests;
    EXPECT_GE(requests, 1);
    session->MainIdle();
    EXPECT_TRUE(view.enabled(MenuCommand::DiagnoseStarten));
    EXPECT_FALSE(view.enabled(MenuCommand::ECUNeustart));
    EXPECT_EQ(session->texts().SpeedText, "---");
    EXPECT_EQ(session->ShownDiagnoseAktiv, 0);
}

TEST_F(SessionThroughTheDriver, RestartStopsWhenClosingIsGivenUp) {
    startConnected();
    failFirstClose();
    errors.script(GiveUp);
    EXPECT_EQ(session->RestartEcu(), StartOutcome::StopFailed);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_TIMEOUT});
    EXPECT_EQ(clock.sleptMs(), 0u);
    EXPECT_EQ(jedLog.log, (std::vector<std::string>{"Stop", kClose}));
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

TEST_F(SessionThroughTheDriver, RestartRepeatsAFailedClose) {
    startConnected();
    failFirstClose();
    errors.script(RepeatOperation);
    EXPECT_EQ(session->RestartEcu(), StartOutcome::Connected);
    EXPECT_EQ(jedLog.count(kClose), 2);
    EXPECT_EQ(clock.sleptMs(), 5000u);
}

// --- after the parameter editor ----------------------------------------------------------------

TEST_F(SessionThroughTheDriver, AfterParameterEditorRestartsAndRereadsTheConfiguration) {
    startConnected();
    ecu->setConfiguration(0, 0, 0, 0);  // the editor changed the configuration
    EXPECT_EQ(session->AfterParameterEditor(true), AfterParameterOutcome::Refreshed);
    EXPECT_EQ(jedLog.count("Send 82 14 D1"), 2);  // the new start's, then the re-read
    EXPECT_EQ(jedLog.log.back(), "Send 82 14 D2");
    EXPECT_EQ(kelt->CfgTiltSensor, 0);
    EXPECT_EQ(session->texts().ConfigurationText, kelt->ReadConfigurationTexts());
    EXPECT_EQ(session->MenusNeedRefresh, 1);
    EXPECT_TRUE(view.timer);
    EXPECT_EQ(view.repaints, 1);

    session->MainIdle();
    EXPECT_EQ(session->MenusNeedRefresh, 0);
    EXPECT_TRUE(view.enabled(MenuCommand::DiagnoseUnterbrechen));
    EXPECT_FALSE(view.enabled(MenuCommand::KalibrierenTiltsensoren));
    EXPECT_FALSE(view.enabled(MenuCommand::KalibrierenDrucksensoren));
}

TEST_F(SessionThroughTheDriver, AfterParameterEditorStopsAtAFailedRestart) {
    startConnected();
    sim->injectStatusFor(0x10, SimInterface::kStatusNoSynchroByte);
    startDialog.answers.push_back(GiveUp);
    EXPECT_EQ(session->AfterParameterEditor(true), AfterParameterOutcome::RestartFailed);
    // No configuration read on the closed interface, so no error dialog either.
    EXPECT_EQ(jedLog.after(kClose), std::vector<std::string>{});
    EXPECT_EQ(jedLog.count("Send 82 14 D1"), 0);
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_FALSE(interfaceOpen());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_FALSE(view.timer);
}

TEST_F(SessionThroughTheDriver, AfterParameterEditorGivenUpConfiguration) {
    startConnected();
    jedLog.intercept = [&](const std::string& line) -> int32_t {
        // The re-read after the restart's own configuration read.
        return line == "Send 82 14 D1" && jedLog.count(line) == 2 ? DIAG_ERR_TIMEOUT : 0;
    };
    errors.script(GiveUp);
    EXPECT_EQ(session->AfterParameterEditor(true), AfterParameterOutcome::ConfigurationFailed);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_TIMEOUT});
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(session->MenusNeedRefresh, 0);
    session->MainIdle();
    EXPECT_FALSE(interfaceOpen());
    EXPECT_TRUE(view.enabled(MenuCommand::DiagnoseStarten));
}

// An editor that wrote nothing (no description found, only read, or cancelled) changed nothing in
// the ECU: no disconnection, no 5 s wait, no new start; the poll goes on.
TEST_F(SessionThroughTheDriver, AfterParameterEditorWithoutAWriteKeepsTheConnection) {
    startConnected();
    EXPECT_EQ(session->AfterParameterEditor(false), AfterParameterOutcome::NothingWritten);
    EXPECT_TRUE(jedLog.log.empty());
    EXPECT_EQ(clock.sleptMs(), 0u);
    EXPECT_TRUE(interfaceOpen());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_TRUE(view.timer);
    EXPECT_NE(session->texts().ConfigurationText, "---");
}

TEST_F(SessionThroughTheDriver, AfterParameterEditorWithoutConnectionDoesNothing) {
    clearRecords();
    EXPECT_EQ(session->AfterParameterEditor(true), AfterParameterOutcome::NotConnected);
    EXPECT_TRUE(jedLog.log.empty());
    EXPECT_EQ(clock.sleptMs(), 0u);
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(view.events, std::vector<std::string>{"repaint"});
}

}  // namespace

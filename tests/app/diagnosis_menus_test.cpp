// The diagnosis session's menu state, its idle synchronisation and its demo mode. None of these
// needs the interface: the ECU layer runs over the in-process fake or in demo mode.
#include "DiagnosisSessionTestSupport.h"
#include "NData.h"
#include "ProgramModes.h"
#include "TempDir.h"

namespace {

using MC = MenuCommand;

class SessionLogic : public SessionFixture {
public:
    void SetUp() override {
        SessionFixture::SetUp();
        makeSession();
    }
};

// --- menu state --------------------------------------------------------------------------------

struct Capabilities {
    uint8_t measured = 0, tilt = 0, pressure = 0, pressureData = 0, alb = 0, lamp = 0,
            switches = 0, outputs = 0;
};

constexpr Capabilities kAll{1, 1, 1, 1, 1, 1, 1, 1};

const std::set<MC> kConnectedBase = withNeverSwitched({
    MC::DiagnoseUnterbrechen, MC::ECUNeustart, MC::Fehlersuche, MC::HebenSenken, MC::Drosseln,
    MC::KalibrierenWegsensoren, MC::KalibrierdatenWegsensor, MC::SystemdatenSpeichern,
    MC::BaudrateUndAdresse,
});

std::set<MC> connectedWith(std::set<MC> extra) {
    extra.insert(kConnectedBase.begin(), kConnectedBase.end());
    return extra;
}

std::set<MC> allBut(std::set<MC> missing) {
    std::set<MC> all = allMenuCommands();
    for (MC c : missing) all.erase(c);
    return all;
}

struct MenuCase {
    std::string name;
    bool connected;
    Capabilities flags;
    std::set<MC> available;
    std::set<MC> enabled;
};
void PrintTo(const MenuCase& c, std::ostream* os) { *os << c.name; }

class MenuStates : public SessionLogic, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(MenuStates, FollowConnectionAndCapabilities) {
    const MenuCase& c = GetParam();
    kelt->CfgMeasuredValues = c.flags.measured;
    kelt->CfgTiltSensor = c.flags.tilt;
    kelt->CfgPressureSensor = c.flags.pressure;
    kelt->CfgPressureData = c.flags.pressureData;
    kelt->CfgAlbValve = c.flags.alb;
    kelt->CfgLampTest = c.flags.lamp;
    kelt->CfgSwitches = c.flags.switches;
    kelt->CfgOutputs = c.flags.outputs;

    const MenuState state = menuStateFor(c.connected, *kelt, c.available);
    std::set<MC> keys;
    for (const auto& entry : state) keys.insert(entry.first);
    EXPECT_EQ(keys, allMenuCommands())
        << "every command gets a state";
    EXPECT_EQ(enabledIn(state), c.enabled);

    // Through the session: the same state reaches the window and the client hears of it.
    session->setAvailableCommands(c.available);
    clearRecords();
    EXPECT_EQ(session->UpdateMenus(c.connected), state);
    EXPECT_EQ(view.menus, state);
    EXPECT_EQ(sink.menuStates, std::vector<int32_t>{1});
}

const std::set<MC> kEverything = allBut({});

INSTANTIATE_TEST_SUITE_P(
    Table, MenuStates,
    ::testing::Values(
        MenuCase{"NotConnected", false, kAll, kEverything, withNeverSwitched({MC::DiagnoseStarten})},
        MenuCase{"NoCapabilities", true, {}, kEverything, kConnectedBase},
        MenuCase{"AllCapabilities", true, kAll, kEverything,
                 connectedWith({MC::MesswerteAnzeigen, MC::KalibrierenTiltsensoren,
                                MC::KalibrierdatenTiltsensoren, MC::KalibrierenDrucksensoren,
                                MC::KalibrierdatenDrucksensoren, MC::ALBVentil, MC::Lampentest,
                                MC::Schalterstellungen, MC::AusgaengeAnsteuern})},
        MenuCase{"MeasuredValues", true, {.measured = 1}, kEverything,
                 connectedWith({MC::MesswerteAnzeigen})},
        MenuCase{"TiltSensor", true, {.tilt = 1}, kEverything,
                 connectedWith({MC::KalibrierenTiltsensoren, MC::KalibrierdatenTiltsensoren})},
        MenuCase{"PressureSensorWithoutData", true, {.pressure = 1}, kEverything,
                 connectedWith({MC::KalibrierenDrucksensoren})},
        MenuCase{"PressureDataWithoutSensor", true, {.pressureData = 1}, kEverything, kConnectedBase},
        MenuCase{"PressureSensorAndData", true, {.pressure = 1, .pressureData = 1}, kEverything,
                 connectedWith({MC::KalibrierenDrucksensoren, MC::KalibrierdatenDrucksensoren})},
        MenuCase{"LsvValve", true, {.alb = 1}, kEverything, connectedWith({MC::ALBVentil})},
        MenuCase{"LampTest", true, {.lamp = 1}, kEverything, connectedWith({MC::Lampentest})},
        MenuCase{"Switches", true, {.switches = 1}, kEverything,
                 connectedWith({MC::Schalterstellungen})},
        MenuCase{"Outputs", true, {.outputs = 1}, kEverything,
                 connectedWith({MC::AusgaengeAnsteuern})},
        MenuCase{"WindowsMissingConnected", true, kAll,
                 allBut({MC::Fehlersuche, MC::Parameter, MC::MesswerteAnzeigen}),
                 [] {
                     std::set<MC> s = connectedWith(
                         {MC::KalibrierenTiltsensoren, MC::KalibrierdatenTiltsensoren,
                          MC::KalibrierenDrucksensoren, MC::KalibrierdatenDrucksensoren,
                          MC::ALBVentil, MC::Lampentest, MC::Schalterstellungen,
                          MC::AusgaengeAnsteuern});
                     s.erase(MC::Fehlersuche);
                     s.erase(MC::Parameter);
                     return s;
                 }()},
        MenuCase{"WindowsMissingNotConnected", false, kAll,
                 allBut({MC::Einstellungen, MC::UnterstuetzteEcus}),
                 {MC::DiagnoseStarten, MC::Parameter, MC::Fehlerspeicherprotokolldrucken,
                  MC::Beenden}}),
    [](const auto& info) { return info.param.name; });

// --- the command table ---------------------------------------------------------------------------

TEST(CommandTable, EveryNumberNamesOneCommand) {
    std::set<int32_t> numbers;
    for (const MenuCommandSpec& spec : menuCommands()) {
        const int32_t number = static_cast<int32_t>(spec.command);
        EXPECT_TRUE(numbers.insert(number).second) << "two rows for " << number;
        EXPECT_EQ(findMenuCommand(number), &spec);
        EXPECT_EQ(&menuCommandSpec(spec.command), &spec);
    }
    // The automation client's numbers keep their commands.
    EXPECT_STREQ(findMenuCommand(1)->name, "mnuDiagnoseStarten");
    EXPECT_STREQ(findMenuCommand(10)->name, "mnuFehlersuche");
    EXPECT_STREQ(findMenuCommand(40)->name, "mnuParameter");
    EXPECT_STREQ(findMenuCommand(60)->name, "mnuUnterstuetzteEcus");
    for (int32_t unknown : {0, 6, 11, 49, 61, -1}) EXPECT_EQ(findMenuCommand(unknown), nullptr) << unknown;
}

// Function windows stop the poll while they are open; the parameter editor restarts the ECU
// after it; commands that need no ECU window run as they are.
TEST(CommandTable, FramesOfTheCommands) {
    const std::set<MC> direct = {MC::DiagnoseStarten, MC::DiagnoseUnterbrechen, MC::ECUNeustart,
                                 MC::Fehlerspeicherprotokolldrucken, MC::Beenden,
                                 MC::UnterstuetzteEcus};
    for (const MenuCommandSpec& spec : menuCommands()) {
        const CommandFrame expected = spec.command == MC::Parameter ? CommandFrame::ParameterEditor
                                      : direct.contains(spec.command) ? CommandFrame::Direct
                                                                      : CommandFrame::PollPaused;
        EXPECT_EQ(spec.frame, expected) << static_cast<int>(spec.command);
    }
}

// --- construction and idle synchronisation -----------------------------------------------------

TEST_F(SessionLogic, InitialiseSetsTheStartState) {
    Diagnoseleitung = 0;
    kelt->DiagnoseAktiv = 1;
    kelt->KommunikationGestartet = 1;
    kelt->EcuProductNumber = "841 302 065 3";
    attr.HilfeDatei = "/opt/kelt/KELT.chm";
    clearRecords();

    session->Initialise();

    EXPECT_EQ(Diagnoseleitung, 1);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(kelt->KommunikationGestartet, 0);
    EXPECT_EQ(kelt->SystemName, "TARVIK");
    EXPECT_EQ(attr.FspHilfeDatei, "/opt/kelt/KELT.chm");
    EXPECT_EQ(session->ecuRecordName(), "TARVIK ERROR RECORD");
    EXPECT_EQ(kelt->EcuProductNumber, "---");
    EXPECT_EQ(session->texts().CurrentFaultText, "---");
    EXPECT_EQ(enabledIn(view.menus), withNeverSwitched({MC::DiagnoseStarten}));
    EXPECT_EQ(view.events, (std::vector<std::string>{"ShowValues", "menus"}));
    EXPECT_GE(idleRequests, 1);
    EXPECT_TRUE(jed.calls().empty());
}

TEST_F(SessionLogic, FirstIdleSetsTheMenusOnce) {
    clearRecords();
    session->MainIdle();
    EXPECT_EQ(session->MenusInitPending, 0);
    EXPECT_EQ(view.events, std::vector<std::string>{"menus"});
    session->MainIdle();
    EXPECT_EQ(view.events, std::vector<std::string>{"menus"}) << "nothing left to do";
    EXPECT_TRUE(jed.calls().empty()) << "nothing to disconnect";
}

TEST_F(SessionLogic, MenuRefreshTakesAnIdleMomentOfItsOwn) {
    session->MainIdle();
    kelt->DiagnoseAktiv = 1;
    session->MenusNeedRefresh = 1;
    clearRecords();

    session->MainIdle();
    EXPECT_EQ(view.events, std::vector<std::string>{"menus"});
    EXPECT_EQ(session->ShownDiagnoseAktiv, 0);
    EXPECT_EQ(idleRequests, 1) << "the status bar still waits";

    session->MainIdle();
    EXPECT_EQ(view.events, (std::vector<std::string>{"menus", "statusbar", "menus"}));
    EXPECT_EQ(session->ShownDiagnoseAktiv, 1);
    EXPECT_TRUE(view.enabled(MC::DiagnoseUnterbrechen));
}

// --- demo mode ---------------------------------------------------------------------------------

class DemoSession : public InDemoMode<SessionFixture> {
public:
    void SetUp() override {
        InDemoMode::SetUp();
        makeSession();
    }
};

TEST_F(DemoSession, StartsAndPollsWithoutTheInterface) {
    EXPECT_EQ(session->StartDiagnosis(), StartOutcome::Connected);
    EXPECT_EQ(opener.calls, 1);
    EXPECT_EQ(kelt->EcuDiagnosticIdentification, "10780100");
    EXPECT_EQ(kelt->EcuTyp, 0x107801u);
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_TRUE(view.timer);

    EXPECT_EQ(session->PollTick(), PollOutcome::Shown);
    const DisplayTexts& t = session->texts();
    EXPECT_EQ(t.CurrentFaultText, "Component 50\nMode 41");
    EXPECT_EQ(t.CurrentFaultShown, 1);
    EXPECT_EQ(t.SpeedText, "17 km/h");
    EXPECT_EQ(t.Terminal15VoltageText, "24.3 V");
    EXPECT_EQ(t.RelayValveVoltageText, "0.0 V");

    session->MainIdle();
    EXPECT_EQ(enabledIn(view.menus),
              connectedWith({MC::MesswerteAnzeigen, MC::KalibrierenTiltsensoren,
                             MC::KalibrierdatenTiltsensoren, MC::KalibrierenDrucksensoren,
                             MC::KalibrierdatenDrucksensoren, MC::Lampentest,
                             MC::Schalterstellungen, MC::AusgaengeAnsteuern}));
    EXPECT_EQ(driverCalls, 0);
}

TEST_F(DemoSession, RestartWaitsAndConnectsAgain) {
    ASSERT_EQ(session->StartDiagnosis(), StartOutcome::Connected);
    EXPECT_EQ(session->RestartEcu(), StartOutcome::Connected);
    EXPECT_EQ(clock.sleptMs(), 5000u);
    EXPECT_EQ(kelt->EcuDiagnosticIdentification, "10780100");
    EXPECT_EQ(driverCalls, 0);
}

// The poll reads the fault-text file the fault-memory window reads, whatever the case of its name.
TEST_F(DemoSession, PollReadsTheProgramsFaultTextFile) {
    TempDir::writeFile(dir / "Tarvik.fkd", "[Komponente]\r\n50=Level sensor rear left\r\n"
                                           "[Fehlerart]\r\n41=Signal implausible\r\n");
    session->setFaultTexts(programFaultTexts(dir.path()));
    ASSERT_EQ(session->StartDiagnosis(), StartOutcome::Connected);
    EXPECT_EQ(session->PollTick(), PollOutcome::Shown);
    EXPECT_EQ(session->texts().CurrentFaultText, "Level sensor rear left\nSignal implausible");

    session->setFaultTexts(programFaultTexts(dir / "elsewhere"));
    EXPECT_EQ(session->PollTick(), PollOutcome::Shown);
    EXPECT_EQ(session->texts().CurrentFaultText, "Unknown\nUnknown");
}

// The file is looked for at the first look-up, not when the look-up is made (the main window
// makes it before it is shown): a file put beside the program in between is the one read.
TEST_F(DemoSession, PollLooksForTheFaultTextFileAtItsFirstLookUp) {
    TempDir::writeFile(dir / "tarvik.fkd", "[Komponente]\r\n50=Old component\r\n"
                                           "[Fehlerart]\r\n41=Old mode\r\n");
    session->setFaultTexts(programFaultTexts(dir.path()));
    // The exact spelling wins over another one, once it is there.
    TempDir::writeFile(dir / "TARVIK.FKD", "[Komponente]\r\n50=Level sensor rear left\r\n"
                                           "[Fehlerart]\r\n41=Signal implausible\r\n");
    ASSERT_EQ(session->StartDiagnosis(), StartOutcome::Connected);
    EXPECT_EQ(session->PollTick(), PollOutcome::Shown);
    EXPECT_EQ(session->texts().CurrentFaultText, "Level sensor rear left\nSignal implausible");
}

TEST_F(DemoSession, FaultTextsWithoutALookupAreUnknown) {
    session->setFaultTexts({});
    ASSERT_EQ(session->StartDiagnosis(), StartOutcome::Connected);
    EXPECT_EQ(session->PollTick(), PollOutcome::Shown);
    EXPECT_EQ(session->texts().CurrentFaultText, "Unknown\nUnknown");
}

}  // namespace

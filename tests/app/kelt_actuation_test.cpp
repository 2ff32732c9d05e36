// The actuator tests' operations of the ECU layer (lamps, throttles, outputs, LSV valve) and
// the way every window switches its outputs off again (OutputShutdown).
#include <functional>
#include <string>
#include <vector>

#include "KeltTestSupport.h"
#include "OutputShutdown.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include "StringTable.h"

namespace {

const SimBytes kOff = {0x83, 0x21, 0x00, 0x00};

class Actuation : public KeltFixture {
public:
    void SetUp() override {
        KeltFixture::SetUp();
        connectTo({0x10, 0x78, 0x01, 0x00});
    }
    // The ECU type and the throttles fitted, as ReadConfiguration would leave them.
    void arrange(uint32_t type, uint8_t mainThrottle = 1, uint8_t crossThrottle = 1,
                 uint8_t asianStyle = 0) {
        useType(type);
        kelt->CfgMainThrottle = mainThrottle;
        kelt->CfgCrossThrottle = crossThrottle;
        kelt->AsianStyle = asianStyle;
    }
    static OutputList outputs(uint8_t count, uint8_t first, uint8_t second) {
        OutputList list;
        list.count = count;
        list.entries[0].on = first;
        list.entries[1].on = second;
        return list;
    }
};

// --- what goes to the ECU -------------------------------------------------------------------------

struct DriveCase {
    std::string name;
    std::function<void(Actuation&)> arrange;
    std::function<int(KELTInterface&)> drive;
    std::vector<SimBytes> sent;  // the messages the ECU got
    int32_t shown = 0;           // the code shown, 0 for none
};

class Drives : public Actuation, public ::testing::WithParamInterface<DriveCase> {};

TEST_P(Drives, SendTheirRequest) {
    GetParam().arrange(*this);
    errors.script(GiveUp);
    const int expected = GetParam().shown == 0 ? NoErrorShown : GiveUp;
    EXPECT_EQ(GetParam().drive(*kelt), expected);
    EXPECT_EQ(ecu->messages(), GetParam().sent);
    EXPECT_EQ(errors.shownCodes(), GetParam().shown == 0 ? std::vector<int32_t>{}
                                                         : std::vector<int32_t>{GetParam().shown});
    EXPECT_EQ(kelt->LetzterFehlercode, GetParam().shown);
}

using A = Actuation;

INSTANTIATE_TEST_SUITE_P(
    Requests, Drives,
    ::testing::Values(
        DriveCase{"LampOn", [](A& f) { f.arrange(0x107801); },
                  [](KELTInterface& k) { return k.DriveWarningLamp(true); }, {{0x83, 0x21, 0x00, 0x09}}},
        DriveCase{"LampOff", [](A& f) { f.arrange(0x107001); },
                  [](KELTInterface& k) { return k.DriveWarningLamp(false); }, {kOff}},
        DriveCase{"LampOutsideTheKeltTypes", [](A& f) { f.arrange(0x101001); },
                  [](KELTInterface& k) { return k.DriveWarningLamp(true); }, {}, KELT_ERR_NOT_SUPPORTED},
        // 0x107800 has no main-flow throttle, whatever the flags say.
        DriveCase{"ThrottlesBothOn107800", [](A& f) { f.arrange(0x107800); },
                  [](KELTInterface& k) { return k.DriveThrottles(1, 1); }, {{0x83, 0x21, 0x00, 0x04}}},
        DriveCase{"ThrottlesBothOn107801", [](A& f) { f.arrange(0x107801); },
                  [](KELTInterface& k) { return k.DriveThrottles(1, 1); }, {{0x83, 0x21, 0x00, 0x06}}},
        DriveCase{"MainThrottleOnly", [](A& f) { f.arrange(0x107001); },
                  [](KELTInterface& k) { return k.DriveThrottles(1, 0); }, {{0x83, 0x21, 0x00, 0x02}}},
        DriveCase{"MainThrottleNotFitted", [](A& f) { f.arrange(0x107801, 0, 1); },
                  [](KELTInterface& k) { return k.DriveThrottles(1, 1); }, {{0x83, 0x21, 0x00, 0x04}}},
        DriveCase{"CrossThrottleNotFitted", [](A& f) { f.arrange(0x107405, 1, 0); },
                  [](KELTInterface& k) { return k.DriveThrottles(1, 1); }, {kOff}},
        DriveCase{"ThrottlesOff", [](A& f) { f.arrange(0x107600); },
                  [](KELTInterface& k) { return k.DriveThrottles(0, 0); }, {kOff}},
        DriveCase{"ThrottlesOfATypeWithout",
                  [](A& f) {
                      f.arrange(0x101001);
                      f.kelt->LetzterFehlercode = DIAG_ERR_TIMEOUT;  // cleared, not shown
                  },
                  [](KELTInterface& k) { return k.DriveThrottles(1, 1); }, {}},
        DriveCase{"BothOutputs", [](A& f) { f.arrange(0x107801); },
                  [](KELTInterface& k) {
                      OutputList list = A::outputs(2, 1, 1);
                      return k.DriveOutputs(list);
                  },
                  {{0x83, 0x21, 0x60, 0x00}}},
        DriveCase{"ImmobilizerOnly", [](A& f) { f.arrange(0x107002); },
                  [](KELTInterface& k) {
                      OutputList list = A::outputs(2, 0, 1);
                      return k.DriveOutputs(list);
                  },
                  {{0x83, 0x21, 0x20, 0x00}}},
        DriveCase{"OutputsOff", [](A& f) { f.arrange(0x107103); },
                  [](KELTInterface& k) {
                      OutputList list = A::outputs(2, 0, 0);
                      return k.DriveOutputs(list);
                  },
                  {kOff}},
        DriveCase{"BuzzerOfTheAsianStyle", [](A& f) { f.arrange(0x107420, 0, 1, 1); },
                  [](KELTInterface& k) {
                      OutputList list = A::outputs(1, 1, 1);
                      return k.DriveOutputs(list);
                  },
                  {{0x83, 0x21, 0x40, 0x00}}},
        DriveCase{"NoOutputsInTheEuropeanStyle", [](A& f) { f.arrange(0x107420, 0, 1, 0); },
                  [](KELTInterface& k) {
                      OutputList list = A::outputs(1, 1, 0);
                      return k.DriveOutputs(list);
                  },
                  {}},
        DriveCase{"LsvValveOfTheOldestFamily",
                  [](A& f) {
                      f.arrange(0x101002);
                      f.ecu->injectReply({0x21}, {0x81, 0x61});  // the KELT ECU knows no such form
                  },
                  [](KELTInterface& k) { return k.DriveAlbValve(true); }, {{0x82, 0x21, 0x40}}},
        DriveCase{"LsvValveOffOfTheOldestFamily",
                  [](A& f) {
                      f.arrange(0x101003);
                      f.ecu->injectReply({0x21}, {0x81, 0x61});
                  },
                  [](KELTInterface& k) { return k.DriveAlbValve(false); }, {{0x82, 0x21, 0x00}}},
        DriveCase{"LsvValveOfTheNewerFamilies", [](A& f) { f.arrange(0x128102); },
                  [](KELTInterface& k) { return k.DriveAlbValve(true); }, {{0x83, 0x21, 0x20, 0x00}}},
        DriveCase{"LsvValveOffOfTheNewerFamilies", [](A& f) { f.arrange(0x101300); },
                  [](KELTInterface& k) { return k.DriveAlbValve(false); }, {kOff}},
        DriveCase{"NoLsvValveInAKeltEcu", [](A& f) { f.arrange(0x107801); },
                  [](KELTInterface& k) { return k.DriveAlbValve(true); }, {}, KELT_ERR_NOT_SUPPORTED},
        DriveCase{"NoLsvValveInAnUnknownType", [](A& f) { f.arrange(0x999999); },
                  [](KELTInterface& k) { return k.DriveAlbValve(false); }, {}, KELT_ERR_NOT_SUPPORTED},
        DriveCase{"ARefusedDriveIsShown",
                  [](A& f) {
                      f.arrange(0x107801);
                      f.ecu->injectUndervoltage({0x21});
                  },
                  [](KELTInterface& k) { return k.DriveWarningLamp(true); }, {{0x83, 0x21, 0x00, 0x09}},
                  KELT_ERR_UNDERVOLTAGE}),
    [](const auto& info) { return info.param.name; });

TEST_F(Actuation, TheEcuKeepsTheLastDrive) {
    arrange(0x107801);
    ASSERT_EQ(kelt->DriveThrottles(1, 1), 0);
    EXPECT_EQ(ecu->actuationWord(), (std::array<uint8_t, 2>{0x00, 0x06}));
    OutputList list = outputs(2, 1, 1);
    ASSERT_EQ(kelt->DriveOutputs(list), 0);
    EXPECT_EQ(ecu->actuationWord(), (std::array<uint8_t, 2>{0x60, 0x00}));
    ASSERT_EQ(kelt->DriveWarningLamp(false), 0);
    EXPECT_TRUE(ecu->released());
}

TEST_F(Actuation, OutputsOfATypeOutsideTheKeltSetAreDropped) {
    arrange(0x101001);
    OutputList list = outputs(2, 1, 1);
    EXPECT_EQ(kelt->DriveOutputs(list), 0);
    EXPECT_EQ(list.count, 0);
    EXPECT_TRUE(ecu->messages().empty());
}

// --- names and lists --------------------------------------------------------------------------------

struct LampNamesCase {
    std::string name;
    uint32_t type;
    uint8_t asianStyle;
    std::string caption;
};

class LampNames : public Actuation, public ::testing::WithParamInterface<LampNamesCase> {};

TEST_P(LampNames, PerType) {
    arrange(GetParam().type, 1, 1, GetParam().asianStyle);
    EXPECT_EQ(kelt->GetLampOutputNames(), GetParam().caption);
    EXPECT_EQ(kelt->LetzterFehlercode, 0);
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_TRUE(ecu->messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Types, LampNames,
    ::testing::Values(
        LampNamesCase{"Oldest", 0x107001, 0, " - Warning lamp\n - Safety lamp"},
        LampNamesCase{"AsianStyle", 0x107420, 1, " - Normal level 4\n - Warning lamp\n - Safety lamp"},
        LampNamesCase{"EuropeanStyle", 0x107420, 0, " - Kneeling lamp\n - Warning lamp\n - Safety lamp"},
        LampNamesCase{"Newest", 0x107801, 0, " - Kneeling lamp\n - Warning lamp\n - Safety lamp"}),
    [](const auto& info) { return info.param.name; });

TEST_F(Actuation, NoLampNamesOutsideTheKeltTypes) {
    arrange(0x108400);
    EXPECT_EQ(kelt->GetLampOutputNames(), "");
    EXPECT_EQ(kelt->LetzterFehlercode, KELT_ERR_NOT_SUPPORTED);
    EXPECT_TRUE(errors.shownCodes().empty()) << "no dialog";
}

struct OutputListCase {
    std::string name;
    uint32_t type;
    uint8_t asianStyle;
    std::vector<std::string> names;
};

class OutputLists : public Actuation, public ::testing::WithParamInterface<OutputListCase> {};

TEST_P(OutputLists, PerType) {
    arrange(GetParam().type, 1, 1, GetParam().asianStyle);
    // Whatever the list held before.
    OutputList list = outputs(5, 1, 1);
    list.entries[4].name = "stale";
    kelt->GetOutputList(list);
    ASSERT_EQ(list.count, GetParam().names.size());
    for (std::size_t i = 0; i < list.count; ++i) {
        EXPECT_EQ(list.entries[i].name, GetParam().names[i]);
        EXPECT_EQ(list.entries[i].on, 0);
        EXPECT_EQ(list.entries[i].visible, 1);
    }
    for (std::size_t i = list.count; i < OutputList::kMaxOutputs; ++i) {
        EXPECT_EQ(list.entries[i].name, "");
        EXPECT_EQ(list.entries[i].visible, 0);
    }
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_TRUE(errors.shownCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Types, OutputLists,
    ::testing::Values(OutputListCase{"Oldest", 0x107001, 0, {"Door enabling", "Immobilizer"}},
                      OutputListCase{"Newest", 0x107801, 0, {"Door enabling", "Immobilizer"}},
                      OutputListCase{"AsianStyle", 0x107420, 1, {"Buzzer"}},
                      OutputListCase{"EuropeanStyle", 0x107420, 0, {}},
                      OutputListCase{"OtherFamily", 0x108400, 0, {}}),
    [](const auto& info) { return info.param.name; });

// --- demo mode ----------------------------------------------------------------------------------

class ActuationDemo : public InDemoMode<KeltFixture> {};

TEST_F(ActuationDemo, SendsNothing) {
    ASSERT_TRUE(kelt->ConnectEcu().connected());
    kelt->DeriveEcuType();
    ASSERT_EQ(kelt->ReadConfiguration(), 0);
    EXPECT_EQ(kelt->DriveWarningLamp(true), 0);
    EXPECT_EQ(kelt->DriveThrottles(1, 1), 0);
    OutputList list;
    kelt->GetOutputList(list);
    EXPECT_EQ(list.count, 2);
    list.entries[0].on = 1;
    EXPECT_EQ(kelt->DriveOutputs(list), 0);
    EXPECT_EQ(kelt->DriveAlbValve(true), 0);
    EXPECT_EQ(kelt->GetLampOutputNames(), " - Kneeling lamp\n - Warning lamp\n - Safety lamp");
    EXPECT_EQ(kelt->actuationRequestsSent(), 0u);
    EXPECT_EQ(driverCalls, 0);
    EXPECT_TRUE(errors.shownCodes().empty());
}

// --- switching off on the way out ---------------------------------------------------------------

TEST_F(Actuation, ActuationRequestsAreCountedAlsoWhenTheyFail) {
    arrange(0x107801);
    ASSERT_EQ(kelt->DriveThrottles(0, 1), 0);
    EcuMessage other = EcuMessage::request({0x48});
    ASSERT_EQ(kelt->SendRequest(other), 0);
    jed.fail("JED677SendData", DIAG_ERR_TIMEOUT);
    errors.script(GiveUp);
    EXPECT_EQ(kelt->DriveWarningLamp(true), GiveUp);
    EXPECT_EQ(kelt->actuationRequestsSent(), 2u);
}

TEST_F(Actuation, SilentErrorsAnswerGiveUpWithoutADialog) {
    arrange(0x107801);
    ecu->injectNegative({0x21});
    {
        KELTInterface::SilentErrors silent(*kelt);
        EXPECT_EQ(kelt->DriveWarningLamp(false), GiveUp);
    }
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_EQ(kelt->LetzterFehlercode, JED677_NEGATIVE_ANSWER);
    // Shown again once the scope has ended.
    ecu->injectNegative({0x21});
    errors.script(GiveUp);
    EXPECT_EQ(kelt->DriveWarningLamp(false), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{JED677_NEGATIVE_ANSWER});
}

// A window's part: its timer, its off command (the lamps off), what happened in which order.
class Shutdown : public Actuation {
public:
    void SetUp() override {
        Actuation::SetUp();
        arrange(0x107801);
        kelt->DiagnoseAktiv = 1;
        attr.Anwendungstitel = "Tarvik";
    }
    OutputShutdown make() {
        return OutputShutdown(
            *kelt,
            [this] {
                log.push_back(kelt->DiagnoseAktiv ? "off while active" : "off while given up");
                return kelt->DriveWarningLamp(false);
            },
            [this] { log.push_back("timers stopped"); });
    }
    // The lamps on, as a window's tick leaves them.
    void driveOn() {
        ASSERT_EQ(kelt->DriveWarningLamp(true), 0);
        ASSERT_FALSE(ecu->released());
    }
    std::size_t notSwitchedOffBoxes() const {
        return static_cast<std::size_t>(std::count_if(
            boxes.shown.begin(), boxes.shown.end(),
            [](const ShownBox& b) { return b.text == LoadStr(OutputShutdown::kNotSwitchedOffText); }));
    }
    std::vector<std::string> log;
};

TEST_F(Shutdown, NothingDrivenNothingSent) {
    OutputShutdown shutdown = make();
    EXPECT_TRUE(shutdown.running());
    EXPECT_EQ(shutdown.finish(), NoErrorShown);
    EXPECT_FALSE(shutdown.running());
    EXPECT_EQ(log, std::vector<std::string>{"timers stopped"});
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

TEST_F(Shutdown, TheWayOutStopsTheTimersThenSwitchesOffOnce) {
    OutputShutdown shutdown = make();
    driveOn();
    EXPECT_TRUE(shutdown.drove());
    EXPECT_EQ(shutdown.finish(), NoErrorShown);
    EXPECT_EQ(log, (std::vector<std::string>{"timers stopped", "off while active"}));
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(ecu->actuations().back().body, (SimBytes{0x21, 0x00, 0x00}));
    // Done already: a later way out sends nothing.
    EXPECT_EQ(shutdown.finish(), NoErrorShown);
    shutdown.afterGiveUp();
    EXPECT_EQ(ecu->count({0x21, 0x00, 0x00}), 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Shutdown, TheOffCommandIsRepeatedWhileTheUserAsks) {
    OutputShutdown shutdown = make();
    driveOn();
    ecu->injectNegative({0x21, 0x00, 0x00});
    ecu->injectNegative({0x21, 0x00, 0x00});
    errors.script(RepeatOperation);
    errors.script(RepeatOperation);
    EXPECT_EQ(shutdown.finish(), NoErrorShown);
    EXPECT_EQ(ecu->count({0x21, 0x00, 0x00}), 3);
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_EQ(notSwitchedOffBoxes(), 0u);
}

TEST_F(Shutdown, AnOffCommandGivenUpLeavesTheTechnicianWarned) {
    OutputShutdown shutdown = make();
    driveOn();
    ecu->injectNegative({0x21, 0x00, 0x00});
    errors.script(GiveUp);
    EXPECT_EQ(shutdown.finish(), GiveUp);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "The outputs and valves could not be switched off and may still be "
                                   "active.\n\nSwitch the ignition off before you go on.");
    EXPECT_EQ(boxes.shown[0].caption, "Tarvik");
    EXPECT_EQ(boxes.shown[0].flags, MB_ICONWARNING | MB_OK);
}

TEST_F(Shutdown, AfterAGiveUpOneSilentTryBeforeTheConnectionIsGivenUp) {
    OutputShutdown shutdown = make();
    driveOn();
    shutdown.afterGiveUp();
    EXPECT_EQ(log, (std::vector<std::string>{"timers stopped", "off while active"}));
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(shutdown.running());
}

TEST_F(Shutdown, AFailedTryAfterAGiveUpShowsNoSecondDialogButTheWarning) {
    OutputShutdown shutdown = make();
    driveOn();
    ecu->injectSilence({0x21});
    shutdown.afterGiveUp();
    EXPECT_EQ(ecu->count({0x21, 0x00, 0x00}), 1);
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(notSwitchedOffBoxes(), 1u);
    // Nothing more on the later way out.
    EXPECT_EQ(shutdown.finish(), NoErrorShown);
    EXPECT_EQ(ecu->count({0x21, 0x00, 0x00}), 1);
}

TEST_F(Shutdown, AGiveUpBeforeAnythingWasDrivenOnlyEndsTheConnection) {
    OutputShutdown shutdown = make();
    shutdown.afterGiveUp();
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_TRUE(boxes.shown.empty());
}

// What the ECU and the driver were left with, written by an exit handler registered before the
// window's own (so it runs after it) in a child process that ends through exit().
Shutdown* exitingFixture = nullptr;

void reportWhatTheEcuWasLeftWith() {
    const std::vector<std::string>& calls = exitingFixture->jed.calls();
    const bool closed = std::find(calls.begin(), calls.end(), "JED677CloseDiagDriver") != calls.end();
    const SimBytes last = exitingFixture->ecu->actuations().back().body;
    std::fprintf(stderr, "left: %02X %02X %02X, closed %d, dialogs %zu\n", last[0], last[1], last[2], closed ? 1 : 0,
                 exitingFixture->errors.shownCodes().size());
}

TEST_F(Shutdown, AProcessEndingWithoutTheWayOutSwitchesOffOnceAndClosesTheInterface) {
    // The toolkit calls exit() when the display connection is lost, wherever the window stands:
    // while it drives, or in its off command's error dialog.
    for (const bool inOffDialog : {false, true}) {
        EXPECT_EXIT(
            {
                exitingFixture = this;
                std::atexit(reportWhatTheEcuWasLeftWith);
                OutputShutdown shutdown = make();
                driveOn();
                if (inOffDialog) {
                    ecu->injectNegative({0x21, 0x00, 0x00});
                    errors.whenShown = [](int32_t) { std::exit(3); };
                    shutdown.finish();
                }
                std::exit(3);
            },
            ::testing::ExitedWithCode(3), inOffDialog ? "left: 21 00 00, closed 1, dialogs 1" : "left: 21 00 00, closed 1, dialogs 0")
            << (inOffDialog ? "in the off command's dialog" : "while driving");
    }
}

TEST_F(Shutdown, AWindowDestroyedBeforeItsWayOutSwitchesOffOnceWithoutADialog) {
    {
        OutputShutdown shutdown = make();
        driveOn();
        ecu->injectNegative({0x21, 0x00, 0x00});
    }
    EXPECT_EQ(ecu->count({0x21, 0x00, 0x00}), 1);
    EXPECT_TRUE(errors.shownCodes().empty());
    ecu->clearLog();
    {
        OutputShutdown shutdown = make();
        driveOn();
    }
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(log.back(), "off while active");
    // After its way out, the destructor adds nothing.
    ecu->clearLog();
    {
        OutputShutdown shutdown = make();
        driveOn();
        ecu->injectNegative({0x21, 0x00, 0x00});
        errors.script(GiveUp);
        EXPECT_EQ(shutdown.finish(), GiveUp);
    }
    EXPECT_EQ(ecu->count({0x21, 0x00, 0x00}), 1);
}

TEST_F(Shutdown, ADialogWhileAButtonIsHeldFindsTheOutputsOffAndShowsItsOwnFailure) {
    OutputShutdown shutdown = make();
    bool held = true;
    std::vector<std::array<uint8_t, 2>> wordsAtDialog;
    errors.whenShown = [&](int32_t code) {
        wordsAtDialog.push_back(ecu->actuationWord());
        EXPECT_EQ(code, kelt->LetzterFehlercode);
    };
    {
        const auto releaseFirst = shutdown.releaseBeforeDialogs([&] {
            const bool was = held;
            held = false;
            return was;
        });
        driveOn();
        ecu->injectNegative({0x14});
        ecu->injectNegative({0x14});
        errors.script(RepeatOperation);
        errors.script(GiveUp);
        uint8_t address = 0;
        EXPECT_EQ(repeatWhileAsked([&] { return kelt->ReadEcuAddress(address); }), GiveUp);
    }
    EXPECT_FALSE(held);
    EXPECT_EQ(wordsAtDialog, (std::vector<std::array<uint8_t, 2>>{{0x00, 0x00}, {0x00, 0x00}}));
    EXPECT_EQ(ecu->count({0x21, 0x00, 0x00}), 1) << "one release, before the first dialog";
    // The scope has ended: a later dialog sends nothing first.
    driveOn();
    ecu->injectNegative({0x14});
    errors.script(GiveUp);
    uint8_t address = 0;
    EXPECT_EQ(kelt->ReadEcuAddress(address), GiveUp);
    EXPECT_FALSE(ecu->released());
}

}  // namespace

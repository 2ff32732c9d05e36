// Raising, lowering and calibrating behind the window: the valve timer's requests, the start
// checks, the calibration steps and the tilt save, against the simulated ECU on a fake clock.
#include <deque>
#include <ostream>

#include "Clock.h"
#include "HebenSenken.h"
#include "KeltTestSupport.h"
#include "StringTable.h"

namespace {

constexpr uint32_t kTiltType = 0x107801;
const SimBytes kLead = {0x83, 0x26, 0x01, 0x00};
const SimBytes kHold = {0x83, 0x21, 0x00, 0x00};
const SimBytes kChargeRear = {0x83, 0x21, 0x07, 0x00};
// The same as the simulated ECU matches and counts them (without the header byte).
const SimBytes kHoldBody = {0x21, 0x00, 0x00};
const SimBytes kChargeRearBody = {0x21, 0x07, 0x00};

class ScriptedLevelInput : public LevelInputDialog {
public:
    int Execute(LevelValues& values) override {
        shown.push_back(values);
        if (answers.empty()) return IDCANCEL;
        const int answer = answers.front();
        answers.pop_front();
        if (answer == IDOK) values = entered;
        return answer;
    }
    std::deque<int> answers;
    LevelValues entered;
    std::vector<LevelValues> shown;
};

class HebenSenkenTest : public KeltFixture {
public:
    FakeClock clock{1000};
    ScriptedLevelInput levelInput;
    int timerStops = 0;
    std::unique_ptr<HebenSenken> window;

    void SetUp() override {
        KeltFixture::SetUp();
        connectTo({0x10, 0x78, 0x01, 0x00});
        kelt->setClock(clock);
        ecu->setClock(clock);
        ecu->setMotion({20, 10, 30});
        kelt->CfgFrontAxle = kelt->CfgRearSensorLeft = kelt->CfgRearSensorRight = 1;
        kelt->CfgPressureSensor = 1;
        kelt->CfgValve2WSLeft = kelt->CfgValve2WSRight = kelt->CfgCrossThrottle = 1;
        kelt->DiagnoseAktiv = 1;
        newWindow();
    }
    void newWindow() { window = std::make_unique<HebenSenken>(*kelt, levelInput, [this] { ++timerStops; }); }
    std::vector<SimBytes> sent() const { return ecu->messages(); }
    std::vector<std::string> boxTexts() const { return boxes.texts(); }
    std::vector<std::string> texts(std::initializer_list<int> ids) const {
        std::vector<std::string> result;
        for (int id : ids) result.push_back(LoadStr(id));
        return result;
    }
    // The window in a mode, its start requests out of the log.
    void startIn(HebenSenkenMode mode) {
        ASSERT_TRUE(window->Start(mode));
        ecu->clearLog();
    }
    void rearValves(bool cross = false) { window->selectValves({false, false, true, true, cross}); }
};

// --- the valve timer ----------------------------------------------------------------------------

TEST_F(HebenSenkenTest, IdleTicksHoldWithTheLeadRequestOnceAndReadOneSensorEach) {
    startIn(HebenSenkenMode::RaiseLower);
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(sent(), (std::vector<SimBytes>{kLead, kHold, {0x43}, {0x46}}));
    ecu->clearLog();
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(sent(), (std::vector<SimBytes>{kHold, {0x44}}));
    ecu->clearLog();
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(sent(), (std::vector<SimBytes>{kHold, {0x4B}}));
    EXPECT_EQ(window->display().levelFront, "100");
    EXPECT_EQ(window->display().levelRearLeft, "102");
    EXPECT_EQ(window->display().levelRearRight, "101");
    EXPECT_EQ(window->display().pressure, "53");
    EXPECT_EQ(window->display().tilt, "50");
    EXPECT_EQ(window->display().tiltArrested, "60");

    // A new window asks for the lead again and starts its cycle with the levels.
    newWindow();
    startIn(HebenSenkenMode::RaiseLower);
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(sent(), (std::vector<SimBytes>{kLead, kHold, {0x43}, {0x46}}));
}

TEST_F(HebenSenkenTest, LabelsOfSensorsTheVehicleLacksStayDashes) {
    kelt->CfgFrontAxle = kelt->CfgRearSensorRight = kelt->CfgPressureSensor = 0;
    startIn(HebenSenkenMode::RaiseLower);
    ASSERT_TRUE(window->Tick());
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(window->display().levelFront, "---");
    EXPECT_EQ(window->display().levelRearLeft, "102");
    EXPECT_EQ(window->display().levelRearRight, "---");
    EXPECT_EQ(window->display().pressure, "---");
}

TEST_F(HebenSenkenTest, ChargeHeldRaisesTheChosenValvesEveryTickUntilReleased) {
    startIn(HebenSenkenMode::RaiseLower);
    rearValves();
    ASSERT_TRUE(window->Tick());
    window->setChargeHeld(true);
    ecu->clearLog();
    const std::array<uint8_t, 2> before = ecu->statusValue(0x46);
    for (int i = 0; i < 3; ++i) {
        clock.advance(500);
        ASSERT_TRUE(window->Tick());
    }
    EXPECT_EQ(ecu->count(kChargeRearBody), 3);
    EXPECT_EQ(ecu->count(kHoldBody), 0);
    const std::array<uint8_t, 2> raised = ecu->statusValue(0x46);
    EXPECT_GT(raised[0], before[0]);
    EXPECT_GT(raised[1], before[1]);

    window->setChargeHeld(false);
    ASSERT_TRUE(window->Tick());
    EXPECT_TRUE(ecu->released());
    clock.advance(2000);
    EXPECT_EQ(ecu->statusValue(0x46), raised);
}

struct DriveCase {
    std::string name;
    std::array<bool, 5> valves;
    bool charge;
    bool vent;
    SimBytes request;
};

void PrintTo(const DriveCase& c, std::ostream* os) { *os << c.name; }

class DriveRequests : public HebenSenkenTest, public ::testing::WithParamInterface<DriveCase> {};

TEST_P(DriveRequests, EachTickSendsTheHeldRequest) {
    const DriveCase& c = GetParam();
    startIn(HebenSenkenMode::RaiseLower);
    ASSERT_TRUE(window->Tick());
    window->selectValves(c.valves);
    window->setChargeHeld(c.charge);
    window->setVentHeld(c.vent);
    ecu->clearLog();
    ASSERT_TRUE(window->Tick());
    const std::vector<SimBytes> requests = sent();
    EXPECT_NE(std::find(requests.begin(), requests.end(), c.request), requests.end());
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, DriveRequests,
    ::testing::Values(
        DriveCase{"CrossThrottleHold", {false, false, false, false, true}, false, false, {0x83, 0x21, 0x00, 0x04}},
        DriveCase{"VentRear", {false, false, true, true, false}, false, true, {0x83, 0x21, 0x06, 0x00}},
        DriveCase{"ChargeWinsOverVent", {false, false, true, true, false}, true, true, {0x83, 0x21, 0x07, 0x00}},
        DriveCase{"ChargeFrontWithCrossThrottle", {true, true, false, false, true}, true, false, {0x83, 0x21, 0x19, 0x04}}),
    [](const auto& info) { return info.param.name; });

TEST_F(HebenSenkenTest, ValveButtonsFollowTheConfiguration) {
    EXPECT_EQ(window->valveButtonsEnabled(), (std::array<bool, 5>{false, false, true, true, true}));
}

// --- dialogs and give-ups inside a tick -----------------------------------------------------------

TEST_F(HebenSenkenTest, RepeatAfterAFailedChargeHoldsInsteadOfCharging) {
    startIn(HebenSenkenMode::RaiseLower);
    rearValves();
    ASSERT_TRUE(window->Tick());
    window->setChargeHeld(true);
    ecu->injectNegative(kChargeRearBody);
    errors.script(RepeatOperation);
    ecu->clearLog();
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(sent().back(), kHold);
    EXPECT_FALSE(window->chargeHeld());
    EXPECT_TRUE(ecu->released());
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(ecu->count(kChargeRearBody), 1);  // only the refused one
}

TEST_F(HebenSenkenTest, ADialogDuringAReadWhileChargingEndsTheTickHolding) {
    startIn(HebenSenkenMode::RaiseLower);
    rearValves();
    ASSERT_TRUE(window->Tick());  // levels
    window->setChargeHeld(true);
    ASSERT_TRUE(window->Tick());  // pressure, then charge
    EXPECT_FALSE(ecu->released());
    ecu->injectNegative({0x4B});
    errors.script(RepeatOperation);
    ASSERT_TRUE(window->Tick());
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(sent().back(), kHold);
    EXPECT_FALSE(window->chargeHeld());
}

// What the ECU was doing when a dialog showed, and what the dialog was about.
struct AtDialog {
    std::array<uint8_t, 2> word;
    int32_t shownCode;
    int32_t lastCode;
};

struct HeldDialogCase {
    std::string name;
    SimBytes failing;  // the request refused in the tick
    bool vent;         // else charge
    int refusals;      // in a row: each one a dialog answered Repeat
};

void PrintTo(const HeldDialogCase& c, std::ostream* os) { *os << c.name; }

class DialogWhileHeld : public HebenSenkenTest, public ::testing::WithParamInterface<HeldDialogCase> {};

TEST_P(DialogWhileHeld, ShowsOnlyOnceTheValvesAreReleased) {
    const HeldDialogCase& c = GetParam();
    startIn(HebenSenkenMode::RaiseLower);
    rearValves();
    ASSERT_TRUE(window->Tick());  // levels; the tilt read comes two ticks later
    if (c.vent)
        window->setVentHeld(true);
    else
        window->setChargeHeld(true);
    ASSERT_TRUE(window->Tick());  // pressure, then charge or vent
    ASSERT_EQ(ecu->actuationWord(), (std::array<uint8_t, 2>{static_cast<uint8_t>(c.vent ? 0x06 : 0x07), 0x00}));
    std::vector<AtDialog> dialogs;
    errors.whenShown = [&](int32_t code) { dialogs.push_back({ecu->actuationWord(), code, kelt->LetzterFehlercode}); };
    for (int i = 0; i < c.refusals; ++i) {
        ecu->injectNegative(c.failing);
        errors.script(RepeatOperation);
    }
    ecu->clearLog();
    ASSERT_TRUE(window->Tick());
    ASSERT_EQ(dialogs.size(), static_cast<std::size_t>(c.refusals));
    for (const AtDialog& shown : dialogs) {
        EXPECT_EQ(shown.word, (std::array<uint8_t, 2>{0x00, 0x00})) << "the valves still moved under the dialog";
        EXPECT_EQ(shown.lastCode, shown.shownCode) << "the dialog is about the failure, not the release";
    }
    EXPECT_EQ(ecu->count(kHoldBody), 2) << "one release before the first dialog, one hold after it";
    EXPECT_FALSE(window->chargeHeld() || window->ventHeld());
    EXPECT_TRUE(ecu->released());
}

INSTANTIATE_TEST_SUITE_P(
    Points, DialogWhileHeld,
    ::testing::Values(HeldDialogCase{"TiltReadWhileCharging", {0x4B}, false, 2},
                      HeldDialogCase{"TiltReadWhileVenting", {0x4B}, true, 2},
                      HeldDialogCase{"ChargeRequest", kChargeRearBody, false, 1}),
    [](const auto& info) { return info.param.name; });

struct GiveUpCase {
    std::string name;
    SimBytes failing;
    bool charging;
};

void PrintTo(const GiveUpCase& c, std::ostream* os) { *os << c.name; }

class GiveUpInATick : public HebenSenkenTest, public ::testing::WithParamInterface<GiveUpCase> {};

TEST_P(GiveUpInATick, ReleasesOnceSilentlyThenEndsTheConnection) {
    const GiveUpCase& c = GetParam();
    startIn(HebenSenkenMode::RaiseLower);
    rearValves();
    ASSERT_TRUE(window->Tick());
    window->setChargeHeld(c.charging);
    ecu->injectNegative(c.failing);
    errors.script(GiveUp);
    timerStops = 0;
    ecu->clearLog();
    EXPECT_FALSE(window->Tick());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(sent().back(), kHold);
    EXPECT_EQ(errors.shownCodes().size(), 1u);  // the release asked nothing
    EXPECT_GE(timerStops, 1);
    EXPECT_FALSE(window->running());
    // The way out is done: the end of Execute sends nothing more and answers 2.
    ecu->clearLog();
    EXPECT_EQ(window->Finish(GiveUp), GiveUp);
    EXPECT_TRUE(sent().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Points, GiveUpInATick,
    ::testing::Values(GiveUpCase{"PressureRead", {0x44}, false},
                      GiveUpCase{"ChargeRequest", kChargeRearBody, true},
                      GiveUpCase{"HoldRequest", kHoldBody, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(HebenSenkenTest, FinishReleasesTheValvesBeforeTheEndHookAndRepeatsWhileAsked) {
    startIn(HebenSenkenMode::RaiseLower);
    rearValves();
    ASSERT_TRUE(window->Tick());
    window->setChargeHeld(true);
    ASSERT_TRUE(window->Tick());
    ecu->injectNegative(kHoldBody);
    errors.script(RepeatOperation);
    ecu->clearLog();
    EXPECT_EQ(window->Finish(IDOK), IDOK);
    EXPECT_EQ(sent(), (std::vector<SimBytes>{kHold, kHold}));
    EXPECT_TRUE(ecu->released());
    EXPECT_FALSE(window->running());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

TEST_F(HebenSenkenTest, AReleaseThatCannotBeDeliveredIsToldAndGivesTwo) {
    startIn(HebenSenkenMode::RaiseLower);
    ASSERT_TRUE(window->Tick());
    ecu->injectNegative(kHoldBody);
    errors.script(GiveUp);
    EXPECT_EQ(window->Finish(IDOK), GiveUp);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(boxTexts(), texts({OutputShutdown::kNotSwitchedOffText}));
}

// --- start checks -------------------------------------------------------------------------------

struct StartCase {
    std::string name;
    HebenSenkenMode mode;
    uint8_t front, rearLeft, rearRight;  // levels, or tilt (rearLeft) and arrested (rearRight)
    bool frontAxle;
    bool opens;
};

void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }

class StartChecks : public HebenSenkenTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartChecks, OpenOnlyWithUsableSensorValues) {
    const StartCase& c = GetParam();
    kelt->CfgFrontAxle = c.frontAxle;
    if (c.mode == HebenSenkenMode::TiltSensors) {
        ecu->setStatusValue(0x4B, c.rearLeft, c.rearRight);
    } else {
        ecu->setStatusValue(0x43, 200, c.front);
        ecu->setStatusValue(0x46, c.rearLeft, c.rearRight);
    }
    EXPECT_EQ(window->Start(c.mode), c.opens);
    EXPECT_EQ(boxTexts(), c.opens ? std::vector<std::string>{} : texts({HebenSenken::kFaultySensorValuesText}));
    if (!c.opens) {
        EXPECT_EQ(boxes.shown[0].flags, unsigned{MB_ICONWARNING});
    }
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StartChecks,
    ::testing::Values(
        StartCase{"LevelsOf5", HebenSenkenMode::DistanceSensors, 5, 5, 5, true, true},
        StartCase{"Front4", HebenSenkenMode::DistanceSensors, 4, 100, 100, true, false},
        StartCase{"Front4WithoutFrontAxle", HebenSenkenMode::DistanceSensors, 4, 100, 100, false, true},
        StartCase{"RearRight255", HebenSenkenMode::DistanceSensors, 100, 100, 255, true, false},
        StartCase{"RearLeft4", HebenSenkenMode::DistanceSensors, 100, 4, 100, false, false},
        StartCase{"Tilt5", HebenSenkenMode::TiltSensors, 0, 5, 254, true, true},
        StartCase{"Tilt4", HebenSenkenMode::TiltSensors, 0, 4, 100, true, false},
        StartCase{"TiltArrested255", HebenSenkenMode::TiltSensors, 0, 100, 255, true, false},
        StartCase{"RaiseLowerReadsNothing", HebenSenkenMode::RaiseLower, 0, 0, 0, true, true}),
    [](const auto& info) { return info.param.name; });

TEST_F(HebenSenkenTest, TiltCalibrationOpenedJustAfterATiltReadTakesTheLastValues) {
    startIn(HebenSenkenMode::RaiseLower);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(window->Tick());  // the third reads the tilt
    ASSERT_TRUE(window->Finish(IDOK) == IDOK);
    clock.advance(100);
    ecu->setStatusValue(0x4B, 0, 0);  // a new read would refuse
    newWindow();
    ecu->clearLog();
    EXPECT_TRUE(window->Start(HebenSenkenMode::TiltSensors));
    EXPECT_EQ(ecu->count({0x4B}), 0);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HebenSenkenTest, ModesShowTheirHintAndType) {
    struct Case {
        HebenSenkenMode mode;
        uint8_t d1;  // local id 0xD1 byte 0: bit 6 normal level only
        int hint;
        int type;  // 0: none
        bool saved;
    };
    for (const Case& c : {Case{HebenSenkenMode::RaiseLower, 0, 20411, 0, true},
                          Case{HebenSenkenMode::DistanceSensors, 0x00, 20410, 20406, false},
                          Case{HebenSenkenMode::DistanceSensors, 0x40, 20410, 20407, false},
                          Case{HebenSenkenMode::CharacteristicCurve, 0x40, 20410, 20417, false},
                          Case{HebenSenkenMode::TiltSensors, 0, 20421, 0, false}}) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        SimBytes d1 = *ecu->localId(0xD1);
        d1[0] = c.d1;
        ecu->setLocalId(0xD1, d1);
        newWindow();
        ASSERT_TRUE(window->Start(c.mode));
        EXPECT_EQ(window->display().hint, LoadStr(c.hint));
        EXPECT_EQ(window->display().calibrationType, c.type ? LoadStr(c.type) : "");
        EXPECT_EQ(window->saved(), c.saved);
    }
}

TEST_F(HebenSenkenTest, AGivenUpCalibrationTypeReadDoesNotOpenTheWindow) {
    ecu->injectNegative({0x14, 0xD1});
    errors.script(GiveUp);
    EXPECT_FALSE(window->Start(HebenSenkenMode::DistanceSensors));
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

// --- calibration steps ----------------------------------------------------------------------------

struct StepExpectation {
    CalibrationButton button;
    std::vector<int> messages;
    int hint;  // 0: unchanged
    // Enabled afterwards: start, normal, upper, lower, finish.
    std::array<bool, 5> enabled;
};

std::array<bool, 5> enabledOf(const HebenSenkenDisplay& d) {
    return {d.startEnabled, d.saveNormalEnabled, d.saveUpperEnabled, d.saveLowerEnabled, d.finishEnabled};
}

struct CalibrationCase {
    std::string name;
    HebenSenkenMode mode;
    uint8_t d1;
    std::function<void(SimKeltEcu&)> arrange;  // before the last step
    std::vector<StepExpectation> steps;
    bool saved;
};

void PrintTo(const CalibrationCase& c, std::ostream* os) { *os << c.name; }

class CalibrationSteps : public HebenSenkenTest, public ::testing::WithParamInterface<CalibrationCase> {};

TEST_P(CalibrationSteps, FollowTheTable) {
    const CalibrationCase& c = GetParam();
    SimBytes d1 = *ecu->localId(0xD1);
    d1[0] = c.d1;
    ecu->setLocalId(0xD1, d1);
    levelInput.answers = {IDOK};
    levelInput.entered = {50, 55, 84, 87, 20, 18, 104};
    startIn(c.mode);
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const StepExpectation& step = c.steps[i];
        SCOPED_TRACE(i);
        if (i + 1 == c.steps.size() && c.arrange) c.arrange(*ecu);
        boxes.shown.clear();
        const std::string hintBefore = window->display().hint;
        ASSERT_TRUE(window->CalibrationStep(step.button));
        std::vector<std::string> expected;
        for (int id : step.messages) expected.push_back(LoadStr(id));
        EXPECT_EQ(boxTexts(), expected);
        EXPECT_EQ(window->display().hint, step.hint ? LoadStr(step.hint) : hintBefore);
        EXPECT_EQ(enabledOf(window->display()), step.enabled);
    }
    EXPECT_EQ(window->saved(), c.saved);
}

using B = CalibrationButton;
const std::array<bool, 5> kOnlyStart = {true, false, false, false, false};

INSTANTIATE_TEST_SUITE_P(
    Types, CalibrationSteps,
    ::testing::Values(
        CalibrationCase{"ThreeLevels", HebenSenkenMode::DistanceSensors, 0x00, nullptr,
                        {{B::Start, {}, 20412, {false, true, false, false, false}},
                         {B::SaveNormal, {}, 20414, {false, false, true, false, false}},
                         {B::SaveUpper, {}, 20413, {false, false, false, true, false}},
                         {B::SaveLower, {20419}, 20419, kOnlyStart}},
                        true},
        CalibrationCase{"ThreeLevelsInvalidBlock", HebenSenkenMode::DistanceSensors, 0x00,
                        [](SimKeltEcu& ecu) { ecu.spoilNextLevelBlock(); },
                        {{B::Start, {}, 20412, {false, true, false, false, false}},
                         {B::SaveNormal, {}, 20414, {false, false, true, false, false}},
                         {B::SaveUpper, {}, 20413, {false, false, false, true, false}},
                         {B::SaveLower, {20420}, 20410, kOnlyStart}},
                        false},
        CalibrationCase{"NormalLevelOnly", HebenSenkenMode::DistanceSensors, 0x40, nullptr,
                        {{B::Start, {}, 20412, {false, true, false, false, false}},
                         {B::SaveNormal, {20419}, 20419, kOnlyStart}},
                        true},
        CalibrationCase{"CharacteristicCurve", HebenSenkenMode::CharacteristicCurve, 0x00, nullptr,
                        {{B::Start, {}, 20412, {false, true, false, false, false}},
                         {B::SaveNormal, {}, 20414, {false, false, true, false, false}},
                         {B::SaveUpper, {}, 20413, {false, false, false, true, false}},
                         {B::SaveLower, {20405}, 0, {false, false, false, false, true}},
                         {B::Finish, {20402}, 0, kOnlyStart}},
                        true},
        CalibrationCase{"CharacteristicCurveInvalidBlock", HebenSenkenMode::CharacteristicCurve, 0x00,
                        [](SimKeltEcu& ecu) {
                            // The stored block no longer fits its check byte.
                            SimBytes c7 = *ecu.localId(0xC7);
                            ++c7[0];
                            ecu.setLocalId(0xC7, c7);
                        },
                        {{B::Start, {}, 20412, {false, true, false, false, false}},
                         {B::SaveNormal, {}, 20414, {false, false, true, false, false}},
                         {B::SaveUpper, {}, 20413, {false, false, false, true, false}},
                         {B::SaveLower, {20405}, 0, {false, false, false, false, true}},
                         {B::Finish, {20401}, 0, kOnlyStart}},
                        false}),
    [](const auto& info) { return info.param.name; });

TEST_F(HebenSenkenTest, NormalLevelOnlyWritesTheEnteredLevels) {
    SimBytes d1 = *ecu->localId(0xD1);
    d1[0] = 0x40;
    ecu->setLocalId(0xD1, d1);
    levelInput.answers = {IDOK};
    levelInput.entered = {50, 55, 90, 91, 20, 21, 104};
    startIn(HebenSenkenMode::DistanceSensors);
    ASSERT_TRUE(window->CalibrationStep(B::Start));
    ASSERT_EQ(levelInput.shown.size(), 1u);
    LevelValues read;
    ASSERT_EQ(kelt->ReadLevelValues(read), 0);
    EXPECT_EQ(read.UpperFront, 91);
    EXPECT_EQ(read.LowerRear, 20);
}

TEST_F(HebenSenkenTest, ACancelledLevelEntryTellsSoAndLetsTheCalibrationStartAgain) {
    SimBytes d1 = *ecu->localId(0xD1);
    d1[0] = 0x40;
    ecu->setLocalId(0xD1, d1);
    levelInput.answers = {IDCANCEL};
    startIn(HebenSenkenMode::DistanceSensors);
    EXPECT_TRUE(window->CalibrationStep(B::Start));
    EXPECT_EQ(boxTexts(), texts({20415}));
    EXPECT_EQ(boxes.shown[0].flags, unsigned{MB_ICONWARNING});
    EXPECT_EQ(window->display().hint, LoadStr(20415));
    EXPECT_EQ(enabledOf(window->display()), kOnlyStart);
    EXPECT_EQ(ecu->count({0x13}), 0);  // nothing written
    EXPECT_TRUE(window->running());
}

TEST_F(HebenSenkenTest, AFailedStoreShowsItsErrorAndNeverSuccess) {
    startIn(HebenSenkenMode::DistanceSensors);
    ASSERT_TRUE(window->CalibrationStep(B::Start));
    ASSERT_TRUE(window->CalibrationStep(B::SaveNormal));
    ASSERT_TRUE(window->CalibrationStep(B::SaveUpper));
    ecu->injectNegative({0x25});
    errors.script(GiveUp);
    boxes.shown.clear();
    EXPECT_FALSE(window->CalibrationStep(B::SaveLower));
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{JED677_NEGATIVE_ANSWER});
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(window->saved());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

// --- tilt save and OK -----------------------------------------------------------------------------

class TiltSave : public HebenSenkenTest, public ::testing::WithParamInterface<std::tuple<uint8_t, uint8_t, bool>> {};

TEST_P(TiltSave, OnlyValuesOf50To200AreWritten) {
    const auto [tilt, arrested, written] = GetParam();
    ecu->setStatusValue(0x4B, tilt, arrested);
    startIn(HebenSenkenMode::TiltSensors);
    EXPECT_TRUE(window->SaveTiltValues());
    EXPECT_EQ(window->saved(), written);
    EXPECT_EQ(ecu->count({0x13}) > 0, written);
    EXPECT_EQ(boxTexts(), written ? texts({20000}) : texts({HebenSenken::kInvalidTiltValuesText}));
    if (written) {
        const SimBytes block = ecu->parameterBlock();
        EXPECT_EQ(block[(0xE9 - SimKeltEcu::kFirstParameterId) * 2], tilt);
        EXPECT_EQ(block[(0xE8 - SimKeltEcu::kFirstParameterId) * 2 + 1], arrested);
        EXPECT_TRUE(ecu->checkByteFits());
    }
}

INSTANTIATE_TEST_SUITE_P(Bounds, TiltSave,
                         ::testing::Values(std::tuple{49, 100, false}, std::tuple{50, 200, true},
                                           std::tuple{100, 201, false}, std::tuple{200, 50, true}));

TEST_F(HebenSenkenTest, OkAsksOnlyWhileNothingIsSaved) {
    startIn(HebenSenkenMode::RaiseLower);
    EXPECT_TRUE(window->ConfirmOk());
    EXPECT_TRUE(boxes.shown.empty());

    newWindow();
    startIn(HebenSenkenMode::TiltSensors);
    boxes.answer = [](const ShownBox&) { return IDCANCEL; };
    EXPECT_FALSE(window->ConfirmOk());
    boxes.answer = nullptr;
    EXPECT_TRUE(window->ConfirmOk());
    EXPECT_EQ(boxTexts(), texts({HebenSenken::kNotSavedQuestionText, HebenSenken::kNotSavedQuestionText}));
    EXPECT_EQ(boxes.shown[0].flags, unsigned{MB_OKCANCEL | MB_ICONQUESTION});
    ASSERT_TRUE(window->SaveTiltValues());
    boxes.shown.clear();
    EXPECT_TRUE(window->ConfirmOk());
    EXPECT_TRUE(boxes.shown.empty());
}

// --- the one-point entry ------------------------------------------------------------------------

TEST(LevelInputCheck, EnabledEditsHoldLevelsOf5To253) {
    struct Case {
        bool front, rear;
        std::array<std::string, 4> texts;
        std::optional<std::pair<int, LevelInputEdit>> problem;
    };
    for (const Case& c : {Case{true, true, {"5", "253", "100", "20"}, std::nullopt},
                          Case{true, true, {"4", "100", "100", "20"}, std::pair{20090, UpperFront}},
                          Case{true, true, {"100", "254", "100", "20"}, std::pair{20090, LowerFront}},
                          Case{true, true, {"100", "50", "", "20"}, std::pair{20091, UpperRear}},
                          Case{true, true, {"100", "50", "100", "1000"}, std::pair{20091, LowerRear}},
                          Case{false, true, {"", "", "100", "+20"}, std::pair{20091, LowerRear}},
                          Case{false, true, {"", "", "100", "20"}, std::nullopt},
                          Case{true, false, {"100", "50", "", ""}, std::nullopt}}) {
        SCOPED_TRACE(c.texts[0] + "," + c.texts[1] + "," + c.texts[2] + "," + c.texts[3]);
        const std::optional<LevelInputProblem> problem = checkLevelInput(c.front, c.rear, c.texts);
        ASSERT_EQ(problem.has_value(), c.problem.has_value());
        if (problem) {
            EXPECT_EQ(problem->text, c.problem->first);
            EXPECT_EQ(problem->edit, c.problem->second);
        }
    }
}

// --- demo mode ----------------------------------------------------------------------------------

using HebenSenkenInDemo = InDemoMode<HebenSenkenTest>;

TEST_F(HebenSenkenInDemo, RunsOnTheSampleValues) {
    kelt->EcuTyp = kTiltType;
    kelt->CfgFrontAxle = kelt->CfgPressureSensor = 1;
    newWindow();
    ASSERT_TRUE(window->Start(HebenSenkenMode::DistanceSensors));
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(window->Tick());
    EXPECT_EQ(window->display().levelFront, "100");
    EXPECT_EQ(window->display().pressure, std::to_string(KELTInterface::kDemoPressure));
    EXPECT_EQ(window->display().tilt, "50");
    EXPECT_EQ(window->calibrationType(), 1);
    EXPECT_EQ(window->Finish(IDOK), IDOK);
    EXPECT_EQ(driverCalls, 0);
}

}  // namespace

// Raising and lowering and the sensor calibrations at the ECU layer: the level valves, the
// level, pressure and tilt sensors and the calibration values, against the simulated ECU.
#include <functional>
#include <tuple>

#include "CheckByte.h"
#include "Clock.h"
#include "DriverTestSupport.h"
#include "StringTable.h"

namespace {

constexpr uint32_t kTiltType = 0x107801;
constexpr uint32_t kAsianType = 0x107420;    // KELT, without pressure sensor
constexpr uint32_t kNoTiltType = 0x107406;   // KELT and pressure, no tilt sensors
constexpr uint32_t kForeignType = 0x108000;  // none of the sets

const LevelValues kSample = {50, 55, 84, 87, 20, 18, 104};

// The tilt values' place in the parameter block (0xE8 byte 1 arrested, 0xE9 byte 0 tilt), with
// a check byte that fits.
void giveTiltValues(SimKeltEcu& ecu, uint8_t arrested, uint8_t tilt) {
    SimBytes block = ecu.parameterBlock();
    block[(0xE8 - SimKeltEcu::kFirstParameterId) * 2 + 1] = arrested;
    block[(0xE9 - SimKeltEcu::kFirstParameterId) * 2] = tilt;
    ecu.setParameterBlock(block);
}

SimBytes levelBlock(SimKeltEcu& ecu) {
    SimBytes block;
    for (uint8_t id = 0xC7; id <= 0xCC; ++id) {
        const SimBytes record = *ecu.localId(id);
        block.insert(block.end(), record.begin(), record.end());
    }
    return block;
}

class Levels : public KeltFixture {
public:
    FakeClock clock{1000};

    void SetUp() override {
        KeltFixture::SetUp();
        connectTo({0x10, 0x78, 0x01, 0x00});
        kelt->setClock(clock);
        ecu->setClock(clock);
        ecu->setMotion({20, 10, 30});
        kelt->CfgFrontAxle = kelt->CfgRearSensorLeft = kelt->CfgRearSensorRight = 1;
        giveTiltValues(*ecu, 0x80, 0x80);
        ecu->clearLog();
    }
    std::vector<SimBytes> sent() const { return ecu->messages(); }
};

// --- the level valves -----------------------------------------------------------------------------

struct ValveCase {
    std::string name;
    uint8_t mode;
    std::array<uint8_t, 4> valves;  // axle-1 left, right, axle-2 left, right
    std::array<uint8_t, 2> extra;   // cross throttle, lead request
    std::vector<SimBytes> sent;
};

class DriveLevelValves : public Levels, public ::testing::WithParamInterface<ValveCase> {};

TEST_P(DriveLevelValves, SendsTheActuation) {
    const ValveCase& c = GetParam();
    EXPECT_EQ(kelt->DriveLevelValves(c.mode, c.valves, c.extra), 0);
    EXPECT_EQ(sent(), c.sent);
    const SimBytes& last = c.sent.back();
    EXPECT_EQ(ecu->actuationWord(), (std::array<uint8_t, 2>{last[2], last[3]}));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DriveLevelValves,
    ::testing::Values(
        ValveCase{"ChargeAllWithCrossThrottle", LevelCharge, {1, 1, 1, 1}, {1, 0},
                  {{0x83, 0x21, 0x1F, 0x04}}},
        ValveCase{"ChargeRear", LevelCharge, {0, 0, 1, 1}, {0, 0}, {{0x83, 0x21, 0x07, 0x00}}},
        ValveCase{"ChargeNothingChosen", LevelCharge, {0, 0, 0, 0}, {0, 0},
                  {{0x83, 0x21, 0x01, 0x00}}},
        ValveCase{"VentAxle2Left", LevelVent, {0, 0, 7, 0}, {0, 0}, {{0x83, 0x21, 0x02, 0x00}}},
        ValveCase{"VentFront", LevelVent, {1, 1, 0, 0}, {0, 0}, {{0x83, 0x21, 0x18, 0x00}}},
        ValveCase{"HoldWithCrossThrottleAndLead", LevelHold, {1, 1, 1, 1}, {1, 1},
                  {{0x83, 0x26, 0x01, 0x00}, {0x83, 0x21, 0x00, 0x04}}},
        ValveCase{"OtherModeHolds", 9, {1, 1, 1, 1}, {0, 0}, {{0x83, 0x21, 0x00, 0x00}}}),
    [](const auto& info) { return info.param.name; });

TEST_F(Levels, DriveLevelValvesOutsideTheKeltTypesSendsNothingNotEvenTheLead) {
    useType(kForeignType);
    errors.script(GiveUp);
    EXPECT_EQ(kelt->DriveLevelValves(LevelCharge, {1, 1, 1, 1}, {1, 1}), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{KELT_ERR_NOT_SUPPORTED});
    EXPECT_TRUE(sent().empty());
}

TEST_F(Levels, TheLevelsMoveWhileTheValvesAreOpenAndStayWhenHeld) {
    std::array<std::string, 5> texts;
    ASSERT_EQ(kelt->DriveLevelValves(LevelCharge, {0, 0, 1, 1}, {0, 0}), 0);
    clock.advance(1000);
    ASSERT_EQ(kelt->ReadLevelSensors(texts), 0);
    EXPECT_EQ(texts, (std::array<std::string, 5>{"100", "", "", "122", "121"}));
    ASSERT_EQ(kelt->DriveLevelValves(LevelHold, {0, 0, 1, 1}, {0, 0}), 0);
    EXPECT_TRUE(ecu->released());
    clock.advance(1000);
    ASSERT_EQ(kelt->DriveLevelValves(LevelVent, {1, 0, 0, 0}, {0, 0}), 0);
    clock.advance(500);
    ASSERT_EQ(kelt->ReadLevelSensors(texts), 0);
    EXPECT_EQ(texts, (std::array<std::string, 5>{"90", "", "", "122", "121"}));
    EXPECT_EQ(sent().back(), (SimBytes{0x46}));
}

// --- level values ---------------------------------------------------------------------------------

TEST_F(Levels, WriteLevelValuesWritesTheBlockAndStoresIt) {
    ecu->setLocalId(0xC7, {0, 0});
    EXPECT_EQ(kelt->WriteLevelValues(kSample), 0);
    EXPECT_EQ(sent(), (std::vector<SimBytes>{{0x84, 0x13, 0xC7, 0xA3, 0x32},
                                             {0x84, 0x13, 0xC8, 0x37, 0x54},
                                             {0x84, 0x13, 0xC9, 0x57, 0x14},
                                             {0x84, 0x13, 0xCA, 0x12, 0x68},
                                             {0x84, 0x13, 0xCB, 0x00, 0x00},
                                             {0x84, 0x13, 0xCC, 0x00, 0x00},
                                             {0x25}}));
    EXPECT_EQ(levelBlock(*ecu), (SimBytes{0xA3, 0x32, 0x37, 0x54, 0x57, 0x14, 0x12, 0x68, 0, 0, 0, 0}));
    EXPECT_EQ(cursor.pushes, 1);
}

// The hourglass is up while the ECU works, not over the error dialog that asks the technician.
TEST_F(Levels, ErrorDialogsShowWithoutTheHourglass) {
    struct Watcher : ErrorReporter {
        CountingCursor& cursor;
        std::vector<int> depths;
        explicit Watcher(CountingCursor& c) : cursor(c) {}
        int FehlerAnzeigen(int32_t code) override {
            if (code == 0) return NoErrorShown;
            depths.push_back(cursor.depth);
            return GiveUp;
        }
    } watcher{cursor};
    KELTInterface layer(jed.table(), watcher, attr);
    layer.setBusyCursor(&cursor);
    layer.EcuTyp = kTiltType;
    LevelValues values;
    for (const SimBytes& match : {SimBytes{0x25}, SimBytes{0x14, 0xC9}, SimBytes{0x13, 0xCF}})
        ecu->injectNegative(match);
    EXPECT_EQ(layer.WriteLevelValues(kSample), GiveUp);
    EXPECT_EQ(layer.ReadLevelValues(values), GiveUp);
    EXPECT_EQ(layer.WritePressureOffset(9), GiveUp);
    EXPECT_EQ(watcher.depths, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(cursor.pushes, 3);
}

TEST_F(Levels, ReadLevelValuesReadsTheFirstFourIds) {
    ecu->setLocalId(0xCA, {18, 250});
    LevelValues values;
    EXPECT_EQ(kelt->ReadLevelValues(values), 0);
    EXPECT_EQ(values, (LevelValues{50, 55, 84, 87, 20, 18, 250}));
    EXPECT_EQ(sent(), (std::vector<SimBytes>{{0x82, 0x14, 0xC7},
                                             {0x82, 0x14, 0xC8},
                                             {0x82, 0x14, 0xC9},
                                             {0x82, 0x14, 0xCA}}));
    EXPECT_EQ(cursor.pushes, 1);
}

// A level, front or rear, that passes every rule with tolerance 5: normal 100, upper 118,
// lower 90.
constexpr LevelValues kBorder = {100, 100, 118, 118, 90, 90, 0};

struct CheckCase {
    std::string name;
    std::function<void(LevelValues&)> change;
    std::array<uint8_t, 3> flags;        // CfgFrontAxle, CfgRearSensorLeft, CfgRearSensorRight
    std::array<uint8_t, 3> tolerances;   // front, rear, largest left/right difference
    int message;                         // 0: acceptable
};

class CheckLevelValues : public Levels, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckLevelValues, AppliesTheRules) {
    const CheckCase& c = GetParam();
    ecu->setLocalId(0xD6, {c.tolerances[0], 0});
    ecu->setLocalId(0xD7, {c.tolerances[1], c.tolerances[2]});
    kelt->CfgFrontAxle = c.flags[0];
    kelt->CfgRearSensorLeft = c.flags[1];
    kelt->CfgRearSensorRight = c.flags[2];
    LevelValues values = kBorder;
    c.change(values);
    const LevelCheckResult result = kelt->CheckLevelValues(values);
    if (c.message == 0) {
        EXPECT_EQ(result, LevelCheckResult::Acceptable);
        EXPECT_TRUE(boxes.shown.empty());
    } else {
        EXPECT_EQ(result, LevelCheckResult::Refused);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, LoadStr(c.message));
        EXPECT_EQ(boxes.shown[0].caption, "KELT Diagnostic");
        EXPECT_EQ(boxes.shown[0].flags, 0x30u);
    }
    EXPECT_EQ(sent(), (std::vector<SimBytes>{{0x82, 0x14, 0xD6}, {0x82, 0x14, 0xD7}}));
    EXPECT_TRUE(errors.shownCodes().empty());
}

using L = LevelValues;
constexpr std::array<uint8_t, 3> kAll = {1, 1, 1};
constexpr std::array<uint8_t, 3> kFive = {5, 5, 5};

INSTANTIATE_TEST_SUITE_P(
    Rules, CheckLevelValues,
    ::testing::Values(
        CheckCase{"Border", [](L&) {}, kAll, kFive, 0},
        CheckCase{"Sample", [](L& v) { v = kSample; }, kAll, {5, 5, 104}, 0},
        CheckCase{"Front4", [](L& v) { v.LowerFront = 4; }, kAll, kFive, 20090},
        CheckCase{"Front5", [](L& v) { v.LowerFront = 5; }, kAll, kFive, 0},
        CheckCase{"Front253", [](L& v) { v.UpperFront = 253; }, kAll, kFive, 0},
        CheckCase{"Front254", [](L& v) { v.UpperFront = 254; }, kAll, kFive, 20090},
        CheckCase{"Front255", [](L& v) { v.NormalFront = 255; }, kAll, kFive, 20090},
        CheckCase{"FrontAbove255", [](L& v) { v.UpperFront = 300; }, kAll, kFive, 20090},
        CheckCase{"LowerFront91", [](L& v) { v.LowerFront = 91; }, kAll, kFive, 20094},
        CheckCase{"UpperFront117", [](L& v) { v.UpperFront = 117; }, kAll, kFive, 20095},
        CheckCase{"FrontToleranceFromTheEcu", [](L&) {}, kAll, {6, 5, 5}, 20094},
        CheckCase{"Rear254", [](L& v) { v.NormalRear = 254; }, kAll, kFive, 20091},
        CheckCase{"LowerRear91", [](L& v) { v.LowerRear = 91; }, kAll, kFive, 20092},
        CheckCase{"UpperRear117", [](L& v) { v.UpperRear = 117; }, kAll, kFive, 20093},
        CheckCase{"RearToleranceFromTheEcu", [](L&) {}, kAll, {5, 6, 5}, 20092},
        CheckCase{"FrontBeforeRear", [](L& v) { v.UpperFront = v.UpperRear = 117; }, kAll,
                  kFive, 20095},
        CheckCase{"DifferenceMinus6", [](L& v) { v.LeftRightDifference = 250; }, kAll, kFive,
                  20096},
        CheckCase{"DifferenceMinus5", [](L& v) { v.LeftRightDifference = 251; }, kAll, kFive, 0},
        CheckCase{"Difference6", [](L& v) { v.LeftRightDifference = 6; }, kAll, kFive, 20096},
        CheckCase{"FrontNotChecked", [](L& v) { v.LowerFront = 4; }, {0, 1, 1}, kFive, 0},
        CheckCase{"RearNotChecked", [](L& v) { v.LowerRear = 4; }, {1, 0, 0}, kFive, 0},
        CheckCase{"RearWithOneSensor", [](L& v) { v.LowerRear = 91; }, {1, 0, 1}, kFive, 20092},
        CheckCase{"DifferenceNeedsBothSensors", [](L& v) { v.LeftRightDifference = 250; },
                  {1, 1, 0}, kFive, 0}),
    [](const auto& info) { return info.param.name; });

// A tolerance the check cannot read must never let unchecked values through.
class CheckLevelValuesTolerances : public Levels,
                                   public ::testing::WithParamInterface<SimBytes> {};

TEST_P(CheckLevelValuesTolerances, AreReadAgainWhileTheUserRepeats) {
    ecu->injectNegative(GetParam());
    errors.script(RepeatOperation);
    EXPECT_EQ(kelt->CheckLevelValues(kBorder), LevelCheckResult::Acceptable);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{JED677_NEGATIVE_ANSWER});
    EXPECT_EQ(ecu->count({0x14, GetParam()[1]}), 2);
}

TEST_P(CheckLevelValuesTolerances, FailTheCheckWhenTheUserGivesUp) {
    ecu->injectShortReply(GetParam(), 3);
    errors.script(GiveUp);
    EXPECT_EQ(kelt->CheckLevelValues(kBorder), LevelCheckResult::GaveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_BAD_REPLY});
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(SimKeltEcu::bodyOf(sent().back()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Ids, CheckLevelValuesTolerances,
                         ::testing::Values(SimBytes{0x14, 0xD6}, SimBytes{0x14, 0xD7}));

TEST_F(Levels, CheckLevelValuesOutsideTheKeltTypesFails) {
    useType(kForeignType);
    errors.script(GiveUp);
    EXPECT_EQ(kelt->CheckLevelValues(kBorder), LevelCheckResult::GaveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{KELT_ERR_NOT_SUPPORTED});
    EXPECT_TRUE(sent().empty());
}

// --- distance-sensor calibration ------------------------------------------------------------------

struct StepCase {
    uint8_t type;
    uint8_t step;
    uint8_t result;
    bool stores;
};

class CalibrationStep : public Levels, public ::testing::WithParamInterface<StepCase> {};

TEST_P(CalibrationStep, TakesAPointAndStoresAtTheLast) {
    const StepCase& c = GetParam();
    uint8_t step = c.step;
    EXPECT_EQ(kelt->CalibrationStep(step, c.type), 0);
    EXPECT_EQ(step, c.result);
    std::vector<SimBytes> expected = {{0x20}};
    if (c.stores) {
        expected.push_back({0x25});
        for (uint8_t id = 0xC7; id <= 0xCC; ++id) expected.push_back({0x82, 0x14, id});
    }
    EXPECT_EQ(sent(), expected);
    EXPECT_TRUE(errors.shownCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    TypesAndSteps, CalibrationStep,
    ::testing::Values(StepCase{0, 1, 2, false}, StepCase{0, 2, 3, false}, StepCase{0, 3, 5, true},
                      StepCase{0, 4, 4, false}, StepCase{3, 1, 2, false}, StepCase{3, 2, 3, false},
                      StepCase{3, 3, 5, true}, StepCase{3, 4, 4, false}, StepCase{1, 1, 5, true},
                      StepCase{1, 2, 5, true}, StepCase{1, 3, 5, true}, StepCase{1, 4, 5, true}),
    [](const auto& info) {
        return "Type" + std::to_string(info.param.type) + "Step" + std::to_string(info.param.step);
    });

TEST_F(Levels, CalibrationStepReportsAnInvalidBlock) {
    ecu->spoilNextLevelBlock();
    uint8_t step = 3;
    EXPECT_EQ(kelt->CalibrationStep(step, 0), 0);
    EXPECT_EQ(step, 0);
    EXPECT_FALSE(kelt->CheckCalibrationResult());
}

TEST_F(Levels, ThreeLevelCalibrationStoresTheLevelsDrivenTo) {
    uint8_t step = 1;
    const std::array<std::array<uint8_t, 3>, 3> points = {{{100, 104, 98}, {140, 131, 128},
                                                           {60, 71, 70}}};
    for (const auto& [front, left, right] : points) {
        ecu->setStatusValue(0x43, 200, front);
        ecu->setStatusValue(0x46, left, right);
        ASSERT_EQ(kelt->CalibrationStep(step, 0), 0);
    }
    EXPECT_EQ(step, 5);
    LevelValues values;
    ASSERT_EQ(kelt->ReadLevelValues(values), 0);
    EXPECT_EQ(values, (LevelValues{101, 100, 129, 140, 70, 60, 6}));
}

TEST_F(Levels, CheckCalibrationResult) {
    EXPECT_TRUE(kelt->CheckCalibrationResult());
    ecu->setLocalId(0xCB, {0, 1});
    EXPECT_FALSE(kelt->CheckCalibrationResult());
    ecu->setLocalId(0xCB, {0, 0});
    ecu->injectNegative({0x14, 0xCC});
    EXPECT_FALSE(kelt->CheckCalibrationResult()) << "a failed read";
    ecu->injectShortReply({0x14, 0xC9}, 3);
    EXPECT_FALSE(kelt->CheckCalibrationResult()) << "a short record";
    EXPECT_TRUE(errors.shownCodes().empty());
    useType(kForeignType);
    EXPECT_FALSE(kelt->CheckCalibrationResult());
    EXPECT_TRUE(sent().empty());
}

TEST_F(Levels, ReadCalibrationTypeFromBit6) {
    uint8_t type = 9;
    ecu->setConfiguration(0x42, 0, 0, 0);
    EXPECT_EQ(kelt->ReadCalibrationType(type), 0);
    EXPECT_EQ(type, 1);
    ecu->setConfiguration(0xBF, 0, 0, 0);
    EXPECT_EQ(kelt->ReadCalibrationType(type), 0);
    EXPECT_EQ(type, 0);
    EXPECT_EQ(sent(), (std::vector<SimBytes>{{0x82, 0x14, 0xD1}, {0x82, 0x14, 0xD1}}));

    useType(kForeignType);
    type = 9;
    EXPECT_EQ(kelt->ReadCalibrationType(type), 0);
    EXPECT_EQ(type, 9);
    EXPECT_EQ(kelt->LetzterFehlercode, KELT_ERR_NOT_SUPPORTED);
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(errors.shownCodes().empty());
}

// --- pressure and tilt sensors --------------------------------------------------------------------

// ReadPressure and ReadTiltSensors share their rate limit; each case reads one of them.
struct Sensor {
    std::string name;
    uint8_t service;
    uint32_t otherType;  // a KELT type without this sensor
    // Reads into a pair (pressure: first only); the answer.
    std::function<int(KELTInterface&, std::array<uint16_t, 2>&)> read;
};

const Sensor kPressureSensor = {
    "Pressure", 0x44, kAsianType, [](KELTInterface& k, std::array<uint16_t, 2>& out) {
        return k.ReadPressure(out[0]);
    }};
const Sensor kTiltSensors = {
    "Tilt", 0x4B, kNoTiltType, [](KELTInterface& k, std::array<uint16_t, 2>& out) {
        TiltValues v{out[0], out[1]};
        const int answer = k.ReadTiltSensors(v);
        out = {v.Tilt, v.TiltArrested};
        return answer;
    }};

void PrintTo(const Sensor& sensor, std::ostream* os) { *os << sensor.name; }

class LimitedSensorRead : public Levels, public ::testing::WithParamInterface<Sensor> {
protected:
    std::array<uint16_t, 2> read() {
        std::array<uint16_t, 2> out{7, 7};
        EXPECT_EQ(GetParam().read(*kelt, out), 0);
        return out;
    }
    void set(uint8_t d0, uint8_t d1) { ecu->setStatusValue(GetParam().service, d0, d1); }
    int requests() const { return ecu->count({GetParam().service}); }
    std::array<uint16_t, 2> value(uint16_t d0, uint16_t d1) const {
        return GetParam().service == 0x44 ? std::array<uint16_t, 2>{d0, 7}
                                          : std::array<uint16_t, 2>{d0, d1};
    }
};

TEST_P(LimitedSensorRead, AsksTheEcuAtMostOnceIn500Ms) {
    set(41, 42);
    EXPECT_EQ(read(), value(41, 42));
    set(43, 44);
    clock.advance(200);
    EXPECT_EQ(read(), value(41, 42)) << "a new caller within 500 ms gets the last value";
    clock.advance(300);
    EXPECT_EQ(read(), value(41, 42)) << "500 ms after the request";
    EXPECT_EQ(requests(), 1);
    clock.advance(1);
    EXPECT_EQ(read(), value(43, 44));
    EXPECT_EQ(requests(), 2);
}

TEST_P(LimitedSensorRead, ALimitedCallAnswersForItselfNotForAnOldCode) {
    read();
    kelt->LetzterFehlercode = DIAG_ERR_TIMEOUT;
    clock.advance(100);
    read();
    EXPECT_TRUE(errors.shownCodes().empty());
}

TEST_P(LimitedSensorRead, TheFirstCallAsksAtTimeZero) {
    FakeClock start{0};
    kelt->setClock(start);
    read();
    EXPECT_EQ(requests(), 1);
}

// A millisecond count beyond 32 bits must not stall the limit.
TEST_P(LimitedSensorRead, KeepsAskingPastTheOld32BitWrap) {
    FakeClock late{0xFFFFFF00};
    kelt->setClock(late);
    read();
    late.advance(600);
    read();
    EXPECT_EQ(requests(), 2);
}

TEST_P(LimitedSensorRead, ARepeatAfterAFailureAsksAgain) {
    read();
    clock.advance(600);
    ecu->injectNegative({GetParam().service});
    errors.script(RepeatOperation);
    std::array<uint16_t, 2> out{7, 7};
    EXPECT_EQ(GetParam().read(*kelt, out), RepeatOperation);
    EXPECT_EQ(out, (std::array<uint16_t, 2>{7, 7}));
    set(99, 98);
    EXPECT_EQ(read(), value(99, 98));
    EXPECT_EQ(requests(), 3);
}

TEST_P(LimitedSensorRead, OtherTypesGiveZeroSilently) {
    useType(GetParam().otherType);
    kelt->LetzterFehlercode = DIAG_ERR_TIMEOUT;
    EXPECT_EQ(read(), value(0, 0));
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(errors.shownCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(Sensors, LimitedSensorRead,
                         ::testing::Values(kPressureSensor, kTiltSensors),
                         [](const auto& info) { return info.param.name; });

TEST_F(Levels, ThePressureFallsWhileVenting) {
    uint16_t pressure = 0;
    ASSERT_EQ(kelt->ReadPressure(pressure), 0);
    EXPECT_EQ(pressure, 53);
    ASSERT_EQ(kelt->DriveLevelValves(LevelVent, {1, 1, 1, 1}, {0, 0}), 0);
    clock.advance(2000);
    ASSERT_EQ(kelt->ReadPressure(pressure), 0);
    EXPECT_EQ(pressure, 33);
    clock.advance(10000);
    ASSERT_EQ(kelt->ReadPressure(pressure), 0);
    EXPECT_EQ(pressure, 30) << "down to the floor";
}

TEST_F(Levels, PressureOffsetIsReadAndWritten) {
    uint16_t offset = 0;
    EXPECT_EQ(kelt->ReadPressureOffset(offset), 0);
    EXPECT_EQ(offset, 9);
    EXPECT_EQ(kelt->WritePressureOffset(255), 0);
    EXPECT_EQ(sent(), (std::vector<SimBytes>{{0x82, 0x14, 0xCD},
                                             {0x84, 0x13, 0xCD, 0x00, 0xFF},
                                             {0x84, 0x13, 0xCE, 0x00, 0x00},
                                             {0x84, 0x13, 0xCF, 0x00, 0x00},
                                             {0x25}}));
    EXPECT_EQ(cursor.pushes, 1);

    useType(kAsianType);
    errors.script(GiveUp);
    errors.script(GiveUp);
    EXPECT_EQ(kelt->ReadPressureOffset(offset), GiveUp);
    EXPECT_EQ(kelt->WritePressureOffset(9), GiveUp);
    EXPECT_EQ(errors.shownCodes(),
              (std::vector<int32_t>{KELT_ERR_NOT_SUPPORTED, KELT_ERR_NOT_SUPPORTED}));
    EXPECT_TRUE(sent().empty());
}

TEST_F(Levels, CalibratePressureZeroTakesTheCurrentPressure) {
    ecu->setStatusValue(0x44, 31, 0);
    EXPECT_EQ(kelt->CalibratePressureZero(), 0);
    EXPECT_EQ(sent(), (std::vector<SimBytes>{{0x27}, {0x25}}));
    EXPECT_EQ(ecu->localId(0xCD), (SimBytes{32, 31}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Calibration values have been saved!");
    EXPECT_EQ(boxes.shown[0].flags, 0x40u);
}

// --- tilt calibration -----------------------------------------------------------------------------

// The tilt save moves the check byte rather than summing a block it has not read.
TEST(CheckByteAfterChange, MovesByWhatTheCoveredBytesMove) {
    using B = std::array<uint8_t, 2>;
    EXPECT_EQ(checkByteAfterChange(0x10, B{0x80, 0x80}, B{0x70, 0x90}), 0x10);
    EXPECT_EQ(checkByteAfterChange(0x10, B{0x80, 0x80}, B{0x81, 0x80}), 0x11);
    EXPECT_EQ(checkByteAfterChange(0x02, B{0x10, 0x00}, B{0x00, 0x00}), 0xF2) << "wraps";
    const std::array<uint8_t, 4> before = {200, 0x80, 0x80, 7}, after = {200, 0x05, 0xFE, 7};
    EXPECT_EQ(checkByteAfterChange(checkByteOf(before), B{0x80, 0x80}, B{0x05, 0xFE}),
              checkByteOf(after));
}

TEST_F(Levels, WriteTiltValuesKeepsTheParameterBlockValid) {
    // Old 0x80 / 0x80, new 0x70 / 0x90: the check byte stays.
    const SimBytes d0 = *ecu->localId(0xD0), e8 = *ecu->localId(0xE8), e9 = *ecu->localId(0xE9);
    EXPECT_EQ(kelt->WriteTiltValues({0x70, 0x90}), 0);
    EXPECT_EQ(sent(), (std::vector<SimBytes>{{0x82, 0x14, 0xD0},
                                             {0x82, 0x14, 0xE8},
                                             {0x82, 0x14, 0xE9},
                                             {0x84, 0x13, 0xE8, e8[0], 0x90},
                                             {0x84, 0x13, 0xE9, 0x70, e9[1]},
                                             {0x84, 0x13, 0xD0, d0[0], d0[1]},
                                             {0x25}}));
    EXPECT_TRUE(ecu->checkByteFits());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Calibration values have been saved!");
    EXPECT_EQ(boxes.shown[0].flags, 0x40u);

    EXPECT_EQ(kelt->WriteTiltValues({100, 101}), 0);
    EXPECT_EQ(ecu->localId(0xE8), (SimBytes{e8[0], 101}));
    EXPECT_EQ(ecu->localId(0xE9), (SimBytes{100, e9[1]}));
    EXPECT_TRUE(ecu->checkByteFits());
}

TEST_F(Levels, AnUnfinishedTiltSaveIsNotCarriedIntoTheNextConnection) {
    ecu->injectNegative({0x13, 0xE9});
    errors.script(GiveUp);
    ASSERT_EQ(kelt->WriteTiltValues({0x70, 0x90}), GiveUp);
    ASSERT_TRUE(kelt->ConnectEcu().connected());
    ecu->clearLog();
    EXPECT_EQ(kelt->WriteTiltValues({0x70, 0x90}), 0);
    EXPECT_EQ(sent().front(), (SimBytes{0x82, 0x14, 0xD0})) << "read afresh";
}

// The parameter editor's write gives the block a new check byte; a tilt save given up before it
// must not go on from the bytes read before.
TEST_F(Levels, AParameterBlockWriteEndsAnUnfinishedTiltSave) {
    ecu->injectNegative({0x13, 0xE9});
    errors.script(GiveUp);
    ASSERT_EQ(kelt->WriteTiltValues({0x90, 0x70}), GiveUp);
    SimBytes block = ecu->parameterBlock();
    block[2] = static_cast<uint8_t>(block[2] + 9);
    ASSERT_EQ(kelt->WriteParameters(static_cast<uint16_t>(block.size()), block), 0);
    ASSERT_TRUE(ecu->checkByteFits());
    EXPECT_EQ(kelt->WriteTiltValues({0x90, 0x70}), 0);
    EXPECT_TRUE(ecu->checkByteFits());
}

TEST_F(Levels, WriteTiltValuesOnlyForTiltTypes) {
    useType(kNoTiltType);
    errors.script(GiveUp);
    EXPECT_EQ(kelt->WriteTiltValues({100, 100}), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{KELT_ERR_NOT_SUPPORTED});
    EXPECT_TRUE(sent().empty());
}

// A reply with more or fewer than two data bytes would shift the bytes written back.
TEST_F(Levels, WriteTiltValuesWritesNothingFromARecordOfAnotherLength) {
    ecu->injectReply({0x14, 0xE8}, {0x84, 0x54, 0x80, 0x80, 0x80});
    errors.script(GiveUp);
    EXPECT_EQ(kelt->WriteTiltValues({100, 100}), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_BAD_REPLY});
    EXPECT_EQ(ecu->count({0x13}), 0);
}

TEST_F(Levels, UnitTexts) {
    EXPECT_EQ(kelt->LevelUnitText(), "counts");
    EXPECT_EQ(kelt->PressureUnitText(), "counts");
    EXPECT_EQ(kelt->ReadPressureThreshold(), 40);
}

// --- failure points -------------------------------------------------------------------------------

// The caller's records an operation of the failure table reads into.
class FailureFixture : public Levels {
public:
    LevelValues levels{1, 2, 3, 4, 5, 6, 7};
    uint8_t step = 1;
    uint8_t type = 9;
    std::array<std::string, 5> texts{"a", "b", "c", "d", "e"};
    uint16_t value = 7;
    TiltValues tilt{7, 7};
};

// One request of an operation fails once (a refusal); the user answers Repeat or gives up.
struct FailurePoint {
    std::string name;
    SimBytes match;  // body prefix of the failing request
    std::function<int(FailureFixture&)> run;
    // After the failure: the caller's record is as it was (none: nothing to look at).
    std::function<void(FailureFixture&)> unchanged;
    // After the repeat went through: what the operation had to do is done.
    std::function<void(FailureFixture&)> done;
};

void PrintTo(const FailurePoint& point, std::ostream* os) { *os << point.name; }

class FailurePoints : public FailureFixture,
                      public ::testing::WithParamInterface<std::tuple<FailurePoint, int>> {};

TEST_P(FailurePoints, OneDialogNothingAfterItAndTheAnswerBack) {
    const auto& [point, answer] = GetParam();
    ecu->injectNegative(point.match);
    errors.script(answer);
    EXPECT_EQ(point.run(*this), answer);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{JED677_NEGATIVE_ANSWER});
    ASSERT_FALSE(sent().empty());
    const SimBytes last = SimKeltEcu::bodyOf(sent().back());
    EXPECT_EQ(SimBytes(last.begin(), last.begin() + static_cast<long>(point.match.size())),
              point.match)
        << "nothing is sent after the failed request";
    EXPECT_EQ(ecu->count(point.match), 1);
    EXPECT_TRUE(boxes.shown.empty());
    if (point.unchanged) point.unchanged(*this);
    if (answer == RepeatOperation) {
        EXPECT_EQ(point.run(*this), 0) << "the caller repeats";
        if (point.done) point.done(*this);
    }
}

void levelsUnchanged(FailureFixture& f) {
    EXPECT_EQ(f.levels, (LevelValues{1, 2, 3, 4, 5, 6, 7}));
}
void stepUnchanged(FailureFixture& f) { EXPECT_EQ(f.step, 1); }
void valueUnchanged(FailureFixture& f) { EXPECT_EQ(f.value, 7); }
void sampleWritten(FailureFixture& f) {
    EXPECT_EQ(levelBlock(*f.ecu), (SimBytes{0xA3, 50, 55, 84, 87, 20, 18, 104, 0, 0, 0, 0}));
    EXPECT_EQ(f.sent().back(), SimBytes{0x25});
}
void charging(FailureFixture& f) {
    EXPECT_EQ(f.ecu->actuationWord(), (std::array<uint8_t, 2>{0x07, 0x00}));
}
void tiltWritten(FailureFixture& f) {
    EXPECT_EQ(f.ecu->localId(0xE8)->at(1), 0x70);
    EXPECT_EQ(f.ecu->localId(0xE9)->at(0), 0x90);
    EXPECT_TRUE(f.ecu->checkByteFits());
    EXPECT_EQ(f.boxes.shown.size(), 1u);
}

int drive(FailureFixture& f) {
    return f.kelt->DriveLevelValves(LevelCharge, {0, 0, 1, 1}, {0, 1});
}
int writeLevels(FailureFixture& f) {
    f.ecu->setLocalId(0xC7, {0, 0});
    return f.kelt->WriteLevelValues(kSample);
}
int readLevels(FailureFixture& f) { return f.kelt->ReadLevelValues(f.levels); }
int calibrate(FailureFixture& f) { return f.kelt->CalibrationStep(f.step, 1); }
int writeOffset(FailureFixture& f) { return f.kelt->WritePressureOffset(9); }
int zero(FailureFixture& f) { return f.kelt->CalibratePressureZero(); }
int writeTilt(FailureFixture& f) { return f.kelt->WriteTiltValues({0x90, 0x70}); }

const FailurePoint kFailurePoints[] = {
    {"DriveLead", {0x26}, drive, [](FailureFixture& f) { EXPECT_TRUE(f.ecu->released()); },
     charging},
    {"DriveValves", {0x21}, drive, [](FailureFixture& f) { EXPECT_TRUE(f.ecu->released()); },
     charging},
    {"WriteLevelsFirst", {0x13, 0xC7}, writeLevels, {}, sampleWritten},
    {"WriteLevelsLast", {0x13, 0xCC}, writeLevels, {}, sampleWritten},
    {"WriteLevelsStore", {0x25}, writeLevels, {}, sampleWritten},
    {"ReadLevelsFirst", {0x14, 0xC7}, readLevels, levelsUnchanged,
     [](FailureFixture& f) { EXPECT_EQ(f.levels, kSample); }},
    {"ReadLevelsLast", {0x14, 0xCA}, readLevels, levelsUnchanged, {}},
    {"CalibrationPoint", {0x20}, calibrate, stepUnchanged, {}},
    {"CalibrationStore", {0x25}, calibrate, stepUnchanged,
     [](FailureFixture& f) { EXPECT_EQ(f.step, 5); }},
    {"CalibrationRead", {0x14, 0xCB}, calibrate, stepUnchanged, {}},
    {"CalibrationType", {0x14, 0xD1},
     [](FailureFixture& f) { return f.kelt->ReadCalibrationType(f.type); },
     [](FailureFixture& f) { EXPECT_EQ(f.type, 9); }, {}},
    {"LevelSensorsFront", {0x43},
     [](FailureFixture& f) { return f.kelt->ReadLevelSensors(f.texts); },
     [](FailureFixture& f) {
         EXPECT_EQ(f.texts, (std::array<std::string, 5>{"a", "b", "c", "d", "e"}));
     },
     {}},
    {"LevelSensorsRear", {0x46},
     [](FailureFixture& f) { return f.kelt->ReadLevelSensors(f.texts); },
     [](FailureFixture& f) {
         EXPECT_EQ(f.texts, (std::array<std::string, 5>{"a", "b", "c", "d", "e"}));
     },
     [](FailureFixture& f) {
         EXPECT_EQ(f.texts, (std::array<std::string, 5>{"100", "b", "c", "102", "101"}));
     }},
    {"Pressure", {0x44}, [](FailureFixture& f) { return f.kelt->ReadPressure(f.value); },
     valueUnchanged, [](FailureFixture& f) { EXPECT_EQ(f.value, 53); }},
    {"Tilt", {0x4B}, [](FailureFixture& f) { return f.kelt->ReadTiltSensors(f.tilt); },
     [](FailureFixture& f) { EXPECT_EQ(f.tilt, (TiltValues{7, 7})); },
     [](FailureFixture& f) { EXPECT_EQ(f.tilt, (TiltValues{50, 60})); }},
    {"PressureOffset", {0x14, 0xCD},
     [](FailureFixture& f) { return f.kelt->ReadPressureOffset(f.value); }, valueUnchanged, {}},
    {"WriteOffsetFirst", {0x13, 0xCD}, writeOffset, {}, {}},
    {"WriteOffsetStore", {0x25}, writeOffset, {}, {}},
    {"PressureZero", {0x27}, zero, {}, {}},
    {"PressureZeroStore", {0x25}, zero, {}, {}},
    {"TiltReadCheck", {0x14, 0xD0}, writeTilt, {}, tiltWritten},
    {"TiltReadE9", {0x14, 0xE9}, writeTilt, {}, tiltWritten},
    {"TiltWriteE8", {0x13, 0xE8}, writeTilt, {}, tiltWritten},
    {"TiltWriteE9", {0x13, 0xE9}, writeTilt, {}, tiltWritten},
    {"TiltWriteCheck", {0x13, 0xD0}, writeTilt, {}, tiltWritten},
    {"TiltStore", {0x25}, writeTilt, {}, tiltWritten},
};

INSTANTIATE_TEST_SUITE_P(Points, FailurePoints, withEachAnswer(kFailurePoints),
                         pointAndAnswerName());

// --- through the real driver ---------------------------------------------------------------------

class LevelsThroughTheDriver : public OverTheRealDriver<KeltFixture> {
public:
    FakeClock clock{1000};
    std::size_t connectionMessages = 0;

    // The messages that went out to the ECU after the connection was made.
    std::vector<SimBytes> messagesSent() const {
        const std::vector<SimBytes> all = sim->messagesForEcu();
        return std::vector<SimBytes>(all.begin() + static_cast<long>(connectionMessages), all.end());
    }

    void SetUp() override {
        OverTheRealDriver::SetUp();
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        kelt->setClock(clock);
        ecu->setClock(clock);
        kelt->CfgFrontAxle = kelt->CfgRearSensorLeft = kelt->CfgRearSensorRight = 1;
        giveTiltValues(*ecu, 0x80, 0x80);
        ecu->clearLog();
        connectionMessages = sim->messagesForEcu().size();
    }
};

TEST_F(LevelsThroughTheDriver, RaiseWatchAndHold) {
    ASSERT_EQ(kelt->DriveLevelValves(LevelCharge, {1, 1, 1, 1}, {1, 1}), 0);
    clock.advance(500);
    std::array<std::string, 5> texts;
    ASSERT_EQ(kelt->ReadLevelSensors(texts), 0);
    EXPECT_EQ(texts, (std::array<std::string, 5>{"110", "", "", "112", "111"}));
    uint16_t pressure = 0;
    ASSERT_EQ(kelt->ReadPressure(pressure), 0);
    EXPECT_EQ(pressure, 63);
    ASSERT_EQ(kelt->DriveLevelValves(LevelHold, {1, 1, 1, 1}, {0, 0}), 0);
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(messagesSent(), (std::vector<SimBytes>{{0x83, 0x26, 0x01, 0x00},
                                                            {0x83, 0x21, 0x1F, 0x04},
                                                            {0x43},
                                                            {0x46},
                                                            {0x44},
                                                            {0x83, 0x21, 0x00, 0x00}}));
}

TEST_F(LevelsThroughTheDriver, WriteCalibrateAndCheck) {
    ASSERT_EQ(kelt->WriteLevelValues({60, 61, 90, 91, 30, 31, 2}), 0);
    LevelValues values;
    ASSERT_EQ(kelt->ReadLevelValues(values), 0);
    EXPECT_EQ(values, (LevelValues{60, 61, 90, 91, 30, 31, 2}));
    uint8_t step = 1;
    ASSERT_EQ(kelt->CalibrationStep(step, 1), 0);
    EXPECT_EQ(step, 5);
    ASSERT_EQ(kelt->ReadLevelValues(values), 0);
    EXPECT_EQ(values, (LevelValues{101, 100, 90, 91, 30, 31, 1}));
    ASSERT_EQ(kelt->WriteTiltValues({120, 130}), 0);
    EXPECT_TRUE(ecu->checkByteFits());
    EXPECT_TRUE(errors.shownCodes().empty());
}

TEST_F(LevelsThroughTheDriver, ASilentStoreIsShownOnce) {
    ecu->injectSilence({0x25});
    errors.script(GiveUp);
    EXPECT_EQ(kelt->WriteLevelValues(kSample), GiveUp);
    EXPECT_EQ(errors.shownCodes(),
              std::vector<int32_t>{jed677Status(SimInterface::kStatusEcuSilent)});
    EXPECT_EQ(messagesSent().back(), SimBytes{0x25});
}

TEST_F(LevelsThroughTheDriver, PressureReadsAreLimited) {
    uint16_t pressure = 0;
    ASSERT_EQ(kelt->ReadPressure(pressure), 0);
    clock.advance(200);
    ASSERT_EQ(kelt->ReadPressure(pressure), 0);
    EXPECT_EQ(pressure, 53);
    EXPECT_EQ(ecu->count({0x44}), 1);
}

// --- demo mode ------------------------------------------------------------------------------------

class LevelsInDemo : public InDemoMode<KeltFixture> {
protected:
    void TearDown() override {
        EXPECT_EQ(driverCalls, 0);
        EXPECT_TRUE(errors.shownCodes().empty());
        InDemoMode::TearDown();
    }
};

TEST_F(LevelsInDemo, SampleValuesAndNothingSent) {
    ASSERT_EQ(kelt->ReadConfiguration(), 0);
    EXPECT_EQ(kelt->DriveLevelValves(LevelCharge, {1, 1, 1, 1}, {1, 1}), 0);
    LevelValues levels;
    EXPECT_EQ(kelt->ReadLevelValues(levels), 0);
    EXPECT_EQ(levels, kSample);
    EXPECT_EQ(kelt->CheckLevelValues(levels), LevelCheckResult::Acceptable);
    levels.LeftRightDifference = 105;
    EXPECT_EQ(kelt->CheckLevelValues(levels), LevelCheckResult::Refused);
    EXPECT_EQ(kelt->WriteLevelValues(levels), 0);
    uint8_t step = 1;
    EXPECT_EQ(kelt->CalibrationStep(step, 0), 0);
    EXPECT_EQ(step, 5);
    EXPECT_TRUE(kelt->CheckCalibrationResult());
    uint8_t type = 0;
    EXPECT_EQ(kelt->ReadCalibrationType(type), 0);
    EXPECT_EQ(type, 1);
    std::array<std::string, 5> texts;
    EXPECT_EQ(kelt->ReadLevelSensors(texts), 0);
    EXPECT_EQ(texts, (std::array<std::string, 5>{"100", "", "", "102", "101"}));
    uint16_t pressure = 0, offset = 0;
    EXPECT_EQ(kelt->ReadPressure(pressure), 0);
    EXPECT_EQ(pressure, 53);
    EXPECT_EQ(kelt->ReadPressureOffset(offset), 0);
    EXPECT_EQ(offset, 9);
    EXPECT_EQ(kelt->WritePressureOffset(10), 0);
    EXPECT_EQ(kelt->CalibratePressureZero(), 0);
    TiltValues tilt;
    EXPECT_EQ(kelt->ReadTiltSensors(tilt), 0);
    EXPECT_EQ(tilt, (TiltValues{50, 60}));
    EXPECT_EQ(kelt->WriteTiltValues(tilt), 0);
    // Only the demo difference check spoke.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, LoadStr(20096));
}

}  // namespace

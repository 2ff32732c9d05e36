// The simulated KELT ECU at the message level: what it answers, what it keeps, and the faults
// a test can inject.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "Clock.h"

#include "SimKeltEcu.h"
#include "SimUsbBus.h"

namespace {

struct AnswerCase {
    std::string name;
    SimBytes message;
    SimBytes answer;
};

class SimKeltEcuAnswers : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(SimKeltEcuAnswers, AnswersTheMessage) {
    SimKeltEcu ecu;
    ecu.setFaultStatus(0, 0x05);
    ecu.setFaultStatus(39, 0xE1);
    std::optional<SimBytes> answer = ecu.answer(GetParam().message);
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, GetParam().answer);
}

SimBytes faultAnswer() {
    SimBytes a = {0xA9, 0x51, 0x05};
    a.resize(41, 0);
    a.push_back(0xE1);
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Services, SimKeltEcuAnswers,
    ::testing::Values(
        AnswerCase{"Identification", {0x02},
                   {0x8F, 0x42, 0x10, 0x78, 0x2E, 0x05, 0x31, 0x76, 0x4A, 0x85, 0x00, 0x00, 'K',
                    'E', 'L', 'T'}},
        AnswerCase{"IdentifierLastByteFirst", {0x08}, {0x85, 0x48, 0x00, 0x01, 0x78, 0x10}},
        AnswerCase{"SoftwareRelease", {0x40}, {0x82, 0x80, 0x12}},
        AnswerCase{"ConfigurationD1", {0x82, 0x14, 0xD1}, {0x83, 0x54, 2, 4}},
        AnswerCase{"ConfigurationD2", {0x82, 0x14, 0xD2}, {0x83, 0x54, 11, 16}},
        AnswerCase{"IdentifierLocalId70", {0x82, 0x14, 0x70}, {0x83, 0x54, 0x37, 0x78}},
        AnswerCase{"IdentifierLocalId71", {0x82, 0x14, 0x71}, {0x83, 0x54, 0x01, 0x00}},
        AnswerCase{"BaudCode", {0x82, 0x14, 0xAF}, {0x83, 0x54, 4, 3}},
        AnswerCase{"UnknownLocalId", {0x82, 0x14, 0x99}, {0x82, 0x05, 0x31}},
        AnswerCase{"FaultMemory", {0x11}, faultAnswer()},
        AnswerCase{"TerminalVoltage", {0x48}, {0x83, 0x88, 180, 0x30}},
        AnswerCase{"Speed", {0x42}, {0x83, 0x82, 17, 0}},
        AnswerCase{"RelayVoltage", {0x47}, {0x83, 0x87, 0x08, 0}},
        AnswerCase{"FrontLevel", {0x43}, {0x83, 0x83, 200, 100}},
        AnswerCase{"Pressure", {0x44}, {0x83, 0x84, 53, 80}},
        AnswerCase{"RearLevels", {0x46}, {0x83, 0x86, 102, 101}},
        AnswerCase{"Tilt", {0x4B}, {0x83, 0x8B, 50, 60}},
        AnswerCase{"LevelBlock", {0x82, 0x14, 0xC7}, {0x83, 0x54, 0xA3, 50}},
        AnswerCase{"LevelBlockEnd", {0x82, 0x14, 0xCC}, {0x83, 0x54, 0, 0}},
        AnswerCase{"RearTolerance", {0x82, 0x14, 0xD7}, {0x83, 0x54, 5, 104}},
        AnswerCase{"PressureOffset", {0x82, 0x14, 0xCD}, {0x83, 0x54, 10, 9}},
        AnswerCase{"Actuation", {0x83, 0x21, 0x1F, 0x04}, {0x81, 0x61}},
        AnswerCase{"LeadRequest", {0x83, 0x26, 0x01, 0x00}, {0x81, 0x66}},
        AnswerCase{"ShortActuation", {0x82, 0x21, 0x1F}, {0x82, 0x05, 0x12}},
        AnswerCase{"CalibrationPoint", {0x20}, {0x81, 0x60}},
        AnswerCase{"Store", {0x25}, {0x81, 0x65}},
        AnswerCase{"PressureZero", {0x27}, {0x81, 0x67}},
        AnswerCase{"Stop", {0x0F}, {0x81, 0x4F}},
        AnswerCase{"UnknownService", {0x33}, {0x82, 0x05, 0x11}},
        AnswerCase{"HeaderCountsTooMuch", {0x83, 0x14, 0xD1}, {0x82, 0x05, 0x12}},
        AnswerCase{"OneByteMessageWithMore", {0x48, 0x80}, {0x82, 0x05, 0x12}},
        AnswerCase{"Empty", {}, {0x82, 0x05, 0x12}}),
    [](const auto& info) { return info.param.name; });

TEST(SimKeltEcu, StartsOnlyAtItsAddress) {
    SimKeltEcu ecu;
    EXPECT_TRUE(ecu.answersAt(16));
    EXPECT_FALSE(ecu.answersAt(17));
    ecu.setAddress(20);
    EXPECT_TRUE(ecu.answersAt(20));
    EXPECT_FALSE(ecu.answersAt(16));
    ecu.setRefusesStart(true);
    EXPECT_FALSE(ecu.answersAt(20));
}

TEST(SimKeltEcu, IdentifierKeptInLocalIdsOnly) {
    SimKeltEcu ecu;
    ecu.setIdentifier({0x10, 0x74, 0x05, 0x00}, SimKeltEcu::IdentifierPath::LocalIds);
    EXPECT_EQ(ecu.answer({0x08}), SimBytes{0x05});
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0x70}), (SimBytes{0x83, 0x54, 0x37, 0x74}));
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0x71}), (SimBytes{0x83, 0x54, 0x05, 0x00}));
    // The identification record carries the first two identifier bytes.
    EXPECT_EQ(ecu.identificationRecord()[0], 0x10);
    EXPECT_EQ(ecu.identificationRecord()[1], 0x74);
}

TEST(SimKeltEcu, WrittenLocalIdsAreReadBack) {
    SimKeltEcu ecu;
    EXPECT_EQ(ecu.answer({0x84, 0x13, 0xD0, 0x39, 0x14}), (SimBytes{0x82, 0x53, 0xD0}));
    EXPECT_EQ(ecu.localId(0xD0), (SimBytes{0x39, 0x14}));
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0xD0}), (SimBytes{0x83, 0x54, 0x39, 0x14}));
    // Overwriting keeps the newest record.
    ecu.answer({0x84, 0x13, 0xD1, 0x07, 0x08});
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0xD1}), (SimBytes{0x83, 0x54, 0x07, 0x08}));
    EXPECT_EQ(ecu.answer({0x82, 0x13, 0xD1}), (SimBytes{0x82, 0x05, 0x12}));
    ecu.removeLocalId(0xD0);
    EXPECT_FALSE(ecu.localId(0xD0));
}

TEST(SimKeltEcu, WritesOnlyKnownIdsWithTheirRecordLength) {
    SimKeltEcu ecu;
    EXPECT_EQ(ecu.answer({0x84, 0x13, 0xF0, 1, 2}), (SimBytes{0x82, 0x05, 0x31}));
    EXPECT_FALSE(ecu.localId(0xF0));
    EXPECT_EQ(ecu.answer({0x85, 0x13, 0xD3, 1, 2, 3}), (SimBytes{0x82, 0x05, 0x12}));
    EXPECT_EQ(ecu.answer({0x83, 0x13, 0xD3, 1}), (SimBytes{0x82, 0x05, 0x12}));
    EXPECT_EQ(ecu.localId(0xD3), (SimBytes{0x24, 0x25}));
}

// --- the parameter block ------------------------------------------------------------------------

struct BlockCase {
    std::string name;
    std::array<uint8_t, 4> identifier;
    uint8_t lastId;
};

class SimParameterBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(SimParameterBlock, RunsFromD1ToTheTypesLastId) {
    const BlockCase& c = GetParam();
    SimKeltEcu ecu;
    ecu.setIdentifier(c.identifier);
    const std::size_t length = 2u * (c.lastId - 0xD1 + 1);
    SimBytes block = ecu.parameterBlock();
    ASSERT_EQ(block.size(), length);
    // The configuration stays the block's first four bytes.
    EXPECT_EQ(SimBytes(block.begin(), block.begin() + 4), (SimBytes{2, 4, 11, 16}));
    EXPECT_TRUE(ecu.checkByteFits());
    EXPECT_EQ(ecu.answer({0x82, 0x14, c.lastId}),
              (SimBytes{0x83, 0x54, block[length - 2], block[length - 1]}));
    const uint8_t past = static_cast<uint8_t>(c.lastId + 1);
    EXPECT_EQ(ecu.answer({0x82, 0x14, past}), (SimBytes{0x82, 0x05, 0x31}));
    EXPECT_EQ(ecu.answer({0x84, 0x13, past, 0, 0}), (SimBytes{0x82, 0x05, 0x31}));

    SimBytes other(length);
    for (std::size_t i = 0; i < length; ++i) other[i] = static_cast<uint8_t>(200 + i);
    ecu.setParameterBlock(other);
    EXPECT_EQ(ecu.parameterBlock(), other);
    EXPECT_TRUE(ecu.checkByteFits());
    EXPECT_THROW(ecu.setParameterBlock(SimBytes(length + 2)), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(
    Types, SimParameterBlock,
    ::testing::Values(BlockCase{"Twenty", {0x10, 0x70, 0x01, 0x00}, 0xE4},
                      BlockCase{"TwentyTwo", {0x10, 0x76, 0x00, 0x00}, 0xE6},
                      BlockCase{"TwentyEight", {0x10, 0x78, 0x01, 0x00}, 0xEC},
                      BlockCase{"ThirtyOne", {0x10, 0x74, 0x20, 0x00}, 0xEF},
                      BlockCase{"UnknownTypeKeepsTheConfiguration", {0x10, 0x79, 0x00, 0x00}, 0xD2}),
    [](const auto& info) { return info.param.name; });

TEST(SimKeltEcu, CheckByteFitsTheBlockAndTheAddress) {
    SimKeltEcu ecu;
    ecu.setIdentifier({0x10, 0x70, 0x01, 0x00});
    SimBytes block(40, 0);
    block[0] = 1;
    block[1] = 2;
    block[2] = 3;
    ecu.setParameterBlock(block);
    // 1 + (1 + 2 + 3) + address 16.
    EXPECT_EQ(ecu.localId(0xD0), (SimBytes{23, 16}));

    // A written block fits only with its check byte.
    ecu.answer({0x84, 0x13, 0xD3, 0, 5});
    EXPECT_FALSE(ecu.checkByteFits());
    ecu.answer({0x84, 0x13, 0xD0, 28, 16});
    EXPECT_TRUE(ecu.checkByteFits());

    // An address change keeps byte 0 minus byte 1, so the check byte still fits.
    ecu.setAddress(20);
    EXPECT_EQ(ecu.localId(0xD0), (SimBytes{32, 20}));
    EXPECT_TRUE(ecu.checkByteFits());
    // Byte 1 of 0xD0 is the address the ECU answers at.
    ecu.answer({0x84, 0x13, 0xD0, 30, 18});
    EXPECT_EQ(ecu.address(), 18);
    EXPECT_TRUE(ecu.answersAt(18));
    EXPECT_FALSE(ecu.answersAt(20));
}

TEST(SimKeltEcu, AnIdThatIgnoresWritesAcknowledgesAndKeepsItsBytes) {
    SimKeltEcu ecu;
    ecu.setIgnoresWrites(0xD5);
    const SimBytes before = *ecu.localId(0xD5);
    EXPECT_EQ(ecu.answer({0x84, 0x13, 0xD5, 9, 9}), (SimBytes{0x82, 0x53, 0xD5}));
    EXPECT_EQ(ecu.localId(0xD5), before);
    ecu.setIgnoresWrites(0xD5, false);
    ecu.answer({0x84, 0x13, 0xD5, 9, 9});
    EXPECT_EQ(ecu.localId(0xD5), (SimBytes{9, 9}));
}

TEST(SimKeltEcu, AnIdThatStoresOtherBytesAcknowledgesAndKeepsThem) {
    SimKeltEcu ecu;
    ecu.setStoresWritesAs(0xD0, SimBytes{0x40, 0x21});
    EXPECT_EQ(ecu.answer({0x84, 0x13, 0xD0, 0x39, 0x14}), (SimBytes{0x82, 0x53, 0xD0}));
    EXPECT_EQ(ecu.localId(0xD0), (SimBytes{0x40, 0x21}));
    EXPECT_EQ(ecu.address(), 0x21) << "the address follows the record it keeps";
    ecu.setStoresWritesAs(0xD0, std::nullopt);
    ecu.answer({0x84, 0x13, 0xD0, 0x39, 0x14});
    EXPECT_EQ(ecu.localId(0xD0), (SimBytes{0x39, 0x14}));
}

TEST(SimKeltEcu, OnlyTheTypeWithoutBaudRateIdLacksIt) {
    SimKeltEcu ecu;
    ecu.setIdentifier({0x10, 0x70, 0x01, 0x00});
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0xAF}), (SimBytes{0x82, 0x05, 0x31}));
    ecu.setIdentifier({0x10, 0x78, 0x00, 0x00});
    EXPECT_EQ(ecu.localId(0xAF), (SimBytes{4, 3}));
}

TEST(SimKeltEcu, ClearEmptiesTheFaultMemory) {
    SimKeltEcu ecu;
    ecu.setFaultStatus(17, 0xE3);
    EXPECT_EQ(ecu.answer({0x10}), (SimBytes{0x81, 0x50}));
    EXPECT_EQ(ecu.faultStatus(), (std::array<uint8_t, 40>{}));
    EXPECT_EQ(ecu.count({0x10}), 1);
}

TEST(SimKeltEcu, StatusValuesCanBeSet) {
    SimKeltEcu ecu;
    ecu.setStatusValue(0x4B, 50, 60);
    EXPECT_EQ(ecu.answer({0x4B}), (SimBytes{0x83, 0x8B, 50, 60}));
}

TEST(SimKeltEcu, InjectedFaultsHitTheMatchingMessageOnce) {
    SimKeltEcu ecu;
    ecu.injectUndervoltage({0x14, 0xD2});
    ecu.injectNegative({0x11});
    ecu.injectNegativeCode({}, 0x22);
    // The first message matches only the catch-all fault.
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0xD1}), (SimBytes{0x82, 0x05, 0x22}));
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0xD2}), (SimBytes{0x82, 0x05, 0x02}));
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0xD2}), (SimBytes{0x83, 0x54, 11, 16}));
    EXPECT_EQ(ecu.answer({0x11}), SimBytes{0x05});
    EXPECT_EQ(ecu.pendingFaults(), 0u);
    EXPECT_EQ(ecu.messages().size(), 4u);
}

TEST(SimKeltEcu, InjectedReplyAndSilenceDoNotCarryOut) {
    SimKeltEcu ecu;
    ecu.setFaultStatus(0, 0x01);
    ecu.injectSilence({0x10});
    EXPECT_FALSE(ecu.answer({0x10}));
    EXPECT_EQ(ecu.faultStatus()[0], 0x01);
    const SimBytes before = *ecu.localId(0xE0);
    ecu.injectReply({0x13}, {0x81, 0x53});
    ecu.answer({0x84, 0x13, 0xE0, 1, 2});
    EXPECT_EQ(ecu.localId(0xE0), before);
    EXPECT_EQ(ecu.count({0x13, 0xE0}), 1);
}

TEST(SimKeltEcu, ShortRepliesAreCutWithTheirHeader) {
    SimKeltEcu ecu;
    ecu.injectShortReply({0x11}, 10);
    ecu.injectShortReply({0x14}, 3);
    ecu.injectShortReply({0x02}, 1);
    SimBytes faults = *ecu.answer({0x11});
    EXPECT_EQ(faults.size(), 10u);
    EXPECT_EQ(faults[0], 0x89);
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0xD1}), (SimBytes{0x82, 0x54, 2}));
    EXPECT_EQ(ecu.answer({0x02}), SimBytes{0x42});
    // A cut longer than the answer leaves it whole.
    ecu.injectShortReply({0x40}, 20);
    EXPECT_EQ(ecu.answer({0x40}), (SimBytes{0x82, 0x80, 0x12}));
}

TEST(SimKeltEcu, TheReplyServiceByteIsAnOptionPerService) {
    SimKeltEcu ecu;
    ecu.setReplyServiceByte(0x14, 0x14);
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0xD2}), (SimBytes{0x83, 0x14, 11, 16}));
    // Other services and refusals keep their bytes; a cut answer carries the option too.
    EXPECT_EQ(ecu.answer({0x40}), (SimBytes{0x82, 0x80, 0x12}));
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0x01}), (SimBytes{0x82, 0x05, 0x31}));
    ecu.injectShortReply({0x14}, 3);
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0xD1}), (SimBytes{0x82, 0x14, 2}));
    ecu.setReplyServiceByte(0x14, std::nullopt);
    EXPECT_EQ(ecu.answer({0x82, 0x14, 0xD2}), (SimBytes{0x83, 0x54, 11, 16}));
}

TEST(SimKeltEcu, LogKeepsBodies) {
    SimKeltEcu ecu;
    ecu.answer({0x82, 0x14, 0xD1});
    ecu.answer({0x48});
    EXPECT_EQ(ecu.bodies(), (std::vector<SimBytes>{{0x14, 0xD1}, {0x48}}));
    ecu.clearLog();
    EXPECT_TRUE(ecu.messages().empty());
}

// --- actuation and moving values -----------------------------------------------------------------

class SimKeltEcuMotion : public ::testing::Test {
protected:
    void SetUp() override {
        ecu.setClock(clock);
        ecu.setMotion({20, 10, 30});
    }
    void drive(uint8_t b1, uint8_t b2 = 0) { ASSERT_TRUE(ecu.answer({0x83, 0x21, b1, b2})); }
    // (front, rear left, rear right, pressure) as the ECU answers them now.
    std::array<uint8_t, 4> values() {
        return {ecu.statusValue(0x43)[1], ecu.statusValue(0x46)[0], ecu.statusValue(0x46)[1],
                ecu.statusValue(0x44)[0]};
    }

    FakeClock clock{5000};
    SimKeltEcu ecu;
};

TEST_F(SimKeltEcuMotion, ActuationsAreKeptAndLoggedWithTheirTime) {
    EXPECT_TRUE(ecu.released());
    ASSERT_TRUE(ecu.answer({0x83, 0x26, 0x01, 0x00}));
    EXPECT_TRUE(ecu.released()) << "the lead request drives nothing";
    clock.advance(40);
    drive(0x07, 0x04);
    clock.advance(100000);
    EXPECT_EQ(ecu.actuationWord(), (std::array<uint8_t, 2>{0x07, 0x04})) << "no time-out";
    EXPECT_FALSE(ecu.released());
    drive(0x00);
    EXPECT_TRUE(ecu.released());
    // A refused or malformed actuation changes nothing.
    ecu.injectNegative({0x21});
    drive(0x1F);
    ecu.answer({0x82, 0x21, 0x1F});
    EXPECT_TRUE(ecu.released());
    EXPECT_EQ(ecu.actuations(),
              (std::vector<SimActuation>{{5000, {0x26, 0x01, 0x00}},
                                         {5040, {0x21, 0x07, 0x04}},
                                         {105040, {0x21, 0x00, 0x00}}}));
}

struct MotionCase {
    std::string name;
    uint8_t b1;
    uint64_t ms;
    std::array<uint8_t, 4> expected;  // front, rear left, rear right, pressure
};

class SimKeltEcuMoves : public SimKeltEcuMotion, public ::testing::WithParamInterface<MotionCase> {};

// From front 100, rear 102 / 101, pressure 53; 20 level counts and 10 pressure counts a second,
// pressure floor 30.
TEST_P(SimKeltEcuMoves, WhileValvesAreOpen) {
    drive(GetParam().b1);
    clock.advance(GetParam().ms);
    EXPECT_EQ(values(), GetParam().expected);
    // Holding stops everything where it is.
    drive(0x00);
    clock.advance(10000);
    EXPECT_EQ(values(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Words, SimKeltEcuMoves,
    ::testing::Values(
        MotionCase{"ChargeRear", 0x07, 1000, {100, 122, 121, 63}},
        MotionCase{"VentRearLeft", 0x02, 1000, {100, 82, 101, 43}},
        MotionCase{"ChargeFrontRight", 0x11, 500, {110, 102, 101, 58}},
        MotionCase{"VentAll", 0x1E, 2000, {60, 62, 61, 33}},
        MotionCase{"PressureStopsAtTheFloor", 0x1E, 3000, {40, 42, 41, 30}},
        MotionCase{"LevelsStopAtZero", 0x1E, 60000, {0, 0, 0, 30}},
        MotionCase{"LevelsStopAt255", 0x1F, 60000, {255, 255, 255, 255}},
        MotionCase{"ChargeWithoutValves", 0x01, 1000, {100, 102, 101, 53}},
        MotionCase{"OtherOutputs", 0x60, 1000, {100, 102, 101, 53}}),
    [](const auto& info) { return info.param.name; });

TEST_F(SimKeltEcuMotion, SmallStepsAddUp) {
    drive(0x05);  // charge rear right: 20 counts a second
    for (int i = 0; i < 10; ++i) {
        clock.advance(30);
        ASSERT_TRUE(ecu.answer({0x46}));
    }
    EXPECT_EQ(ecu.statusValue(0x46)[1], 107);
    // A value set by the test starts afresh.
    ecu.setStatusValue(0x46, 10, 20);
    clock.advance(49);
    EXPECT_EQ(ecu.statusValue(0x46), (std::array<uint8_t, 2>{10, 20}));
    clock.advance(1);
    EXPECT_EQ(ecu.statusValue(0x46), (std::array<uint8_t, 2>{10, 21}));
}

TEST_F(SimKeltEcuMotion, BelowTheFloorVentingDoesNotRaiseThePressure) {
    ecu.setStatusValue(0x44, 12, 80);
    drive(0x1E);
    clock.advance(1000);
    EXPECT_EQ(ecu.statusValue(0x44)[0], 12);
}

// --- calibration --------------------------------------------------------------------------------

SimBytes levelBlock(SimKeltEcu& ecu) {
    SimBytes block;
    for (uint8_t id = 0xC7; id <= 0xCC; ++id) {
        SimBytes record = *ecu.localId(id);
        block.insert(block.end(), record.begin(), record.end());
    }
    return block;
}

TEST(SimKeltEcuCalibration, StartsWithAValidLevelBlock) {
    SimKeltEcu ecu;
    EXPECT_EQ(levelBlock(ecu), (SimBytes{0xA3, 50, 55, 84, 87, 20, 18, 104, 0, 0, 0, 0}));
    EXPECT_EQ(ecu.localId(0xD6), (SimBytes{5, 0}));
    EXPECT_EQ(ecu.localId(0xCE), (SimBytes{0, 0}));
    EXPECT_EQ(ecu.localId(0xCF), (SimBytes{0, 0}));
}

TEST(SimKeltEcuCalibration, StoreTurnsThePointsIntoTheLevelBlock) {
    SimKeltEcu ecu;
    const std::array<std::array<uint8_t, 3>, 4> points = {
        {{100, 104, 98}, {140, 131, 128}, {60, 71, 70}, {1, 2, 3}}};
    for (const auto& [front, left, right] : points) {
        ecu.setStatusValue(0x43, 200, front);
        ecu.setStatusValue(0x46, left, right);
        ecu.answer({0x20});
    }
    ecu.answer({0x25});
    // Rear (104 + 98) / 2 = 101, difference 6; 1 + 101 + 100 + 129 + 140 + 70 + 60 + 6 = 607.
    EXPECT_EQ(levelBlock(ecu), (SimBytes{0x5F, 101, 100, 129, 140, 70, 60, 6, 0, 0, 0, 0}));

    // One point: the normal level; upper and lower stay. Right above left: a negative difference.
    ecu.setStatusValue(0x43, 200, 90);
    ecu.setStatusValue(0x46, 95, 100);
    ecu.answer({0x20});
    ecu.answer({0x25});
    const SimBytes block = levelBlock(ecu);
    EXPECT_EQ(SimBytes(block.begin() + 1, block.begin() + 8),
              (SimBytes{97, 90, 129, 140, 70, 60, 0xFB}));
    EXPECT_EQ(block[0], static_cast<uint8_t>(1 + 97 + 90 + 129 + 140 + 70 + 60 + 0xFB));
}

TEST(SimKeltEcuCalibration, StoreWithoutPointsKeepsTheBlockAsWritten) {
    SimKeltEcu ecu;
    ecu.answer({0x84, 0x13, 0xC7, 0x10, 50});  // a wrong check byte stays wrong
    ecu.answer({0x25});
    EXPECT_EQ(levelBlock(ecu), (SimBytes{0x10, 50, 55, 84, 87, 20, 18, 104, 0, 0, 0, 0}));
}

TEST(SimKeltEcuCalibration, ASpoiledStoreLeavesAWrongCheckByteOnce) {
    SimKeltEcu ecu;
    ecu.spoilNextLevelBlock();
    for (uint8_t expected : {0x9B, 0x9A}) {
        ecu.setStatusValue(0x43, 200, 100);
        ecu.setStatusValue(0x46, 100, 100);
        ecu.answer({0x20});
        ecu.answer({0x25});
        // 1 + 100 + 100 + 84 + 87 + 20 + 18 + 0 = 410, 0x19A.
        EXPECT_EQ(levelBlock(ecu)[0], expected);
    }
}

TEST(SimKeltEcuCalibration, PressureZeroTakesTheCurrentPressure) {
    SimKeltEcu ecu;
    ecu.setStatusValue(0x44, 255, 0);
    ecu.answer({0x27});
    EXPECT_EQ(ecu.localId(0xCD), (SimBytes{0, 255}));
    EXPECT_EQ(ecu.localId(0xCE), (SimBytes{0, 0}));
}

TEST(SimKeltEcu, PluggedInBehindInterfacesFromTheEnvironment) {
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    SimUsbBus::setEcuFactory(&SimKeltEcu::factory);
    ASSERT_EQ(bus.addDevicesFromSpec("1,2"), 2u);
    auto first = std::dynamic_pointer_cast<SimKeltEcu>(bus.device(0)->ecu());
    auto second = std::dynamic_pointer_cast<SimKeltEcu>(bus.device(1)->ecu());
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second) << "each interface has an ECU of its own";
    SimUsbBus::setEcuFactory(nullptr);
    bus.reset();
}

}  // namespace

// --- the ECU a KELT_SIM_ECU value describes --------------------------------------------------

TEST(SimKeltEcuDescription, OptionsSetFaultsConfigurationAndStatusValues) {
    std::string problems;
    const auto ecu = SimKeltEcu::fromDescription(
        "kelt  faults=0:0x05,17:195 config=3,4,0x0B,16 status=0x42:88:0,0x48:200:1 reply=0x14:0x14",
        problems);
    ASSERT_NE(ecu, nullptr);
    EXPECT_EQ(problems, "");
    const auto faults = ecu->faultStatus();
    EXPECT_EQ(faults[0], 0x05);
    EXPECT_EQ(faults[17], 0xC3);
    EXPECT_EQ(std::count(faults.begin(), faults.end(), 0), 38);
    EXPECT_EQ(ecu->localId(0xD1), (SimBytes{3, 4}));
    EXPECT_EQ(ecu->localId(0xD2), (SimBytes{11, 16}));
    EXPECT_TRUE(ecu->checkByteFits());
    EXPECT_EQ(ecu->statusValue(0x42), (std::array<uint8_t, 2>{88, 0}));
    EXPECT_EQ(ecu->statusValue(0x48), (std::array<uint8_t, 2>{200, 1}));
    EXPECT_EQ(ecu->answer({0x82, 0x14, 0xD1}), (SimBytes{0x83, 0x14, 3, 4}));
}

TEST(SimKeltEcuDescription, PlainKeltIsTheDefaultEcuAndOtherKindsAreNone) {
    std::string problems;
    const auto plain = SimKeltEcu::fromDescription("kelt", problems);
    ASSERT_NE(plain, nullptr);
    const SimKeltEcu standard;
    EXPECT_EQ(plain->faultStatus(), standard.faultStatus());
    EXPECT_EQ(plain->parameterBlock(), standard.parameterBlock());
    for (const char* other : {"", "minimal", "keltx", "Kelt"})
        EXPECT_EQ(SimKeltEcu::fromDescription(other, problems), nullptr) << other;
    EXPECT_EQ(problems, "");
}

TEST(SimKeltEcuDescription, OptionsThatCannotBeReadAreNamedAndLeftOut) {
    std::string problems;
    const auto ecu = SimKeltEcu::fromDescription(
        "kelt faults=40:1,2:0x100,3:7 config=1,2,3 status=0x30:1:2,0x43:9:8 reply=0x14 colour=red",
        problems);
    ASSERT_NE(ecu, nullptr);
    EXPECT_EQ(problems,
              "faults needs <byte 0..39>:<value>: 40:1\n"
              "faults needs <byte 0..39>:<value>: 2:0x100\n"
              "config needs four bytes a,b,c,d: config=1,2,3\n"
              "status needs <service 0x41..0x4B>:<d0>:<d1>: 0x30:1:2\n"
              "reply needs <service>:<byte>: 0x14\n"
              "unknown option: colour=red\n");
    // What could be read is set all the same.
    EXPECT_EQ(ecu->faultStatus()[3], 7);
    EXPECT_EQ(ecu->statusValue(0x43), (std::array<uint8_t, 2>{9, 8}));
    EXPECT_EQ(ecu->localId(0xD1), SimKeltEcu().localId(0xD1));
}

TEST(SimKeltEcuDescription, AJournalKeepsEachActuationAndEachCloseOfTheInterface) {
    const std::string path = ::testing::TempDir() + "sim_kelt_journal_" +
                             std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".txt";
    std::remove(path.c_str());
    std::string problems;
    const auto ecu = SimKeltEcu::fromDescription("kelt journal=" + path, problems);
    ASSERT_NE(ecu, nullptr);
    EXPECT_EQ(problems, "");

    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    bus.addDevice("Diagnostic Interface #1").attachEcu(ecu);
    void* readHandle = nullptr;
    void* writeHandle = nullptr;
    ASSERT_EQ(bus.open("\\\\.\\Diagnostic_Interface0", &readHandle, &writeHandle), 0);
    ecu->answer({0x83, 0x21, 0x00, 0x06});
    ecu->answer({0x83, 0x26, 0x01, 0x00});
    ecu->injectNegative({0x21});
    ecu->answer({0x83, 0x21, 0x00, 0x00});  // refused: not carried out, not in the journal
    ecu->answer({0x11});
    ASSERT_EQ(bus.close(readHandle, writeHandle), 0);
    bus.reset();

    std::ifstream file(path);
    const std::string journal((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(journal, "actuation 21 00 06\nactuation 26 01 00\nclosed\n");
    std::remove(path.c_str());

    EXPECT_EQ(SimKeltEcu::fromDescription("kelt journal=/nonexistent-folder/j.txt journal=", problems) != nullptr,
              true);
    EXPECT_EQ(problems,
              "journal needs a file that can be appended to: journal=/nonexistent-folder/j.txt\n"
              "journal needs a file that can be appended to: journal=\n");
}

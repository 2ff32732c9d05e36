// The simulated KELT ECU at the message level: what it answers, what it keeps, and the faults
// a test can inject.
#include <gtest/gtest.h>

#include <string>

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
        AnswerCase{"UnknownLocalId", {0x82, 0x14, 0x99}, {0x82, 0x05, 0x31}},
        AnswerCase{"FaultMemory", {0x11}, faultAnswer()},
        AnswerCase{"TerminalVoltage", {0x48}, {0x83, 0x88, 180, 0x30}},
        AnswerCase{"Speed", {0x42}, {0x83, 0x82, 17, 0}},
        AnswerCase{"RelayVoltage", {0x47}, {0x83, 0x87, 0x08, 0}},
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
    ecu.injectReply({0x13}, {0x81, 0x53});
    ecu.answer({0x84, 0x13, 0xE0, 1, 2});
    EXPECT_FALSE(ecu.localId(0xE0));
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

TEST(SimKeltEcu, LogKeepsBodies) {
    SimKeltEcu ecu;
    ecu.answer({0x82, 0x14, 0xD1});
    ecu.answer({0x48});
    EXPECT_EQ(ecu.bodies(), (std::vector<SimBytes>{{0x14, 0xD1}, {0x48}}));
    ecu.clearLog();
    EXPECT_TRUE(ecu.messages().empty());
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

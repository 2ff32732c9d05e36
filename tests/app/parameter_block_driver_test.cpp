// The parameter block through the real driver: libdiagdr32's exported JED677 functions, the USB
// test library and the simulated interface with the simulated KELT ECU behind it.
#include <functional>

#include "DriverTestSupport.h"
#include "ParameterBlock.h"
#include "StringTable.h"

namespace {

class ParameterBlockThroughTheDriver : public OverTheRealDriver<KeltFixture> {
public:
    void SetUp() override {
        OverTheRealDriver::SetUp();
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
    }
    void connect(std::array<uint8_t, 4> identifier) {
        ecu->setIdentifier(identifier);
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        ecu->clearLog();
    }
    SimBytes editedBlock() const {
        SimBytes block = ecu->parameterBlock();
        for (std::size_t i = 4; i < block.size(); ++i) block[i] = static_cast<uint8_t>(255 - block[i]);
        return block;
    }
    int write(const SimBytes& block) {
        return kelt->WriteParameters(static_cast<uint16_t>(block.size()), block);
    }
};

struct TypeCase {
    std::string name;
    std::array<uint8_t, 4> identifier;
    std::size_t ids;
};

class DriverParameterTypes : public ParameterBlockThroughTheDriver,
                             public ::testing::WithParamInterface<TypeCase> {};

TEST_P(DriverParameterTypes, ReadAndWriteTheTypesBlock) {
    connect(GetParam().identifier);
    std::vector<uint8_t> buffer(kParameterBufferSize);
    uint16_t count = 0;
    ASSERT_EQ(kelt->ReadParameters(count, buffer), 0);
    ASSERT_EQ(count, 2 * GetParam().ids);
    EXPECT_EQ(SimBytes(buffer.begin(), buffer.begin() + count), ecu->parameterBlock());
    EXPECT_EQ(ecu->count({0x14}), static_cast<int>(GetParam().ids));
    EXPECT_EQ(ecu->bodies().back(), (SimBytes{0x14, static_cast<uint8_t>(0xD0 + GetParam().ids)}));

    const SimBytes block = editedBlock();
    ecu->clearLog();
    EXPECT_EQ(write(block), 0);
    EXPECT_EQ(ecu->parameterBlock(), block);
    EXPECT_TRUE(ecu->checkByteFits());
    // Nothing past the type's last id.
    EXPECT_EQ(ecu->count({0x13}), static_cast<int>(GetParam().ids + 1));
    EXPECT_EQ(ecu->count({0x13, static_cast<uint8_t>(0xD1 + GetParam().ids)}), 0);
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_TRUE(boxes.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Types, DriverParameterTypes,
                         ::testing::Values(TypeCase{"Twenty", {0x10, 0x70, 0x01, 0x00}, 20},
                                           TypeCase{"TwentyEight", {0x10, 0x78, 0x01, 0x00}, 28},
                                           TypeCase{"ThirtyOne", {0x10, 0x74, 0x20, 0x00}, 31}),
                         [](const auto& info) { return info.param.name; });

struct NotStoredCase {
    std::string name;
    std::function<void(SimKeltEcu&)> arrange;
};

class DriverParametersNotStored : public ParameterBlockThroughTheDriver,
                                  public ::testing::WithParamInterface<NotStoredCase> {};

TEST_P(DriverParametersNotStored, ShowTheWarningAndGiveUp) {
    connect({0x10, 0x78, 0x01, 0x00});
    const SimBytes block = editedBlock();
    GetParam().arrange(*ecu);
    EXPECT_EQ(write(block), GiveUp);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, LoadStr(20101));
    EXPECT_TRUE(errors.shownCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DriverParametersNotStored,
    ::testing::Values(
        NotStoredCase{"CorruptedReadBack",
                      [](SimKeltEcu& e) { e.injectReply({0x14, 0xE1}, {0x83, 0x54, 1, 2}); }},
        NotStoredCase{"WriteNotStored", [](SimKeltEcu& e) { e.setIgnoresWrites(0xD9); }}),
    [](const auto& info) { return info.param.name; });

TEST_F(ParameterBlockThroughTheDriver, AFailureMidwayIsShownOnceWithItsAnswer) {
    connect({0x10, 0x78, 0x01, 0x00});
    const SimBytes before = ecu->parameterBlock();
    ecu->injectUndervoltage({0x13, 0xDC});
    errors.script(RepeatOperation);
    EXPECT_EQ(write(editedBlock()), RepeatOperation);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{KELT_ERR_UNDERVOLTAGE});
    EXPECT_EQ(ecu->bodies().back()[1], 0xDC) << "nothing sent after the failure";
    EXPECT_FALSE(ecu->checkByteFits()) << "half a block written, no check byte";
    // The repeat the editor then makes writes the whole block.
    EXPECT_EQ(write(editedBlock()), 0);
    EXPECT_TRUE(ecu->checkByteFits());
    EXPECT_NE(ecu->parameterBlock(), before);
}

struct CheckReadFailure {
    std::string name;
    std::function<void(SimKeltEcu&)> arrange;
    int32_t code;
};

class DriverCheckByteReadFailures
    : public ParameterBlockThroughTheDriver,
      public ::testing::WithParamInterface<std::tuple<CheckReadFailure, int>> {};

// Without the check byte's record no part of the block may reach the ECU: the new block under
// the old check byte would leave it an invalid parameter set.
TEST_P(DriverCheckByteReadFailures, SendNoWrite) {
    const auto& [c, answer] = GetParam();
    connect({0x10, 0x78, 0x01, 0x00});
    const SimBytes before = ecu->parameterBlock();
    c.arrange(*ecu);
    errors.script(answer);
    EXPECT_EQ(write(editedBlock()), answer);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{c.code});
    EXPECT_EQ(ecu->bodies(), (std::vector<SimBytes>{{0x14, 0xD0}}));
    EXPECT_EQ(ecu->count({0x13}), 0);
    EXPECT_EQ(ecu->parameterBlock(), before);
    EXPECT_TRUE(ecu->checkByteFits());
}

const CheckReadFailure kCheckReadFailures[] = {
    {"Refused", [](SimKeltEcu& e) { e.injectNegative({0x14, 0xD0}); }, JED677_NEGATIVE_ANSWER},
    {"Undervoltage", [](SimKeltEcu& e) { e.injectUndervoltage({0x14, 0xD0}); }, KELT_ERR_UNDERVOLTAGE},
    {"Short", [](SimKeltEcu& e) { e.injectShortReply({0x14, 0xD0}, 3); }, DIAG_ERR_BAD_REPLY},
    {"Silent", [](SimKeltEcu& e) { e.injectSilence({0x14, 0xD0}); },
     jed677Status(SimInterface::kStatusEcuSilent)},
};

INSTANTIATE_TEST_SUITE_P(Points, DriverCheckByteReadFailures, withEachAnswer(kCheckReadFailures),
                         pointAndAnswerName());

TEST_F(ParameterBlockThroughTheDriver, ATypeOutsideTheSetSendsNothing) {
    connect({0x10, 0x78, 0x01, 0x00});
    kelt->EcuTyp = 0x107900;
    std::vector<uint8_t> buffer(kParameterBufferSize);
    uint16_t count = 1;
    errors.script(GiveUp);
    errors.script(GiveUp);
    EXPECT_EQ(kelt->ReadParameters(count, buffer), GiveUp);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(kelt->WriteParameters(56, buffer), GiveUp);
    EXPECT_EQ(errors.shownCodes(), (std::vector<int32_t>{KELT_ERR_NOT_SUPPORTED, KELT_ERR_NOT_SUPPORTED}));
    EXPECT_TRUE(ecu->messages().empty());
}

}  // namespace

// Identification and configuration of the ECU: decoding the replies into texts and capability
// flags, and what a failing or refused request leaves behind.
#include <functional>

#include "KeltProgramContext.h"
#include "KeltTestSupport.h"

namespace {

class Identification : public KeltFixture {
protected:
    void SetUp() override {
        KeltFixture::SetUp();
        connectTo({0x10, 0x78, 0x01, 0x00});
    }
};

struct IdentCase {
    std::string name;
    std::array<uint8_t, 6> b4to9;
    uint8_t release;
    std::string product;
    std::string date;
    std::string version;
};

class IdentDecoding : public Identification, public ::testing::WithParamInterface<IdentCase> {};

TEST_P(IdentDecoding, DecodesTheTexts) {
    const IdentCase& c = GetParam();
    SimBytes record{0x10, 0x78};
    record.insert(record.end(), c.b4to9.begin(), c.b4to9.end());
    record.insert(record.end(), {0x00, 0x00});
    ecu->setIdentificationRecord(record);
    ecu->setSoftwareRelease(c.release);
    vehicleVIN = "WDB9066331S123456";

    EXPECT_EQ(kelt->ReadIdentification(), 0);
    EXPECT_EQ(kelt->EcuProductNumber, c.product);
    EXPECT_EQ(kelt->EcuDateOfProduction, c.date);
    EXPECT_EQ(kelt->EcuSoftwareVersion, c.version);
    EXPECT_EQ(vehicleVIN, "");
    // The current fault first, then identification and software release.
    EXPECT_EQ(ecu->bodies(), (std::vector<SimBytes>{{0x11}, {0x02}, {0x40}}));
}

// Data files and protocols carry the texts just read, the serial number as "---".
TEST_F(Identification, ProgramContextGivesTheTextsFilesCarry) {
    ecu->setIdentificationRecord({0x10, 0x78, 0x2E, 0x05, 0x31, 0x76, 0x4A, 0x85, 0x00, 0x00});
    ecu->setSoftwareRelease(0x12);
    ASSERT_EQ(kelt->ReadIdentification(), 0);
    const EcuTexts texts = KeltProgramContext().ecuTexts();
    EXPECT_EQ(texts.DiagnosticIdentification, "10780100");
    EXPECT_EQ(texts.ProductNumber, "841 302 065 3");
    EXPECT_EQ(texts.DateOfProduction, "2005-W10");
    EXPECT_EQ(texts.SoftwareVersion, "7.6.1.2.");
    EXPECT_EQ(texts.SerialNumber, "---");

    KELTInterfaceObj = nullptr;
    EXPECT_EQ(KeltProgramContext().ecuTexts().ProductNumber, "");
    EXPECT_EQ(KeltProgramContext().ecuTexts().SerialNumber, "---");
}

INSTANTIATE_TEST_SUITE_P(
    Replies, IdentDecoding,
    ::testing::Values(
        IdentCase{"Usual", {0x2E, 0x05, 0x31, 0x76, 0x4A, 0x85}, 0x12, "841 302 065 3",
                  "2005-W10", "7.6.1.2."},
        IdentCase{"OtherFamily", {0x2E, 0x05, 0x31, 0x76, 0x4A, 0x05}, 0x12, "842 302 065 3",
                  "2005-W10", "7.6.1.2."},
        IdentCase{"Zeros", {0, 0, 0, 0, 0, 0}, 0x00, "842 000 000 0", "1900-W00", "0.0.0.0."},
        IdentCase{"NoRangeCheckOnTheDate", {0x01, 0x00, 0x00, 0x10, 0xFF, 0x09}, 0x00,
                  "842 001 000 0", "2209-W63", "1.0.0.0."},
        // Longer than the 16 characters the text had room for: kept whole.
        IdentCase{"LargestValues", {0xFF, 0xFF, 0xFF, 0xAB, 0xFF, 0xFF}, 0xF0, "841 1023 1023 15",
                  "22127-W63", "A.B.F.0."}),
    [](const auto& info) { return info.param.name; });

struct IdentFailure {
    std::string name;
    std::function<void(KeltFixture&)> arrange;
    int32_t code;
    std::vector<SimBytes> sent;
};

class IdentFailures : public Identification,
                      public ::testing::WithParamInterface<std::tuple<IdentFailure, int>> {};

TEST_P(IdentFailures, ShownOnceAndAnswered) {
    const auto& [c, answer] = GetParam();
    c.arrange(*this);
    errors.script(answer);
    vehicleVIN = "1234";
    EXPECT_EQ(kelt->ReadIdentification(), answer);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{c.code});
    EXPECT_EQ(ecu->bodies(), c.sent);
    EXPECT_EQ(vehicleVIN, "1234");
}

const IdentFailure kIdentFailures[] = {
    {"FaultMemoryRefused", [](KeltFixture& f) { f.ecu->injectNegative({0x11}); },
     JED677_NEGATIVE_ANSWER, {{0x11}}},
    {"IdentificationShort", [](KeltFixture& f) { f.ecu->injectShortReply({0x02}, 9); },
     DIAG_ERR_BAD_REPLY, {{0x11}, {0x02}}},
    {"IdentificationUndervoltage", [](KeltFixture& f) { f.ecu->injectUndervoltage({0x02}); },
     KELT_ERR_UNDERVOLTAGE, {{0x11}, {0x02}}},
    {"ReleaseShort", [](KeltFixture& f) { f.ecu->injectShortReply({0x40}, 2); },
     DIAG_ERR_BAD_REPLY, {{0x11}, {0x02}, {0x40}}},
    {"ReleaseRefusedInHeaderForm", [](KeltFixture& f) { f.ecu->injectNegativeCode({0x40}, 0x11); },
     JED677_NEGATIVE_ANSWER, {{0x11}, {0x02}, {0x40}}},
};

INSTANTIATE_TEST_SUITE_P(Points, IdentFailures, withEachAnswer(kIdentFailures),
                         pointAndAnswerName());

// --- configuration ------------------------------------------------------------------------------

using Flag = uint8_t KELTInterface::*;
struct NamedFlag {
    const char* name;
    Flag flag;
};
const NamedFlag kFlags[] = {
    {"CfgFrontAxle", &KELTInterface::CfgFrontAxle},
    {"CfgRearSensorLeft", &KELTInterface::CfgRearSensorLeft},
    {"CfgRearSensorRight", &KELTInterface::CfgRearSensorRight},
    {"CfgValve1WSLeft", &KELTInterface::CfgValve1WSLeft},
    {"CfgValve1WSRight", &KELTInterface::CfgValve1WSRight},
    {"CfgValve2WSLeft", &KELTInterface::CfgValve2WSLeft},
    {"CfgValve2WSRight", &KELTInterface::CfgValve2WSRight},
    {"CfgAxleInputsSwapped", &KELTInterface::CfgAxleInputsSwapped},
    {"CfgPeripheryDetection", &KELTInterface::CfgPeripheryDetection},
    {"CfgPressureSensor", &KELTInterface::CfgPressureSensor},
    {"CfgKneelingAutoManual", &KELTInterface::CfgKneelingAutoManual},
    {"CfgCrossThrottle", &KELTInterface::CfgCrossThrottle},
    {"CfgMainThrottle", &KELTInterface::CfgMainThrottle},
    {"CfgDoorContactUbatt", &KELTInterface::CfgDoorContactUbatt},
    {"CfgSidewalkMakeContact", &KELTInterface::CfgSidewalkMakeContact},
    {"CfgTiltSensor", &KELTInterface::CfgTiltSensor},
    {"CfgOutputs", &KELTInterface::CfgOutputs},
    {"CfgMeasuredValues", &KELTInterface::CfgMeasuredValues},
    {"CfgLampTest", &KELTInterface::CfgLampTest},
    {"CfgSwitches", &KELTInterface::CfgSwitches},
    {"CfgPressureData", &KELTInterface::CfgPressureData},
    {"CfgLeftRightDifference", &KELTInterface::CfgLeftRightDifference},
    {"CfgAlbValve", &KELTInterface::CfgAlbValve},
};

// The flags in kFlags order as a string of 0/1, so a mismatch names itself in the output.
std::string flagsOf(const KELTInterface& k) {
    std::string s;
    for (const NamedFlag& f : kFlags) s += std::string(f.name) + "=" + std::to_string(k.*(f.flag)) + " ";
    return s;
}

std::string flagsFrom(const std::string& bits) {
    std::string s;
    for (std::size_t i = 0; i < std::size(kFlags); ++i)
        s += std::string(kFlags[i].name) + "=" + bits.substr(i, 1) + " ";
    return s;
}

void setAllFlags(KELTInterface& k, uint8_t value) {
    for (const NamedFlag& f : kFlags) k.*(f.flag) = value;
}

struct ConfigCase {
    std::string name;
    std::array<uint8_t, 4> identifier;
    uint8_t a, b, c, d;
    // In kFlags order: Front RearL RearR V1L V1R V2L V2R Swapped Periphery Pressure Kneeling
    // Cross Main Door Sidewalk Tilt Outputs Measured Lamp Switches PressData LR Alb
    std::string flags;
    uint8_t asian;
};

class Configuration : public KeltFixture, public ::testing::WithParamInterface<ConfigCase> {};

TEST_P(Configuration, SetsEveryFlag) {
    const ConfigCase& c = GetParam();
    connectTo(c.identifier);
    ecu->setConfiguration(c.a, c.b, c.c, c.d);
    setAllFlags(*kelt, 1);
    kelt->AsianStyle = 1;
    EXPECT_EQ(kelt->ReadConfiguration(), 0);
    EXPECT_EQ(flagsOf(*kelt), flagsFrom(c.flags));
    EXPECT_EQ(kelt->AsianStyle, c.asian);
    EXPECT_EQ(ecu->bodies(), (std::vector<SimBytes>{{0x11}, {0x14, 0xD1}, {0x14, 0xD2}}));
}

INSTANTIATE_TEST_SUITE_P(
    TypesAndBytes, Configuration,
    ::testing::Values(
        //                                                        FRRVVVVSPPKCMDSTOMLSPLA
        ConfigCase{"DemoBytes", {0x10, 0x78, 0x01, 0}, 2, 4, 11, 16, "11111110010110011111110", 0},
        ConfigCase{"AsianStyle", {0x10, 0x74, 0x20, 0}, 0xA2, 0x0C, 0x83, 0x12,
                   "11111111101101101111110", 1},
        ConfigCase{"EuropeanStyle", {0x10, 0x74, 0x20, 0}, 0, 0, 0x20, 0,
                   "01100110000000000111110", 0},
        ConfigCase{"OldestType", {0x10, 0x70, 0x01, 0}, 0, 0x04, 0x01, 0x02,
                   "01100110010010001111110", 0},
        ConfigCase{"NoMainThrottleNoSidewalk", {0x10, 0x78, 0x00, 0}, 0x20, 0x08, 0x81, 0x10,
                   "01100111001001011111110", 0},
        ConfigCase{"AllBits", {0x10, 0x74, 0x05, 0}, 0xFF, 0xFF, 0xFF, 0xFF,
                   "11111111111101101111110", 0}),
    [](const auto& info) { return info.param.name; });

class ConfigurationFailures : public Identification {};

TEST_F(ConfigurationFailures, GiveUpWhileReadingTheCurrentFaultIsHonoured) {
    ecu->injectNegative({0x11});
    errors.script(GiveUp);
    EXPECT_EQ(kelt->ReadConfiguration(), GiveUp);
    EXPECT_EQ(errors.shownCodes().size(), 1u);
    EXPECT_EQ(ecu->bodies(), std::vector<SimBytes>{{0x11}});
}

TEST_F(ConfigurationFailures, RepeatWhileReadingTheCurrentFaultIsHonoured) {
    ecu->injectNegative({0x11});
    errors.script(RepeatOperation);
    EXPECT_EQ(kelt->ReadConfiguration(), RepeatOperation);
    EXPECT_EQ(ecu->count({0x14}), 0);
}

TEST_F(ConfigurationFailures, FailedReadKeepsTheFlagsSetSoFar) {
    setAllFlags(*kelt, 1);
    kelt->CfgMeasuredValues = 0;
    ecu->injectUndervoltage({0x14, 0xD2});
    errors.script(GiveUp);
    EXPECT_EQ(kelt->ReadConfiguration(), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{KELT_ERR_UNDERVOLTAGE});
    // Reset, then measured values on; three flags wait for the decoded bytes.
    EXPECT_EQ(flagsOf(*kelt), flagsFrom("00000001001001000111110"));
}

TEST_F(ConfigurationFailures, ShortConfigurationReplyIsAnError) {
    ecu->injectShortReply({0x14, 0xD1}, 3);
    errors.script(GiveUp);
    EXPECT_EQ(kelt->ReadConfiguration(), GiveUp);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{DIAG_ERR_BAD_REPLY});
    EXPECT_EQ(ecu->count({0x14, 0xD2}), 0);
}

struct TextCase {
    std::string name;
    uint32_t type;
    std::function<void(KELTInterface&)> flags;
    std::string text;
};

class ConfigurationTexts : public KeltFixture, public ::testing::WithParamInterface<TextCase> {};

TEST_P(ConfigurationTexts, ListTheConfiguration) {
    kelt->EcuTyp = GetParam().type;
    setAllFlags(*kelt, 0);
    GetParam().flags(*kelt);
    EXPECT_EQ(kelt->ReadConfigurationTexts(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, ConfigurationTexts,
    ::testing::Values(
        TextCase{"RearAxleOnly", 0x107801,
                 [](KELTInterface& k) { k.CfgRearSensorLeft = k.CfgRearSensorRight = 1; },
                 "Air suspension on rear axle\nSensed 2-distance sensor axle\n"},
        TextCase{"DemoEcu", 0x107801,
                 [](KELTInterface& k) {
                     k.CfgFrontAxle = k.CfgRearSensorLeft = k.CfgRearSensorRight = 1;
                     k.CfgPressureSensor = k.CfgTiltSensor = 1;
                 },
                 "Air suspension front and rear axle\nSensed 2-distance sensor axle\nSensed "
                 "1-distance sensor axle\nPressure sensor\nTilt function"},
        TextCase{"AsianStyle", 0x107420,
                 [](KELTInterface& k) {
                     k.AsianStyle = 1;
                     k.CfgPeripheryDetection = 1;
                 },
                 "Asian Style\nAutomatic periphery detection\nAir suspension on rear axle\n"},
        TextCase{"EuropeanStyleWithValve", 0x107420,
                 [](KELTInterface& k) {
                     k.AsianStyle = 0;
                     k.CfgAlbValve = 1;
                     k.CfgRearSensorLeft = 1;  // one sensor alone is no 2-sensor axle
                 },
                 "European Style\nAir suspension on rear axle\nLSV control\n"}),
    [](const auto& info) { return info.param.name; });

}  // namespace

// Whether the travel-sensor calibration may run, decided from the ECU's fault memory.
#include "CalibrationCheck.h"
#include "KeltTestSupport.h"

namespace {

using Outcome = CalibrationCheck::Outcome;

struct FaultCase {
    const char* title;
    std::vector<std::pair<std::size_t, uint8_t>> statusBytes;
    Outcome outcome;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.title; }

class CalibrationCheckFaults : public KeltFixture, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(CalibrationCheckFaults, Decides) {
    connectTo({0x10, 0x78, 0x01, 0x00});
    kelt->DiagnoseAktiv = 1;
    for (const auto& [index, value] : GetParam().statusBytes) ecu->setFaultStatus(index, value);
    const CalibrationCheck check = CheckCalibration(*kelt);
    EXPECT_EQ(check.outcome, GetParam().outcome);
    EXPECT_EQ(check.answer, 0);
    EXPECT_EQ(CheckCalibrationAllowed(*kelt), GetParam().outcome == Outcome::Allowed);
    EXPECT_EQ(ecu->count({0x11}), 2) << "one fault-memory read per check";
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_TRUE(errors.shownCodes().empty());
}

// Status byte 0 bit 2 is component 10 with mode 13 (active); bit 1 mode 14; byte 17 a status
// row with modes 40 and 41.
INSTANTIATE_TEST_SUITE_P(
    Memory, CalibrationCheckFaults,
    ::testing::Values(FaultCase{"Empty", {}, Outcome::Allowed},
                      FaultCase{"ParameterFault", {{0, 0x04}}, Outcome::ParameterFault},
                      FaultCase{"ParameterFaultSecond", {{0, 0x05}}, Outcome::ParameterFault},
                      FaultCase{"ParameterFaultAmongOthers", {{0, 0x04}, {17, 0xE3}, {1, 0x07}},
                                Outcome::ParameterFault},
                      FaultCase{"OtherMode", {{0, 0x02}}, Outcome::Allowed},
                      FaultCase{"StatusRows", {{17, 0xE3}, {4, 0x40}}, Outcome::Allowed}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(KeltFixture, CalibrationOutsideTheStandardTypesIsNotChecked) {
    useType(0x107500);
    ecu->setFaultStatus(0, 0x04);
    EXPECT_TRUE(CheckCalibrationAllowed(*kelt));
    EXPECT_EQ(ecu->count({0x11}), 0);
    EXPECT_TRUE(jed.calls().empty());
}

TEST_F(KeltFixture, CalibrationRefusedWhenTheFaultMemoryCannotBeRead) {
    connectTo({0x10, 0x78, 0x01, 0x00});
    kelt->DiagnoseAktiv = 1;
    ecu->injectSilence({0x11});
    errors.script(GiveUp);
    const CalibrationCheck check = CheckCalibration(*kelt);
    EXPECT_EQ(check.outcome, Outcome::ReadFailed);
    EXPECT_EQ(check.answer, GiveUp);
    EXPECT_FALSE(check.allowed());
    EXPECT_EQ(errors.shownCodes().size(), 1u);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

TEST_F(KeltFixture, CalibrationCheckRepeatsTheReadOnRequest) {
    connectTo({0x10, 0x78, 0x01, 0x00});
    ecu->setFaultStatus(0, 0x04);
    ecu->injectSilence({0x11});
    errors.script(RepeatOperation);
    const CalibrationCheck check = CheckCalibration(*kelt);
    EXPECT_EQ(check.outcome, Outcome::ParameterFault);
    EXPECT_EQ(check.answer, 0);
    EXPECT_EQ(ecu->count({0x11}), 2);
    EXPECT_EQ(errors.shownCodes().size(), 1u);
}

class CalibrationCheckDemo : public InDemoMode<KeltFixture> {};

TEST_F(CalibrationCheckDemo, Allowed) {
    ASSERT_TRUE(kelt->ConnectEcu().connected());
    kelt->DeriveEcuType();
    // The demo memory holds modes 41 and 92 only.
    EXPECT_TRUE(CheckCalibrationAllowed(*kelt));
    EXPECT_EQ(driverCalls, 0);
}

}  // namespace

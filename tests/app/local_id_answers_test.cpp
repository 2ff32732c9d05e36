// Every function that reads local ids, through the real driver, the USB test library and the
// simulated interface, against an ECU that answers a read [0x83 0x54 d0 d1] and against one that
// echoes the service, [0x83 0x14 d0 d1]: byte 1 of the answer is the ECU's own.
#include <functional>
#include <ostream>
#include <string>
#include <tuple>

#include "AddressAndBaud.h"
#include "DSKalibrieren.h"
#include "LevelDataEditor.h"
#include "ParameterBlock.h"
#include "SystemDataTestSupport.h"

namespace {

struct ReadAnswer {
    std::string name;
    uint8_t serviceByte;  // byte 1 of the answer to a local-id read
};

const ReadAnswer kReadAnswers[] = {{"Answers54", 0x54}, {"EchoesTheService", 0x14}};

class LocalIdAnswers;

struct LocalIdUse {
    std::string name;
    std::function<void(LocalIdAnswers&)> run;  // runs the function and checks what it gave
};

void PrintTo(const ReadAnswer& answer, std::ostream* os) { *os << answer.name; }
void PrintTo(const LocalIdUse& use, std::ostream* os) { *os << use.name; }

class LocalIdAnswers : public SystemDataThroughTheDriver,
                       public ::testing::WithParamInterface<std::tuple<LocalIdUse, ReadAnswer>> {
public:
    void SetUp() override {
        SystemDataThroughTheDriver::SetUp();
        // Level tolerances the ECU's levels keep: 0xD6 front 5, 0xD7 rear 5 and difference 104.
        SimBytes block = ecu->parameterBlock();
        const std::size_t d6 = 2 * (0xD6 - 0xD1);
        const uint8_t tolerances[] = {5, 0, 5, 104};
        std::copy(std::begin(tolerances), std::end(tolerances), block.begin() + d6);
        ecu->setParameterBlock(block);
        ecu->setReplyServiceByte(0x14, std::get<1>(GetParam()).serviceByte);
        // The answers really carry the byte: one read as it comes through the driver.
        EcuMessage reply;
        ASSERT_EQ(kelt->RequestLocalId(reply, 0xD1), 0);
        ASSERT_EQ(reply.length, 4);
        ASSERT_EQ(reply[1], std::get<1>(GetParam()).serviceByte);
        ecu->clearLog();
    }
    // Message boxes reach context.boxes, the service installed last.
    SimBytes editedBlock() const {
        SimBytes block = ecu->parameterBlock();
        for (std::size_t i = 4; i < block.size(); ++i) block[i] = static_cast<uint8_t>(255 - block[i]);
        return block;
    }
};

TEST_P(LocalIdAnswers, AreTakenWhateverTheServiceByte) {
    std::get<0>(GetParam()).run(*this);
    EXPECT_GT(ecu->count({0x14}), 0) << "no local id was read";
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

const LevelValues kEcuLevels = {50, 55, 84, 87, 20, 18, 250};

const LocalIdUse kLocalIdUses[] = {
    {"Configuration",
     [](LocalIdAnswers& f) {
         f.kelt->CfgFrontAxle = 0;
         EXPECT_EQ(f.kelt->ReadConfiguration(), 0);
         EXPECT_EQ(f.kelt->CfgFrontAxle, 1);
         EXPECT_EQ(f.kelt->CfgTiltSensor, 1);
     }},
    {"ParameterRead",
     [](LocalIdAnswers& f) {
         std::vector<uint8_t> buffer(kParameterBufferSize);
         uint16_t count = 0;
         EXPECT_EQ(f.kelt->ReadParameters(count, buffer), 0);
         EXPECT_EQ(SimBytes(buffer.begin(), buffer.begin() + count), f.ecu->parameterBlock());
     }},
    {"ParameterWrite",
     [](LocalIdAnswers& f) {
         const SimBytes block = f.editedBlock();
         EXPECT_EQ(f.kelt->WriteParameters(static_cast<uint16_t>(block.size()), block), 0);
         EXPECT_EQ(f.ecu->parameterBlock(), block);
         EXPECT_TRUE(f.ecu->checkByteFits());
         EXPECT_TRUE(f.context.boxes.shown.empty());
     }},
    {"AddressRead",
     [](LocalIdAnswers& f) {
         uint8_t address = 0;
         EXPECT_EQ(f.kelt->ReadEcuAddress(address), 0);
         EXPECT_EQ(address, 16);
     }},
    {"AddressWriteAndReadBack",
     [](LocalIdAnswers& f) {
         bool stored = false;
         EXPECT_EQ(f.kelt->WriteEcuAddress(0x11, stored), 0);
         EXPECT_TRUE(stored);
         EXPECT_EQ(f.ecu->address(), 0x11);
         EXPECT_TRUE(f.context.boxes.shown.empty());
     }},
    {"BaudRead",
     [](LocalIdAnswers& f) {
         uint8_t code = 0;
         EXPECT_EQ(f.kelt->ReadBaudCode(code), 0);
         EXPECT_EQ(code, 3);
     }},
    {"BaudWriteAndReadBack",
     [](LocalIdAnswers& f) {
         bool stored = false;
         EXPECT_EQ(f.kelt->WriteBaudCode(2, stored), 0);
         EXPECT_TRUE(stored);
         EXPECT_EQ(f.ecu->localId(0xAF), (SimBytes{3, 2}));
     }},
    {"CalibrationType",
     [](LocalIdAnswers& f) {
         uint8_t type = 7;
         EXPECT_EQ(f.kelt->ReadCalibrationType(type), 0);
         EXPECT_EQ(type, 0);
     }},
    {"CalibrationStepReadsTheStoredBlock",
     [](LocalIdAnswers& f) {
         uint8_t step = 3;
         EXPECT_EQ(f.kelt->CalibrationStep(step, 0), 0);
         EXPECT_EQ(step, 5);
     }},
    {"CalibrationResult", [](LocalIdAnswers& f) { EXPECT_TRUE(f.kelt->CheckCalibrationResult()); }},
    {"LevelToleranceCheck",
     [](LocalIdAnswers& f) {
         EXPECT_EQ(f.kelt->CheckLevelValues(kEcuLevels), LevelCheckResult::Acceptable);
     }},
    {"TiltSave",
     [](LocalIdAnswers& f) {
         EXPECT_EQ(f.kelt->WriteTiltValues({40, 30}), 0);
         EXPECT_EQ(f.ecu->localId(0xE9).value().at(0), 40);
         EXPECT_EQ(f.ecu->localId(0xE8).value().at(1), 30);
         EXPECT_TRUE(f.ecu->checkByteFits());
     }},
    {"LevelData",
     [](LocalIdAnswers& f) {
         LevelDataEditor editor(*f.kelt);
         ASSERT_TRUE(editor.Start());
         EXPECT_EQ(editor.text(LevelEdit::NormalRear), "50");
         EXPECT_EQ(editor.text(LevelEdit::UpperFront), "87");
         LevelEdit focus = LevelEdit::NormalRear;
         EXPECT_EQ(editor.Save(focus), LevelDataEditor::SaveResult::Saved);
     }},
    {"PressureOffset",
     [](LocalIdAnswers& f) {
         DSKalibrierdaten window(*f.kelt);
         ASSERT_TRUE(window.Start());
         EXPECT_EQ(window.display().offset, "9");
     }},
    {"SystemDataSave",
     [](LocalIdAnswers& f) {
         EXPECT_EQ(f.save(), SystemDataOutcome::Saved);
         EXPECT_TRUE(f.savedShown());
         const std::string file = TempDir::readFile(f.file());
         EXPECT_NE(file.find("DrivingLevelRear=50\r\n"), std::string::npos);
         EXPECT_NE(file.find("PressureSensor=9\r\n"), std::string::npos);
         EXPECT_NE(file.find("P_4=300\r\n"), std::string::npos);
     }},
};

INSTANTIATE_TEST_SUITE_P(Uses, LocalIdAnswers,
                         ::testing::Combine(::testing::ValuesIn(kLocalIdUses),
                                            ::testing::ValuesIn(kReadAnswers)),
                         [](const auto& info) {
                             return std::get<0>(info.param).name + std::get<1>(info.param).name;
                         });

}  // namespace

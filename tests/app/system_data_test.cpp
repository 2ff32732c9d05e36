// "Save system data" without windows: the whole file through the real driver and the simulated
// interface and ECU, the give-ups, cancels and failures, and the demo's data.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "DriverTestSupport.h"
#include "FaultMemoryRead.h"
#include "FaultProtocol.h"
#include "KeltProgramContext.h"
#include "LevelCalibration.h"
#include "ParameterDescription.h"
#include "ReadOnlyFile.h"
#include "StringTable.h"
#include "SystemData.h"
#include "SystemDataTestSupport.h"
#include "TestProgramContext.h"

namespace {

namespace fs = std::filesystem;

// What the file holds, in parts, for the ECU the driver tests set up.
struct Expected {
    std::string identDate = "2009-12-04";
    std::string faultDate = "12/04/09";
    std::string tester = "Bob";  // as the vehicle data gave it
    bool identBlock = true;
    bool pressure = true;
};

const std::string kFileInfo =
    "[FileInfo]\r\n"
    "FileType=NORVA Data File\r\n"
    "VIN=WDB1\r\n"
    "Manufacturer=MAN\r\n"
    "TypeOfVehicle=Lion's City\r\n";
const std::string kNewFileHeader =
    "[VERSION]\r\nCREATEDBY=Tarvik Diagnostic Software / 2009-12-04 / 14:05:33\r\n" + kFileInfo;

std::string expectedSections(const Expected& e) {
    std::string text = "[TARVIK Parameter]\r\n";
    if (e.identBlock)
        text += "Date=" + e.identDate + "\r\n"
                "Testername=" + e.tester + "\r\n"
                "ProductNumber=841 302 065 3\r\n"
                "DateOfProduction=2005-W10\r\n"
                "SerialNumberECU=---\r\n"
                "DiagnosticIdentification=10780100\r\n"
                "SoftwareVersionECU=7.6.1.2.\r\n"
                "SerialNumberDiag=162000010132\r\n";
    text += "P_1=516\r\nP_2=2832\r\nP_3=5\r\nP_4=300\r\n";
    for (int n = 5; n <= 28; ++n) text += "P_" + std::to_string(n) + "=0\r\n";
    text += "Checksum=3654\r\n"
            "[LevelSensorCalibrationData]\r\n"
            "DrivingLevelRear=50\r\n"
            "DrivingLevelFront=55\r\n"
            "UpperLevelRear=84\r\n"
            "UpperLevelFront=87\r\n"
            "LowerLevelRear=20\r\n"
            "LowerLevelFront=18\r\n"
            "DifferenceLeftRightLevelRear=250\r\n";
    if (e.pressure) text += "[PressureSensorCalibrationData]\r\nPressureSensor=9\r\n";
    text += "[TARVIK ERROR RECORD]\r\n"
            "Date of error record=" + e.faultDate + "\r\n"
            "System=TARVIK\r\n"
            "Part number=841 302 065 3\r\n"
            "Production date=2005-W10\r\n"
            "Serial number (ecu)=---\r\n"
            "Manufacturer=MAN\r\n"
            "Chassis number=WDB1\r\n"
            "Vehicle type=Lion's City\r\n"
            "Odometer reading=12000\r\n"
            "Tester=" + e.tester + "\r\n"
            // Byte 0 = 0x05: bits 0 and 2; byte 17 = 0xE3: both entries, current, counter 3.
            "Error 0 Component=Supply voltage (10)\r\nError 0 Mode=Undervoltage (96)\r\n"
            "Error 0 Priority=0\r\nError 0 Status=1\r\nError 0 Counter=1\r\nError 0 Timer=0\r\n"
            "Error 0 Number=3\r\n"
            "Error 1 Component=Supply voltage (10)\r\nError 1 Mode=Parameter definition (13)\r\n"
            "Error 1 Priority=0\r\nError 1 Status=1\r\nError 1 Counter=1\r\nError 1 Timer=0\r\n"
            "Error 1 Number=1\r\n"
            "Error 2 Component=Level sensor rear left (51)\r\nError 2 Mode=Signal implausible (41)\r\n"
            "Error 2 Priority=0\r\nError 2 Status=1\r\nError 2 Counter=3\r\nError 2 Timer=0\r\n"
            "Error 2 Number=20\r\n"
            "Error 3 Component=Level sensor rear left (51)\r\nError 3 Mode=Unknown (40)\r\n"
            "Error 3 Priority=0\r\nError 3 Status=1\r\nError 3 Counter=3\r\nError 3 Timer=0\r\n"
            "Error 3 Number=10\r\n";
    return text;
}

TEST_F(SystemDataThroughTheDriver, WritesTheWholeFileInItsOrder) {
    EXPECT_EQ(save(), SystemDataOutcome::Saved);
    EXPECT_EQ(TempDir::visible(bytes()), TempDir::visible(kNewFileHeader + expectedSections({})));

    ASSERT_EQ(context.chooser.shown.size(), 1u);
    const FileChoice& dialog = context.chooser.shown[0];
    EXPECT_EQ(dialog.mode, FileChoice::Mode::Save);
    EXPECT_EQ(dialog.folder, dataFolder);
    EXPECT_EQ(dialog.filters, (std::vector<FileFilter>{{"*.*", "*.*"}}));
    EXPECT_EQ(dialog.defaultSuffix, "");
    // The vehicle data asked for the tester already: no second question.
    EXPECT_TRUE(context.question.asked.empty());
    ASSERT_EQ(context.boxes.shown.size(), 1u);
    EXPECT_EQ(context.boxes.shown[0].text, LoadStr(kSystemDataSavedText));
    EXPECT_EQ(context.boxes.shown[0].flags, MB_ICONINFORMATION | MB_OK);
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_TRUE(errors.shownCodes().empty());
    // Every ECU read went through the hourglass.
    EXPECT_GT(cursor.pushes, 0);
}

// A file saved before: the four sections are written anew at its end, in their order (a stale
// parameter key, an old offset and an old fault entry are gone), other sections stay, and an ECU
// without pressure sensor leaves no offset behind. Saving again gives the same file but for the
// dates.
TEST_F(SystemDataThroughTheDriver, SavingAgainReplacesTheSystemsSections) {
    const std::string earlier =
        "[VERSION]\r\nCREATEDBY=Tarvik Diagnostic Software / 2008-01-02 / 10:00:00\r\n"
        "[FileInfo]\r\nFileType=NORVA Data File\r\nVIN=OLD\r\nManufacturer=MAN\r\nTypeOfVehicle=Lion's City\r\n"
        "[Notes]\r\nKept=1\r\n"
        "[TARVIK ERROR RECORD]\r\nError 5 Component=Old (1)\r\n"
        "[PressureSensorCalibrationData]\r\nPressureSensor=77\r\n"
        "[LevelSensorCalibrationData]\r\nDrivingLevelRear=1\r\n"
        "[TARVIK Parameter]\r\nP_99=1\r\n";
    TempDir::writeFile(file(), earlier);
    kelt->CfgPressureSensor = 0;
    EXPECT_EQ(save(), SystemDataOutcome::Saved);
    const std::string header =
        "[VERSION]\r\nCREATEDBY=Tarvik Diagnostic Software / 2008-01-02 / 10:00:00\r\n"
        "[FileInfo]\r\nFileType=NORVA Data File\r\nVIN=WDB1\r\nManufacturer=MAN\r\nTypeOfVehicle=Lion's City\r\n"
        "[Notes]\r\nKept=1\r\n";
    EXPECT_EQ(TempDir::visible(bytes()), TempDir::visible(header + expectedSections({.pressure = false})));
    EXPECT_EQ(ecu->count({0x14, 0xCD}), 0);

    context.wallClock.set({2010, 1, 5, 8, 0, 0});
    context.chooser.answers = {file()};
    EXPECT_EQ(save(), SystemDataOutcome::Saved);
    EXPECT_EQ(TempDir::visible(bytes()),
              TempDir::visible(header + expectedSections(
                                            {.identDate = "2010-01-05", .faultDate = "01/05/10", .pressure = false})));
}

// Where the command ends before anything is written.
struct EndCase {
    std::string name;
    std::function<void(SystemDataThroughTheDriver&)> arrange;
    SystemDataOutcome outcome;
    bool ecuRead;  // whether the ECU was asked at all
};

class SystemDataEndsEarly : public SystemDataThroughTheDriver,
                            public ::testing::WithParamInterface<EndCase> {};

TEST_P(SystemDataEndsEarly, NothingIsWritten) {
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "existing file" : "new file");
        const std::string before = "[Notes]\r\nKept=1\r\n";
        fs::remove(file());
        if (existing) TempDir::writeFile(file(), before);
        context.chooser.answers = {file()};
        context.boxes.shown.clear();
        ecu->clearLog();
        GetParam().arrange(*this);
        EXPECT_EQ(save(), GetParam().outcome);
        if (existing)
            EXPECT_EQ(bytes(), before);
        else
            EXPECT_FALSE(fs::exists(file()));
        EXPECT_FALSE(savedShown());
        EXPECT_EQ(kelt->DiagnoseAktiv, 1);
        EXPECT_EQ(!ecu->messages().empty(), GetParam().ecuRead);
    }
}

const EndCase kEndCases[] = {
    {"VehicleDataCancelled", [](auto& f) { f.vehicleDataOk = false; }, SystemDataOutcome::Cancelled, false},
    {"FileDialogCancelled", [](auto& f) { f.context.chooser.answers = {std::nullopt}; },
     SystemDataOutcome::Cancelled, false},
    // The section would hold no parameter but "Checksum=1", which no load accepts.
    {"NoDescription", [](auto& f) { fs::remove(f.dir / "10780100.PKD"); }, SystemDataOutcome::NoParameters, true},
};

INSTANTIATE_TEST_SUITE_P(Ends, SystemDataEndsEarly, ::testing::ValuesIn(kEndCases),
                         [](const auto& info) { return info.param.name; });

TEST_F(SystemDataThroughTheDriver, WithoutDescriptionTheTechnicianIsToldWhy) {
    fs::remove(dir / "10780100.PKD");
    EXPECT_EQ(save(), SystemDataOutcome::NoParameters);
    ASSERT_EQ(context.boxes.shown.size(), 1u);
    EXPECT_EQ(context.boxes.shown[0].text, LoadStr(kNoDescriptionText));
}

// The tester named in the vehicle data signs the identification block; a tester question, which
// would have been cancelled here, is not asked.
TEST_F(SystemDataThroughTheDriver, TheVehicleDataTesterSignsTheIdentification) {
    context.question.answer.reset();
    context.tester = "Carol";
    EXPECT_EQ(save(), SystemDataOutcome::Saved);
    EXPECT_EQ(TempDir::visible(bytes()),
              TempDir::visible(kNewFileHeader + expectedSections({.tester = "Carol"})));
    EXPECT_TRUE(context.question.asked.empty());
    EXPECT_TRUE(savedShown());
}

TEST_F(SystemDataThroughTheDriver, AReadOnlyTargetStaysAsItWasAndTheTechnicianIsToldWhy) {
    const std::string before = "[Notes]\r\nKept=1\r\n";
    TempDir::writeFile(file(), before);
    ReadOnlyFile readOnly(file());
    if (!readOnly.active()) GTEST_SKIP() << "the file cannot be made read-only here";
    EXPECT_EQ(save(), SystemDataOutcome::NotWritten);
    EXPECT_EQ(bytes(), before);
    ASSERT_EQ(context.boxes.shown.size(), 1u);
    const std::string& text = context.boxes.shown[0].text;
    EXPECT_EQ(text.rfind(LoadStr(kSystemDataNotSavedText).substr(0, 30), 0), 0u) << text;
    EXPECT_NE(text.find("bus 12"), std::string::npos) << text;
    EXPECT_NE(text.find(std::strerror(readOnly.writeError())), std::string::npos) << text;
    EXPECT_EQ(context.boxes.shown[0].flags, MB_ICONWARNING | MB_OK);
}

TEST_F(SystemDataThroughTheDriver, TheFailureNamesTheFileInTheMessagesCodePage) {
    // A folder where the file should go: it cannot be read as one.
    const fs::path target = dataFolder / "Pr\u00FCfung \u00E4\u20AC \u4E2D";
    fs::create_directories(target);
    context.chooser.answers = {target};
    EXPECT_EQ(save(), SystemDataOutcome::NotWritten);
    ASSERT_EQ(context.boxes.shown.size(), 1u);
    const std::string& text = context.boxes.shown[0].text;
    EXPECT_EQ(text.rfind(LoadStr(kSystemDataNotSavedText).substr(0, 30), 0), 0u) << text;
    // Windows-1252 like the message; '?' for the character the code page lacks.
    EXPECT_NE(text.find(dataFolder.string() + "/Pr\xFC" "fung \xE4\x80 ?"), std::string::npos) << text;
}

// Each ECU read refused once by the ECU: Repeat reads again and saves, a give-up ends the command
// with the connection given up and the file as it was.
struct ReadCase {
    std::string name;
    SimBytes request;
};

class SystemDataReads : public SystemDataThroughTheDriver,
                        public ::testing::WithParamInterface<std::tuple<ReadCase, int>> {};

TEST_P(SystemDataReads, RepeatOrGiveUp) {
    const auto& [read, answer] = GetParam();
    const std::string before = "[Notes]\r\nKept=1\r\n";
    TempDir::writeFile(file(), before);
    ecu->injectNegative(read.request);
    errors.script(answer);
    if (answer == RepeatOperation) {
        EXPECT_EQ(save(), SystemDataOutcome::Saved);
        EXPECT_EQ(TempDir::visible(bytes()), TempDir::visible(before + kFileInfo + expectedSections({})));
        EXPECT_EQ(kelt->DiagnoseAktiv, 1);
        EXPECT_TRUE(savedShown());
    } else {
        EXPECT_EQ(save(), SystemDataOutcome::GaveUp);
        EXPECT_EQ(bytes(), before);
        EXPECT_EQ(kelt->DiagnoseAktiv, 0);
        EXPECT_FALSE(savedShown());
    }
    EXPECT_EQ(errors.shownCodes().size(), 1u);
    EXPECT_EQ(ecu->pendingFaults(), 0u);
}

const ReadCase kReads[] = {
    {"Parameters", {0x14, 0xD1}},
    {"Levels", {0x14, 0xC7}},
    {"PressureOffset", {0x14, 0xCD}},
    // Not saved as "No message present".
    {"FaultMemory", {0x11}},
};

INSTANTIATE_TEST_SUITE_P(Reads, SystemDataReads, withEachAnswer(kReads), pointAndAnswerName());

class SystemDataInDemo : public SystemDataFixture<InDemoMode<KeltFixture>> {
public:
    void SetUp() override {
        SystemDataFixture::SetUp();
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        ASSERT_EQ(kelt->ReadIdentification(), 0);
        ASSERT_EQ(kelt->ReadConfiguration(), 0);
        kelt->InitSystemName();
    }
};

TEST_F(SystemDataInDemo, SavesTheDemosValues) {
    ASSERT_EQ(kelt->CfgPressureSensor, 1);
    EXPECT_EQ(save(), SystemDataOutcome::Saved);
    const ProfileFile saved(file());
    const std::pair<const char*, const char*> levels[] = {
        {"DrivingLevelRear", "50"}, {"DrivingLevelFront", "55"}, {"UpperLevelRear", "84"},
        {"UpperLevelFront", "87"},  {"LowerLevelRear", "20"},    {"LowerLevelFront", "18"},
        {"DifferenceLeftRightLevelRear", "104"}};
    for (const auto& [key, value] : levels) EXPECT_EQ(saved.readString(kLevelSection, key), value) << key;
    EXPECT_EQ(saved.readString(kPressureSection, kPressureKey), "9");
    EXPECT_EQ(saved.keyNames("TARVIK Parameter").size(), 8u + 28u + 1u);

    const std::vector<std::string> faultKeys = saved.keyNames("TARVIK ERROR RECORD");
    ASSERT_EQ(faultKeys.size(), 10u + 2u * 7u);
    EXPECT_EQ(faultKeys.back(), "Error 1 Number");
    EXPECT_EQ(saved.readString("TARVIK ERROR RECORD", "Error 0 Component"), "Valve block (50)");
    EXPECT_EQ(saved.readString("TARVIK ERROR RECORD", "Error 0 Mode"), "Signal implausible (41)");
    EXPECT_EQ(saved.readString("TARVIK ERROR RECORD", "Error 0 Status"), "1");
    EXPECT_EQ(saved.readString("TARVIK ERROR RECORD", "Error 1 Mode"), "Unknown (92)");
    EXPECT_EQ(saved.readString("TARVIK ERROR RECORD", "Error 1 Status"), "0");
    EXPECT_EQ(saved.readString("TARVIK ERROR RECORD", "Error 1 Counter"), "17");
    EXPECT_EQ(driverCalls, 0);
}

}  // namespace

#include "GetToken.h"
#include "NNorvaFile.h"
#include "ReadOnlyFile.h"
#include "StringTable.h"
#include "TempDir.h"
#include "TestProgramContext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <string>
#include <vector>

#include "CommaLocale.h"

namespace fs = std::filesystem;

namespace {

using Writes = NNorvaFile::Writes;

const std::string kCreatedBy = "CREATEDBY=Tarvik Diagnostic Software / 2009-12-04 / 14:05:33\r\n";

std::string visible(const std::string& bytes) {
    return TempDir::visible(bytes);
}

class DataFileTest : public ::testing::Test {
protected:
    DataFileTest() {
        context.title = "Tarvik Diagnostic Software";
        context.attr.Anwendungstitel = "Tarvik";
        context.attr.SystemKennung = 16;
        context.attr.SystemUnterKennung = 7;
        context.attr.InterneKennung = 1;
        context.attr.Versionsnummer = 132;
        context.vehicleTexts = {"MAN", "Lion's City", "WDB\xFC" "1", "12000"};
        context.ecu = {"10700100", "SW 2.1", "411 107 001 0", "2009-07-01", "---"};
        context.tester = "Alice";
    }

    std::string path() const { return (dir / "data.ecu").string(); }
    void put(const std::string& bytes) const { TempDir::writeFile(dir / "data.ecu", bytes); }
    std::string bytes() const { return TempDir::readFile(dir / "data.ecu"); }
    bool fileExists() const { return fs::exists(dir / "data.ecu"); }
    // The message as the object shows it: the file name, a blank line, the text.
    std::string shown(const std::string& text) const { return path() + "\n\n" + text; }

    NNorvaFile open(const std::string& version, const std::string& identification, uint8_t mode,
                    const std::string& key = {}, Writes writes = Writes::AtOnce) {
        return NNorvaFile(path(), version, identification, mode, key, writes, context);
    }

    TempDir dir;
    TestProgramContext context;
};

// ---- creating and writing ---------------------------------------------------------------------

TEST_F(DataFileTest, NewFileHoldsOnlyWhoCreatedIt) {
    for (Writes writes : {Writes::AtOnce, Writes::Batch}) {
        SCOPED_TRACE(writes == Writes::Batch ? "batch" : "at once");
        fs::remove(dir / "data.ecu");
        NNorvaFile file(path(), "", "", 1, "", writes, context);
        EXPECT_FALSE(file.Existed);
        EXPECT_TRUE(file.Valid);
        EXPECT_FALSE(file.ReadOnly);
        EXPECT_EQ(file.LastAnswer, 0);
        EXPECT_EQ(file.FileVersion, "-");
        EXPECT_EQ(file.FileHardwareNumber, "-");
        EXPECT_EQ(file.FileSystemName, "-");
        EXPECT_EQ(file.RequiredIdentification, "xx xx xx xx");
        EXPECT_TRUE(context.boxes.shown.empty());
        EXPECT_TRUE(file.firstFailure()) << file.firstFailure().message;
        // A batch writes nothing before Commit.
        EXPECT_EQ(fileExists(), writes == Writes::AtOnce);
        EXPECT_TRUE(file.Commit());
        EXPECT_EQ(visible(bytes()), visible("[VERSION]\r\n" + kCreatedBy));
    }
}

TEST_F(DataFileTest, HeaderBlocksAndValuesAreWrittenInOrderAndReadBack) {
    {
        NNorvaFile file = open("1.0", "01 02 03 04", 1);
        ASSERT_TRUE(file.Valid);
        EXPECT_TRUE(file.WriteFileInfo());
        EXPECT_TRUE(file.SetSection("TARVIK Parameter"));
        EXPECT_TRUE(file.WriteEcuIdentBlock("TARVIK Parameter", "M\xFCller"));
        EXPECT_TRUE(file.WriteValue("P_1", "5"));
        EXPECT_TRUE(file.WriteValue("P_2", "300"));
        EXPECT_TRUE(file.firstFailure());
    }
    EXPECT_EQ(visible(bytes()), visible("[VERSION]\r\n"
                                        "FILESTRUCTUREVERSION=1.0\r\n" +
                                        kCreatedBy +
                                        "[ECU-IDENTIFICATION]\r\n"
                                        "DIAGNOSTICIDENTIFICATION=01 02 03 04\r\n"
                                        "[FileInfo]\r\n"
                                        "FileType=NORVA Data File\r\n"
                                        "VIN=WDB\xFC" "1\r\n"
                                        "Manufacturer=MAN\r\n"
                                        "TypeOfVehicle=Lion's City\r\n"
                                        "[TARVIK Parameter]\r\n"
                                        "Date=2009-12-04\r\n"
                                        "Testername=M\xFCller\r\n"
                                        "ProductNumber=411 107 001 0\r\n"
                                        "DateOfProduction=2009-07-01\r\n"
                                        "SerialNumberECU=---\r\n"
                                        "DiagnosticIdentification=10700100\r\n"
                                        "SoftwareVersionECU=SW 2.1\r\n"
                                        "SerialNumberDiag=160070010132\r\n"
                                        "P_1=5\r\n"
                                        "P_2=300\r\n"));

    NNorvaFile file = open("1.0", "01 02 03 04", 0);
    EXPECT_TRUE(file.Valid);
    EXPECT_TRUE(file.Existed);
    EXPECT_TRUE(context.boxes.shown.empty());
    EXPECT_EQ(file.FileVersionMain, "1");
    EXPECT_EQ(file.FileVersionSub, "0");
    EXPECT_EQ(file.FileIdentification, "01 02 03 04");
    file.SetSection("tarvik parameter");
    std::string value;
    uint16_t number = 0;
    EXPECT_TRUE(file.ReadValue("Testername", value));
    EXPECT_EQ(value, "M\xFCller");
    EXPECT_TRUE(file.ReadIntegerValue("P_2", number));
    EXPECT_EQ(number, 300);
    EXPECT_EQ(file.ReadString("FileInfo", "VIN"), "WDB\xFC" "1");
    const std::vector<std::string> lines = file.ReadSectionValues(file.CurrentSection);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines.front(), "Date=2009-12-04");
    EXPECT_EQ(lines.back(), "P_2=300");
}

TEST_F(DataFileTest, BatchReplacesTheFileInOneStep) {
    put("[VERSION]\r\n" + kCreatedBy + "[Other]\r\nx=1\r\n[TARVIK Parameter]\r\nP_1=5\r\nP_99=1\r\n");
    NNorvaFile file = open("", "", 1, "", Writes::Batch);
    ASSERT_TRUE(file.Existed);
    file.SetSection("TARVIK Parameter");
    ASSERT_TRUE(file.EraseCurrentSection());
    ASSERT_TRUE(file.WriteIdentBlock("TARVIK Parameter", "1", "2", "3", "4", "5", "", "6"));
    ASSERT_TRUE(file.WriteValue("P_1", "7"));
    // Reads see the batch; the file is untouched until Commit.
    std::string value;
    file.ReadValue("P_99", value);
    EXPECT_EQ(value, "");
    EXPECT_EQ(file.ReadSection("TARVIK Parameter").size(), 9u);
    EXPECT_NE(bytes().find("P_99=1"), std::string::npos);

    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(visible(bytes()), visible("[VERSION]\r\n" + kCreatedBy +
                                        "[Other]\r\nx=1\r\n"
                                        "[TARVIK Parameter]\r\nDate=2009-12-04\r\nTestername=\r\n"
                                        "ProductNumber=2\r\nDateOfProduction=3\r\nSerialNumberECU=4\r\n"
                                        "DiagnosticIdentification=6\r\nSoftwareVersionECU=5\r\n"
                                        "SerialNumberDiag=1\r\nP_1=7\r\n"));
}

TEST_F(DataFileTest, ReadOnlyFileRefusesEveryWriteAndStaysAsItWas) {
    const std::string original = "[VERSION]\r\n" + kCreatedBy + "[S]\r\nk=1\r\n";
    for (Writes writes : {Writes::AtOnce, Writes::Batch}) {
        SCOPED_TRACE(writes == Writes::Batch ? "batch" : "at once");
        put(original);
        ReadOnlyFile readOnly(dir / "data.ecu");
        if (!readOnly.active()) GTEST_SKIP() << "the file system refuses the immutable flag";
        NNorvaFile file = open("", "", 1, "", writes);
        EXPECT_TRUE(file.ReadOnly);
        EXPECT_TRUE(file.Valid);
        file.SetSection("S");
        const bool wrote = file.WriteValue("k", "2") && file.WriteFileInfo() && file.EraseCurrentSection();
        const ProfileWriteResult committed = file.Commit();
        if (writes == Writes::AtOnce) {
            EXPECT_FALSE(wrote);
            EXPECT_TRUE(committed);
        } else {
            EXPECT_TRUE(wrote);
            EXPECT_FALSE(committed);
        }
        EXPECT_EQ(file.firstFailure().error, readOnly.writeError());
        EXPECT_NE(file.firstFailure().message.find("data.ecu"), std::string::npos) << file.firstFailure().message;
        EXPECT_EQ(bytes(), original);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    }
}

TEST_F(DataFileTest, FileThatCannotBeReadIsReported) {
    fs::create_directory(dir / "data.ecu");
    NNorvaFile file = open("", "", 1);
    EXPECT_TRUE(file.Existed);
    EXPECT_EQ(file.firstFailure().error, EISDIR);
    EXPECT_FALSE(file.WriteString("S", "k", "1"));
    EXPECT_TRUE(fs::is_directory(dir / "data.ecu"));
}

TEST_F(DataFileTest, HeaderThatCannotBeWrittenEndsTheConstruction) {
    // A link to a folder that is not there: the file reads as missing, the first write fails.
    fs::create_symlink(dir / "gone" / "data.ecu", dir / "data.ecu");
    NNorvaFile file = open("1.0", "01 02 03 04", 1);
    EXPECT_FALSE(file.Valid);
    EXPECT_TRUE(file.Existed);
    EXPECT_EQ(file.firstFailure().error, ENOENT);
    EXPECT_NE(file.firstFailure().message.find("data.ecu"), std::string::npos) << file.firstFailure().message;
    EXPECT_TRUE(context.boxes.shown.empty());
    EXPECT_FALSE(fs::exists(dir / "gone"));
}

TEST_F(DataFileTest, SectionOperationsRefuseWithoutASection) {
    put("[S]\r\nk=1\r\n");
    NNorvaFile file = open("", "", 1);
    std::string value = "untouched";
    uint16_t number = 7;
    EXPECT_FALSE(file.WriteValue("k", "2"));
    EXPECT_FALSE(file.ReadValue("k", value));
    EXPECT_FALSE(file.ReadIntegerValue("k", number));
    EXPECT_FALSE(file.EraseCurrentSection());
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(number, 7);
    EXPECT_EQ(bytes(), "[S]\r\nk=1\r\n");
    EXPECT_TRUE(file.firstFailure());
}

// ---- opening a missing file -------------------------------------------------------------------

TEST_F(DataFileTest, MissingFileByOpenMode) {
    struct Case {
        const char* name;
        uint8_t mode;
        int answer;
        bool created;
        const char* message;  // nullptr: none
        unsigned flags;
    };
    const Case cases[] = {
        {"1 creates silently", 1, IDOK, true, nullptr, 0},
        {"2 asks, OK", 2, IDOK, true, "File not found\n\nCreating file!", 0x31},
        {"2 asks, Cancel", 2, IDCANCEL, false, "File not found\n\nCreating file!", 0x31},
        {"0 must exist", 0, IDOK, false, "File not found", 0x30},
        {"3 must exist", 3, IDOK, false, "File not found", 0x30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(dir / "data.ecu");
        context.boxes.shown.clear();
        context.boxes.answer = [&](const ShownBox&) { return c.answer; };
        NNorvaFile file = open("", "", c.mode);
        EXPECT_EQ(fileExists(), c.created);
        EXPECT_EQ(file.Existed, !c.created);
        EXPECT_EQ(file.Valid, c.created);
        if (!c.message) {
            EXPECT_TRUE(context.boxes.shown.empty());
            continue;
        }
        ASSERT_EQ(context.boxes.shown.size(), 1u);
        EXPECT_EQ(context.boxes.shown[0].text, shown(c.message));
        EXPECT_EQ(context.boxes.shown[0].caption, "Tarvik");
        EXPECT_EQ(context.boxes.shown[0].flags, c.flags);
        EXPECT_EQ(file.LastAnswer, c.answer);
    }
}

TEST_F(DataFileTest, NewFileCreatesOneFolderLevelOnly) {
    const fs::path oneLevel = dir / "new" / "x.ecu";
    NNorvaFile made(oneLevel.string(), "", "", 1, "", Writes::AtOnce, context);
    EXPECT_TRUE(made.Valid);
    EXPECT_TRUE(fs::exists(oneLevel));

    const fs::path twoLevels = dir / "a" / "b" / "x.ecu";
    NNorvaFile refused(twoLevels.string(), "", "", 1, "", Writes::AtOnce, context);
    EXPECT_FALSE(refused.Valid);
    EXPECT_TRUE(refused.Existed);
    EXPECT_EQ(refused.FileHardwareNumber, "");
    EXPECT_FALSE(fs::exists(dir / "a"));
    ASSERT_EQ(context.boxes.shown.size(), 1u);
    EXPECT_EQ(context.boxes.shown[0].text, (dir / "a" / "b").string() + "/\n\nDirectory cannot be created.");
    EXPECT_EQ(context.boxes.shown[0].flags, 0x30u);
}

TEST_F(DataFileTest, MessagesShowAUtf8FileNameAsTyped) {
    const fs::path name = dir / "M\xC3\xBCller.ecu";  // as the file system spells it
    NNorvaFile file(name.string(), "", "", 0, "", Writes::AtOnce, context);
    ASSERT_EQ(context.boxes.shown.size(), 1u);
    EXPECT_EQ(context.boxes.shown[0].text, dir.path().string() + "/M\xFCller.ecu\n\nFile not found");
}

// ---- version check ----------------------------------------------------------------------------

TEST_F(DataFileTest, VersionIsComparedAsText) {
    put("[Version]\r\nFileStructureVersion=1.0\r\n");
    NNorvaFile file = open("1.00", "", 0);
    EXPECT_FALSE(file.Valid);
    EXPECT_EQ(file.FileVersion, "1.0");
    ASSERT_EQ(context.boxes.shown.size(), 1u);
    EXPECT_EQ(context.boxes.shown[0].text,
              shown("The selected file does not contain a valid NORVA format.\nPlease select another file!"));
    EXPECT_EQ(context.boxes.shown[0].flags, 0x31u);
}

const std::string kMissingVersion =
    "'FILESTRUCTUREVERSION' code is missing!\nCreate?\nEnsure the correct file format is being used!";

TEST_F(DataFileTest, MissingVersionCancelledFailsAndWritesNothing) {
    put("[ECU-IDENTIFICATION]\r\nDIAGNOSTICIDENTIFICATION=01 02 03 04\r\n");
    context.boxes.answer = [](const ShownBox&) { return IDCANCEL; };
    NNorvaFile file = open("1.0", "01 02 03 04", 0);
    EXPECT_FALSE(file.Valid);
    ASSERT_EQ(context.boxes.shown.size(), 2u);
    EXPECT_EQ(context.boxes.shown[0].text, shown(kMissingVersion));
    EXPECT_EQ(context.boxes.shown[0].flags, 0x21u);
    EXPECT_EQ(context.boxes.shown[1].flags, 0x31u);
    EXPECT_EQ(bytes(), "[ECU-IDENTIFICATION]\r\nDIAGNOSTICIDENTIFICATION=01 02 03 04\r\n");
}

// On OK the version and the date are added; the file keeps its own identification and is checked
// by it (it was once overwritten with the connected ECU's, so any file passed).
TEST_F(DataFileTest, MissingVersionAddedKeepsTheFilesIdentification) {
    put("[ECU-IDENTIFICATION]\r\nDIAGNOSTICIDENTIFICATION=01 02 03 05\r\n");
    NNorvaFile other = open("1.0", "01 02 03 04", 0);
    EXPECT_FALSE(other.Valid);
    EXPECT_EQ(visible(bytes()), visible("[ECU-IDENTIFICATION]\r\nDIAGNOSTICIDENTIFICATION=01 02 03 05\r\n"
                                        "[VERSION]\r\nFILESTRUCTUREVERSION=1.0\r\n"
                                        "DATEOFCREATION=12/04/09 14:05:33\r\n"));
    ASSERT_EQ(context.boxes.shown.size(), 2u);
    EXPECT_EQ(context.boxes.shown[1].text.find(shown("The value for the Diagnosticsubversion in the "
                                                     "DiagnosticIdentification is greater")),
              0u);

    // A file without any identification takes the connected ECU's.
    put("[S]\r\nk=1\r\n");
    NNorvaFile bare = open("1.0", "01 02 03 04", 0);
    EXPECT_TRUE(bare.Valid);
    EXPECT_EQ(bare.ReadString("ECU-IDENTIFICATION", "DIAGNOSTICIDENTIFICATION"), "01 02 03 04");
}

TEST_F(DataFileTest, DateOfCreationFollowsTheLocale) {
    CommaLocale german;
    if (!german.active()) GTEST_SKIP() << "no German locale";
    put("[S]\r\nk=1\r\n");
    NNorvaFile file = open("1.0", "", 0);
    EXPECT_EQ(file.ReadString("VERSION", "DATEOFCREATION"), "04.12.2009 14:05:33");
}

// ---- identification check ---------------------------------------------------------------------

struct IdentificationCase {
    const char* required;
    const char* inFile;  // nullptr: no identification in the file
    int message;         // 0: none, Valid
};

const IdentificationCase kIdentificationCases[] = {
    {"01 02 03 04", "01 02 03 04", 0},
    {"01 02 03 04", "01 02 03 02", 0},
    {"01 02 03 04", "01 02 03 05", 11083},
    {"01 02 03 04", "01 02 04 04", 11081},
    {"01 02 03 04", "01 03 03 04", 11080},
    {"01 02 03 04", "01 02 03 0G", 11082},
    {"01 02 03 04", "-", 0},
    {"01 02 03 04", nullptr, 11080},
    {"01 02 03", "01 02 03 FF", 0},
    {"01 02 03", "01 02 04 00", 11081},
    {"01 02", "01 02 99 99", 0},
    {"-", "-", 0},
    {"-", "01 02 03 04", 11080},
    {"01 02 0A 04", "01 02 0a 04", 11081},
    {"01 02 03 0A", "01 02 03 0a", 0},
    // A short text is never read past its end: what is missing differs.
    {"01 02 03 04", "01 0", 11080},
    {"01 02 03 04", "01 02 0", 11081},
    {"01 02 03 04", "01 02 03", 11082},
    {"01 02 03 04", "01 02 03  5", 11082},
    {"01 02 03 0G", "01 02 03 04", 11082},
};

class IdentificationMatrix : public DataFileTest, public ::testing::WithParamInterface<IdentificationCase> {};

TEST_P(IdentificationMatrix, ValidOrOneMessage) {
    const IdentificationCase& c = GetParam();
    put(c.inFile ? std::string("[ECU-IDENTIFICATION]\r\nDIAGNOSTICIDENTIFICATION=") + c.inFile + "\r\n"
                 : "[S]\r\nk=1\r\n");
    const std::string before = bytes();
    NNorvaFile file = open("", c.required, 0);
    EXPECT_EQ(file.Valid, c.message == 0);
    EXPECT_EQ(file.FileIdentification, c.inFile ? c.inFile : "");
    EXPECT_EQ(bytes(), before);
    if (c.message == 0) {
        EXPECT_TRUE(context.boxes.shown.empty());
        return;
    }
    ASSERT_EQ(context.boxes.shown.size(), 1u);
    const ShownBox& box = context.boxes.shown[0];
    EXPECT_EQ(box.text, shown(LoadStr(c.message) + "\n\nRequired: \t\t" + file.RequiredIdentification +
                              "\nAvailable: \t" + file.FileIdentification + "\n\nPlease use a compatible file!"));
    EXPECT_EQ(box.caption, "Tarvik");
    EXPECT_EQ(box.flags, 0x31u);
}

INSTANTIATE_TEST_SUITE_P(Cases, IdentificationMatrix, ::testing::ValuesIn(kIdentificationCases));

TEST_F(DataFileTest, RequiredIdentificationIsCompletedFromTheTemplate) {
    put("[ECU-IDENTIFICATION]\r\nDIAGNOSTICIDENTIFICATION=01 03 03 04\r\n");
    context.boxes.answer = [](const ShownBox&) { return IDCANCEL; };
    NNorvaFile file = open("", "01 02", 0);
    EXPECT_EQ(file.RequiredIdentification, "01 02 xx xx");
    EXPECT_EQ(file.LastAnswer, IDCANCEL);
    ASSERT_EQ(context.boxes.shown.size(), 1u);
    EXPECT_NE(context.boxes.shown[0].text.find("Required: \t\t01 02 xx xx\nAvailable: \t01 03 03 04"),
              std::string::npos);
}

TEST_F(DataFileTest, IdentificationKeyFallsBackToTheStandardKey) {
    put("[ECU-IDENTIFICATION]\r\nDIAGNOSTICIDENTIFICATION=01 02 03 04\r\nALTERNATIVE=07 07 07 07\r\n");
    EXPECT_TRUE(open("", "01 02 03 04", 0, "MISSINGKEY").Valid);
    NNorvaFile alternative = open("", "01 02 03 04", 0, "Alternative");
    EXPECT_FALSE(alternative.Valid);
    EXPECT_EQ(alternative.FileIdentification, "07 07 07 07");
}

// ---- reading values ------------------------------------------------------------------------------

TEST_F(DataFileTest, ReadIntegerValueTakesTheWholeTextOrNothing) {
    struct Case {
        const char* line;  // nullptr: key absent
        bool ok;
        uint16_t value;
    };
    const Case cases[] = {
        {"k=0x10", true, 16},     {"k=$10", true, 16},       {"k=70000", true, 4464},
        {"k=-1", true, 65535},    {"k=$FFFFFFFF", true, 65535}, {"k=12 ", true, 12},
        {"k=abc", false, 0},      {"k=", false, 0},          {nullptr, false, 0},
        {"k=12a", false, 0},      {"k=4294967296", false, 0}, {"k=0x100000000", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line ? c.line : "absent");
        put(std::string("[S]\r\n") + (c.line ? c.line : "other=1") + "\r\n");
        NNorvaFile file = open("", "", 0);
        file.SetSection("S");
        uint16_t value = 4711;
        EXPECT_EQ(file.ReadIntegerValue("k", value), c.ok);
        EXPECT_EQ(value, c.ok ? c.value : 4711);
    }
}

TEST_F(DataFileTest, ReadNumberWithComment) {
    struct Case {
        const char* value;  // nullptr: key absent
        int32_t result;
        const char* comment;
        const char* message;  // nullptr: none
    };
    const Case cases[] = {
        {"12 ; valve A", 12, "valve A", nullptr},
        {"$1F;", 31, "", nullptr},
        {"", -5, "untouched", nullptr},
        {nullptr, -5, "untouched", nullptr},
        {"x;y", 0, "y", "[Levels] k: 'x' is not a valid integer value"},
        {"99999999999;big", 0, "big", "[Levels] k: '99999999999' is not a valid integer value"},
        {"%s%n;c", 0, "c", "[Levels] k: '%s%n' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "absent");
        put(std::string("[Levels]\r\n") + (c.value ? std::string("k=") + c.value : "other=1") + "\r\n");
        context.boxes.shown.clear();
        NNorvaFile file = open("", "", 0);
        std::string comment = "untouched";
        EXPECT_EQ(file.ReadNumberWithComment("Levels", "k", &comment, -5), c.result);
        EXPECT_EQ(comment, c.comment);
        if (!c.message) {
            EXPECT_TRUE(context.boxes.shown.empty());
            continue;
        }
        ASSERT_EQ(context.boxes.shown.size(), 1u);
        EXPECT_EQ(context.boxes.shown[0].text, shown(c.message));
        EXPECT_EQ(context.boxes.shown[0].flags, 0x30u);
    }
    put("[Levels]\r\nk=7;c\r\n");
    EXPECT_EQ(open("", "", 0).ReadNumberWithComment("Levels", "k", nullptr, 0), 7);

    // Names enter the message as text, never as a format.
    put("[Lev%sels]\r\nk%d=x\r\n");
    context.boxes.shown.clear();
    EXPECT_EQ(open("", "", 0).ReadNumberWithComment("Lev%sels", "k%d", nullptr, 0), 0);
    ASSERT_EQ(context.boxes.shown.size(), 1u);
    EXPECT_EQ(context.boxes.shown[0].text, shown("[Lev%sels] k%d: 'x' is not a valid integer value"));
}

// ---- the tester's name ----------------------------------------------------------------------------

TEST_F(DataFileTest, IdentBlockWithTesterAsksFirst) {
    put("[S]\r\nk=1\r\n");
    {
        NNorvaFile file = open("", "", 0);
        EXPECT_FALSE(file.WriteIdentBlockWithTester("Block"));
    }
    EXPECT_EQ(bytes(), "[S]\r\nk=1\r\n");
    EXPECT_EQ(context.tester, "Alice");
    ASSERT_EQ(context.question.asked.size(), 1u);
    EXPECT_EQ(context.question.asked[0].caption, "Tester name");
    EXPECT_EQ(context.question.asked[0].prompt, "Please enter the name of the tester :");
    EXPECT_EQ(context.question.asked[0].value, "Alice");
    EXPECT_EQ(context.question.asked[0].maxLength, 255u);

    context.question.answer = "J\xFCrgen";
    NNorvaFile file = open("", "", 0);
    EXPECT_TRUE(file.WriteIdentBlockWithTester("Block"));
    EXPECT_EQ(context.tester, "J\xFCrgen");
    EXPECT_EQ(file.ReadString("Block", "Testername"), "J\xFCrgen");
    EXPECT_EQ(file.ReadString("Block", "SerialNumberECU"), "---");
    EXPECT_EQ(file.ReadString("Block", "SerialNumberDiag"), "160070010132");
}

// ---- text helpers ----------------------------------------------------------------------------------

TEST(GetToken, CutsAtEveryDelimiter) {
    struct Case {
        const char* text;
        const char* delimiters;
        uint16_t index;
        const char* token;
    };
    const Case cases[] = {
        {"a;;b", ";", 1, "b"}, {";a", ";", 0, "a"},    {"a", ";", 1, ""},
        {"", ";", 0, ""},      {"a b;c", "; ", 2, "c"}, {"12 ; valve A", ";", 1, " valve A"},
    };
    for (const Case& c : cases) EXPECT_EQ(GetToken(c.text, c.delimiters, c.index), c.token) << c.text;
}

TEST(SplitKeyValue, CutsAtTheFirstEqualsSign) {
    struct Case {
        const char* line;
        int result;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"a=b=c", 0, "a", "b=c"},
        {"=5", 0, "", "5"},
        {"k=", 0, "k", ""},
        {"no sign", 1, "old key", "old value"},
    };
    for (const Case& c : cases) {
        std::string key = "old key", value = "old value";
        EXPECT_EQ(SplitKeyValue(c.line, key, value), c.result) << c.line;
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(value, c.value);
    }
}

TEST(DateTimeTexts, FromTheGivenClock) {
    FixedWallClock clock({2009, 3, 7, 9, 5, 3});
    EXPECT_EQ(TodayString(clock), "2009-03-07");
    EXPECT_EQ(NowTimeString(clock), "09:05:03");
    clock.set({2010, 12, 31, 23, 59, 59});
    EXPECT_EQ(TodayString(clock), "2010-12-31");
    EXPECT_EQ(NowTimeString(clock), "23:59:59");
}

}  // namespace

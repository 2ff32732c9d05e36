// The parameter section of data files: saved, loaded and written for the system data, through
// real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "NNorvaFile.h"
#include "ParameterDataFile.h"
#include "ParameterTransfer.h"
#include "ReadOnlyFile.h"
#include "StringTable.h"
#include "TempDir.h"
#include "TestProgramContext.h"

namespace {

namespace fs = std::filesystem;

const std::string kHeader =
    "[VERSION]\r\n"
    "CREATEDBY=Tarvik Diagnostic Software / 2009-12-04 / 14:05:33\r\n"
    "[FileInfo]\r\n"
    "FileType=NORVA Data File\r\n"
    "VIN=WDB1\r\n"
    "Manufacturer=MAN\r\n"
    "TypeOfVehicle=Lion's City\r\n";

// Byte 1, WORD 2.
const char* const kTwoParameters = "[1]\r\n[2]\r\nWORD=1\r\n";
// WORD 7, WORD 9.
const char* const kTwoWords = "[7]\r\nWORD=1\r\n[9]\r\nWORD=1\r\n";
// Byte 1, WORD 2, bits 3, byte 4: five bytes.
const char* const kFourParameters = "[1]\r\n[2]\r\nWORD=1\r\n[3]\r\nBit=1\r\n[4]\r\n";

class ParameterDataFile : public ::testing::Test {
protected:
    ParameterDataFile() {
        context.title = "Tarvik Diagnostic Software";
        context.vehicleTexts = {"MAN", "Lion's City", "WDB1", "12000"};
    }

    ParameterDescription describe(const std::string& name, const std::string& text) {
        TempDir::writeFile(dir / name, text);
        std::optional<ParameterDescription> d = readParameterDescription(dir / name);
        if (!d) throw std::runtime_error("fixture description not read");
        return *d;
    }
    fs::path data() const { return dir / "bus.ECU"; }
    std::string bytes() const { return TempDir::readFile(data()); }
    ParameterFileHeader header(const std::string& kennung) const {
        return {"KELT", "1234", kennung, {"841 302 100 0", "0815", "2009-07-01", "SW 2.1"}};
    }
    ProfileWriteResult save(const ParameterDescription& d, const std::vector<uint8_t>& block) {
        return saveParameterFile(data(), header(d.DiagnoseKennung), BlockInDatensatz(d.ParaKonf, block), context);
    }

    TempDir dir;
    TestProgramContext context;
};

std::string identBlock(const std::string& kennung) {
    return "Date=2009-12-04\r\n"
           "Testername=\r\n"
           "ProductNumber=841 302 100 0\r\n"
           "DateOfProduction=2009-07-01\r\n"
           "SerialNumberECU=0815\r\n"
           "DiagnosticIdentification=" + kennung + "\r\n"
           "SoftwareVersionECU=SW 2.1\r\n"
           "SerialNumberDiag=1234\r\n";
}

TEST_F(ParameterDataFile, SavesTheSectionWithItsIdentificationAndChecksum) {
    struct Case {
        const char* name;
        const char* pkd;
        std::vector<uint8_t> block;
        std::vector<uint16_t> numbers;
        std::vector<uint16_t> values;
        const char* keys;
    };
    const Case cases[] = {
        {"ByteAndWord", kTwoParameters, {0x05, 0x01, 0x2C}, {1, 2}, {5, 300}, "P_1=5\r\nP_2=300\r\nChecksum=306\r\n"},
        {"SumWraps", kTwoWords, {0xFF, 0xFF, 0x00, 0x02}, {7, 9}, {65535, 2}, "P_7=65535\r\nP_9=2\r\nChecksum=2\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(data());
        const ParameterDescription d = describe("10700100.PKD", c.pkd);
        const ParameterDatensatz set = BlockInDatensatz(d.ParaKonf, c.block);
        EXPECT_EQ(set.number, c.numbers);
        EXPECT_EQ(set.value, c.values);
        EXPECT_EQ(DatensatzInBlock(d.ParaKonf, set), c.block);

        ASSERT_TRUE(save(d, c.block));
        EXPECT_EQ(TempDir::visible(bytes()),
                  TempDir::visible(kHeader + "[KELT Parameter]\r\n" + identBlock("10700100") + c.keys));
    }
}

TEST_F(ParameterDataFile, ASecondSaveReplacesTheSectionAndKeepsTheOthers) {
    TempDir::writeFile(data(), kHeader + "[KELT ERROR RECORD]\r\nCount=0\r\n");
    const ParameterDescription four = describe("10700100.PKD", kFourParameters);
    ASSERT_TRUE(save(four, {1, 0, 2, 3, 4}));
    const ParameterDescription two = describe("10700200.PKD", kTwoWords);
    ASSERT_TRUE(save(two, {0, 5, 0, 6}));

    EXPECT_EQ(TempDir::visible(bytes()),
              TempDir::visible(kHeader + "[KELT ERROR RECORD]\r\nCount=0\r\n[KELT Parameter]\r\n" +
                               identBlock("10700200") + "P_7=5\r\nP_9=6\r\nChecksum=12\r\n"));
    // The file saved passes its own checks.
    const ParameterFileLoad load = loadParameterFile(data(), "KELT", two, context);
    EXPECT_EQ(load.messageId, kImportedText);
    EXPECT_EQ(load.block, (std::vector<uint8_t>{0, 5, 0, 6}));
}

TEST_F(ParameterDataFile, AFailedSaveLeavesTheFileAsItWasAndSaysWhy) {
    const ParameterDescription d = describe("10700100.PKD", kTwoParameters);
    const std::string original = kHeader + "[KELT Parameter]\r\nP_1=9\r\n";
    TempDir::writeFile(data(), original);
    {
        ReadOnlyFile readOnly(data());
        if (!readOnly.active()) GTEST_SKIP() << "the file system refuses the immutable flag";
        const ProfileWriteResult saved = save(d, {5, 1, 44});
        EXPECT_FALSE(saved);
        EXPECT_NE(saved.message.find("bus.ECU"), std::string::npos) << saved.message;
        EXPECT_EQ(bytes(), original);
    }
    fs::remove(data());
    ReadOnlyFile readOnlyFolder(dir.path());
    if (!readOnlyFolder.active()) GTEST_SKIP() << "the file system refuses the immutable flag";
    EXPECT_FALSE(save(d, {5, 1, 44}));
    EXPECT_FALSE(fs::exists(data()));
}

TEST_F(ParameterDataFile, LoadsOnlyASectionThatFitsTheDescription) {
    struct Case {
        const char* name;
        const char* identification;
        const char* keys;
        int messageId;
    };
    const Case cases[] = {
        {"Fits", "10700100", "P_1=5\r\nP_2=300\r\nP_3=$81\r\nP_4=0\r\nChecksum=435\r\n", kImportedText},
        {"NumbersNotCompared", "10700100", "P_9=1\r\nP_8=0\r\nP_7=0\r\nP_6=0\r\nChecksum=2\r\n", kImportedText},
        {"OtherIdentifier", "10700200", "P_1=5\r\nP_2=300\r\nP_3=129\r\nP_4=0\r\nChecksum=435\r\n", kOtherIdentifierText},
        {"NoIdentifier", nullptr, "P_1=5\r\nP_2=300\r\nP_3=129\r\nP_4=0\r\nChecksum=435\r\n", kOtherIdentifierText},
        {"ThreeKeys", "10700100", "P_1=5\r\nP_2=300\r\nP_3=129\r\nChecksum=435\r\n", kFileRefusedText},
        {"FiveKeys", "10700100", "P_1=5\r\nP_2=300\r\nP_3=129\r\nP_4=0\r\nP_5=0\r\nChecksum=435\r\n", kFileRefusedText},
        {"NoKeys", "10700100", "Checksum=1\r\n", kFileRefusedText},
        {"BadValue", "10700100", "P_1=5x\r\nP_2=300\r\nP_3=129\r\nP_4=0\r\nChecksum=435\r\n", kFileRefusedText},
        {"BadNumber", "10700100", "P_1=5\r\nP_x=300\r\nP_3=129\r\nP_4=0\r\nChecksum=435\r\n", kFileRefusedText},
        {"WrongChecksum", "10700100", "P_1=5\r\nP_2=300\r\nP_3=129\r\nP_4=0\r\nChecksum=436\r\n", kFileRefusedText},
        {"ChecksumBeyond16Bits", "10700100", "P_1=5\r\nP_2=300\r\nP_3=129\r\nP_4=0\r\nChecksum=65971\r\n", kFileRefusedText},
        {"NoChecksum", "10700100", "P_1=5\r\nP_2=300\r\nP_3=129\r\nP_4=0\r\n", kFileRefusedText},
        {"ByteBeyond255", "10700100", "P_1=256\r\nP_2=0\r\nP_3=0\r\nP_4=0\r\nChecksum=257\r\n", kFileRefusedText},
        {"BitsBeyond255", "10700100", "P_1=0\r\nP_2=0\r\nP_3=256\r\nP_4=0\r\nChecksum=257\r\n", kFileRefusedText},
        {"WordBeyond65535", "10700100", "P_1=0\r\nP_2=65536\r\nP_3=0\r\nP_4=0\r\nChecksum=1\r\n", kFileRefusedText},
        {"Negative", "10700100", "P_1=-1\r\nP_2=1\r\nP_3=0\r\nP_4=0\r\nChecksum=1\r\n", kFileRefusedText},
    };
    // The extension in lower case: the identifier is compared without regard to case.
    const ParameterDescription d = describe("10700100.pkd", kFourParameters);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = kHeader + "[KELT Parameter]\r\n";
        if (c.identification) text += std::string("DiagnosticIdentification=") + c.identification + "\r\n";
        text += c.keys;
        TempDir::writeFile(data(), text);

        const ParameterFileLoad load = loadParameterFile(data(), "KELT", d, context);
        EXPECT_EQ(load.messageId, c.messageId);
        EXPECT_EQ(load.loaded(), !load.block.empty());
        EXPECT_EQ(bytes(), text);
        EXPECT_TRUE(context.boxes.shown.empty());
    }
    TempDir::writeFile(data(), kHeader + "[KELT Parameter]\r\nDiagnosticIdentification=10700100\r\n" +
                                   "P_1=5\r\nP_2=300\r\nP_3=$81\r\nP_4=0\r\nChecksum=435\r\n");
    EXPECT_EQ(loadParameterFile(data(), "KELT", d, context).block,
              (std::vector<uint8_t>{5, 0x01, 0x2C, 0x81, 0}));
    // Another system's section is not this one.
    EXPECT_EQ(loadParameterFile(data(), "OTHER", d, context).messageId, kOtherIdentifierText);
}

class ParameterInDatei : public ParameterDataFile {
protected:
    std::vector<std::string> sectionLines(const std::vector<uint8_t>& block, const std::string& pkd, int& answer) {
        NNorvaFile file(data().string(), "", "", 1, "", NNorvaFile::Writes::Batch, context);
        file.SetSection("KELT Parameter");
        file.WriteValue("Date", "2009-12-04");
        structParameter record;
        record.PKDDatei = (dir / pkd).string();
        record.pParameterBlock = block;
        record.pDatenDatei = &file;
        answer = ParameterInDateiSchreiben(record, context);
        EXPECT_TRUE(file.Commit());
        return file.ReadSectionValues("KELT Parameter");
    }
};

TEST_F(ParameterInDatei, WritesTheKeysIntoTheOpenFilesSection) {
    describe("10700100.PKD", kTwoParameters);
    int answer = -1;
    EXPECT_EQ(sectionLines({5, 1, 44}, "10700100.PKD", answer),
              (std::vector<std::string>{"Date=2009-12-04", "P_1=5", "P_2=300", "Checksum=306"}));
    EXPECT_EQ(answer, 0);
    EXPECT_TRUE(context.boxes.shown.empty());
}

TEST_F(ParameterInDatei, RefusesWithoutItsDescriptionOrABlockOfItsLength) {
    describe("10700100.PKD", kTwoParameters);
    struct Case {
        const char* name;
        std::vector<uint8_t> block;
        const char* pkd;
        int messageId;
    };
    const Case cases[] = {
        {"NoDescription", {5, 1, 44}, "10799999.PKD", kNoDescriptionText},
        {"LongerBlock", {5, 1, 44, 7}, "10700100.PKD", kLengthMismatchText},
        {"ShorterBlock", {5, 1}, "10700100.PKD", kLengthMismatchText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(data());
        context.boxes.shown.clear();
        int answer = -1;
        EXPECT_EQ(sectionLines(c.block, c.pkd, answer), (std::vector<std::string>{"Date=2009-12-04"}));
        EXPECT_EQ(answer, 1);
        ASSERT_EQ(context.boxes.shown.size(), 1u);
        EXPECT_EQ(context.boxes.shown[0].text, LoadStr(c.messageId));
    }
}

}  // namespace

#include "SelectFile.h"
#include "StringTable.h"
#include "TempDir.h"
#include "TestProgramContext.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kNoValidFormat =
    "The selected file does not contain a valid NORVA format.\nPlease select another file!";
const std::string kOverwrite =
    "The selected file already exists. This may result in data being overwritten! Do you want to continue?";
const std::string kAppend = "The selected file already exists.\nNew data will be appended! Continue?";

class SelectFileTest : public ::testing::Test {
protected:
    SelectFileTest() {
        fs::create_directories(program);
        fs::create_directories(read);
        fs::create_directories(write);
        context.folder = program;
        context.attr.AppIni = (dir / "Tarvik.INI").string();
        TempDir::writeFile(context.attr.AppIni, "[Directory]\r\nReadData=DATA\r\nWriteData=" + write.string() + "\r\n");
        context.vehicleTexts.VIN = "WDB\xFC" "1";  // Windows-1252, as the vehicle window stores it
        TempDir::writeFile(read / "data.ecu", "[FileInfo]\r\nFileType=NORVA Data File\r\n");
        TempDir::writeFile(read / "foreign.ecu", "[Other]\r\nx=1\r\n");
        TempDir::writeFile(write / "data.ecu", "[FileInfo]\r\nFileType=Something\r\n");
        TempDir::writeFile(write / "foreign.ecu", "not an INI file at all");
    }

    std::vector<FileChoice>& shown() { return context.chooser.shown; }
    std::vector<ShownBox>& boxes() { return context.boxes.shown; }

    TempDir dir;
    const fs::path program = dir / "prog";
    const fs::path read = dir / "prog" / "DATA";
    const fs::path write = dir / "write";
    TestProgramContext context;
};

// ---- kinds -----------------------------------------------------------------------------------

TEST_F(SelectFileTest, EachKindHasItsFiltersProposalAndSuffix) {
    struct Case {
        DataFileKind kind;
        std::vector<FileFilter> filters;
        const char* proposed;  // UTF-8
        const char* suffix;
    };
    const FileFilter ecu{"ECU data (*.ecu)", "*.ecu"}, eol{"EOL data (*.eol)", "*.eol"},
        all{"All files (*.*)", "*.*"}, srv{"Service data (*.srv)", "*.srv"}, prc{"Service data (*.prc)", "*.prc"};
    const Case cases[] = {
        {0, {eol, ecu, all}, "WDB\xC3\xBC" "1.EOL", "EOL"},
        {1, {ecu, eol, all}, "WDB\xC3\xBC" "1.ECU", "ECU"},
        {2, {srv, all}, "WDB\xC3\xBC" "1.SRV", "SRV"},
        {3, {prc, all}, "WDB\xC3\xBC" "1.PRC", "PRC"},
        {4, {all, ecu, eol}, "WDB\xC3\xBC" "1", ""},
        {-1, {all, ecu, eol}, "WDB\xC3\xBC" "1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        shown().clear();
        EXPECT_EQ(SelectReadData(c.kind, "", context), "");
        EXPECT_EQ(SelectWriteData(c.kind, "", false, context), "");
        ASSERT_EQ(shown().size(), 2u);
        for (const FileChoice& choice : shown()) {
            EXPECT_EQ(choice.filters, c.filters);
            EXPECT_EQ(choice.fileName, c.proposed);
            EXPECT_EQ(choice.defaultSuffix, c.suffix);
        }
        EXPECT_EQ(shown()[0].mode, FileChoice::Mode::Open);
        EXPECT_EQ(shown()[1].mode, FileChoice::Mode::Save);
    }
}

TEST_F(SelectFileTest, ProposalsTitleAndAnEmptyChassisNumber) {
    SelectReadData(1, "Load parameters", context);
    SelectWriteData(1, "a/b:c", false, context);
    context.vehicleTexts.VIN.clear();
    SelectReadData(1, "", context);
    SelectWriteData(1, "", false, context);
    SelectWriteData(1, "x", false, context);
    ASSERT_EQ(shown().size(), 5u);
    EXPECT_EQ(shown()[0].title, "Load parameters");
    EXPECT_EQ(shown()[1].fileName, "WDB\xC3\xBC" "1_a_b_c.ECU");
    EXPECT_EQ(shown()[1].title, "");
    // No hidden ".ECU": an empty proposal, the default suffix still completes a typed name.
    EXPECT_EQ(shown()[2].fileName, "");
    EXPECT_EQ(shown()[3].fileName, "");
    EXPECT_EQ(shown()[3].defaultSuffix, "ECU");
    EXPECT_EQ(shown()[4].fileName, "_x.ECU");
}

TEST(MakeValidFileName, ReplacesTheEightCharactersBeyondTheDrive) {
    struct Case {
        const char* name;
        const char* valid;
    };
    const Case cases[] = {
        {"a/b:c", "a_b_c"},
        {"C:\\x?y", "C:\\x_y"},
        {"x|y?z", "x_y_z"},
        {"*\"<>", "____"},
        {"\\\\server\\share\\a:b", "\\\\server\\share\\a_b"},
        {"", ""},
        {"M\xFCller", "M\xFCller"},
    };
    for (const Case& c : cases) EXPECT_EQ(MakeValidFileName(c.name), c.valid) << c.name;
}

// ---- start folder -----------------------------------------------------------------------------

TEST_F(SelectFileTest, StartFolderFromTheSettingsAtEachCall) {
    struct Case {
        const char* name;
        std::string ini;
        fs::path readFolder;
        fs::path writeFolder;
    };
    const Case cases[] = {
        {"relative and absolute", "[Directory]\r\nReadData=DATA\r\nWriteData=" + write.string() + "\r\n", read, write},
        {"empty", "[Directory]\r\nReadData=\r\n", program, program},
        {"missing folders", "[Directory]\r\nReadData=gone\r\nWriteData=" + (dir / "gone").string() + "\r\n", program,
         program},
        {"no INI file", "", program, program},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(context.attr.AppIni);
        if (!c.ini.empty()) TempDir::writeFile(context.attr.AppIni, c.ini);
        shown().clear();
        SelectReadData(1, "", context);
        SelectWriteData(1, "", false, context);
        ASSERT_EQ(shown().size(), 2u);
        EXPECT_EQ(shown()[0].folder, c.readFolder);
        EXPECT_EQ(shown()[1].folder, c.writeFolder);
    }
    EXPECT_FALSE(fs::exists(context.attr.AppIni));
}

// ---- the choice -------------------------------------------------------------------------------

TEST_F(SelectFileTest, ReadRefusesNoDataFileAndComesBackForAMissingName) {
    context.chooser.answers = {read / "foreign.ecu", read / "nothing.ecu", read / "data.ecu"};
    EXPECT_EQ(SelectReadData(0, "", context), (read / "data.ecu").string());

    ASSERT_EQ(shown().size(), 3u);
    // 11033, then the dialog with an emptied name.
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, kNoValidFormat);
    EXPECT_EQ(boxes()[0].caption, "Attention!");
    EXPECT_EQ(boxes()[0].flags, 0x30u);
    EXPECT_EQ(shown()[1].fileName, "");
    EXPECT_EQ(shown()[1].folder, read);
    // A missing name: the dialog again, silently, with that name.
    EXPECT_EQ(shown()[2].fileName, "nothing.ecu");
    EXPECT_EQ(shown()[2].filters, shown()[0].filters);
}

TEST_F(SelectFileTest, WriteTakesANewNameAndAsksBeforeAnExistingDataFile) {
    struct Case {
        const char* name;
        bool append;
        int answer;
        const char* question;
        std::string result;
        std::size_t dialogs;
    };
    const Case cases[] = {
        {"overwrite, yes", false, IDYES, kOverwrite.c_str(), (write / "data.ecu").string(), 1},
        {"append, yes", true, IDYES, kAppend.c_str(), (write / "data.ecu").string(), 1},
        {"overwrite, no", false, IDNO, kOverwrite.c_str(), "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shown().clear();
        boxes().clear();
        context.boxes.answer = [&](const ShownBox&) { return c.answer; };
        context.chooser.answers = {write / "data.ecu", std::nullopt};
        EXPECT_EQ(SelectWriteData(1, "", c.append, context), c.result);
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, c.question);
        EXPECT_EQ(boxes()[0].caption, "Attention!");
        EXPECT_EQ(boxes()[0].flags, 4u);
        ASSERT_EQ(shown().size(), c.dialogs);
        // No: the dialog again with the same name.
        if (c.dialogs == 2) {
            EXPECT_EQ(shown()[1].fileName, "data.ecu");
        }
    }

    shown().clear();
    boxes().clear();
    context.chooser.answers = {write / "foreign.ecu", write / "new.ecu"};
    EXPECT_EQ(SelectWriteData(1, "", false, context), (write / "new.ecu").string());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, kNoValidFormat);
    EXPECT_EQ(shown()[1].fileName, "");
    EXPECT_FALSE(fs::exists(write / "new.ecu"));
}

TEST(FilterPairs, SplitsDescriptionsAndPatterns) {
    EXPECT_EQ(filterPairs(LoadStr(11037)), (std::vector<FileFilter>{{"ECU data (*.ecu)", "*.ecu"}}));
    EXPECT_EQ(filterPairs("A|*.a|B|*.b;*.c"), (std::vector<FileFilter>{{"A", "*.a"}, {"B", "*.b;*.c"}}));
    EXPECT_EQ(filterPairs("A|*.a|dangling"), (std::vector<FileFilter>{{"A", "*.a"}}));
    EXPECT_TRUE(filterPairs("").empty());
}

}  // namespace

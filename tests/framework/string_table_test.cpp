#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "StringTable.h"
#include "TempDir.h"

namespace {

struct KnownString {
    int id;
    const char* text;
};

// Texts as the windows and dialogs show them, from every corner of the program.
const KnownString kKnown[] = {
    {11006, "The Diagnostic Interface is being initialized"},
    {11027, "Attention!"},
    {11029,
     "You have not selected a port!\n\nYou can select the interface subsequently\nin the Options "
     "menu."},
    {11030,
     "ATTENTION! Activation of components may trigger\nsudden movements \nof the "
     "vehicle/machine.\n\nCAUTION! RISK OF INJURY!\n\nHave you taken all security measures "
     "which\nare required in order to avoid injury to person\nand material assets?\n"},
    {11039, "All files (*.*)|*.*"},
    {11086, "Required: "},
    {11087, "Available: "},
    {11107, "File %s not found. Unable to display message texts."},
    {11112, "No message present"},
    {11114, "Diagnostics files (*.fsp)|*.fsp|All files (*.*)|*.*|"},
    {11149,
     "Serial port could not be opened.\n(The selected port does not exist or is not "
     "supported.)\n\nSelect another port!"},
    {11151, "Serial port could not be opened.\n(IE_BYTESIZE)\n\n"},
    {11167,
     "Software could not be loaded into the Diagnostic Interface.\n(Error when reading the "
     "software)\n\nReinstall the diagnostic program!"},
    {11168, "Error not assigned"},
    {11180,
     "Diagnostic Interface.\n(Diagnostic Interface does not respond)\n\nCheck:\n\t- Electrical "
     "power supply (Green LED on Diagnostic Interface lit)\n\t- Is the defined port being "
     "used?\n\t- Is the connection cable from the PC to the interface OK?\n\t- Is a Diagnostic "
     "Interface connected?"},
    {11187,
     "The utilized Diagnostic Interface does not support the desired function.\n\nUse a "
     "suitable Diagnostic Interface."},
    {11386,
     "Connection to the control unit is being established.\n(No 'Synchrobyte' found)\n\nPossible "
     "causes:\n\t- Power supply fault/ignition off \n\t- Diagnostics lines interrupted\n\t- "
     "Inadmissible data on diagnostic lines\n\nRepeat an attempt to establish a connection!"},
    {11388, "Control unit.\n(Command not accepted)"},
    {11401, "Control unit:\n\n\tbusy"},
    {11639, "Value must lie\nbetween 20 and 300"},
    {11641,
     "Unable to find a valid PKD file.\n It is not possible to display the Parameter dialog box!"},
    {11642, "Loading parameters from the ECU....."},
    {20000, "Calibration values have been saved!"},
    {20012, "Supply voltage (tl.15, measured by KELT-ECU)"},
    {20055, "Ascertained diagnostic identifier : "},
    {20057,
     "Update the diagnostic program.\nThis diagnostic program doesn't support all options in this "
     "ECU."},
    {20090,
     "Invalid value range for calibration values front. Valid value range is 5 < Value < 254 !"},
    {20255, "Normal level I / II"},
    {20262, "Normal level I / II"},
    {20272, "(parameter set as switching to +UB)"},
    {20400,
     "\nCAUTION when activating components. \n\nCanceling or interrupting the function may "
     "result in \nautomatic control occurring and trigger unexpected \nmovements!\n\nATTENTION! "
     "Do not overload rebound stops!"},
    {20419,
     "Calibration was successful.  It may be necessary to delete or update diagnostic memory!"},
    {20423, "Calibration of the tilt sensors"},
    {30000, "This function is not supported in the current diagnostic version!"},
    {30001,
     "The controller has indicated undervoltage. Function could not be executed. Please check "
     "the power supply!"},
};

TEST(StringTable, KnownIdsGiveTheirExactTexts) {
    for (const auto& known : kKnown) {
        SCOPED_TRACE(known.id);
        EXPECT_TRUE(HasStr(known.id));
        EXPECT_EQ(LoadStr(known.id), known.text);
    }
}

TEST(StringTable, UnknownIdsGiveAnEmptyText) {
    // 11069 is named but never quoted; the rest lie outside or between the used ids.
    for (int id : {0, -1, 1, 9999, 10000, 11069, 11899, 12000, 20999, 30002, 65535}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(HasStr(id));
        EXPECT_EQ(LoadStr(id), "");
    }
}

#ifdef KELT_STRINGS_FILE
TEST(StringTable, SourceFileIsCleanAndMatchesTheCompiledTable) {
    ParsedStringTable parsed = parseStringTable(TempDir::readFile(KELT_STRINGS_FILE));
    for (const auto& problem : parsed.problems) {
        ADD_FAILURE() << "strings.txt line " << problem.line << ": " << problem.message;
    }
    ASSERT_FALSE(parsed.texts.empty());
    for (const auto& [id, text] : parsed.texts) {
        SCOPED_TRACE(id);
        bool inRange = (id >= 10000 && id <= 11999) || (id >= 20000 && id <= 20999) ||
                       id == 30000 || id == 30001;
        EXPECT_TRUE(inRange);
        EXPECT_EQ(LoadStr(id), text);
    }
}
#endif

struct ParseCase {
    const char* name;
    const char* source;
    int id;                 // looked up after parsing
    const char* expected;   // its text, or nullptr when it must be absent
    int problemLine;        // 0 when the source must parse cleanly
};

const ParseCase kParseCases[] = {
    {"plain", "100\tHello\n", 100, "Hello", 0},
    {"escapes", "7\ta\\nb\\tc\\\\d\n", 7, "a\nb\tc\\d", 0},
    {"crlf line ends", "5\tone\r\n6\ttwo\r\n", 6, "two", 0},
    {"no final newline", "5\tlast", 5, "last", 0},
    {"comments and blank lines", "# note\n\n8\tx\n", 8, "x", 0},
    {"text may hold blanks and a second tab", "9\t a\tb \n", 9, " a\tb ", 0},
    {"empty text", "4\t\n", 4, "", 0},
    {"duplicate keeps the first", "3\tfirst\n3\tsecond\n", 3, "first", 2},
    {"missing tab", "12 text\n13\tok\n", 12, nullptr, 1},
    {"id not a number", "1x\ttext\n", 1, nullptr, 1},
    {"negative id", "-4\ttext\n", -4, nullptr, 1},
    {"id too large", "99999999999\ttext\n", 0, nullptr, 1},
    {"unknown escape kept", "2\ta\\qb\n", 2, "a\\qb", 1},
    {"lone backslash at end", "2\tab\\\n", 2, "ab\\", 1},
};

class StringTableParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(StringTableParse, Parses) {
    const ParseCase& c = GetParam();
    ParsedStringTable parsed = parseStringTable(c.source);
    auto it = parsed.texts.find(c.id);
    if (c.expected) {
        ASSERT_NE(it, parsed.texts.end());
        EXPECT_EQ(it->second, c.expected);
    } else {
        EXPECT_EQ(it, parsed.texts.end());
    }
    if (c.problemLine == 0) {
        EXPECT_TRUE(parsed.ok());
    } else {
        ASSERT_EQ(parsed.problems.size(), 1u);
        EXPECT_EQ(parsed.problems[0].line, c.problemLine);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, StringTableParse, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace

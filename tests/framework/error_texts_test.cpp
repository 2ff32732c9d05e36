#include "ErrorTexts.h"

#include "DiagDr32.h"
#include "UsbLibrary.h"

#include "StringTable.h"
#include "SystemErrorText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct CodeId {
    int32_t code;
    int id;
};

// The driver, link and port codes with their string-table ids.
const CodeId driverCodes[] = {
    {-1, 11149},         {-2, 11156},         {-3, 11155},         {-4, 11154},
    {-5, 11152},         {-10, 11153},        {-11, 11151},        {-12, 11150},
    {0x20000002, 11162}, {0x20000003, 11163}, {0x20000004, 11160}, {0x20000007, 11169},
    {0x20000011, 11186}, {0x20010001, 11177}, {0x20010014, 11157}, {0x20010015, 11158},
    {0x20010016, 11170}, {0x2001001E, 11148}, {0x20010029, 11180}, {0x2001002A, 11159},
    {0x2001002B, 11179}, {0x2001002C, 11161}, {0x2001002D, 11164}, {0x20010032, 11165},
    {0x20010033, 11166}, {0x20010034, 11167}, {0x20010035, 11184}, {0x2001003C, 11171},
    {0x2001003D, 11172}, {0x2001003E, 11173}, {0x2001003F, 11174}, {0x20010040, 11175},
    {0x20010041, 11176}, {0x20010050, 11185}, {0x200E0001, 11178}, {0x20010043, 11900},
    // Every other code the driver produces, each with words of its own.
    {DIAG_ERR_BAD_REPLY, 11995}, {DIAG_ERR_REQUEST_TOO_LONG, 11996},
    {DIAG_ERR_BUFFER_TOO_SMALL, 11997}, {DIAG_ERR_BLOCK_START, 11998}, {DIAG_ERR_BLOCK_ACK, 11999},
};

const CodeId jed677Codes[] = {
    {0x2002000B, 11389}, {0x2002000C, 11390}, {0x2002000D, 11385}, {0x2002000E, 11386},
    {0x2002000F, 11387}, {0x20020010, 11391}, {0x20020011, 11392}, {0x20020012, 11393},
    {0x20020013, 11394}, {0x20020014, 11395}, {0x20020015, 11396}, {0x20020016, 11397},
    {0x20020017, 11404}, {0x20020018, 11398}, {0x20020019, 11399}, {0x2002001A, 11400},
    {0x2002001B, 11401}, {0x2002001C, 11402}, {0x2002001D, 11403},
};

const CodeId keltCodes[] = {{0x10008000, 30000}, {0x10008001, 30001}};

constexpr int NOT_ASSIGNED = 11168;

enum class Level { Basis, JED677, Kelt };

std::unique_ptr<TNBasisErrorHandlerTexts> textsAt(Level level, DriverTrace trace = {}) {
    switch (level) {
    case Level::Basis: return std::make_unique<TNBasisErrorHandlerTexts>(trace);
    case Level::JED677: return std::make_unique<TNJED677ErrorHandlerTexts>(trace);
    case Level::Kelt: return std::make_unique<TNErrorHandlerTexts>(trace);
    }
    return nullptr;
}

std::string levelName(Level level) {
    switch (level) {
    case Level::Basis: return "Basis";
    case Level::JED677: return "JED677";
    case Level::Kelt: return "Kelt";
    }
    return "?";
}

// Each listed code at each level: a level knows its own codes and those of its bases; codes of
// a derived level fall back to the rules of bit 29 and the system texts.
class TextChainTest : public ::testing::TestWithParam<Level> {};

TEST_P(TextChainTest, DriverCodesAreKnownAtEveryLevel) {
    auto texts = textsAt(GetParam());
    for (const CodeId& row : driverCodes) {
        SCOPED_TRACE(row.code);
        ASSERT_FALSE(LoadStr(row.id).empty()) << "string " << row.id;
        // The missing USB library also says where the library must be put.
        const std::string added = row.code == DIAG_ERR_USB_LIBRARY ? "\n\n" + usbLibraryPlaceText() : "";
        EXPECT_EQ(texts->FehlerText(row.code), LoadStr(row.id) + added);
    }
}

// No code the driver returns (its list in DiagDr32.h) is left at "Error not assigned".
TEST_P(TextChainTest, EveryCodeOfTheDriversListHasWords) {
    auto texts = textsAt(GetParam());
    const int32_t codes[] = {
        DIAG_ERR_STATUS_NO_DATA,  DIAG_ERR_NOT_OPEN,         DIAG_ERR_NO_MEMORY,
        DIAG_ERR_BUFFER_TOO_SMALL, DIAG_ERR_NO_PROBE_ANSWER, DIAG_ERR_TIMEOUT,
        DIAG_ERR_NO_INTERFACE,    DIAG_ERR_CHECKSUM,         DIAG_ERR_WRONG_COMMAND,
        DIAG_ERR_BLOCK_START,     DIAG_ERR_BLOCK_ACK,        DIAG_ERR_NO_APPLICATION,
        DIAG_ERR_BAD_APPLICATION, DIAG_ERR_USB_SHORT_WRITE,  DIAG_ERR_USB_LIBRARY,
        DIAG_ERR_USB_UNAVAILABLE, DIAG_ERR_REQUEST_TOO_LONG, DIAG_ERR_PORT_NO_PERMISSION,
        DIAG_ERR_BAD_REPLY,
    };
    for (int32_t code : codes) {
        SCOPED_TRACE(code);
        EXPECT_NE(texts->FehlerText(code), LoadStr(NOT_ASSIGNED));
    }
}

// An application file that could not be loaded is named with the two software-loading codes,
// whichever level shows them; nothing is added when the driver names no file.
TEST_P(TextChainTest, TheUnreadableApplicationFileIsNamed) {
    std::string file = "/opt/tarvik/JED677_V3.app";
    DriverTrace trace;
    trace.unreadableApplication = [&] { return file; };
    std::unique_ptr<TNBasisErrorHandlerTexts> texts;
    switch (GetParam()) {
    case Level::Basis: texts = std::make_unique<TNBasisErrorHandlerTexts>(trace); break;
    case Level::JED677: texts = std::make_unique<TNJED677ErrorHandlerTexts>(trace); break;
    case Level::Kelt: texts = std::make_unique<TNErrorHandlerTexts>(trace); break;
    }
    const std::string named = "\n\nThe file that could not be loaded: /opt/tarvik/JED677_V3.app\n\n";
    for (const auto& [code, id] : {std::pair{DIAG_ERR_NO_APPLICATION, 11166}, std::pair{DIAG_ERR_BAD_APPLICATION, 11167}}) {
        SCOPED_TRACE(code);
        const std::string text = texts->FehlerText(code);
        EXPECT_EQ(text.substr(0, LoadStr(id).size() + named.size()), LoadStr(id) + named);
    }
    EXPECT_EQ(texts->FehlerText(DIAG_ERR_NO_INTERFACE), LoadStr(11179));
    file.clear();
    EXPECT_EQ(texts->FehlerText(DIAG_ERR_BAD_APPLICATION), LoadStr(11167));
}

TEST_P(TextChainTest, JED677CodesNeedTheJED677Level) {
    auto texts = textsAt(GetParam());
    for (const CodeId& row : jed677Codes) {
        SCOPED_TRACE(row.code);
        ASSERT_FALSE(LoadStr(row.id).empty()) << "string " << row.id;
        const int expected = GetParam() == Level::Basis ? NOT_ASSIGNED : row.id;
        EXPECT_EQ(texts->FehlerText(row.code), LoadStr(expected));
    }
}

TEST_P(TextChainTest, ProgramCodesNeedTheProgramLevel) {
    auto texts = textsAt(GetParam());
    for (const CodeId& row : keltCodes) {
        SCOPED_TRACE(row.code);
        ASSERT_FALSE(LoadStr(row.id).empty()) << "string " << row.id;
        // Bit 29 is clear, so below the program level they are taken as Windows error numbers.
        const std::string expected =
            GetParam() == Level::Kelt ? LoadStr(row.id) : SystemErrorText(row.code);
        EXPECT_EQ(texts->FehlerText(row.code), expected);
    }
}

TEST_P(TextChainTest, UnlistedCodesFallBack) {
    auto texts = textsAt(GetParam());
    const std::string notAssigned = LoadStr(NOT_ASSIGNED);
    EXPECT_EQ(notAssigned, "Error not assigned");
    struct Case {
        int32_t code;
        std::string expected;
    } cases[] = {
        {0x2001FFFF, notAssigned},            // unknown driver code
        {0x20010002, notAssigned},
        {0x20010045, notAssigned},            // past the driver's own codes
        {0x20020001, notAssigned},            // JED677 tag, not a JED677 text
        {0x2002001E, notAssigned},            // just past the JED677 range
        {0x20090105, notAssigned},            // SAE layer
        {-6, notAssigned},                    // negative serial code not listed
        {-100, notAssigned},
        {5, SystemErrorText(5)},              // a Windows error number
        {0x0ABCDEF0, "???"},                  // no system text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(texts->FehlerText(c.code), c.expected);
    }
    EXPECT_NE(SystemErrorText(5), "???");
    EXPECT_FALSE(SystemErrorText(5).empty());
}

INSTANTIATE_TEST_SUITE_P(Levels, TextChainTest,
                         ::testing::Values(Level::Basis, Level::JED677, Level::Kelt),
                         [](const auto& info) { return levelName(info.param); });

TEST(TextChain, OverridesRunThroughTheBaseInterface) {
    TNErrorHandlerTexts kelt{DriverTrace{}};
    TNBasisErrorHandlerTexts& base = kelt;
    EXPECT_EQ(base.FehlerText(0x10008001),
              "The controller has indicated undervoltage. Function could not be executed. Please "
              "check the power supply!");
    EXPECT_EQ(base.FehlerText(0x2002001B), "Control unit:\n\n\tbusy");
    EXPECT_EQ(base.FehlerText(-1),
              "Serial port could not be opened.\n(The selected port does not exist or is not "
              "supported.)\n\nSelect another port!");
    EXPECT_EQ(base.FehlerText(0x20010043),
              "Serial port could not be opened.\n(No permission)\n\nAsk the administrator to add "
              "your user to the group 'dialout', then log in again.");
    // The summary, a base operation, uses the override too.
    EXPECT_EQ(base.FehlerZusammenfassung(0x10008000).rfind(LoadStr(30000), 0), 0u);
}

// --- trace texts --------------------------------------------------------------------------------

DiagTrace makeTrace(uint16_t count, int filled = DIAG_TRACE_BYTES) {
    DiagTrace trace{};
    trace.count = count;
    for (int i = 0; i < filled && i < DIAG_TRACE_BYTES; ++i) trace.bytes[i] = static_cast<uint8_t>(0xA0 + i);
    return trace;
}

const std::string tenGroups = "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 ";

TEST(TraceText, Formats) {
    struct Case {
        const char* what;
        uint16_t count;
        std::string expected;
    } cases[] = {
        {"empty", 0, ""},
        {"one byte", 1, "A0 "},
        {"three bytes", 3, "A0 A1 A2 "},
        {"exactly ten", 10, tenGroups},
        {"eleven", 11, tenGroups + "..."},
        {"twenty, cut to ten", 20, tenGroups + "..."},
        {"count above the stored 20", 21, tenGroups + "..."},
        {"count far beyond", 0xFFFF, tenGroups + "..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(traceText(makeTrace(c.count)), c.expected);
    }
}

TEST(TraceText, TwoUpperCaseDigitsPerByte) {
    DiagTrace trace{};
    trace.count = 4;
    const uint8_t bytes[] = {0x00, 0x0f, 0xab, 0xff};
    std::memcpy(trace.bytes, bytes, sizeof bytes);
    EXPECT_EQ(traceText(trace), "00 0F AB FF ");
}

TEST(TraceText, RequestAndResponseReadTheirOwnTrace) {
    DiagTrace request = makeTrace(2);
    DiagTrace response{};
    response.count = 1;
    response.bytes[0] = 0x7F;
    TNBasisErrorHandlerTexts texts{DriverTrace{&request, &response, nullptr, 0}};
    EXPECT_EQ(texts.RequestText(), "A0 A1 ");
    EXPECT_EQ(texts.ResponseText(), "7F ");
    // The texts follow the trace as it is now.
    request.count = 0;
    EXPECT_EQ(texts.RequestText(), "");
}

TEST(TraceText, NoTraceGivesEmptyTexts) {
    TNBasisErrorHandlerTexts texts{DriverTrace{}};
    EXPECT_EQ(texts.RequestText(), "");
    EXPECT_EQ(texts.ResponseText(), "");
    EXPECT_EQ(texts.FunktionText(), "");
}

TEST(TraceText, DefaultIsTheDriversExportedTrace) {
    const DiagTrace savedRequest = _msgRequest;
    const DiagTrace savedResponse = _msgResponse;
    _msgRequest = makeTrace(12);
    _msgResponse = makeTrace(1);
    TNErrorHandlerTexts texts;
    EXPECT_EQ(texts.RequestText(), tenGroups + "...");
    EXPECT_EQ(texts.ResponseText(), "A0 ");
    _msgRequest = savedRequest;
    _msgResponse = savedResponse;
}

// --- function text --------------------------------------------------------------------------------

TEST(FunctionText, ShownOnceThenCleared) {
    char function[DIAG_FUNCTION_TEXT] = "SetCanBusVoltage";
    TNBasisErrorHandlerTexts texts{DriverTrace{nullptr, nullptr, function, sizeof function}};
    const std::string prefix = LoadStr(11187) + "\n\n\nFunktion: ";
    EXPECT_EQ(texts.FehlerText(0x20010051), prefix + "SetCanBusVoltage");
    EXPECT_EQ(function[0], '\0');
    EXPECT_EQ(texts.FehlerText(0x20010051), prefix);
}

TEST(FunctionText, UnterminatedBufferIsReadWithinItsSize) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    TNBasisErrorHandlerTexts texts{DriverTrace{nullptr, nullptr, buffer, 5}};
    EXPECT_EQ(texts.FunktionText(), "xxxxx");
    EXPECT_EQ(texts.FunktionText(), "");
}

TEST(FunctionText, DefaultIsTheDriversExportedText) {
    std::strcpy(_cFunction, "JED677Ident");
    TNJED677ErrorHandlerTexts texts;
    EXPECT_EQ(texts.FunktionText(), "JED677Ident");
    EXPECT_EQ(_cFunction[0], '\0');
}

// --- code text, summary, dialog texts -----------------------------------------------------------

TEST(FehlerCodeText, ThirtyTwoBitsUpperCaseNoLeadingZeros) {
    struct Case {
        int32_t code;
        const char* expected;
    } cases[] = {
        {0, "0"},
        {-1, "FFFFFFFF"},
        {-12, "FFFFFFF4"},
        {0x2001002a, "2001002A"},
        {0x20020010, "20020010"},
        {0x0000abcd, "ABCD"},
        {INT32_MIN, "80000000"},
    };
    for (const Case& c : cases) EXPECT_EQ(TNBasisErrorHandlerTexts::FehlerCodeText(c.code), c.expected);
}

TEST(FehlerZusammenfassung, HoldsEverythingTheDialogShows) {
    DiagTrace request = makeTrace(2);
    DiagTrace response = makeTrace(0);
    TNBasisErrorHandlerTexts texts{DriverTrace{&request, &response, nullptr, 0}};
    EXPECT_EQ(texts.FehlerZusammenfassung(0x2001002A),
              LoadStr(11159) + "\n\n\nError code\t: 2001002A\n\nRequest\t: A0 A1 \nResponse\t: ");
}

TEST(DialogTexts, FourLabelsFromTheOverrides) {
    DiagTrace request = makeTrace(11);
    DiagTrace response = makeTrace(3);
    TNErrorHandlerTexts texts{DriverTrace{&request, &response, nullptr, 0}};
    const ErrorDialogTexts labels = texts.dialogTexts(0x10008000);
    EXPECT_EQ(labels.fehlerText, LoadStr(30000));
    EXPECT_EQ(labels.fehlerCodeText, "10008000");
    EXPECT_EQ(labels.requestText, tenGroups + "...");
    EXPECT_EQ(labels.responseText, "A0 A1 A2 ");
}

TEST(RunErrorDialog, CodeZeroShowsNothing) {
    TNErrorHandlerTexts texts{DriverTrace{}};
    int shown = 0;
    EXPECT_EQ(runErrorDialog(texts, 0, [&](const ErrorDialogTexts&) { return ++shown, 1; }),
              NoErrorShown);
    EXPECT_EQ(shown, 0);
}

TEST(RunErrorDialog, ShownDialogAnswersRepeatOrGiveUpOnly) {
    DiagTrace request = makeTrace(1);
    TNErrorHandlerTexts texts{DriverTrace{&request, nullptr, nullptr, 0}};
    struct Case {
        int modalResult;
        int expected;
    } cases[] = {{1, RepeatOperation}, {2, GiveUp}, {0, GiveUp}, {3, GiveUp}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modalResult);
        ErrorDialogTexts seen;
        EXPECT_EQ(runErrorDialog(texts, 0x2002001B,
                                 [&](const ErrorDialogTexts& labels) {
                                     seen = labels;
                                     return c.modalResult;
                                 }),
                  c.expected);
        EXPECT_EQ(seen.fehlerText, LoadStr(11401));
        EXPECT_EQ(seen.fehlerCodeText, "2002001B");
        EXPECT_EQ(seen.requestText, "A0 ");
        EXPECT_EQ(seen.responseText, "");
    }
}

// The USB library of this program is a Linux shared library: the messages for a missing one name
// the file the driver loads.
TEST(TextChain, MissingUsbLibraryNamesTheLinuxFile) {
    TNBasisErrorHandlerTexts texts{DriverTrace{}};
    const struct {
        const char* where;
        std::string text;
    } cases[] = {
        {"the code's text", texts.FehlerText(DIAG_ERR_USB_LIBRARY)},
        {"the port dialog's notice", LoadStr(11071)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        EXPECT_NE(c.text.find(UsbLibrary::kFileName), std::string::npos) << c.text;
        EXPECT_EQ(c.text.find("DLL"), std::string::npos) << c.text;
    }
}

}  // namespace

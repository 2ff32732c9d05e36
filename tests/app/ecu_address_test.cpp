// The ECU address as typed on the settings page and as the start of the communication reads it
// from the application INI file.
#include "EcuAddress.h"

#include "KeltTestSupport.h"
#include "ProfileFile.h"
#include "StringTable.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct ParseCase {
    const char* text;
    std::optional<int> address;  // nothing: refused
};

class ParseEcuAddress : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseEcuAddress, AcceptsDecimalAndHexadecimalAddressesOnly) {
    const ParseCase& c = GetParam();
    const std::optional<uint8_t> parsed = parseEcuAddress(c.text);
    ASSERT_EQ(parsed.has_value(), c.address.has_value());
    if (parsed) {
        EXPECT_EQ(*parsed, *c.address);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseEcuAddress,
    ::testing::Values(
        // The standard values, both ways of writing them.
        ParseCase{"16", 16}, ParseCase{"17", 17}, ParseCase{"19", 19}, ParseCase{"0x10", 16},
        ParseCase{"0x11", 17}, ParseCase{"0X13", 19}, ParseCase{"0x1a", 26}, ParseCase{"0x1A", 26},
        // The ends of the range.
        ParseCase{"1", 1}, ParseCase{"255", 255}, ParseCase{"0x01", 1}, ParseCase{"0xFF", 255},
        ParseCase{"0", std::nullopt}, ParseCase{"0x0", std::nullopt}, ParseCase{"00", std::nullopt},
        ParseCase{"256", std::nullopt}, ParseCase{"0x100", std::nullopt},
        // Leading zeros are decimal, not octal; blanks around the number are no part of it.
        ParseCase{"017", 17}, ParseCase{"0x0011", 17}, ParseCase{" 17\t", 17}, ParseCase{"\t0x11 ", 17},
        // A run of digits far beyond the range must not wrap round into it.
        ParseCase{"4294967313", std::nullopt}, ParseCase{"0x100000011", std::nullopt},
        ParseCase{"99999999999999999999", std::nullopt},
        // Not an address.
        ParseCase{"", std::nullopt}, ParseCase{"   ", std::nullopt}, ParseCase{"0x", std::nullopt},
        ParseCase{"x11", std::nullopt}, ParseCase{"-1", std::nullopt}, ParseCase{"+17", std::nullopt},
        ParseCase{"17a", std::nullopt}, ParseCase{"1 7", std::nullopt}, ParseCase{"0x1G", std::nullopt},
        ParseCase{"abc", std::nullopt}, ParseCase{"11h", std::nullopt}, ParseCase{"1.5", std::nullopt},
        ParseCase{"0b101", std::nullopt}));

struct StoredCase {
    const char* name;
    const char* ini;  // the file's text; nullptr: no file
    int address;
};

class ReadEcuAddress : public ::testing::TestWithParam<StoredCase> {};

TEST_P(ReadEcuAddress, FallsBackToSixteen) {
    TempDir dir;
    const auto file = dir / "KELT.INI";
    if (GetParam().ini) TempDir::writeFile(file, GetParam().ini);
    EXPECT_EQ(readEcuAddress(ProfileFile(file)), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadEcuAddress,
    ::testing::Values(StoredCase{"NoFile", nullptr, 16},
                      StoredCase{"NoKey", "[Diagnose]\r\nDiagnosticLine=KLine\r\n", 16},
                      StoredCase{"Decimal", "[Diagnose]\r\nECUAdress=19\r\n", 19},
                      StoredCase{"Hexadecimal", "[diagnose]\r\necuadress=0x11\r\n", 17},
                      StoredCase{"Empty", "[Diagnose]\r\nECUAdress=\r\n", 16},
                      StoredCase{"Junk", "[Diagnose]\r\nECUAdress=front\r\n", 16},
                      StoredCase{"OutOfRange", "[Diagnose]\r\nECUAdress=300\r\n", 16},
                      StoredCase{"Zero", "[Diagnose]\r\nECUAdress=0\r\n", 16}),
    [](const auto& info) { return std::string(info.param.name); });

// The start of the communication uses the same reading: a hexadecimal address reaches the ECU.
struct ConnectCase {
    const char* name;
    const char* stored;
    uint8_t ecuAddress;
};

class ConnectAtStoredAddress : public KeltFixture, public ::testing::WithParamInterface<ConnectCase> {};

TEST_P(ConnectAtStoredAddress, StartsTheCommunicationThere) {
    const ConnectCase& c = GetParam();
    TempDir::writeFile(attr.AppIni, std::string("[Diagnose]\r\nECUAdress=") + c.stored + "\r\n");
    ecu->setAddress(c.ecuAddress);
    EXPECT_TRUE(kelt->ConnectEcu().connected());
    EXPECT_EQ(jed.startAddress, c.ecuAddress);
    EXPECT_TRUE(errors.shownCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(Stored, ConnectAtStoredAddress,
                         ::testing::Values(ConnectCase{"Hexadecimal", "0x11", 17},
                                           ConnectCase{"Decimal", "17", 17},
                                           ConnectCase{"HexadecimalRear", "0X13", 19},
                                           ConnectCase{"JunkUsesSixteen", "rear", 16}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EcuAddressText, RefusalTextIsInTheStringTable) {
    EXPECT_EQ(LoadStr(kInvalidEcuAddressText),
              "The ECU address must be a number from 1 to 255, typed decimal or hexadecimal in the format 0x00!");
}

}  // namespace

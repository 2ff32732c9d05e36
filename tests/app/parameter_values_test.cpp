// The parameter editor's value rules without windows: shown values, the entry check, the bit
// options, packing and moving between the edits.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "CommaLocale.h"
#include "ParameterValues.h"

namespace {

structParaInfo parameter(uint8_t art, double faktor = 1.0, int32_t offset = 0) {
    structParaInfo p;
    p.Art = art;
    p.Faktor = faktor;
    p.Offset = offset;
    p.Format = AnzeigeformatErmitteln(faktor);
    return p;
}

_ParaKonf konf(std::vector<structParaInfo> parameters) {
    _ParaKonf k;
    k.Parameter = std::move(parameters);
    return k;
}

// One parameter, shown with the raw value `raw`.
ParameterEntries shown(const structParaInfo& p, uint16_t raw) {
    ParameterEntries entries(konf({p}));
    std::vector<uint8_t> block;
    if (p.Art == ArtWord) block.push_back(static_cast<uint8_t>(raw >> 8));
    block.push_back(static_cast<uint8_t>(raw));
    EXPECT_TRUE(entries.show(block));
    return entries;
}

// --- the entry check ------------------------------------------------------------------------------

struct EntryCase {
    std::string name;
    structParaInfo parameter;
    uint16_t raw;            // shown first
    std::string shownText;   // what the edit shows for it
    std::string typed;
    int message;
    std::string text;        // the edit afterwards
    std::vector<uint8_t> packed;  // the block then, when the check passed or corrected the value
};

class EntryChecks : public ::testing::TestWithParam<EntryCase> {};

TEST_P(EntryChecks, GiveTheirMessageAndText) {
    const EntryCase& c = GetParam();
    ParameterEntries entries = shown(c.parameter, c.raw);
    EXPECT_EQ(entries.text(0), c.shownText);
    EXPECT_FALSE(entries.Geaendert);
    entries.setText(0, c.typed);
    const EntryCheck check = entries.leave(0);
    EXPECT_EQ(check.messageId, c.message);
    EXPECT_EQ(check.text, c.text);
    EXPECT_EQ(entries.text(0), c.text);
    EXPECT_TRUE(entries.Geaendert);
    const PackResult packed = entries.pack();
    if (c.packed.empty()) {
        EXPECT_FALSE(packed.packed());
    } else {
        ASSERT_TRUE(packed.packed()) << packed.check.messageId;
        EXPECT_EQ(packed.block, c.packed);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EntryChecks,
    ::testing::Values(
        EntryCase{"OnTheGrid", parameter(ArtWord, 0.5), 0x012C, "150.0", "150.5", 0, "150.5", {0x01, 0x2D}},
        EntryCase{"TypedTextStays", parameter(ArtWord, 0.5), 0x012C, "150.0", "150.50", 0, "150.50", {0x01, 0x2D}},
        // 150.2 / 0.5 + 0.5 = 300.9: raw 300, whose value 150.0 is 0.2 away.
        EntryCase{"OffTheGrid", parameter(ArtWord, 0.5), 0x012C, "150.0", "150.2", 11658, "150.0", {0x01, 0x2C}},
        EntryCase{"WithinTheGridTolerance", parameter(ArtByte, 0.5), 10, "5.0", "5.004", 0, "5.004", {10}},
        EntryCase{"OffsetShown", parameter(ArtByte, 1, 40), 200, "160", "160", 0, "160", {200}},
        // 300 + 40 = 340 is clamped to 255, which shows 255 - 40.
        EntryCase{"AboveTheRange", parameter(ArtByte, 1, 40), 200, "160", "300", 11659, "215", {255}},
        EntryCase{"BelowTheRange", parameter(ArtByte, 1, 40), 200, "160", "-50", 11659, "-40", {0}},
        EntryCase{"WordAboveTheRange", parameter(ArtWord, 0.1), 1, "0.1", "7000", 11659, "6553.5", {0xFF, 0xFF}},
        EntryCase{"FarAboveTheRange", parameter(ArtWord, 2), 1, "2", "1e300", 11659, "131070", {0xFF, 0xFF}},
        EntryCase{"BeyondEveryNumber", parameter(ArtByte, 0.001), 10, "0.010", "1e308", 11659, "0.255", {255}},
        // Off the grid and out of range: the grid first, the range when left again.
        EntryCase{"OffTheGridAndAboveTheRange", parameter(ArtByte, 0.5), 10, "5.0", "200.3", 11658, "200.5", {}},
        EntryCase{"NoNumber", parameter(ArtByte, 0.5), 10, "5.0", "5.0x", 11656, "5.0x", {}},
        EntryCase{"Empty", parameter(ArtByte), 10, "10", "", 11656, "", {}},
        // A decimal comma is a decimal point; the edit then shows the point.
        EntryCase{"CommaIsADecimalPoint", parameter(ArtByte, 0.5), 10, "5.0", "5,5", 0, "5.5", {11}},
        EntryCase{"CommaOffTheGrid", parameter(ArtWord, 0.5), 0x012C, "150.0", "150,2", 11658, "150.0", {0x01, 0x2C}},
        EntryCase{"CommaAboveTheRange", parameter(ArtByte, 0.5), 10, "5.0", "200,5", 11659, "127.5", {255}},
        EntryCase{"TwoDecimalSeparators", parameter(ArtByte, 0.5), 10, "5.0", "5,5.0", 11656, "5,5.0", {}},
        EntryCase{"ThousandsSeparatorIsNoNumber", parameter(ArtWord, 0.1), 1, "0.1", "1,000.5", 11656, "1,000.5", {}},
        EntryCase{"NotFinite", parameter(ArtByte), 10, "10", "inf", 11656, "inf", {}},
        // A negative factor checks against its size and shows its decimals.
        EntryCase{"NegativeFactor", parameter(ArtByte, -0.5), 10, "-5.0", "-5.5", 0, "-5.5", {11}},
        EntryCase{"NegativeFactorOffTheGrid", parameter(ArtByte, -0.5), 10, "-5.0", "-5.2", 11658, "-5.0", {10}},
        EntryCase{"NegativeFactorZero", parameter(ArtByte, -0.5), 0, "0.0", "0", 0, "0", {0}},
        EntryCase{"BitsInRange", parameter(ArtBits), 5, "5", "200", 0, "200", {200}},
        EntryCase{"BitsAboveTheRange", parameter(ArtBits), 5, "5", "256", 11656, "256", {}},
        EntryCase{"BitsNegative", parameter(ArtBits), 5, "5", "-1", 11656, "-1", {}},
        EntryCase{"BitsNoNumber", parameter(ArtBits), 5, "5", "1.5", 11656, "1.5", {}}),
    [](const auto& info) { return info.param.name; });

TEST(ParameterEntries, AValueLeftUnchangedKeepsItsRawValue) {
    // Raw 3 shows 0.0015 rounded to "0.002", which would read back as raw 4.
    ParameterEntries entries = shown(parameter(ArtByte, 0.0005), 3);
    EXPECT_EQ(entries.text(0), "0.002");
    EXPECT_EQ(entries.leave(0).messageId, 0);
    EXPECT_TRUE(entries.Geaendert) << "leaving an edit counts as a change";
    EXPECT_EQ(entries.pack().block, std::vector<uint8_t>{3});
    // Typing the same text again is no change either.
    entries.setText(0, "0.001");
    entries.setText(0, "0.002");
    EXPECT_EQ(entries.pack().block, std::vector<uint8_t>{3});
    // A new entry is taken as typed.
    entries.setText(0, "0.0025");
    EXPECT_EQ(entries.leave(0).messageId, 0);
    EXPECT_EQ(entries.pack().block, std::vector<uint8_t>{5});
}

TEST(ParameterEntries, PackingStopsAtTheFirstEntryThatFailsItsCheck) {
    ParameterEntries entries(konf({parameter(ArtWord, 0.5), parameter(ArtByte, 1, 40), parameter(ArtBits)}));
    ASSERT_TRUE(entries.show(std::vector<uint8_t>{0x01, 0x2C, 200, 5}));
    // Typed but not left, as with Alt+W from the edit.
    entries.setText(1, "300");
    entries.setText(2, "999");
    PackResult result = entries.pack();
    ASSERT_FALSE(result.packed());
    EXPECT_EQ(result.failed, 1u);
    EXPECT_EQ(result.check.messageId, 11659);
    EXPECT_EQ(entries.text(1), "215");
    EXPECT_TRUE(result.block.empty());

    result = entries.pack();
    EXPECT_EQ(result.failed, 2u);
    EXPECT_EQ(result.check.messageId, 11656);

    entries.setText(2, "133");
    result = entries.pack();
    ASSERT_TRUE(result.packed());
    EXPECT_EQ(result.block, (std::vector<uint8_t>{0x01, 0x2C, 255, 133}));
}

TEST(ParameterEntries, ShownValuesOfABlock) {
    ParameterEntries entries(konf({parameter(ArtWord, 0.5), parameter(ArtByte), parameter(ArtBits),
                                   parameter(ArtByte, 0.01, 100)}));
    EXPECT_EQ(entries.text(0), "0");
    EXPECT_FALSE(entries.show(std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(entries.text(0), "0") << "a block of another length changes nothing";
    ASSERT_TRUE(entries.show(std::vector<uint8_t>{0x01, 0x2C, 7, 133, 50}));
    EXPECT_EQ((std::vector<std::string>{entries.text(0), entries.text(1), entries.text(2), entries.text(3)}),
              (std::vector<std::string>{"150.0", "7", "133", "-0.50"}));
    EXPECT_FALSE(entries.Geaendert) << "showing is no change";
    EXPECT_EQ(entries.pack().block, (std::vector<uint8_t>{0x01, 0x2C, 7, 133, 50}));
}

TEST(ParameterEntries, FreshEditsAreCheckedAsTyped) {
    // The rows start with "0", which stands for raw Offset until the edit is shown a value.
    ParameterEntries entries(konf({parameter(ArtByte, 1, 40), parameter(ArtByte, 1, 300)}));
    EXPECT_EQ(entries.leave(0).messageId, 0);
    const PackResult result = entries.pack();
    EXPECT_EQ(result.failed, 1u);
    EXPECT_EQ(result.check.messageId, 11659);
}

// --- bit options ------------------------------------------------------------------------------

TEST(ParameterEntries, BitOptionsAndTheBitEditFollowEachOther) {
    ParameterEntries entries = shown(parameter(ArtBits), 5);
    EXPECT_EQ(entries.bitItems(0), (std::array<uint8_t, 8>{1, 0, 1, 0, 0, 0, 0, 0}));
    entries.selectBitItem(0, 7, 1);
    EXPECT_EQ(entries.text(0), "133");
    EXPECT_TRUE(entries.Geaendert);
    entries.selectBitItem(0, 0, 0);
    EXPECT_EQ(entries.text(0), "132");

    // Typing: a number moves the options (its low 8 bits), anything else leaves them.
    entries.setText(0, "3");
    EXPECT_EQ(entries.bitItems(0), (std::array<uint8_t, 8>{1, 1, 0, 0, 0, 0, 0, 0}));
    entries.setText(0, "300");
    EXPECT_EQ(entries.bitItems(0), (std::array<uint8_t, 8>{0, 0, 1, 1, 0, 1, 0, 0}));
    entries.setText(0, "");
    EXPECT_EQ(entries.bitItems(0), (std::array<uint8_t, 8>{0, 0, 1, 1, 0, 1, 0, 0}));
    // A click then builds the byte from the options shown.
    entries.selectBitItem(0, 0, 1);
    EXPECT_EQ(entries.text(0), "45");
    EXPECT_EQ(entries.pack().block, std::vector<uint8_t>{45});
}

TEST(ParameterEntries, LeavingABitEditIsAChangeOnlyWhenItsTextChanged) {
    ParameterEntries entries = shown(parameter(ArtBits), 5);
    EXPECT_EQ(entries.leave(0).messageId, 0);
    EXPECT_FALSE(entries.Geaendert) << "left as it was shown";
    entries.setText(0, "7");
    EXPECT_EQ(entries.leave(0).messageId, 0);
    EXPECT_TRUE(entries.Geaendert);
    EXPECT_EQ(entries.pack().block, std::vector<uint8_t>{7});
}

// --- locale -------------------------------------------------------------------------------------

TEST(ParameterEntries, NumbersUseThePointUnderACommaLocale) {
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no decimal-comma locale could be made";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale is in force";

    EXPECT_DOUBLE_EQ(parameterFactor("0.5"), 0.5);
    ParameterEntries entries = shown(parameter(ArtWord, parameterFactor("0.5")), 0x012C);
    EXPECT_EQ(entries.text(0), "150.0");
    entries.setText(0, "150.5");
    EXPECT_EQ(entries.leave(0).messageId, 0);
    entries.setText(0, "150,5");
    EXPECT_EQ(entries.leave(0).messageId, 0);
    EXPECT_EQ(entries.text(0), "150.5");
    EXPECT_EQ(entries.pack().block, (std::vector<uint8_t>{0x01, 0x2D}));
    entries.setText(0, "150.2");
    EXPECT_EQ(entries.leave(0).text, "150.0");
}

// --- moving between the edits -------------------------------------------------------------------

struct NavigationCase {
    std::size_t current;
    std::size_t count;
    NavigationKey key;
    std::optional<std::size_t> target;
};

class Navigation : public ::testing::TestWithParam<NavigationCase> {};

TEST_P(Navigation, StopsAtTheEnds) {
    const NavigationCase& c = GetParam();
    EXPECT_EQ(navigationTarget(c.current, c.count, c.key), c.target);
}

using K = NavigationKey;
INSTANTIATE_TEST_SUITE_P(
    Keys, Navigation,
    ::testing::Values(NavigationCase{3, 10, K::Down, 4}, NavigationCase{3, 10, K::Up, 2},
                      NavigationCase{0, 10, K::Up, 0}, NavigationCase{9, 10, K::Down, 9},
                      NavigationCase{3, 10, K::PageDown, 8}, NavigationCase{5, 10, K::PageDown, 9},
                      NavigationCase{4, 10, K::PageDown, 9}, NavigationCase{7, 10, K::PageUp, 2},
                      NavigationCase{4, 10, K::PageUp, 0}, NavigationCase{5, 10, K::PageUp, 0},
                      NavigationCase{0, 3, K::PageDown, 2}, NavigationCase{0, 1, K::Down, 0},
                      NavigationCase{0, 0, K::Down, std::nullopt}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(Navigation, TheWheelScrollsByTenWithinTheRange) {
    EXPECT_EQ(wheelScrollPosition(0, 100, true), 10);
    EXPECT_EQ(wheelScrollPosition(95, 100, true), 100);
    EXPECT_EQ(wheelScrollPosition(50, 100, false), 40);
    EXPECT_EQ(wheelScrollPosition(5, 100, false), 0);
    EXPECT_EQ(wheelScrollPosition(0, 0, true), 0);
}

}  // namespace

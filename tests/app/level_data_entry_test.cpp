// The level-data window's entry grid without the window: filling from the values read,
// recomputation when an edit is left, and reading the edits back for the save.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "KELTInterface.h"
#include "LevelDataEntry.h"

namespace {

using E = LevelEdit;
const LevelValues kSample = KELTInterface::kDemoLevelValues;  // 50 55 84 87 20 18 104

std::vector<std::string> column(const LevelDataEntry& entry, LevelEdit upper) {
    std::vector<std::string> texts;
    for (std::size_t row = 0; row < 5; ++row)
        texts.push_back(entry.text(static_cast<LevelEdit>(static_cast<std::size_t>(upper) + row)));
    return texts;
}

using Column = std::vector<std::string>;

TEST(LevelDataFill, TheSampleFillsEveryColumn) {
    LevelDataEntry entry;
    entry.fill(kSample, true);
    EXPECT_EQ(column(entry, E::UpperFront), (Column{"87", "32", "55", "37", "18"}));
    EXPECT_EQ(column(entry, E::UpperRear), (Column{"84", "34", "50", "30", "20"}));
    EXPECT_EQ(entry.text(E::LeftRightDifference), "104");
    EXPECT_EQ(column(entry, E::UpperRight), (Column{"-20", "34", "-54", "30", "-84"}));
}

TEST(LevelDataFill, TheStoredDifferenceIsASignedByte) {
    LevelValues values = kSample;
    values.LeftRightDifference = 250;
    LevelDataEntry entry;
    entry.fill(values, true);
    EXPECT_EQ(entry.text(E::LeftRightDifference), "-6");
    EXPECT_EQ(entry.text(E::NormalRight), "56");
}

TEST(LevelDataFill, WithoutTheLeftRightDifferenceItShowsZero) {
    LevelDataEntry entry;
    entry.fill(kSample, false);
    EXPECT_EQ(entry.text(E::LeftRightDifference), "0");
    EXPECT_EQ(column(entry, E::UpperRight), column(entry, E::UpperRear));
}

TEST(LevelDataFill, EveryEditHoldsZeroBeforeFilling) {
    LevelDataEntry entry;
    for (std::size_t i = 0; i < kLevelEditCount; ++i)
        EXPECT_EQ(entry.text(static_cast<LevelEdit>(i)), "0") << i;
}

struct LeaveCase {
    const char* name;
    LevelEntryMode mode;
    LevelEdit edit;
    std::string typed;
    std::map<LevelEdit, std::string> changed;  // every other edit keeps its filled text
};

std::ostream& operator<<(std::ostream& os, const LeaveCase& c) { return os << c.name; }

class LevelDataLeave : public ::testing::TestWithParam<LeaveCase> {};

TEST_P(LevelDataLeave, RecomputesWhatDependsOnTheEdit) {
    const LeaveCase& c = GetParam();
    LevelDataEntry entry;
    entry.fill(kSample, true);
    LevelDataEntry expected = entry;
    entry.setText(c.edit, c.typed);
    expected.setText(c.edit, c.typed);
    for (const auto& [edit, text] : c.changed) expected.setText(edit, text);
    entry.leave(c.edit, c.mode);
    for (std::size_t i = 0; i < kLevelEditCount; ++i) {
        const auto edit = static_cast<LevelEdit>(i);
        EXPECT_EQ(entry.text(edit), expected.text(edit)) << "edit " << i;
    }
}

constexpr auto kLevels = LevelEntryMode::UpperAndLower;
constexpr auto kDiffs = LevelEntryMode::Differences;

INSTANTIATE_TEST_SUITE_P(
    Edits, LevelDataLeave,
    ::testing::Values(
        LeaveCase{"NormalFrontInDifferenceMode", kDiffs, E::NormalFront, "60",
                  {{E::UpperFront, "92"}, {E::LowerFront, "23"}}},
        LeaveCase{"NormalFrontInLevelMode", kLevels, E::NormalFront, "60",
                  {{E::UpperDiffFront, "27"}, {E::LowerDiffFront, "42"}}},
        LeaveCase{"UpperFront", kLevels, E::UpperFront, "90", {{E::UpperDiffFront, "35"}}},
        LeaveCase{"UpperDiffFront", kDiffs, E::UpperDiffFront, "40", {{E::UpperFront, "95"}}},
        LeaveCase{"LowerDiffFront", kDiffs, E::LowerDiffFront, "5", {{E::LowerFront, "50"}}},
        LeaveCase{"LowerFront", kLevels, E::LowerFront, "10", {{E::LowerDiffFront, "45"}}},
        LeaveCase{"NormalRearMovesTheRightColumn", kDiffs, E::NormalRear, "60",
                  {{E::UpperRear, "94"}, {E::LowerRear, "30"}, {E::UpperRight, "-10"},
                   {E::NormalRight, "-44"}, {E::LowerRight, "-74"}}},
        LeaveCase{"UpperDiffRearIsCopiedRight", kDiffs, E::UpperDiffRear, "40",
                  {{E::UpperRear, "90"}, {E::UpperRight, "-14"}, {E::UpperDiffRight, "40"}}},
        LeaveCase{"LeftRightDifference", kLevels, E::LeftRightDifference, "4",
                  {{E::UpperRight, "80"}, {E::NormalRight, "46"}, {E::LowerRight, "16"}}},
        LeaveCase{"NotANumberChangesNothing", kDiffs, E::NormalFront, "abc", {}},
        LeaveCase{"BeyondA32BitIntegerChangesNothing", kLevels, E::UpperFront,
                  "9223372036854775807", {}},
        LeaveCase{"NotANumberInTheRearChangesNothing", kLevels, E::UpperRear, "abc", {}},
        LeaveCase{"NotANumberAsDifferenceChangesNothing", kLevels, E::LeftRightDifference, "x",
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LevelDataRead, TheEditsGoToTheirNamedValues) {
    LevelDataEntry entry;
    entry.fill(kSample, true);
    LevelEdit bad = E::UpperRight;
    EXPECT_EQ(entry.read(bad), kSample);

    entry.setText(E::NormalFront, "60");
    entry.setText(E::LowerRear, "21");
    entry.setText(E::LeftRightDifference, "-128");
    LevelValues expected = kSample;
    expected.NormalFront = 60;
    expected.LowerRear = 21;
    expected.LeftRightDifference = 128;
    EXPECT_EQ(entry.read(bad), expected);
}

struct BadCase {
    const char* name;
    std::map<LevelEdit, std::string> typed;
    LevelEdit bad;
};

std::ostream& operator<<(std::ostream& os, const BadCase& c) { return os << c.name; }

class LevelDataReadRefuses : public ::testing::TestWithParam<BadCase> {};

TEST_P(LevelDataReadRefuses, NamesTheFirstBadEdit) {
    const BadCase& c = GetParam();
    LevelDataEntry entry;
    entry.fill(kSample, true);
    for (const auto& [edit, text] : c.typed) entry.setText(edit, text);
    LevelEdit bad = E::UpperRight;
    EXPECT_EQ(entry.read(bad), std::nullopt);
    EXPECT_EQ(bad, c.bad);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, LevelDataReadRefuses,
    ::testing::Values(
        BadCase{"NotANumber", {{E::LowerFront, "abc"}}, E::LowerFront},
        BadCase{"Empty", {{E::UpperRear, ""}}, E::UpperRear},
        BadCase{"LevelAboveAByte", {{E::NormalRear, "256"}}, E::NormalRear},
        BadCase{"LevelWhoseLow16BitsFit", {{E::UpperFront, "65654"}}, E::UpperFront},
        BadCase{"NegativeLevel", {{E::LowerRear, "-1"}}, E::LowerRear},
        BadCase{"DifferenceAboveASignedByte", {{E::LeftRightDifference, "128"}},
                E::LeftRightDifference},
        BadCase{"DifferenceBelowASignedByte", {{E::LeftRightDifference, "-129"}},
                E::LeftRightDifference},
        BadCase{"TheFirstInSaveOrder",
                {{E::UpperRear, "x"}, {E::LeftRightDifference, "300"}, {E::LowerFront, "y"}},
                E::LowerFront}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

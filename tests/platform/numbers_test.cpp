#include "Numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <optional>
#include <string>

#include "CommaLocale.h"

namespace {

struct FixedCase {
    double value;
    int decimals;
    int width;
    const char* text;
};

class FormatFixed : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FormatFixed, MatchesPrintfInTheCLocale) {
    const FixedCase& c = GetParam();
    EXPECT_EQ(numbers::formatFixed(c.value, c.decimals, c.width), c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatFixed,
                         ::testing::Values(FixedCase{24.3, 1, 2, "24.3"}, FixedCase{3.24, 1, 4, " 3.2"},
                                           FixedCase{0.05, 1, 0, "0.1"}, FixedCase{-1.5, 2, 0, "-1.50"},
                                           FixedCase{27.0, 1, 0, "27.0"}, FixedCase{1e20, 0, 0, "100000000000000000000"},
                                           FixedCase{5, 0, 3, "  5"}));

TEST(Numbers, GeneralFormatKeepsFifteenDigits) {
    EXPECT_EQ(numbers::formatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(numbers::formatGeneral(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(numbers::formatGeneral(2.5), "2.5");
    EXPECT_EQ(numbers::formatGeneral(1e20), "1e+20");
    EXPECT_EQ(numbers::formatInt(-42, 5), "  -42");
}

TEST(Numbers, ParsingTakesTheWholeTextOnly) {
    struct Case {
        const char* text;
        std::optional<double> value;
    } cases[] = {{"0.5", 0.5}, {"-2.25", -2.25}, {"+3", 3.0}, {"1e3", 1000.0}, {"0.5x", std::nullopt},
                 {"0,5", std::nullopt}, {" 1", std::nullopt}, {"", std::nullopt}, {"+-1", std::nullopt},
                 {"abc", std::nullopt}};
    for (const Case& c : cases) EXPECT_EQ(numbers::parseDouble(c.text), c.value) << c.text;

    // Typed into an entry, "," is a decimal point as "." is; still one number, whole.
    const Case typed[] = {{"0,5", 0.5}, {"-2,25", -2.25}, {"12.5", 12.5}, {"1,5e2", 150.0},
                          {"1,000.5", std::nullopt}, {"1,,5", std::nullopt}, {",", std::nullopt},
                          {"", std::nullopt}, {"5,x", std::nullopt}};
    for (const Case& c : typed) EXPECT_EQ(numbers::parseTypedDouble(c.text), c.value) << c.text;
    EXPECT_EQ(numbers::typedDecimalText("-12,5"), "-12.5");

    EXPECT_EQ(numbers::parseInt("128"), 128);
    EXPECT_EQ(numbers::parseInt("-7"), -7);
    EXPECT_EQ(numbers::parseInt("12a"), std::nullopt);
    EXPECT_EQ(numbers::parseInt("99999999999999999999"), std::nullopt);
}

TEST(Numbers, CommaLocaleChangesNothing) {
    CommaLocale comma;
    if (!comma.active()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
    // The C library follows the locale ...
    char printed[16];
    std::snprintf(printed, sizeof printed, "%2.1f", 24.3);
    EXPECT_STREQ(printed, "24,3");
    // ... our texts do not.
    EXPECT_EQ(numbers::formatFixed(24.3, 1, 2), "24.3");
    EXPECT_EQ(numbers::formatGeneral(0.5), "0.5");
    EXPECT_EQ(numbers::parseDouble("0.5"), 0.5);
    EXPECT_EQ(numbers::parseDouble("0,5"), std::nullopt);
    EXPECT_EQ(numbers::parseTypedDouble("0,5"), 0.5);
    EXPECT_EQ(numbers::parseTypedDouble("0.5"), 0.5);
}

}  // namespace

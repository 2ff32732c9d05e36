#include "Windows1252.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Windows1252, EveryByteSurvivesTheRoundTripThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(windows1252FromUtf8(utf8FromWindows1252(all)), all);
}

TEST(Windows1252, ConvertsBothWays) {
    struct Case {
        const char* ansi;
        const char* utf8;
    };
    const Case cases[] = {
        {"M\xFCller", "M\xC3\xBCller"},
        {"\x80 5", "\xE2\x82\xAC 5"},        // the euro sign lies in 0x80..0x9F
        {"\x81", "\xC2\x81"},                // undefined byte: the control character
        {"plain", "plain"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8FromWindows1252(c.ansi), c.utf8) << c.ansi;
        EXPECT_EQ(windows1252FromUtf8(c.utf8), c.ansi) << c.utf8;
    }
}

TEST(Windows1252, CharactersItLacksAndBrokenUtf8) {
    struct Case {
        const char* utf8;
        const char* ansi;
    };
    const Case cases[] = {
        {"\xE4\xB8\xAD", "?"},              // a CJK character
        {"\xF0\x9F\x98\x80x", "?x"},        // outside the basic plane: one '?'
        {"M\xFCller", "M\xFCller"},         // a Latin-1 name that is no UTF-8 stays readable
        {"\xC3", "\xC3"},                   // cut-off sequence
        {"\xC0\xAF", "\xC0\xAF"},           // overlong form
        {"\xED\xA0\x80", "\xED\xA0\x80"},   // a surrogate
    };
    for (const Case& c : cases) EXPECT_EQ(windows1252FromUtf8(c.utf8), c.ansi) << c.utf8;
}

}  // namespace

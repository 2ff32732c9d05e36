#include "TextCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextCodec, WindowsCharactersMapBothWays) {
    const struct {
        unsigned char byte;
        char16_t unicode;
    } cases[] = {
        {0x41, u'A'},    {0x0A, u'\n'},   {0x09, u'\t'},   {0x80, u'\u20AC'}, {0x84, u'\u201E'},
        {0x8A, u'\u0160'}, {0x93, u'\u201C'}, {0x96, u'\u2013'}, {0x99, u'\u2122'}, {0x9F, u'\u0178'},
        {0xA0, u'\u00A0'}, {0xB0, u'\u00B0'}, {0xC4, u'\u00C4'}, {0xDF, u'\u00DF'}, {0xFC, u'\u00FC'},
        {0xFF, u'\u00FF'},
        // Undefined in the code page: the control character of the same number.
        {0x81, u'\u0081'}, {0x8D, u'\u008D'}, {0x8F, u'\u008F'}, {0x90, u'\u0090'}, {0x9D, u'\u009D'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        const std::string byte(1, static_cast<char>(c.byte));
        const QString text = fromAnsi(byte);
        ASSERT_EQ(text.size(), 1);
        EXPECT_EQ(text.at(0).unicode(), c.unicode);
        EXPECT_EQ(toAnsi(QString(QChar(c.unicode))), byte);
    }
}

TEST(TextCodec, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    const QString text = fromAnsi(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(toAnsi(text), all);
}

TEST(TextCodec, CharactersOutsideTheCodePageBecomeOneQuestionMark) {
    EXPECT_EQ(toAnsi(QString::fromUtf8("a\u4E2Db")), "a?b");
    EXPECT_EQ(toAnsi(QString::fromUtf8("x\U0001F68Cy")), "x?y");  // one character, two UTF-16 units
    EXPECT_EQ(toAnsi(QString::fromUtf8("\u0100")), "?");         // just above Latin-1
    EXPECT_EQ(toAnsi(QString()), "");
    EXPECT_TRUE(fromAnsi("").isEmpty());
}

TEST(TextCodec, EmbeddedNulIsKept) {
    const std::string bytes("a\0b", 3);
    EXPECT_EQ(fromAnsi(bytes).size(), 3);
    EXPECT_EQ(toAnsi(fromAnsi(bytes)), bytes);
}

}  // namespace

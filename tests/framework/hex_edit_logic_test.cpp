#include "HexEditLogic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hexedit {
// Failures show the text and the caret.
void PrintTo(const EditState& s, std::ostream* out) { *out << '"' << s.text << "\" caret " << s.caret; }
void PrintTo(const KeyOutcome& k, std::ostream* out) {
    *out << "action " << int(k.action) << " [" << k.from << ", +" << k.length << ") \"" << k.insert << '"';
}
void PrintTo(const TextGroup& g, std::ostream* out) {
    *out << "group " << g.index << " [" << g.start << ", +" << g.length << ')';
}
}  // namespace hexedit

namespace {

using hexedit::KeyOutcome;
using hexedit::TextGroup;
using Action = KeyOutcome::Action;
using hexedit::EditState;
using Bytes = std::vector<std::uint8_t>;

Bytes countingBytes(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

// The number of byte groups on each line of a text.
std::vector<std::size_t> bytesPerLine(const std::string& text) {
    std::vector<std::size_t> lines{0};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            lines.push_back(0);
        else if (text[i] == ' ')
            ++lines.back();
    }
    return lines;
}

// --- SetCommand's text ----------------------------------------------------------------------

struct TextCase {
    const char* name;
    Bytes bytes;
    DISPLAYMODE mode;
    std::uint8_t umbruchZeile1;
    std::uint8_t umbruch;
    std::string text;
};

TEST(HexEditText, ShowsEachByteAsItsGroup) {
    const TextCase cases[] = {
        {"hexadecimal", {0x01, 0xAB}, hexadecimal, 0, 0, "01 AB "},
        {"decimal", {0x01, 0xAB}, decimal, 0, 0, "001 171 "},
        {"extremes", {0x00, 0xFF}, decimal, 0, 0, "000 255 "},
        {"no bytes", {}, hexadecimal, 4, 8, ""},
        {"first line only", {1, 2, 3, 4, 5}, hexadecimal, 2, 0, "01 02 \n03 04 05 "},
        {"first line exactly full", {1, 2}, hexadecimal, 2, 0, "01 02 \n"},
        {"no break after the last line", {1, 2, 3, 4}, hexadecimal, 0, 2, "01 02 \n03 04 "},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(hexedit::SetCommandText(c.bytes, c.mode, c.umbruchZeile1, c.umbruch), c.text) << c.name;
}

TEST(HexEditText, BreaksLinesByFirstLineAndLineLength) {
    struct LineCase {
        std::size_t count;
        std::uint8_t umbruchZeile1;
        std::uint8_t umbruch;
        std::vector<std::size_t> lines;
    };
    const LineCase cases[] = {
        {20, 4, 8, {4, 8, 8}},
        {21, 4, 8, {4, 8, 8, 1}},
        {20, 0, 8, {8, 8, 4}},
        {20, 4, 0, {4, 16}},
        {20, 0, 0, {20}},
        {3, 4, 8, {3}},
    };
    for (const LineCase& c : cases) {
        for (DISPLAYMODE mode : {hexadecimal, decimal}) {
            const std::string text =
                hexedit::SetCommandText(countingBytes(c.count), mode, c.umbruchZeile1, c.umbruch);
            EXPECT_EQ(bytesPerLine(text), c.lines)
                << c.count << " bytes, " << int(c.umbruchZeile1) << "/" << int(c.umbruch) << ", mode " << mode;
        }
    }
}

// --- GetCommand -----------------------------------------------------------------------------

struct ParseCase {
    const char* name;
    std::string text;
    DISPLAYMODE mode;
    std::size_t max;
    Bytes bytes;
    std::optional<TextGroup> invalid;
};

TEST(HexEditParse, ReadsGroupsIntoBytes) {
    const ParseCase cases[] = {
        {"hexadecimal", "01 AB ", hexadecimal, 100, {0x01, 0xAB}, {}},
        {"decimal", "001 171 ", decimal, 100, {0x01, 0xAB}, {}},
        {"lower case", "0a ff", hexadecimal, 100, {0x0A, 0xFF}, {}},
        {"partial last group", "01 A", hexadecimal, 100, {0x01, 0x0A}, {}},
        {"line break", "01 AB \n02 ", hexadecimal, 100, {0x01, 0xAB, 0x02}, {}},
        {"CR LF", "01 AB \r\n02 ", hexadecimal, 100, {0x01, 0xAB, 0x02}, {}},
        {"runs of blanks and empty lines", "  01   02 \n\n\r\n 03", hexadecimal, 100, {1, 2, 3}, {}},
        {"leading zeros", "00000000FF 0000000055", hexadecimal, 100, {0xFF, 0x55}, {}},
        {"decimal leading zeros", "0000255", decimal, 100, {255}, {}},
        {"empty", "", hexadecimal, 100, {}, {}},
        {"blanks only", " \n ", decimal, 100, {}, {}},
        {"at most max", "01 02 03 ", hexadecimal, 2, {1, 2}, {}},
        {"max 0", "01 02 ", hexadecimal, 0, {}, {}},
        {"beyond max not looked at", "01 02 FFF ", hexadecimal, 2, {1, 2}, {}},
    };
    for (const ParseCase& c : cases) {
        const hexedit::ParsedCommand parsed = hexedit::GetCommand(c.text, c.mode, c.max);
        EXPECT_EQ(parsed.bytes, c.bytes) << c.name;
        EXPECT_EQ(parsed.invalid, std::nullopt) << c.name;
        EXPECT_EQ(parsed.count(), c.bytes.size()) << c.name;
    }
}

TEST(HexEditParse, FirstGroupThatIsNoByteIsInvalidAndTheResultZero) {
    const ParseCase cases[] = {
        {"hexadecimal above 255", "001 100 2FF ", hexadecimal, 100, {0x01, 0x00, 0xFF}, TextGroup{1, 4, 3}},
        {"decimal above 255", "001 256 999 ", decimal, 100, {1, 0, 0xE7}, TextGroup{1, 4, 3}},
        {"on a later line", "01 02 \n03 100 ", hexadecimal, 100, {1, 2, 3, 0}, TextGroup{3, 10, 3}},
        // Values that wrap around in 32 or 64 bits to a small number.
        {"wraps in 32 bits", "100000001", hexadecimal, 100, {0x01}, TextGroup{0, 0, 9}},
        {"wraps in 64 bits", "10000000000000001", hexadecimal, 100, {0x01}, TextGroup{0, 0, 17}},
        {"decimal wraps in 32 bits", "01 4294967297", decimal, 100, {1, 1}, TextGroup{1, 3, 10}},
        {"a group of 255 digits", "1" + std::string(254, '0'), hexadecimal, 100, {0}, TextGroup{0, 0, 255}},
        {"a sign", "01 -1 ", hexadecimal, 100, {1, 1}, TextGroup{1, 3, 2}},
        {"a foreign character", "1g 02", hexadecimal, 100, {1, 2}, TextGroup{0, 0, 2}},
        {"a hexadecimal digit in decimal", "12 AB", decimal, 100, {12, 0}, TextGroup{1, 3, 2}},
        {"within max", "01 100 ", hexadecimal, 2, {1, 0}, TextGroup{1, 3, 3}},
    };
    for (const ParseCase& c : cases) {
        const hexedit::ParsedCommand parsed = hexedit::GetCommand(c.text, c.mode, c.max);
        EXPECT_EQ(parsed.bytes, c.bytes) << c.name;
        EXPECT_EQ(parsed.invalid, c.invalid) << c.name;
        EXPECT_EQ(parsed.count(), 0u) << c.name;
    }
}

TEST(HexEditParse, ReadsBackEveryTextItShows) {
    const Bytes bytes = countingBytes(300);
    for (DISPLAYMODE mode : {hexadecimal, decimal}) {
        const std::string text = hexedit::SetCommandText(bytes, mode, 5, 16);
        EXPECT_EQ(hexedit::GetCommand(text, mode, 1000).bytes, bytes) << mode;
        EXPECT_EQ(hexedit::GetCommand(text, mode, 1000).count(), 300u) << mode;
    }
}

// --- FormatHexEdit --------------------------------------------------------------------------

TEST(HexEditFormat, KeepsTheDigitsOfTheModeInGroups) {
    struct FormatCase {
        const char* name;
        std::string text;
        DISPLAYMODE mode;
        std::uint8_t gruppe;
        std::string formatted;
    };
    const FormatCase cases[] = {
        {"pasted with foreign characters", "1g 2h", hexadecimal, 2, "12 "},
        {"case kept", "0aBz9", hexadecimal, 2, "0a B9 "},
        {"partial last group has no blank", "012", hexadecimal, 2, "01 2"},
        {"decimal drops hexadecimal digits", "12a3-45", decimal, 3, "123 45"},
        {"line breaks and blanks dropped", "01 AB \r\n02 ", hexadecimal, 2, "01 AB 02 "},
        {"non-ASCII bytes dropped", "\xfc" "1\xb2" "2", hexadecimal, 2, "12 "},
        {"regroups", "0 1A B", hexadecimal, 2, "01 AB "},
        {"Gruppe 0 as 1", "1234", hexadecimal, 0, "1 2 3 4 "},
        {"Gruppe 1", "1234", hexadecimal, 1, "1 2 3 4 "},
        {"Gruppe 4", "123456789", decimal, 4, "1234 5678 9"},
        {"empty", "", hexadecimal, 2, ""},
        {"nothing valid", "xyz -+", decimal, 3, ""},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(hexedit::FormatHexEdit(c.text, c.mode, c.gruppe), c.formatted) << c.name;
}

TEST(HexEditChange, RegroupsTheWholeTextAndKeepsTheCaretOnItsDigit) {
    struct ChangeCase {
        const char* name;
        std::string text;
        std::size_t caret;
        EditState state;
    };
    const ChangeCase cases[] = {
        {"pasted into an empty control", "1g 2h", 5, {"12 ", 3}},
        {"pasted between groups", "01 1g 2hAB ", 8, {"01 12 AB ", 6}},
        {"caret before a dropped character", "01 x2", 3, {"01 2", 3}},
        {"line breaks dropped", "01 \n02 \n03", 5, {"01 02 03 ", 4}},
    };
    for (const ChangeCase& c : cases)
        EXPECT_EQ(hexedit::Change(c.text, c.caret, hexadecimal, 2), c.state) << c.name;

    // Every digit of a long text stays.
    std::string text = hexedit::SetCommandText(countingBytes(300), hexadecimal, 0, 0);
    text.insert(450, "7");
    const EditState state = hexedit::Change(text, 451, hexadecimal, 2);
    EXPECT_EQ(state.text.size(), text.size());
    EXPECT_EQ(state.caret, 451u);
    EXPECT_EQ(hexedit::GetCommand(state.text, hexadecimal, 1000).count(), 301u);
}

// --- caret mappings -------------------------------------------------------------------------

TEST(HexEditCursor, MapsCaretAndDigitIndexBothWays) {
    struct CursorCase {
        std::string text;
        DISPLAYMODE mode;
        std::vector<std::size_t> digitAtCaret;   // for each caret position 0..size
        std::vector<std::size_t> caretOfDigit;   // for each digit index 0..digits + 1
    };
    const CursorCase cases[] = {
        {"01 AB C", hexadecimal, {0, 1, 2, 2, 3, 4, 4, 5}, {0, 1, 3, 4, 6, 7, 7}},
        {"001 171 ", decimal, {0, 1, 2, 3, 3, 4, 5, 6, 6}, {0, 1, 2, 4, 5, 6, 8, 8}},
        // A line break from SetCommand: the caret goes before the digit on the next line.
        {"01 \n02 ", hexadecimal, {0, 1, 2, 2, 2, 3, 4, 4}, {0, 1, 4, 5, 7, 7}},
        {"", hexadecimal, {0}, {0, 0}},
    };
    for (const CursorCase& c : cases) {
        for (std::size_t caret = 0; caret < c.digitAtCaret.size(); ++caret)
            EXPECT_EQ(hexedit::GetCursorPosition(c.text, caret, c.mode), c.digitAtCaret[caret])
                << '"' << c.text << "\" caret " << caret;
        for (std::size_t digit = 0; digit < c.caretOfDigit.size(); ++digit)
            EXPECT_EQ(hexedit::SetCursorPosition(c.text, digit, c.mode), c.caretOfDigit[digit])
                << '"' << c.text << "\" digit " << digit;
    }
    EXPECT_EQ(hexedit::GetCursorPosition("01 AB ", 99, hexadecimal), 4u);
}

TEST(HexEditCursor, OnAFormattedTextFollowsTheGroupFormula) {
    for (std::uint8_t gruppe : {0, 1, 2, 3, 5}) {
        const std::size_t g = gruppe == 0 ? 1 : gruppe;
        for (std::size_t digits = 0; digits <= 12; ++digits) {
            const std::string text = hexedit::FormatHexEdit(std::string(digits, '7'), decimal, gruppe);
            for (std::size_t i = 0; i <= digits; ++i) {
                const std::size_t formula = std::min((i / g) * (g + 1) + i % g, text.size());
                EXPECT_EQ(hexedit::SetCursorPosition(text, i, decimal), formula)
                    << "Gruppe " << int(gruppe) << ", " << digits << " digits, index " << i;
                EXPECT_EQ(hexedit::GetCursorPosition(text, formula, decimal), i);
            }
        }
    }
}

// --- KeyPress -------------------------------------------------------------------------------

struct KeyCase {
    const char* name;
    char32_t key;
    std::string text;
    std::size_t selStart;
    std::size_t selLength;
    DISPLAYMODE mode;
    bool insertMode;
    KeyOutcome outcome;
};

TEST(HexEditKeys, DecidesWhatEachKeyDoes) {
    const KeyOutcome pass{};
    const KeyOutcome reject{Action::Reject, 0, 0, {}};
    const KeyCase cases[] = {
        {"Enter", hexedit::kKeyEnter, "01 AB ", 2, 0, hexadecimal, true, pass},
        {"Ctrl+A", hexedit::kKeyCtrlA, "01 AB ", 2, 0, hexadecimal, false, pass},
        {"Ctrl+C", hexedit::kKeyCtrlC, "01 AB ", 0, 2, hexadecimal, true, pass},
        {"Ctrl+V", hexedit::kKeyCtrlV, "01 AB ", 2, 0, decimal, false, pass},
        {"Ctrl+X", hexedit::kKeyCtrlX, "01 AB ", 0, 2, hexadecimal, true, pass},
        {"Backspace after the group blank", hexedit::kKeyBackspace, "01 AB ", 3, 0, hexadecimal, true,
         {Action::Replace, 1, 2, ""}},
        {"Backspace after a digit", hexedit::kKeyBackspace, "01 AB ", 2, 0, hexadecimal, true, pass},
        {"Backspace at the start", hexedit::kKeyBackspace, "01 AB ", 0, 0, hexadecimal, true, pass},
        {"Backspace over a selection", hexedit::kKeyBackspace, "01 AB ", 3, 2, hexadecimal, true, pass},
        {"Backspace after a leading blank", hexedit::kKeyBackspace, " 01", 1, 0, hexadecimal, true,
         {Action::Replace, 0, 1, ""}},
        {"Backspace after a line break", hexedit::kKeyBackspace, "01 \n02 ", 4, 0, hexadecimal, false,
         {Action::Replace, 1, 3, ""}},
        {"g in hexadecimal", U'g', "01 ", 3, 0, hexadecimal, true, reject},
        {"a in decimal", U'a', "001 ", 4, 0, decimal, true, reject},
        {"blank", U' ', "01 ", 3, 0, hexadecimal, true, reject},
        {"minus", U'-', "01 ", 3, 0, decimal, false, reject},
        {"non-ASCII digit", U'\u0663', "01 ", 3, 0, decimal, true, reject},
        {"Latin-1 letter", U'\u00e4', "01 ", 3, 0, hexadecimal, true, reject},
        {"insert upper-cased", U'a', "01 ", 2, 0, hexadecimal, true, {Action::Replace, 2, 0, "A"}},
        {"insert decimal", U'9', "001 ", 1, 0, decimal, true, {Action::Replace, 1, 0, "9"}},
        {"insert over a selection", U'F', "01 AB ", 1, 3, hexadecimal, true, {Action::Replace, 1, 3, "F"}},
        {"overwrite a digit", U'5', "01 AB ", 0, 0, hexadecimal, false, {Action::Replace, 0, 1, "5"}},
        {"overwrite at the group blank", U'5', "01 AB ", 2, 0, hexadecimal, false, {Action::Replace, 2, 2, "5"}},
        {"overwrite at the end", U'5', "01 AB ", 6, 0, hexadecimal, false, {Action::Replace, 6, 0, "5"}},
        {"overwrite at the last blank", U'e', "01 ", 2, 0, hexadecimal, false, {Action::Replace, 2, 1, "E"}},
        {"overwrite at a line break", U'5', "01 \n02 ", 2, 0, hexadecimal, false, {Action::Replace, 2, 3, "5"}},
        {"overwrite a selection", U'5', "01 AB ", 1, 3, hexadecimal, false, {Action::Replace, 1, 3, "5"}},
        {"caret beyond the text", U'5', "01", 9, 0, hexadecimal, false, {Action::Replace, 2, 0, "5"}},
    };
    for (const KeyCase& c : cases)
        EXPECT_EQ(hexedit::KeyPress(c.key, c.text, c.selStart, c.selLength, c.mode, c.insertMode), c.outcome)
            << c.name;
}

// The text is a view into a longer buffer, so a look before its start or past its end would find
// a character: a blank before the start, a digit after the end.
TEST(HexEditKeys, NeverLooksOutsideTheText) {
    const std::string buffer = " 01 7";
    const std::string_view text(buffer.data() + 1, 3);  // "01 "
    EXPECT_EQ(hexedit::KeyPress(hexedit::kKeyBackspace, text, 0, 0, hexadecimal, true), KeyOutcome{});
    EXPECT_EQ(hexedit::KeyPress(U'5', text, 3, 0, hexadecimal, false),
              (KeyOutcome{Action::Replace, 3, 0, "5"}));
    EXPECT_EQ(hexedit::KeyPress(U'5', text, 2, 0, hexadecimal, false),
              (KeyOutcome{Action::Replace, 2, 1, "5"}));
}

// What the control shows after a key: the edit, then Change.
EditState afterEdit(const std::string& text, std::size_t caret, char32_t key, DISPLAYMODE mode, std::uint8_t gruppe,
                    bool insertMode) {
    const KeyOutcome outcome = hexedit::KeyPress(key, text, caret, 0, mode, insertMode);
    if (outcome.action != Action::Replace) return {text, caret};
    const std::string edited = std::string(text).replace(outcome.from, outcome.length, outcome.insert);
    return hexedit::Change(edited, outcome.from + outcome.insert.size(), mode, gruppe);
}

TEST(HexEditKeys, EditsRegroupAndKeepTheCaretOnItsDigit) {
    struct EditCase {
        const char* name;
        std::string text;
        std::size_t caret;
        char32_t key;
        DISPLAYMODE mode;
        std::uint8_t gruppe;
        bool insertMode;
        EditState shown;
    };
    const EditCase cases[] = {
        {"insert inside a group", "01 AB ", 1, U'5', hexadecimal, 2, true, {"05 1A B", 3}},
        {"insert at the end", "01 A", 4, U'b', hexadecimal, 2, true, {"01 AB ", 6}},
        {"overwrite at the blank between groups", "01 AB ", 2, U'5', hexadecimal, 2, false, {"01 5B ", 4}},
        {"overwrite a digit", "01 AB ", 3, U'c', hexadecimal, 2, false, {"01 CB ", 4}},
        {"overwrite at the end appends", "01 AB ", 6, U'5', hexadecimal, 2, false, {"01 AB 5", 7}},
        {"Backspace at the group blank", "01 AB ", 3, hexedit::kKeyBackspace, hexadecimal, 2, true, {"0A B", 1}},
        {"Backspace at the last blank", "01 AB ", 6, hexedit::kKeyBackspace, hexadecimal, 2, true, {"01 A", 4}},
        {"decimal insert", "001 171 ", 4, U'2', decimal, 3, true, {"001 217 1", 5}},
        {"Gruppe 0", "1 2 ", 4, U'3', hexadecimal, 0, true, {"1 2 3 ", 6}},
        {"SetCommand's line break goes", "01 \n02 ", 4, U'5', hexadecimal, 2, false, {"01 52 ", 4}},
    };
    for (const EditCase& c : cases)
        EXPECT_EQ(afterEdit(c.text, c.caret, c.key, c.mode, c.gruppe, c.insertMode), c.shown) << c.name;
}

}  // namespace

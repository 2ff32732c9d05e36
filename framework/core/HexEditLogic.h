#pragma once
// The hex edit control without a window: the text it shows for a byte string, the parser that
// reads the text back, the normalisation after every edit, the caret mappings between a digit
// index and a text position, and the edits its key handling makes. THexEdit (framework/ui) only
// wires these to a QPlainTextEdit.
//
// Texts are the control's text as plain ASCII, one char per character of the control (the
// window maps any other character to a char that is neither a digit nor a separator), and line
// breaks are "\n"; "\r\n" is read as well.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum DISPLAYMODE : std::uint8_t { hexadecimal = 0, decimal = 1 };

namespace hexedit {

// Whether c is a digit of the mode: 0-9, and A-F in either case in hexadecimal mode.
bool isDigit(char32_t c, DISPLAYMODE mode);

// The digits per byte group a mode switch sets: 3 for decimal, 2 for hexadecimal.
constexpr std::uint8_t gruppeFor(DISPLAYMODE mode) { return mode == decimal ? 3 : 2; }

// The text of SetCommand: each byte as "%02X " (hexadecimal) or "%03d " (decimal). A line break
// follows byte i when umbruchZeile1 == i + 1, and when umbruch is non-zero, i > umbruchZeile1,
// (i - umbruchZeile1 + 1) is a multiple of umbruch and another byte follows.
std::string SetCommandText(std::span<const std::uint8_t> bytes, DISPLAYMODE mode,
                           std::uint8_t umbruchZeile1, std::uint8_t umbruch);

// Where a group stands in the text: its number among the groups and its characters.
struct TextGroup {
    std::size_t index = 0;
    std::size_t start = 0;
    std::size_t length = 0;
    bool operator==(const TextGroup&) const = default;
};

struct ParsedCommand {
    // One byte per group read, the low 8 bits of its value; groups after an invalid one are
    // still read (an unreadable group gives 0).
    std::vector<std::uint8_t> bytes;
    // The first group that is not a byte: a value above 255 however many digits it has, or a
    // group with a character that is not a digit of the mode (a sign, a foreign character).
    std::optional<TextGroup> invalid;
    // GetCommand's result: the number of bytes, 0 when a group was invalid.
    std::size_t count() const { return invalid ? 0 : bytes.size(); }
};

// Reads the text as GetCommand does: groups are separated by blanks and line breaks (runs of them
// and empty lines give no group), each read in radix 16 (hexadecimal) or 10 (decimal), until
// `max` bytes are taken; groups beyond that are not looked at. Any text is safe to pass.
ParsedCommand GetCommand(std::string_view text, DISPLAYMODE mode, std::size_t max);

// FormatHexEdit: the valid digits of the text (their case kept), a blank after every `gruppe`
// digits, so a complete last group ends with a blank too. A gruppe of 0 counts as 1.
std::string FormatHexEdit(std::string_view text, DISPLAYMODE mode, std::uint8_t gruppe);

// GetCursorPosition: the number of digits before the caret position.
std::size_t GetCursorPosition(std::string_view text, std::size_t caret, DISPLAYMODE mode);
// SetCursorPosition: the position before the digit with this index, the end of the text when
// there are not that many digits. On a formatted text with groups of G digits this is
// (index / G) * (G + 1) + index % G.
std::size_t SetCursorPosition(std::string_view text, std::size_t digitIndex, DISPLAYMODE mode);

// The control's text with its caret.
struct EditState {
    std::string text;
    std::size_t caret = 0;
    bool operator==(const EditState&) const = default;
};

// Change, after every edit by the user: the whole text regrouped by FormatHexEdit, the caret
// before the same digit as before.
EditState Change(std::string_view text, std::size_t caret, DISPLAYMODE mode, std::uint8_t gruppe);

// What the control does with a typed character (the key codes as a Windows edit gets them).
struct KeyOutcome {
    enum class Action {
        Pass,     // the control handles the key as usual
        Reject,   // swallowed with a beep
        Replace,  // swallowed; the text [from, from + length) is replaced by `insert`
    };
    Action action = Action::Pass;
    std::size_t from = 0;
    std::size_t length = 0;
    std::string insert;
    bool operator==(const KeyOutcome&) const = default;
};

inline constexpr char32_t kKeyCtrlA = 1;
inline constexpr char32_t kKeyCtrlC = 3;
inline constexpr char32_t kKeyBackspace = 8;
inline constexpr char32_t kKeyEnter = 13;
inline constexpr char32_t kKeyCtrlV = 22;
inline constexpr char32_t kKeyCtrlX = 24;

// KeyPress for a typed key with the selection [selStart, selStart + selLength):
// - Enter, Ctrl+A, Ctrl+C, Ctrl+V and Ctrl+X pass;
// - Backspace right after the group blank deletes the blank with the digit before it; elsewhere,
//   at the start of the text or over a selection it passes;
// - a character that is not a digit of the mode is rejected;
// - a digit, upper-cased, replaces the selection; without one it is inserted at the caret in
//   insert mode, and in overwrite mode replaces the digit under the caret (the group blank and
//   the digit after it when the caret stands on the blank; nothing at the end of the text).
// A line break from SetCommand counts as part of the group blank before it.
KeyOutcome KeyPress(char32_t key, std::string_view text, std::size_t selStart,
                    std::size_t selLength, DISPLAYMODE mode, bool insertMode);

}  // namespace hexedit

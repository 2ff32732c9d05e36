// The hex edit control's text handling: any text, caret and typed key in either display mode.
// GetCommand takes no more than it may, reads back exactly the bytes SetCommand showed, and the
// regrouped text keeps the digits with the caret inside the text.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>

#include "FuzzSupport.h"
#include "HexEditLogic.h"

using namespace hexedit;

namespace {

size_t digitsOf(std::string_view text, DISPLAYMODE mode) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [&](char c) {
        return isDigit(static_cast<unsigned char>(c), mode);
    }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const DISPLAYMODE mode = in.ConsumeBool() ? decimal : hexadecimal;
    const size_t max = in.ConsumeIntegralInRange<size_t>(0, 300);
    const uint8_t gruppe = in.ConsumeIntegralInRange<uint8_t>(0, 4);
    const uint8_t firstLine = in.ConsumeIntegral<uint8_t>();
    const uint8_t lineBreak = in.ConsumeIntegral<uint8_t>();
    const char32_t key = in.ConsumeIntegralInRange<char32_t>(0, 0x7F);
    const bool insertMode = in.ConsumeBool();
    const size_t caret = in.ConsumeIntegralInRange<size_t>(0, 400);
    const size_t selLength = in.ConsumeIntegralInRange<size_t>(0, 8);
    const std::string text = in.ConsumeRemainingBytesAsString();

    const ParsedCommand parsed = GetCommand(text, mode, max);
    FUZZ_CHECK(parsed.bytes.size() <= max);
    FUZZ_CHECK(parsed.count() <= parsed.bytes.size());
    if (parsed.invalid) {
        FUZZ_CHECK(parsed.invalid->start + parsed.invalid->length <= text.size());
        FUZZ_CHECK(parsed.invalid->index < parsed.bytes.size());
    }

    // The bytes read back from the text SetCommand shows for them.
    const std::string shown = SetCommandText(parsed.bytes, mode, firstLine, lineBreak);
    const ParsedCommand again = GetCommand(shown, mode, parsed.bytes.size());
    FUZZ_CHECK(!again.invalid && again.bytes == parsed.bytes);

    const std::string formatted = FormatHexEdit(text, mode, gruppe);
    FUZZ_CHECK(digitsOf(formatted, mode) == digitsOf(text, mode));
    FUZZ_CHECK(formatted.find_first_not_of(mode == decimal ? "0123456789 " : "0123456789abcdefABCDEF ") ==
               std::string::npos);

    const size_t at = std::min(caret, text.size());
    const EditState changed = Change(text, at, mode, gruppe);
    FUZZ_CHECK(changed.text == formatted);
    FUZZ_CHECK(changed.caret <= changed.text.size());
    FUZZ_CHECK(GetCursorPosition(changed.text, changed.caret, mode) == GetCursorPosition(text, at, mode));
    FUZZ_CHECK(SetCursorPosition(text, digitsOf(text, mode) + 1, mode) == text.size());

    const size_t selection = std::min(selLength, text.size() - at);
    const KeyOutcome outcome = KeyPress(key, text, at, selection, mode, insertMode);
    if (outcome.action == KeyOutcome::Action::Replace) {
        FUZZ_CHECK(outcome.from + outcome.length <= text.size());
        FUZZ_CHECK(digitsOf(outcome.insert, mode) <= 1);
    }
    return 0;
}

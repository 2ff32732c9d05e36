#include "HexEditLogic.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace hexedit {

namespace {

bool isSeparator(char c) { return c == ' ' || c == '\r' || c == '\n'; }

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::size_t effectiveGruppe(std::uint8_t gruppe) { return gruppe == 0 ? 1 : gruppe; }

}  // namespace

bool isDigit(char32_t c, DISPLAYMODE mode) {
    if (c > 0x7F) return false;
    const int value = digitValue(static_cast<char>(c));
    return value >= 0 && value < (mode == decimal ? 10 : 16);
}

std::string SetCommandText(std::span<const std::uint8_t> bytes, DISPLAYMODE mode,
                           std::uint8_t umbruchZeile1, std::uint8_t umbruch) {
    std::string text;
    text.reserve(bytes.size() * 4);
    const std::size_t first = umbruchZeile1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char group[5];
        std::snprintf(group, sizeof group, mode == decimal ? "%03d " : "%02X ", bytes[i]);
        text += group;
        if (first != 0 && first == i + 1) text += '\n';
        if (umbruch != 0 && i > first && (i - first + 1) % umbruch == 0 && i + 1 < bytes.size())
            text += '\n';
    }
    return text;
}

ParsedCommand GetCommand(std::string_view text, DISPLAYMODE mode, std::size_t max) {
    const unsigned radix = mode == decimal ? 10 : 16;
    ParsedCommand parsed;
    std::size_t pos = 0;
    std::size_t index = 0;
    while (parsed.bytes.size() < max) {
        while (pos < text.size() && isSeparator(text[pos])) ++pos;
        if (pos == text.size()) break;
        const std::size_t start = pos;
        unsigned low = 0;   // the value modulo 256
        bool valid = true;  // only digits, and the value not above 255
        unsigned value = 0;
        for (; pos < text.size() && !isSeparator(text[pos]); ++pos) {
            const int digit = digitValue(text[pos]);
            if (digit < 0 || static_cast<unsigned>(digit) >= radix) {
                valid = false;
                continue;
            }
            low = (low * radix + static_cast<unsigned>(digit)) & 0xFF;
            // Stop growing once above 255, so no number of digits can wrap back into range.
            if (value <= 255) value = value * radix + static_cast<unsigned>(digit);
            if (value > 255) valid = false;
        }
        parsed.bytes.push_back(static_cast<std::uint8_t>(low));
        if (!valid && !parsed.invalid) parsed.invalid = TextGroup{index, start, pos - start};
        ++index;
    }
    return parsed;
}

std::string FormatHexEdit(std::string_view text, DISPLAYMODE mode, std::uint8_t gruppe) {
    const std::size_t size = effectiveGruppe(gruppe);
    std::string formatted;
    formatted.reserve(text.size() + text.size() / size + 1);
    std::size_t inGroup = 0;
    for (char c : text) {
        if (!isDigit(static_cast<unsigned char>(c), mode)) continue;
        formatted += c;
        if (++inGroup == size) {
            formatted += ' ';
            inGroup = 0;
        }
    }
    return formatted;
}

std::size_t GetCursorPosition(std::string_view text, std::size_t caret, DISPLAYMODE mode) {
    const std::string_view before = text.substr(0, std::min(caret, text.size()));
    return static_cast<std::size_t>(std::count_if(before.begin(), before.end(), [mode](char c) {
        return isDigit(static_cast<unsigned char>(c), mode);
    }));
}

std::size_t SetCursorPosition(std::string_view text, std::size_t digitIndex, DISPLAYMODE mode) {
    std::size_t digits = 0;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (!isDigit(static_cast<unsigned char>(text[pos]), mode)) continue;
        if (digits == digitIndex) return pos;
        ++digits;
    }
    return text.size();
}

EditState Change(std::string_view text, std::size_t caret, DISPLAYMODE mode, std::uint8_t gruppe) {
    const std::size_t digit = GetCursorPosition(text, caret, mode);
    std::string formatted = FormatHexEdit(text, mode, gruppe);
    const std::size_t position = SetCursorPosition(formatted, digit, mode);
    return {std::move(formatted), position};
}

KeyOutcome KeyPress(char32_t key, std::string_view text, std::size_t selStart,
                    std::size_t selLength, DISPLAYMODE mode, bool insertMode) {
    using Action = KeyOutcome::Action;
    selStart = std::min(selStart, text.size());
    selLength = std::min(selLength, text.size() - selStart);
    switch (key) {
    case kKeyEnter:
    case kKeyCtrlA:
    case kKeyCtrlC:
    case kKeyCtrlV:
    case kKeyCtrlX:
        return {};
    case kKeyBackspace: {
        if (selLength != 0 || selStart == 0 || !isSeparator(text[selStart - 1])) return {};
        std::size_t from = selStart;
        while (from > 0 && isSeparator(text[from - 1])) --from;
        if (from > 0) --from;  // the digit before the blank
        return {Action::Replace, from, selStart - from, {}};
    }
    default:
        break;
    }
    if (!isDigit(key, mode)) return {Action::Reject, 0, 0, {}};
    const std::string digit(1, static_cast<char>(key >= 'a' ? key - ('a' - 'A') : key));
    if (insertMode || selLength != 0) return {Action::Replace, selStart, selLength, digit};
    std::size_t end = selStart;
    while (end < text.size() && isSeparator(text[end])) ++end;
    if (end < text.size()) ++end;  // the digit under the caret, or the one after the blank
    return {Action::Replace, selStart, end - selStart, digit};
}

}  // namespace hexedit

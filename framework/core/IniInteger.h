#pragma once
// Integers as the maker's INI-style files hold them (data files, parameter descriptions), read by
// the one rule the original's INI class used for them.

#include <cstdint>
#include <optional>
#include <string_view>

// The whole text as an integer: decimal digits, or hexadecimal digits after "$", "0x" or "0X",
// with an optional "+" or "-" in front. Hexadecimal without a sign is 32 bits read as two's
// complement ("$FFFFFFFF" is -1); any other number must fit the 32-bit signed range. Anything
// else (blanks, a trailing character, an empty text, more than 32 bits) is no integer. Callers
// take their default then: parseIniInteger(text).value_or(def).
std::optional<int32_t> parseIniInteger(std::string_view text);

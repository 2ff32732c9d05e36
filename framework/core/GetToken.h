#pragma once
// Two small text helpers of the data-file readers.

#include <cstdint>
#include <string>
#include <string_view>

// Token number `index` (0 = the first) of the text cut at every character of `delimiters`; runs
// of delimiters, also leading ones, separate like one. Empty when there are fewer tokens.
std::string GetToken(std::string_view text, std::string_view delimiters, uint16_t index);

// Cuts a "key=value" line at its first "=": 0 with key and value set; 1, both untouched, when
// the line has no "=".
int SplitKeyValue(std::string_view line, std::string& key, std::string& value);

#pragma once
// Numbers as text, the same whatever the user's locale: Qt switches the C library to the
// user's locale at start-up, so printf("%.1f") and strtod would follow a German "24,3". Files,
// wire values and screen texts always use ".".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace numbers {

// Fixed-point text with `decimals` digits after ".", right-aligned in `width` characters
// (as printf's "%<width>.<decimals>f").
std::string formatFixed(double value, int decimals, int width = 0);

// The shortest of fixed or exponent form with at most `significant` digits (as printf's
// "%.<significant>g").
std::string formatGeneral(double value, int significant = 15);

// An integer right-aligned in `width` characters (as printf's "%<width>d").
std::string formatInt(int64_t value, int width = 0);

// The whole text as a decimal number with "." (optional sign, digits, fraction, exponent);
// anything else, blanks included, gives no value.
std::optional<double> parseDouble(std::string_view text);

// A number as a technician types it into an entry: parseDouble, with "," standing for the
// decimal point as "." does (one separator at most), whatever the locale. Files and wire values
// never take this: there "," is no number.
std::optional<double> parseTypedDouble(std::string_view text);
// The typed text with "," as "." (the form the screen shows).
std::string typedDecimalText(std::string_view text);

// The whole text as a decimal integer (optional sign); anything else, or a number beyond 64
// bits, gives no value.
std::optional<int64_t> parseInt(std::string_view text);

}  // namespace numbers

#include "Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace numbers {

namespace {

std::string padLeft(std::string text, int width) {
    if (width > 0 && text.size() < static_cast<size_t>(width)) text.insert(0, width - text.size(), ' ');
    return text;
}

std::string nonFinite(double value) {
    if (std::isnan(value)) return "nan";
    return value < 0 ? "-inf" : "inf";
}

// from_chars takes no leading "+"; printf-style input may carry one.
std::string_view withoutPlus(std::string_view text) {
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    return text;
}

}  // namespace

std::string formatFixed(double value, int decimals, int width) {
    if (!std::isfinite(value)) return padLeft(nonFinite(value), width);
    if (decimals < 0) decimals = 0;
    char buffer[400];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return padLeft(formatGeneral(value), width);
    return padLeft(std::string(buffer, end), width);
}

std::string formatGeneral(double value, int significant) {
    if (!std::isfinite(value)) return nonFinite(value);
    if (significant < 1) significant = 1;
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, significant);
    if (error != std::errc()) return {};
    return std::string(buffer, end);
}

std::string formatInt(int64_t value, int width) {
    char buffer[24];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error;  // 24 characters always hold a 64-bit integer
    return padLeft(std::string(buffer, end), width);
}

std::optional<double> parseDouble(std::string_view text) {
    text = withoutPlus(text);
    if (text.empty()) return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string typedDecimalText(std::string_view text) {
    std::string dotted(text);
    std::replace(dotted.begin(), dotted.end(), ',', '.');
    return dotted;
}

std::optional<double> parseTypedDouble(std::string_view text) { return parseDouble(typedDecimalText(text)); }

std::optional<int64_t> parseInt(std::string_view text) {
    text = withoutPlus(text);
    if (text.empty()) return std::nullopt;
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace numbers

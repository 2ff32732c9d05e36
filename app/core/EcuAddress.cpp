#include "EcuAddress.h"

#include "NData.h"
#include "Numbers.h"
#include "ProfileFile.h"

#include <string>

static_assert(AppIniKeys::ECUAdress.defaultValue == kDefaultEcuAddress);

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

int digitValue(char c, unsigned base) {
    int value = -1;
    if (c >= '0' && c <= '9') value = c - '0';
    else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

}  // namespace

std::optional<uint8_t> parseEcuAddress(std::string_view text) {
    text = trimmed(text);
    unsigned base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        const int digit = digitValue(c, base);
        if (digit < 0) return std::nullopt;
        value = value * base + static_cast<unsigned>(digit);
        // Stop growing once out of range, so a long run of digits cannot overflow.
        if (value > kHighestEcuAddress) return std::nullopt;
    }
    if (value < kLowestEcuAddress) return std::nullopt;
    return static_cast<uint8_t>(value);
}

std::optional<uint8_t> parseTypedEcuAddress(std::string_view text) {
    const std::optional<int64_t> value = numbers::parseInt(trimmed(text));
    if (!value || *value < kLowestEcuAddress || *value > kHighestTypedEcuAddress) return std::nullopt;
    return static_cast<uint8_t>(*value);
}

uint8_t readEcuAddress(const ProfileFile& ini) {
    const std::optional<std::string> stored =
        ini.value(AppIniKeys::ECUAdress.section, AppIniKeys::ECUAdress.key);
    if (!stored) return kDefaultEcuAddress;
    return parseEcuAddress(*stored).value_or(kDefaultEcuAddress);
}

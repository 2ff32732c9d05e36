#include "IniInteger.h"

#include <charconv>

std::optional<int32_t> parseIniInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    // from_chars would take a second sign; only digits may follow.
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
    uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    // Unsigned hexadecimal is the 32 bits of the number, as the files hold masks and -1 as
    // "$FFFFFFFF"; everything else must fit the signed range, never wrapping.
    if (base == 16 && !negative && magnitude <= UINT32_MAX)
        return static_cast<int32_t>(static_cast<uint32_t>(magnitude));
    const uint64_t limit = negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX);
    if (magnitude > limit) return std::nullopt;
    return static_cast<int32_t>(negative ? -int64_t(magnitude) : int64_t(magnitude));
}

#include "ParameterValues.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "IniInteger.h"
#include "Numbers.h"

namespace {

constexpr std::size_t kPageStep = 5;
constexpr int kWheelStep = 10;
// An entry may stray this far (in units of the factor) from the value of its raw value.
constexpr double kGridTolerance = 0.01;

double maximumRaw(const structParaInfo& p) { return p.Art == ArtWord ? 65535.0 : 255.0; }

// (raw - Offset) x Faktor with the parameter's decimals; "+ 0.0" keeps "-0" off the screen.
std::string physicalText(const structParaInfo& p, double raw) {
    return numbers::formatFixed((raw - p.Offset) * p.Faktor + 0.0, p.Format);
}

}  // namespace

std::vector<uint16_t> blockValues(const _ParaKonf& konf, std::span<const uint8_t> block) {
    if (block.size() < konf.AnzahlBytes())
        throw std::invalid_argument("blockValues: the block is shorter than the description");
    std::vector<uint16_t> values;
    values.reserve(konf.Parameter.size());
    std::size_t at = 0;
    for (const structParaInfo& p : konf.Parameter) {
        values.push_back(p.Art == ArtWord ? static_cast<uint16_t>(block[at] * 256 + block[at + 1])
                                          : block[at]);
        at += p.bytes();
    }
    return values;
}

std::vector<uint8_t> valuesBlock(const _ParaKonf& konf, std::span<const uint16_t> values) {
    if (values.size() != konf.Parameter.size())
        throw std::invalid_argument("valuesBlock: one value per parameter");
    std::vector<uint8_t> block;
    block.reserve(konf.AnzahlBytes());
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (konf.Parameter[i].Art == ArtWord) block.push_back(static_cast<uint8_t>(values[i] >> 8));
        block.push_back(static_cast<uint8_t>(values[i]));
    }
    return block;
}

std::string shownValue(const structParaInfo& parameter, uint16_t raw) {
    if (parameter.Art == ArtBits) return numbers::formatInt(raw);
    return physicalText(parameter, raw);
}

// --- ParameterEntries -------------------------------------------------------------------------

ParameterEntries::ParameterEntries(_ParaKonf konf) : konf_(std::move(konf)) {
    entries_.resize(konf_.Parameter.size(), Entry{"0", 0, std::nullopt, 0});
}

bool ParameterEntries::show(std::span<const uint8_t> block) {
    if (block.size() != konf_.AnzahlBytes()) return false;
    const std::vector<uint16_t> values = blockValues(konf_, block);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        confirm(entries_[i], values[i], shownValue(konf_.Parameter[i], values[i]));
        entries_[i].bits = static_cast<uint8_t>(values[i]);
    }
    return true;
}

void ParameterEntries::setText(std::size_t i, std::string text) {
    Entry& e = entries_.at(i);
    e.text = std::move(text);
    if (konf_.Parameter[i].Art != ArtBits) return;
    if (const std::optional<int32_t> value = parseIniInteger(e.text))
        e.bits = static_cast<uint8_t>(*value);
}

void ParameterEntries::confirm(Entry& entry, uint16_t raw, std::string text) {
    entry.raw = raw;
    entry.text = std::move(text);
    entry.rawText = entry.text;
}

EntryCheck ParameterEntries::leave(std::size_t i) {
    const Entry& e = entries_.at(i);
    // Leaving a value edit always counts as a change; a bit edit only when its text changed.
    if (konf_.Parameter[i].Art != ArtBits) Geaendert = true;
    if (e.text == e.rawText) return {0, e.text};
    return check(i);
}

EntryCheck ParameterEntries::check(std::size_t i) {
    Entry& e = entries_.at(i);
    const structParaInfo& p = konf_.Parameter[i];
    Geaendert = true;
    if (p.Art == ArtBits) {
        const std::optional<int32_t> value = parseIniInteger(e.text);
        if (!value || *value < 0 || *value > 255) return {kEntryInvalidText, e.text};
        confirm(e, static_cast<uint16_t>(*value), e.text);
        e.bits = static_cast<uint8_t>(*value);
        return {0, e.text};
    }

    const std::optional<double> v = numbers::parseTypedDouble(e.text);
    if (!v || !std::isfinite(*v)) return {kEntryInvalidText, e.text};
    // A decimal comma is a decimal point: "12,5" is 12.5, and the edit shows it with ".".
    e.text = numbers::typedDecimalText(e.text);
    // In double: a typed value far beyond the range must not overflow an integer.
    const double raw = std::floor(*v / p.Faktor + 0.5) + p.Offset;
    const bool inRange = raw >= 0 && raw <= maximumRaw(p);
    // A quotient beyond every double (1e308 / 0.001) has no grid point: it is only out of range.
    if (std::isfinite(raw) &&
        std::fabs(*v - (raw - p.Offset) * p.Faktor) > kGridTolerance * std::fabs(p.Faktor)) {
        e.text = physicalText(p, raw);
        if (inRange) confirm(e, static_cast<uint16_t>(raw), e.text);
        return {kEntryOffGridText, e.text};
    }
    if (!inRange) {
        const uint16_t clamped = raw < 0 ? 0 : static_cast<uint16_t>(maximumRaw(p));
        confirm(e, clamped, shownValue(p, clamped));
        return {kEntryOutOfRangeText, e.text};
    }
    // The typed text stays as it is.
    confirm(e, static_cast<uint16_t>(raw), e.text);
    return {0, e.text};
}

std::array<uint8_t, 8> ParameterEntries::bitItems(std::size_t i) const {
    const uint8_t bits = entries_.at(i).bits;
    std::array<uint8_t, 8> items{};
    for (unsigned b = 0; b < items.size(); ++b) items[b] = (bits >> b) & 1u;
    return items;
}

void ParameterEntries::selectBitItem(std::size_t i, unsigned b, unsigned item) {
    Entry& e = entries_.at(i);
    if (b >= 8) throw std::out_of_range("selectBitItem: bits 0..7");
    const uint8_t mask = static_cast<uint8_t>(1u << b);
    e.bits = static_cast<uint8_t>(item ? e.bits | mask : e.bits & ~mask);
    confirm(e, e.bits, numbers::formatInt(e.bits));
    Geaendert = true;
}

PackResult ParameterEntries::pack() {
    PackResult result;
    std::vector<uint16_t> values;
    values.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].text != entries_[i].rawText) {
            EntryCheck c = check(i);
            if (!c.accepted()) {
                result.failed = i;
                result.check = std::move(c);
                return result;
            }
        }
        values.push_back(entries_[i].raw);
    }
    result.block = valuesBlock(konf_, values);
    return result;
}

// --- moving between the edits -------------------------------------------------------------------

std::optional<std::size_t> navigationTarget(std::size_t current, std::size_t count,
                                            NavigationKey key) {
    if (count == 0) return std::nullopt;
    current = std::min(current, count - 1);
    const std::size_t step =
        key == NavigationKey::PageUp || key == NavigationKey::PageDown ? kPageStep : 1;
    if (key == NavigationKey::Down || key == NavigationKey::PageDown)
        return current + step >= count ? count - 1 : current + step;
    return current < step ? 0 : current - step;
}

int wheelScrollPosition(int position, int maximum, bool down) {
    return down ? std::min(position + kWheelStep, maximum) : std::max(position - kWheelStep, 0);
}

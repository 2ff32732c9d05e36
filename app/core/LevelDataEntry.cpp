#include "LevelDataEntry.h"

#include <cstdint>

#include "Numbers.h"

namespace {

// Offsets of the five edits of a column from its upper level.
enum ColumnRow : std::size_t { Upper = 0, UpperDiff = 1, Normal = 2, LowerDiff = 3, Lower = 4 };

LevelEdit at(LevelEdit upper, std::size_t row) {
    return static_cast<LevelEdit>(static_cast<std::size_t>(upper) + row);
}

}  // namespace

LevelDataEntry::LevelDataEntry() { texts_.fill("0"); }

std::optional<int64_t> LevelDataEntry::number(LevelEdit edit) const {
    // An entry is a 32-bit integer; anything larger counts as no number (and sums of two
    // entries cannot overflow).
    const auto value = numbers::parseInt(texts_[index(edit)]);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
    return value;
}

void LevelDataEntry::set(LevelEdit edit, int64_t value) {
    texts_[index(edit)] = numbers::formatInt(value);
}

void LevelDataEntry::fill(const LevelValues& values, bool withLeftRightDifference) {
    const auto column = [this](LevelEdit upper, int64_t up, int64_t normal, int64_t low) {
        set(at(upper, Upper), up);
        set(at(upper, UpperDiff), up - normal);
        set(at(upper, Normal), normal);
        set(at(upper, LowerDiff), normal - low);
        set(at(upper, Lower), low);
    };
    column(LevelEdit::UpperFront, values.UpperFront, values.NormalFront, values.LowerFront);
    set(LevelEdit::LeftRightDifference,
        withLeftRightDifference ? static_cast<int8_t>(values.LeftRightDifference & 0xFF) : 0);
    column(LevelEdit::UpperRear, values.UpperRear, values.NormalRear, values.LowerRear);
    recomputeRightColumn();
}

bool LevelDataEntry::recomputeColumn(LevelEdit upper, LevelEdit left, LevelEntryMode mode) {
    const auto row = static_cast<std::size_t>(left) - static_cast<std::size_t>(upper);
    // target := a + sign * b, when both hold numbers. Upper level and its difference follow
    // each other; so do lower level and its difference.
    const auto derive = [&](std::size_t target, std::size_t a, std::size_t b, int sign) {
        const auto x = number(at(upper, a)), y = number(at(upper, b));
        if (!x || !y) return false;
        set(at(upper, target), *x + sign * *y);
        return true;
    };
    const auto upperFromDiff = [&] { return derive(Upper, Normal, UpperDiff, +1); };
    const auto upperDiffFromLevels = [&] { return derive(UpperDiff, Upper, Normal, -1); };
    const auto lowerFromDiff = [&] { return derive(Lower, Normal, LowerDiff, -1); };
    const auto lowerDiffFromLevels = [&] { return derive(LowerDiff, Normal, Lower, -1); };
    switch (row) {
    case Upper: return upperDiffFromLevels();
    case UpperDiff: return upperFromDiff();
    case Normal:
        if (mode == LevelEntryMode::Differences) return upperFromDiff() && lowerFromDiff();
        return upperDiffFromLevels() && lowerDiffFromLevels();
    case LowerDiff: return lowerFromDiff();
    case Lower: return lowerDiffFromLevels();
    default: return true;
    }
}

void LevelDataEntry::recomputeRightColumn() {
    const auto difference = number(LevelEdit::LeftRightDifference);
    if (!difference) return;
    // Levels move by the difference; the differences to the normal level stay those of the left.
    for (const std::size_t row : {Upper, UpperDiff, Normal, LowerDiff, Lower}) {
        const auto left = number(at(LevelEdit::UpperRear, row));
        if (!left) return;
        const bool isLevel = row == Upper || row == Normal || row == Lower;
        set(at(LevelEdit::UpperRight, row), isLevel ? *left - *difference : *left);
    }
}

void LevelDataEntry::leave(LevelEdit edit, LevelEntryMode mode) {
    const auto i = index(edit);
    bool carryOn = true;
    if (i < index(LevelEdit::UpperRear)) carryOn = recomputeColumn(LevelEdit::UpperFront, edit, mode);
    else if (i < index(LevelEdit::UpperRight)) carryOn = recomputeColumn(LevelEdit::UpperRear, edit, mode);
    if (carryOn) recomputeRightColumn();
}

std::optional<LevelValues> LevelDataEntry::read(LevelEdit& badEdit) const {
    struct Field {
        LevelEdit edit;
        uint16_t LevelValues::*value;
    };
    static constexpr Field kFields[] = {
        {LevelEdit::NormalFront, &LevelValues::NormalFront},
        {LevelEdit::UpperFront, &LevelValues::UpperFront},
        {LevelEdit::LowerFront, &LevelValues::LowerFront},
        {LevelEdit::LeftRightDifference, &LevelValues::LeftRightDifference},
        {LevelEdit::NormalRear, &LevelValues::NormalRear},
        {LevelEdit::UpperRear, &LevelValues::UpperRear},
        {LevelEdit::LowerRear, &LevelValues::LowerRear},
    };
    LevelValues values;
    for (const Field& field : kFields) {
        const auto n = number(field.edit);
        // Only a byte goes to the ECU: a value outside its range is refused, not cut.
        const bool signedByte = field.edit == LevelEdit::LeftRightDifference;
        const int64_t low = signedByte ? -128 : 0, high = signedByte ? 127 : 255;
        if (!n || *n < low || *n > high) {
            badEdit = field.edit;
            return std::nullopt;
        }
        values.*field.value = static_cast<uint16_t>(*n & 0xFF);
    }
    return values;
}

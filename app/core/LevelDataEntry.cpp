#include "LevelDataEntry.h"

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
    return numbers::parseInt(texts_[index(edit)]);
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
    const auto value = [&](std::size_t r) { return number(at(upper, r)); };
    // Upper level and its difference follow each other; so do lower level and its difference.
    const auto upperFromDiff = [&] {
        const auto normal = value(Normal), diff = value(UpperDiff);
        if (!normal || !diff) return false;
        set(at(upper, Upper), *normal + *diff);
        return true;
    };
    const auto upperDiffFromLevels = [&] {
        const auto up = value(Upper), normal = value(Normal);
        if (!up || !normal) return false;
        set(at(upper, UpperDiff), *up - *normal);
        return true;
    };
    const auto lowerFromDiff = [&] {
        const auto normal = value(Normal), diff = value(LowerDiff);
        if (!normal || !diff) return false;
        set(at(upper, Lower), *normal - *diff);
        return true;
    };
    const auto lowerDiffFromLevels = [&] {
        const auto normal = value(Normal), low = value(Lower);
        if (!normal || !low) return false;
        set(at(upper, LowerDiff), *normal - *low);
        return true;
    };
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

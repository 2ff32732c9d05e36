#pragma once
// The entry grid of the level-data window without the window: filling the edits from the
// level values read from the ECU, recomputing levels and differences when an edit is left, and
// reading the edits back into level values for the save. The window keeps one text per edit
// here and copies them to and from its controls.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "LevelCalibration.h"

// The edits, column by column (front, rear left, rear right), each from upper level down to
// lower level, then the left/right difference.
enum class LevelEdit : std::size_t {
    UpperFront, UpperDiffFront, NormalFront, LowerDiffFront, LowerFront,
    UpperRear, UpperDiffRear, NormalRear, LowerDiffRear, LowerRear,
    UpperRight, UpperDiffRight, NormalRight, LowerDiffRight, LowerRight,
    LeftRightDifference,
};
inline constexpr std::size_t kLevelEditCount = 16;

// How levels are entered: upper and lower levels typed, or their differences to the normal level.
enum class LevelEntryMode { UpperAndLower, Differences };

class LevelDataEntry {
public:
    using Texts = std::array<std::string, kLevelEditCount>;

    // Every edit holds "0" until filled.
    LevelDataEntry();

    const std::string& text(LevelEdit edit) const { return texts_[index(edit)]; }
    // What the user typed; nothing is recomputed until the edit is left.
    void setText(LevelEdit edit, std::string text) { texts_[index(edit)] = std::move(text); }

    // Fills every edit from values read from the ECU. Without the left/right difference the
    // difference edit shows "0" (and the right column equals the left one).
    void fill(const LevelValues& values, bool withLeftRightDifference);

    // The edit has been left: recomputes what depends on it in its column, then the right
    // column. A text that is not an integer stops the recomputation there, without a message.
    void leave(LevelEdit edit, LevelEntryMode mode);

    // The seven values for the save: levels 0..255, the difference -128..127 (kept as its
    // byte). Empty when an edit does not hold such a number; `badEdit` then names the first one,
    // in the order normal, upper, lower front, difference, normal, upper, lower rear.
    std::optional<LevelValues> read(LevelEdit& badEdit) const;

private:
    static constexpr std::size_t index(LevelEdit edit) { return static_cast<std::size_t>(edit); }
    std::optional<int64_t> number(LevelEdit edit) const;
    void set(LevelEdit edit, int64_t value);
    bool recomputeColumn(LevelEdit upper, LevelEdit left, LevelEntryMode mode);
    void recomputeRightColumn();

    Texts texts_;
};

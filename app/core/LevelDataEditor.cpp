#include "LevelDataEditor.h"

#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "StringTable.h"

namespace {

// The grid's columns and, inside each, the rows from the upper level down (LevelEdit's order).
constexpr std::size_t kRows = 5;
enum Column : std::size_t { Front = 0, RearLeft = 1, RearRight = 2, NoColumn = 3 };
enum Row : std::size_t { Upper = 0, UpperDiff = 1, Normal = 2, LowerDiff = 3, Lower = 4 };

Column columnOf(LevelEdit edit) {
    const auto i = static_cast<std::size_t>(edit);
    return i < 3 * kRows ? static_cast<Column>(i / kRows) : NoColumn;
}
Row rowOf(LevelEdit edit) { return static_cast<Row>(static_cast<std::size_t>(edit) % kRows); }
LevelEdit editAt(Column column, Row row) { return static_cast<LevelEdit>(column * kRows + row); }

}  // namespace

LevelDataEditor::LevelDataEditor(KELTInterface& kelt) : kelt_(kelt) {}

bool LevelDataEditor::hasFront() const { return kelt_.CfgFrontAxle != 0; }

bool LevelDataEditor::hasRear() const {
    return kelt_.CfgRearSensorLeft != 0 || kelt_.CfgRearSensorRight != 0;
}

bool LevelDataEditor::hasRightColumn() const {
    return kelt_.CfgRearSensorLeft != 0 && kelt_.CfgRearSensorRight != 0 &&
           kelt_.CfgLeftRightDifference != 0;
}

bool LevelDataEditor::enabled(LevelEdit edit) const {
    const Column column = columnOf(edit);
    if (column == NoColumn) return hasRightColumn();
    if (column == RearRight || !(column == Front ? hasFront() : hasRear())) return false;
    // The mode decides whether levels or their differences are typed; the normal level always.
    switch (rowOf(edit)) {
    case Normal: return true;
    case Upper:
    case Lower: return mode_ == LevelEntryMode::UpperAndLower;
    case UpperDiff:
    case LowerDiff: return mode_ == LevelEntryMode::Differences;
    }
    return false;
}

std::string LevelDataEditor::hint() const {
    return LoadStr(mode_ == LevelEntryMode::UpperAndLower ? kHintUpperAndLowerText
                                                          : kHintDifferencesText);
}

std::string LevelDataEditor::unitText() const { return kelt_.LevelUnitText(); }

bool LevelDataEditor::giveUp() {
    kelt_.DiagnoseAktiv = 0;
    return false;
}

void LevelDataEditor::showMessage(int text, unsigned flags) {
    MsgBox(LoadStr(text), kelt_.applicationTitle(), flags | MB_OK);
}

bool LevelDataEditor::Start() {
    LevelValues values;
    if (repeatWhileAsked([&] { return kelt_.ReadLevelValues(values); }) != NoErrorShown)
        return giveUp();
    entry_.fill(values, kelt_.CfgLeftRightDifference != 0);
    modified_ = false;
    return true;
}

void LevelDataEditor::leave(LevelEdit edit) {
    modified_ = true;
    entry_.leave(edit, mode_);
}

LevelDataEditor::SaveResult LevelDataEditor::Save(LevelEdit& focus) {
    LevelEdit bad = LevelEdit::NormalFront;
    const std::optional<LevelValues> values = entry_.read(bad);
    if (!values) {
        showMessage(kNotPermissibleText, MB_ICONWARNING);
        // A level computed from its difference is corrected in the difference.
        focus = bad;
        const Row row = rowOf(bad);
        if (!enabled(bad) && columnOf(bad) != NoColumn && (row == Upper || row == Lower)) {
            const LevelEdit difference = editAt(columnOf(bad), row == Upper ? UpperDiff : LowerDiff);
            if (enabled(difference)) focus = difference;
        }
        return SaveResult::BadEntry;
    }
    switch (kelt_.CheckLevelValues(*values)) {
    case LevelCheckResult::Acceptable: break;
    case LevelCheckResult::Refused: return SaveResult::Refused;
    case LevelCheckResult::GaveUp: giveUp(); return SaveResult::GaveUp;
    }
    if (repeatWhileAsked([&] { return kelt_.WriteLevelValues(*values); }) != NoErrorShown) {
        giveUp();
        return SaveResult::GaveUp;
    }
    showMessage(kSavedText, MB_ICONINFORMATION);
    modified_ = false;
    return SaveResult::Saved;
}

bool LevelDataEditor::ConfirmOk() {
    if (!modified_) return true;
    return MsgBox(LoadStr(kNotSavedQuestionText), kelt_.applicationTitle(),
                  MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

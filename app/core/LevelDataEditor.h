#pragma once
// The level-data window without the window: which edits the ECU's capabilities offer in which
// entry mode, the values read from the ECU at the start, the recomputation when an edit is left,
// the save (check, write, store) and the question on OK. The window TfrmWSKalibrierdaten copies
// the texts to and from its edits and shows what this says.
//
// Every ECU operation repeats while the user asks to; a give-up clears DiagnoseAktiv and ends
// the window with 2 (or keeps it from showing). User-interface thread only.

#include <string>

#include "LevelDataEntry.h"

class KELTInterface;

class LevelDataEditor {
public:
    // Text ids the window and its tests use.
    static constexpr int kHintUpperAndLowerText = 20068;
    static constexpr int kHintDifferencesText = 20067;
    static constexpr int kNotSavedQuestionText = 20088;
    static constexpr int kNotPermissibleText = 20097;
    static constexpr int kSavedText = 20098;

    // kelt outlives the object.
    explicit LevelDataEditor(KELTInterface& kelt);

    // The start of Execute: the edits filled from the level values in the ECU. False: the user
    // gave up reading them; DiagnoseAktiv is cleared and the window is not to be shown.
    bool Start();

    // What the ECU offers: the front column, the rear-left column, and the right column with
    // the left/right difference (both rear sensors and the difference).
    bool hasFront() const;
    bool hasRear() const;
    bool hasRightColumn() const;
    // Whether the technician can type into the edit in the current mode. The right column only
    // shows.
    bool enabled(LevelEdit edit) const;

    LevelEntryMode mode() const { return mode_; }
    void setMode(LevelEntryMode mode) { mode_ = mode; }
    // The hint line for the mode.
    std::string hint() const;
    std::string unitText() const;

    const std::string& text(LevelEdit edit) const { return entry_.text(edit); }
    // What the user typed; nothing is recomputed until the edit is left.
    void setText(LevelEdit edit, std::string text) { entry_.setText(edit, std::move(text)); }
    // The edit has been left: the window counts as changed and what depends on the edit is
    // recomputed.
    void leave(LevelEdit edit);
    bool modified() const { return modified_; }

    enum class SaveResult {
        Saved,     // written and stored; 20098 shown
        BadEntry,  // an entry is not permissible; 20097 shown, nothing sent
        Refused,   // the plausibility check refused the values and showed why; nothing written
        GaveUp,    // the user gave up; DiagnoseAktiv cleared, the window closes with 2
    };
    // "Write level values to ECU". With BadEntry, `focus` names the edit to correct: the bad
    // one, or, when it only shows a value derived from a difference, that difference.
    SaveResult Save(LevelEdit& focus);
    // OK: true when the window may close with 1; unsaved changes ask 20088 first.
    bool ConfirmOk();

private:
    bool giveUp();
    void showMessage(int text, unsigned flags);

    KELTInterface& kelt_;
    LevelDataEntry entry_;
    LevelEntryMode mode_ = LevelEntryMode::UpperAndLower;
    bool modified_ = false;
};

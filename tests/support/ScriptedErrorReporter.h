#pragma once
// An ErrorReporter for tests: answers from a script, remembers every code it was shown.
// Header-only, so test programs that link framework_core can use it without test_support
// depending on the framework.

#include "ErrorReporter.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <vector>

class ScriptedErrorReporter final : public ErrorReporter {
public:
    // answers: what the "user" presses for each shown code in turn, RepeatOperation or GiveUp.
    // When the script is used up every further code is answered with GiveUp (and counted as
    // unexpected), so a runaway retry loop ends.
    explicit ScriptedErrorReporter(std::initializer_list<int> answers = {}) {
        for (int answer : answers) script(answer);
    }

    void script(int answer) {
        if (answer != RepeatOperation && answer != GiveUp)
            throw std::invalid_argument("a shown error dialog answers only 1 or 2");
        answers_.push_back(answer);
    }

    int FehlerAnzeigen(int32_t code) override {
        if (code == 0) return NoErrorShown;
        shown_.push_back(code);
        if (whenShown) whenShown(code);
        if (answers_.empty()) {
            ++unexpected_;
            return GiveUp;
        }
        int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    // Called as each code is shown, before it is answered: what the user sees meanwhile, or what
    // happens while the dialog is open.
    std::function<void(int32_t)> whenShown;

    // Codes shown so far, in order (code 0 is never shown).
    const std::vector<int32_t>& shownCodes() const { return shown_; }
    std::size_t remainingAnswers() const { return answers_.size(); }
    // Codes shown after the script was used up.
    std::size_t unexpectedCodes() const { return unexpected_; }

private:
    std::deque<int> answers_;
    std::vector<int32_t> shown_;
    std::size_t unexpected_ = 0;
};

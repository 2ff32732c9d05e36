#pragma once
// The one-line input dialog for tests: every question is remembered and answered by `answer`
// (Cancel when none is set). The object is the installed question from its construction to its
// destruction. Header-only, like ScriptedMessageBoxes.

#include "TextQuestion.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct AskedText {
    std::string caption;
    std::string prompt;
    std::string value;
    std::size_t maxLength;
};

class ScriptedTextQuestion final : public TextQuestion {
public:
    ScriptedTextQuestion() : previous_(installTextQuestion(this)) {}
    ~ScriptedTextQuestion() override { installTextQuestion(previous_); }
    ScriptedTextQuestion(const ScriptedTextQuestion&) = delete;
    ScriptedTextQuestion& operator=(const ScriptedTextQuestion&) = delete;

    std::optional<std::string> askText(const std::string& caption, const std::string& prompt,
                                       const std::string& value, std::size_t maxLength) override {
        asked.push_back({caption, prompt, value, maxLength});
        return answer;
    }

    std::optional<std::string> answer;  // nothing: Cancel
    std::vector<AskedText> asked;

private:
    TextQuestion* previous_;
};

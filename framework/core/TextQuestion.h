#pragma once
// The one-line input dialog behind a small interface (the tester's name before a data file is
// written): the Qt layer installs QtTextQuestion at start-up, tests install ScriptedTextQuestion.
// Texts are Windows-1252.

#include <cstddef>
#include <optional>
#include <string>

class TextQuestion {
public:
    virtual ~TextQuestion() = default;
    // Shows caption, prompt and an editable value (at most maxLength characters can be entered)
    // with OK and Cancel; the entered text on OK, nothing on Cancel or the close box.
    virtual std::optional<std::string> askText(const std::string& caption, const std::string& prompt,
                                               const std::string& value, std::size_t maxLength) = 0;
};

// Installs the question the program uses; returns the one installed before (may be null).
TextQuestion* installTextQuestion(TextQuestion* question);
// The installed question. Throws std::logic_error when none is installed.
TextQuestion& textQuestion();

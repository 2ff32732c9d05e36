#pragma once
// File dialogs for tests: every dialog the code shows is remembered and answered by `answer`
// (Cancel when no answer is set). The object is the installed chooser from its construction to
// its destruction. Header-only, like ScriptedMessageBoxes.

#include "FileChooser.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class ScriptedFileChooser final : public FileChooser {
public:
    ScriptedFileChooser() : previous_(installFileChooser(this)) {}
    ~ScriptedFileChooser() override { installFileChooser(previous_); }
    ScriptedFileChooser(const ScriptedFileChooser&) = delete;
    ScriptedFileChooser& operator=(const ScriptedFileChooser&) = delete;

    std::optional<std::filesystem::path> chooseFile(const FileChoice& choice) override {
        shown.push_back(choice);
        if (answer) return answer(shown.back());
        if (!answers.empty()) {
            std::optional<std::filesystem::path> next = answers.front();
            answers.erase(answers.begin());
            return next;
        }
        return std::nullopt;
    }

    // Either a function of the dialog shown, or a list of answers taken in turn (nothing: Cancel).
    std::function<std::optional<std::filesystem::path>(const FileChoice&)> answer;
    std::vector<std::optional<std::filesystem::path>> answers;
    std::vector<FileChoice> shown;

private:
    FileChooser* previous_;
};

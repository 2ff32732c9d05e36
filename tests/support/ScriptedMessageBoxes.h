#pragma once
// Message boxes for tests: every box is remembered and answered by `answer` (OK when no answer
// is set). The object is the installed service from its construction to its destruction, so a
// failed test cannot leave it behind. Header-only, so test programs that link framework_core can
// use it without test_support depending on the framework.

#include "MessageBox.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// A box as the program showed it.
struct ShownBox {
    std::string text;
    std::string caption;
    unsigned flags;
};

class ScriptedMessageBoxes final : public MessageBoxService {
public:
    ScriptedMessageBoxes() : previous_(installMessageBoxService(this)) {}
    ~ScriptedMessageBoxes() override { installMessageBoxService(previous_); }
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    int MsgBox(const std::string& text, const std::string& caption, unsigned flags) override {
        shown.push_back({text, caption, flags});
        return answer ? answer(shown.back()) : IDOK;
    }

    // How many of the boxes shown so far had this caption.
    int count(const std::string& caption) const {
        return static_cast<int>(std::count_if(
            shown.begin(), shown.end(), [&](const ShownBox& b) { return b.caption == caption; }));
    }

    // The texts of the boxes shown so far, in order.
    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const ShownBox& box : shown) all.push_back(box.text);
        return all;
    }

    std::function<int(const ShownBox&)> answer;
    std::vector<ShownBox> shown;

private:
    MessageBoxService* previous_;
};

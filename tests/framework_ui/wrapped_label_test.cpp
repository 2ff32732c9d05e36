// The word-wrapped label that remembers its heights: every answer is the one a plain word-wrapped
// label gives, also after its text, font, margins or wrapping changed.
#include "WrappedLabel.h"

#include <QFont>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kLong = QStringLiteral(
    "Delay before the vehicle is lowered again after the kneeling switch was released, in steps of "
    "a tenth of a second");

// Both labels, changed alike.
struct Pair {
    QWidget window;
    WrappedLabel* remembering = new WrappedLabel(QStringLiteral("Short"), &window);
    QLabel* plain = new QLabel(QStringLiteral("Short"), &window);

    Pair() {
        plain->setTextFormat(Qt::PlainText);
        plain->setWordWrap(true);
    }
    void change(const std::function<void(QLabel&)>& how) {
        how(*remembering);
        how(*plain);
    }
};

TEST(WrappedLabel, AnswersAsAPlainLabelAfterEveryChange) {
    const struct {
        const char* name;
        std::function<void(QLabel&)> change;
    } changes[] = {
        {"as built", [](QLabel&) {}},
        {"a longer text", [](QLabel& l) { l.setText(kLong); }},
        {"a larger font",
         [](QLabel& l) {
             QFont font = l.font();
             font.setPointSize(font.pointSize() * 2);
             l.setFont(font);
         }},
        {"contents margins", [](QLabel& l) { l.setContentsMargins(30, 10, 30, 10); }},
        {"a margin", [](QLabel& l) { l.setMargin(12); }},
        {"an indent", [](QLabel& l) { l.setIndent(150); }},
        {"a shorter text", [](QLabel& l) { l.setText(QStringLiteral("Two words")); }},
        {"no wrapping", [](QLabel& l) { l.setWordWrap(false); }},
    };
    Pair labels;
    // Each width asked twice: the second answer is a remembered one.
    const int widths[] = {60, 300, 1200};
    for (const auto& c : changes) {
        labels.change(c.change);
        for (int round = 0; round < 2; ++round)
            for (int width : widths)
                EXPECT_EQ(labels.remembering->heightForWidth(width), labels.plain->heightForWidth(width))
                    << c.name << ", width " << width << ", round " << round;
    }
}

}  // namespace

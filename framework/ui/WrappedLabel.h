#pragma once
// A word-wrapped plain-text label that remembers its height for the last few widths it was asked
// about. While a window with many such labels is built, shown and resized, its layouts ask each
// label's height for the same few widths again and again, and each answer lays the whole text out
// anew. The remembered answers are Qt's own; a change of text, font, margins, indent or wrapping
// forgets them.

#include <QFont>
#include <QLabel>
#include <QMargins>
#include <QString>

#include <array>
#include <cstddef>

class WrappedLabel : public QLabel {
public:
    WrappedLabel(const QString& text, QWidget* parent);

    int heightForWidth(int width) const override;

private:
    // What decides the height for a width.
    struct Shape {
        QString text;
        QFont font;
        QMargins contentsMargins;
        int margin = 0;
        int indent = 0;
        bool wordWrap = false;
        bool operator==(const Shape&) const = default;
    };
    Shape shape() const;

    struct Answer {
        int width = -1;
        int height = 0;
    };
    static constexpr std::size_t kWidths = 4;
    mutable std::array<Answer, kWidths> answers_{};
    mutable std::size_t next_ = 0;
    mutable Shape answeredFor_;
};

#include "WrappedLabel.h"

WrappedLabel::WrappedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
}

WrappedLabel::Shape WrappedLabel::shape() const {
    return {text(), font(), contentsMargins(), margin(), indent(), wordWrap()};
}

int WrappedLabel::heightForWidth(int width) const {
    // Comparing an unchanged text and font is cheap (shared data); laying the text out is not.
    Shape now = shape();
    if (!(now == answeredFor_)) {
        answers_.fill({});
        answeredFor_ = std::move(now);
    }
    for (const Answer& answer : answers_)
        if (answer.width == width) return answer.height;
    const int height = QLabel::heightForWidth(width);
    answers_[next_] = {width, height};
    next_ = (next_ + 1) % kWidths;
    return height;
}

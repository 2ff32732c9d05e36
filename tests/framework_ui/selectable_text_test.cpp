#include "SelectableText.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

bool selectable(const QLabel& label) {
    return label.textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
}

void sendMouse(QLabel& label, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, label.mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&label, &event);
}

// Drags the mouse along the label's one line, which stands in its middle, from its left edge.
void drag(QLabel& label, int toX) {
    const int y = label.height() / 2;
    sendMouse(label, QEvent::MouseButtonPress, QPoint(1, y), Qt::LeftButton);
    sendMouse(label, QEvent::MouseMove, QPoint(toX, y), Qt::LeftButton);
    sendMouse(label, QEvent::MouseButtonRelease, QPoint(toX, y), Qt::NoButton);
}

struct Shown {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QLabel* label = new QLabel(window.get());

    explicit Shown(const QString& text) {
        auto* layout = new QVBoxLayout(window.get());
        label->setText(text);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
        window->resize(300, 120);
        window->show();
        QApplication::processEvents();
    }
};

TEST(SelectableText, TheMouseReachingTheLabelMakesItSelectable) {
    Shown shown(QStringLiteral("841 302 117 0"));
    selectableByMouse(shown.label);
    EXPECT_FALSE(selectable(*shown.label));

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), shown.label->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(shown.label, &enter);
    ASSERT_TRUE(selectable(*shown.label));

    drag(*shown.label, shown.label->fontMetrics().horizontalAdvance(QStringLiteral("841 30")));
    EXPECT_TRUE(shown.label->hasSelectedText());
    EXPECT_TRUE(shown.label->selectedText().startsWith(QStringLiteral("841")));
}

// A window that opens under a mouse that does not move gives no enter event before the click.
TEST(SelectableText, APressWithoutEnteringFirstStillSelects) {
    Shown shown(QStringLiteral("24 / 2004"));
    selectableByMouse(shown.label);

    drag(*shown.label, shown.label->fontMetrics().horizontalAdvance(QStringLiteral("24 / 2")));
    EXPECT_TRUE(selectable(*shown.label));
    EXPECT_TRUE(shown.label->selectedText().startsWith(QStringLiteral("24")));
}

TEST(SelectableText, OtherFlagsOfTheLabelAreKept) {
    Shown shown(QStringLiteral("x"));
    shown.label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    selectableByMouse(shown.label);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), shown.label->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(shown.label, &enter);
    EXPECT_EQ(shown.label->textInteractionFlags(), Qt::LinksAccessibleByMouse | Qt::TextSelectableByMouse);
}

// The label draws the same before and after it becomes selectable.
struct LookCase {
    const char* name;
    QString text;
    std::function<void(QLabel&)> setUp;
};

class SelectableLook : public ::testing::TestWithParam<LookCase> {};

TEST_P(SelectableLook, IsTheSameBeforeAndAfter) {
    Shown shown(GetParam().text);
    GetParam().setUp(*shown.label);
    selectableByMouse(shown.label);
    QApplication::processEvents();
    const QImage before = shown.window->grab().toImage();

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), shown.label->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(shown.label, &enter);
    ASSERT_TRUE(selectable(*shown.label));
    QApplication::processEvents();
    EXPECT_EQ(shown.window->grab().toImage(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, SelectableLook,
    ::testing::Values(
        LookCase{"OneLine", QStringLiteral("7.6.0.0"), [](QLabel&) {}},
        LookCase{"WrappedLines",
                 QStringLiteral("Air suspension front and rear axle\nSensed 2-distance sensor axle\nPressure "
                                "sensor and a line long enough to wrap in the box"),
                 [](QLabel& label) {
                     label.setWordWrap(true);
                     label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
                 }},
        LookCase{"BoldRedFault", QStringLiteral("Unknown\nUnknown"),
                 [](QLabel& label) {
                     QFont bold = label.font();
                     bold.setBold(true);
                     label.setFont(bold);
                     QPalette red = label.palette();
                     red.setColor(QPalette::WindowText, Qt::red);
                     label.setPalette(red);
                     label.setWordWrap(true);
                     label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
                 }}),
    [](const ::testing::TestParamInfo<LookCase>& info) { return std::string(info.param.name); });

}  // namespace

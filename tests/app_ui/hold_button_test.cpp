// The hold-to-run button's keys: raise/lower hold with the space key only, the LSV valve with any
// key; a key's auto-repeat never changes the hold.
#include "HoldButton.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

void sendKey(QWidget* widget, QEvent::Type type, int key, bool autoRepeat = false) {
    QKeyEvent event(type, key, Qt::NoModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QStringLiteral("a"),
                    autoRepeat);
    QCoreApplication::sendEvent(widget, &event);
}

TEST(HoldButtonKeys, HoldOnlyWithTheirKeys) {
    const struct {
        HoldButton::HoldingKeys keys;
        int key;
        bool holds;
    } cases[] = {
        {HoldButton::HoldingKeys::Space, Qt::Key_Space, true},
        {HoldButton::HoldingKeys::Space, Qt::Key_A, false},
        {HoldButton::HoldingKeys::Any, Qt::Key_Space, true},
        {HoldButton::HoldingKeys::Any, Qt::Key_A, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        QWidget window;
        HoldButton button(QStringLiteral("Hold"), &window, c.keys);
        sendKey(&button, QEvent::KeyPress, c.key);
        EXPECT_EQ(button.isHeld(), c.holds);
        sendKey(&button, QEvent::KeyRelease, c.key, true);
        EXPECT_EQ(button.isHeld(), c.holds) << "an auto-repeated release";
        sendKey(&button, QEvent::KeyRelease, c.key);
        EXPECT_FALSE(button.isHeld());
    }
}

TEST(HoldButtonKeys, ReleaseLetsGoUntilPressedAnew) {
    QWidget window;
    HoldButton button(QStringLiteral("Hold"), &window, HoldButton::HoldingKeys::Any);
    int changes = 0;
    QObject::connect(&button, &HoldButton::heldChanged, [&] { ++changes; });
    sendKey(&button, QEvent::KeyPress, Qt::Key_A);
    button.release();
    EXPECT_FALSE(button.isHeld());
    sendKey(&button, QEvent::KeyPress, Qt::Key_A, true);
    EXPECT_FALSE(button.isHeld()) << "a repeat is no new press";
    sendKey(&button, QEvent::KeyPress, Qt::Key_A);
    EXPECT_TRUE(button.isHeld());
    EXPECT_EQ(changes, 3);
}

}  // namespace

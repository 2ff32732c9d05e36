#include "HoldButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

HoldButton::HoldButton(const QString& text, QWidget* parent, HoldingKeys keys)
    : QPushButton(text, parent), keys_(keys) {}

HoldButton::~HoldButton() { setHeld(false); }

void HoldButton::setHeld(bool held) {
    if (held == held_) return;
    held_ = held;
    // While held, every window that shows over ours (a dialog takes the release) lets go.
    if (held)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
    emit heldChanged(held);
}

bool HoldButton::holds(const QKeyEvent& event) const {
    return !event.isAutoRepeat() && (keys_ == HoldingKeys::Any || event.key() == Qt::Key_Space);
}

void HoldButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled()) setHeld(true);
    QPushButton::mousePressEvent(event);
}

void HoldButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) setHeld(false);
    QPushButton::mouseReleaseEvent(event);
}

void HoldButton::keyPressEvent(QKeyEvent* event) {
    if (holds(*event) && isEnabled()) setHeld(true);
    QPushButton::keyPressEvent(event);
}

void HoldButton::keyReleaseEvent(QKeyEvent* event) {
    if (holds(*event)) setHeld(false);
    QPushButton::keyReleaseEvent(event);
}

void HoldButton::focusOutEvent(QFocusEvent* event) {
    setHeld(false);
    QPushButton::focusOutEvent(event);
}

void HoldButton::hideEvent(QHideEvent* event) {
    setHeld(false);
    QPushButton::hideEvent(event);
}

void HoldButton::changeEvent(QEvent* event) {
    if ((event->type() == QEvent::EnabledChange && !isEnabled()) ||
        (event->type() == QEvent::ActivationChange && !isActiveWindow()))
        setHeld(false);
    QPushButton::changeEvent(event);
}

bool HoldButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && widget != window() && widget->windowType() != Qt::ToolTip)
            setHeld(false);
    }
    return QPushButton::eventFilter(watched, event);
}

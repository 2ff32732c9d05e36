#pragma once
// A button that acts only while it is held down ("Charge", "Vent", the LSV valve): held from the
// press of the left mouse button or a holding key until their release, wherever the mouse is let
// go. Every way a release can be lost drops the hold too: the button losing the focus, being
// disabled or hidden, its window losing the activation, or any other window (a dialog, a message
// box) showing while it is held. Key auto-repeat changes nothing.

#include <QPushButton>

class HoldButton : public QPushButton {
    Q_OBJECT
public:
    // The keys that hold it: the space key, or any key.
    enum class HoldingKeys { Space, Any };

    HoldButton(const QString& text, QWidget* parent, HoldingKeys keys = HoldingKeys::Space);
    ~HoldButton() override;

    bool isHeld() const { return held_; }
    // Lets go, for a release its window knows to be lost (an error dialog that was answered);
    // it holds again only when pressed anew.
    void release() { setHeld(false); }

signals:
    void heldChanged(bool held);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setHeld(bool held);
    bool holds(const QKeyEvent& event) const;

    HoldingKeys keys_;
    bool held_ = false;
};

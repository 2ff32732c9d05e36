#pragma once
// Driving modal windows from tests without sleeps: a ModalScript runs its action on the active
// modal window as soon as a modal loop (exec) is running. When the action leaves that window
// open, the test fails and the window is closed, so a broken dialog cannot hang the test.

#include "AutomationHub.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class ModalScript {
public:
    explicit ModalScript(std::function<void(QWidget*)> action) : action_(std::move(action)) {
        start_.setSingleShot(true);
        guard_.setSingleShot(true);
        QObject::connect(&start_, &QTimer::timeout, [this] { run(); });
        QObject::connect(&guard_, &QTimer::timeout, [this] { check(); });
        start_.start(0);
    }
    // Leaving the scope stops a script that never ran (nothing was shown modally).
    ~ModalScript() = default;
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    bool ran() const { return ran_; }

private:
    void run() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            ADD_FAILURE() << "no modal window is shown";
            return;
        }
        ran_ = true;
        target_ = modal;
        action_(modal);
        guard_.start(0);
    }

    void check() {
        if (!target_ || !target_->isVisible()) return;
        ADD_FAILURE() << "the action left the modal window open";
        if (auto* dialog = qobject_cast<QDialog*>(target_.data()))
            dialog->done(-99);
        else
            target_->hide();
    }

    std::function<void(QWidget*)> action_;
    QTimer start_;
    QTimer guard_;
    QPointer<QWidget> target_;
    bool ran_ = false;
};

// The Escape key as the user presses it.
inline void pressEscape(QWidget* window) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &release);
}

// The automation client's event connection, recording what it is told.
class RecordingSink : public AutomationEventSink {
public:
    SinkResult comModalWindowActivated(WindowHandle window) override {
        activated.push_back(window);
        return {};
    }
    SinkResult comModalWindowDeactivated() override {
        ++deactivated;
        return {};
    }
    SinkResult comMenuStateHasChanged(int32_t) override { return {}; }
    SinkResult comApplicationInitialized() override { return {}; }
    SinkResult comCloseApplication() override { return {}; }

    std::vector<WindowHandle> activated;
    int deactivated = 0;
};

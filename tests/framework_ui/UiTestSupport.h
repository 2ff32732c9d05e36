#pragma once
// Driving modal windows from tests without sleeps: a ModalScript runs its action on the active
// modal window as soon as a modal loop (exec) is running. When the action leaves that window
// open, the test fails and the window is closed, so a broken dialog cannot hang the test.
// Beside it the stand-ins the window tests share: the help viewer, the port dialog and the
// automation client's event connection.

#include "AutomationHub.h"
#include "HtmlHelp.h"
#include "PortSelection.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QStringList>
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
            // A window may let events run before it shows (an information popup while it reads):
            // wait for the modal loop a while.
            if (++waits_ < kMaxWaits) {
                start_.start(kWaitMs);
                return;
            }
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

    static constexpr int kWaitMs = 10;
    static constexpr int kMaxWaits = 1000;

    std::function<void(QWidget*)> action_;
    int waits_ = 0;
    QTimer start_;
    QTimer guard_;
    QPointer<QWidget> target_;
    bool ran_ = false;
};

// Lets queued events and timers run until the condition holds or a generous limit passes.
inline bool processEventsUntil(const std::function<bool()>& condition, int limitMs = 10000) {
    QDeadlineTimer deadline(limitMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// The texts of a list's rows, top to bottom.
inline QStringList listTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

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

// A help viewer that remembers the pages it was asked to open. It is the installed viewer, with
// help loaded, from its construction to its destruction.
class RecordingHelpViewer final : public HtmlHelpViewer {
public:
    RecordingHelpViewer() : previous_(installHtmlHelpViewer(this)) { LoadHtmlHelp(); }
    ~RecordingHelpViewer() override {
        installHtmlHelpViewer(previous_);
        LoadHtmlHelp();
    }
    RecordingHelpViewer(const RecordingHelpViewer&) = delete;
    RecordingHelpViewer& operator=(const RecordingHelpViewer&) = delete;

    bool displayTopic(const std::string& location) override {
        locations.push_back(location);
        return true;
    }
    std::vector<std::string> locations;

private:
    HtmlHelpViewer* previous_;
};

// The port dialog: answers `result` (2, closed without a choice, unless a test says otherwise)
// and, for 1, hands back `chosen`; remembers the port each showing was preset with.
class ScriptedPortDialog final : public PortSelectionDialog {
public:
    int ShowPortDialog(std::string& port) override {
        given.push_back(port);
        if (result == 1) port = chosen;
        return result;
    }
    int result = 2;
    std::string chosen;
    std::vector<std::string> given;
};

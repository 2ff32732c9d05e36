#pragma once
// The window side of the automation hub (AutomationHub.h) for the Qt application: the main
// window disabled while modal dialogs are stacked, dialogs raised by handle, and the end of the
// application - also when it is asked for before the event loop runs.
//
// Start-up: create one, give it the main window, applicationHub().setWindows(&it), and run the
// event loop through exec() (or check applicationHub().closeRequested() before each step).

#include "AutomationHub.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class QtApplicationWindows final : public ApplicationWindows {
public:
    explicit QtApplicationWindows(QWidget* mainWindow = nullptr);

    void setMainWindow(QWidget* mainWindow);
    QWidget* mainWindow() const { return mainWindow_; }

    // Disables the controls of the main window (its menu, tool bar, central widget ...), not
    // the dialogs it owns: they are windows of their own and must stay usable. Enabling gives
    // back only what this disabled.
    void setMainWindowEnabled(bool enabled) override;
    bool mainWindowEnabled() const { return enabled_; }

    // Raises and activates the top-level window with that native handle; an unknown handle is
    // ignored.
    void raiseWindow(WindowHandle window) override;

    // Ends the event loop; before the loop runs, exec() returns at once instead.
    void quitApplication() override;
    bool quitRequested() const { return quitRequested_; }

    // Runs the application's event loop unless a quit was requested already.
    int exec();

private:
    QPointer<QWidget> mainWindow_;
    bool enabled_ = true;
    bool quitRequested_ = false;
    std::vector<QPointer<QWidget>> disabled_;
};

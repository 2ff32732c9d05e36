#include "QtApplicationWindows.h"

#include <QApplication>

QtApplicationWindows::QtApplicationWindows(QWidget* mainWindow) : mainWindow_(mainWindow) {}

void QtApplicationWindows::setMainWindow(QWidget* mainWindow) {
    if (mainWindow == mainWindow_) return;
    // The old window gets its controls back; the new one takes over the current state.
    const bool enabled = enabled_;
    setMainWindowEnabled(true);
    mainWindow_ = mainWindow;
    setMainWindowEnabled(enabled);
}

void QtApplicationWindows::setMainWindowEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled) {
        for (const QPointer<QWidget>& child : disabled_)
            if (child) child->setEnabled(true);
        disabled_.clear();
        return;
    }
    if (!mainWindow_) return;
    // Disabling the window itself would disable its dialogs too (Qt passes the state on to every
    // child, windows included); the controls alone are what must not be used.
    for (QWidget* child : mainWindow_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() || !child->isEnabled()) continue;
        child->setEnabled(false);
        disabled_.emplace_back(child);
    }
}

void QtApplicationWindows::raiseWindow(WindowHandle window) {
    if (window == 0) return;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        // internalWinId: 0 for a widget without a native window; never creates one.
        if (static_cast<WindowHandle>(widget->internalWinId()) != window) continue;
        widget->raise();
        widget->activateWindow();
        return;
    }
}

void QtApplicationWindows::quitApplication() {
    quitRequested_ = true;
    // exit(), not quit(): quit() first asks every window to close and gives up when one
    // refuses, but the end of the application is not up for a vote. exit() ends a running loop,
    // nested dialog loops included; before the loop runs the flag does it.
    QCoreApplication::exit(0);
}

int QtApplicationWindows::exec() {
    if (quitRequested_) return 0;
    return QApplication::exec();
}

#pragma once
// Time passing for window tests, without a real wait: every timer still running in the
// application's windows comes due once (a timer's own event is its expiry: a single-shot timer
// stops, each one emits timeout), then the posted events run. A window poll that should have
// stopped shows as a request it sends. Header-only: only Qt test programs include it.

#include <QApplication>
#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QTimerEvent>
#include <QWidget>

inline void fireRunningTimers() {
    QList<QPointer<QTimer>> running;
    for (QWidget* window : QApplication::topLevelWidgets())
        for (QTimer* timer : window->findChildren<QTimer*>())
            if (timer->isActive()) running.append(timer);
    for (const QPointer<QTimer>& timer : running) {
        if (!timer || !timer->isActive()) continue;
        QTimerEvent due(timer->timerId());
        QCoreApplication::sendEvent(timer, &due);
    }
    QCoreApplication::processEvents();
}

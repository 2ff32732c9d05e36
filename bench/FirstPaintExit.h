#pragma once
// Ends the process once the watched window has painted for the first time: the start-up
// benchmark's program and its bare baseline stop at the same point. Qt alone, so the bare
// program links nothing of ours.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <cstdlib>

class FirstPaintExit : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            QMetaObject::invokeMethod(qApp, [] { std::_Exit(0); }, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }
};

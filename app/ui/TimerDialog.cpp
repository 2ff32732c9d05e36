#include "TimerDialog.h"

#include "ErrorReporter.h"
#include "MessageBox.h"

#include <QTimer>

TimerDialog::TimerDialog(QWidget* owner, const char* timerName, int periodMs)
    : TNBasisDialog(owner), timer_(new QTimer(this)) {
    timer_->setObjectName(QString::fromLatin1(timerName));
    timer_->setInterval(periodMs);
}

void TimerDialog::withTimerStopped(const std::function<bool()>& work) {
    timer_->stop();
    if (!running()) return;
    const bool goOn = work();
    refresh();
    if (!goOn) {
        done(GiveUp);
        return;
    }
    if (running() && isVisible()) timer_->start();
}

void TimerDialog::closeIfConfirmed(const std::function<bool()>& confirm) {
    bool confirmed = false;
    withTimerStopped([&] {
        confirmed = confirm();
        return true;
    });
    if (confirmed) done(IDOK);
}

int TimerDialog::execWithTimer(bool started, const std::function<int(int)>& finish) {
    if (!started) return GiveUp;
    timer_->start();
    return finish(exec());
}

void TimerDialog::done(int result) {
    timer_->stop();
    TNBasisDialog::done(result);
}

void TimerDialog::reject() { done(GiveUp); }

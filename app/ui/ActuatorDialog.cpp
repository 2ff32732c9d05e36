#include "ActuatorDialog.h"

#include "ErrorReporter.h"

#include <QTimer>

ActuatorDialog::ActuatorDialog(QWidget* owner, KELTInterface& kelt, const char* timerName,
                               int periodMs, std::function<int()> switchOff)
    : TNBasisDialog(owner),
      kelt_(kelt),
      pollTimer_(new QTimer(this)),
      shutdown_(kelt, std::move(switchOff), [this] { pollTimer_->stop(); }) {
    pollTimer_->setObjectName(QString::fromLatin1(timerName));
    pollTimer_->setInterval(periodMs);
}

int ActuatorDialog::runModal() {
    pollTimer_->start();
    const int result = exec();
    shutdown_.finish();
    return result;
}

void ActuatorDialog::tick(const std::function<int()>& drive) {
    pollTimer_->stop();
    if (!shutdown_.running()) return;
    if (drive() == GiveUp) {
        shutdown_.afterGiveUp();
        done(GiveUp);
        return;
    }
    if (shutdown_.running()) pollTimer_->start();
}

void ActuatorDialog::done(int result) {
    pollTimer_->stop();
    TNBasisDialog::done(result);
}

void ActuatorDialog::reject() { done(GiveUp); }

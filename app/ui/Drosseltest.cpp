#include "Drosseltest.h"

#include "DialogParts.h"
#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "KeltArtwork.h"

#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A speed button that stays down when pressed and comes up when pressed again.
QToolButton* latchingButton(const char* objectName, ActuatorGlyph glyph, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setCheckable(true);
    button->setIcon(actuatorButtonIcon(glyph));
    button->setIconSize(QSize(32, 32));
    button->setFixedSize(41, 41);
    return button;
}

}  // namespace

TfrmDrosseltest::TfrmDrosseltest(QWidget* owner, KELTInterface& kelt)
    : ActuatorDialog(owner, kelt, "Timer1", kTimerMs, [&kelt] { return kelt.DriveThrottles(0, 0); }),
      lblUeberschrift(headerLabel(
          QStringLiteral("Actuate available throttles by pressing button and check function on vehicle"),
          clientArea())),
      lblHauptdrossel(new QLabel(QStringLiteral("Main flow throttle"), clientArea())),
      btnHauptdrossel(latchingButton("btnHauptdrossel", ActuatorGlyph::Throttle, clientArea())),
      lblQuerdrossel(new QLabel(QStringLiteral("Cross flow throttle"), clientArea())),
      btnQuerdrossel(latchingButton("btnQuerdrossel", ActuatorGlyph::Throttle, clientArea())),
      Timer1(pollTimer()) {
    setObjectName(QStringLiteral("frmDrosseltest"));
    setWindowTitle(QStringLiteral("Throttle"));
    setMinimumSize(350, 390);
    resize(400, 390);
    useOkButtonOnly(*this);

    lblHauptdrossel->setObjectName(QStringLiteral("lblHauptdrossel"));
    lblQuerdrossel->setObjectName(QStringLiteral("lblQuerdrossel"));
    lblHauptdrossel->setBuddy(btnHauptdrossel);
    lblQuerdrossel->setBuddy(btnQuerdrossel);

    auto* throttles = new QGridLayout;
    throttles->setVerticalSpacing(16);
    throttles->setHorizontalSpacing(16);
    throttles->addWidget(btnHauptdrossel, 0, 0);
    throttles->addWidget(lblHauptdrossel, 0, 1);
    throttles->addWidget(btnQuerdrossel, 1, 0);
    throttles->addWidget(lblQuerdrossel, 1, 1);
    throttles->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblUeberschrift);
    layout->addSpacing(24);
    layout->addLayout(throttles);
    layout->addStretch(1);

    connect(Timer1, &QTimer::timeout, this, &TfrmDrosseltest::Timer1Timer);
}

void TfrmDrosseltest::prepareExecute() {
    lblHauptdrossel->setEnabled(kelt_.CfgMainThrottle != 0);
    btnHauptdrossel->setEnabled(kelt_.CfgMainThrottle != 0);
    lblQuerdrossel->setEnabled(kelt_.CfgCrossThrottle != 0);
    btnQuerdrossel->setEnabled(kelt_.CfgCrossThrottle != 0);
}

int TfrmDrosseltest::Execute() {
    prepareExecute();
    return runModal();
}

void TfrmDrosseltest::Timer1Timer() {
    tick([this] {
        // A disabled button is never down.
        const uint8_t main = btnHauptdrossel->isEnabled() && btnHauptdrossel->isChecked() ? 1 : 0;
        const uint8_t cross = btnQuerdrossel->isEnabled() && btnQuerdrossel->isChecked() ? 1 : 0;
        return repeatWhileAsked([&] { return kelt_.DriveThrottles(main, cross); });
    });
}

#include "ALBAnsteuerung.h"

#include "DialogParts.h"
#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "KeltArtwork.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TfrmALBAnsteuerung::TfrmALBAnsteuerung(QWidget* owner, KELTInterface& kelt)
    : ActuatorDialog(owner, kelt, "ALBAnsteuerung", kTimerMs, [&kelt] { return kelt.DriveAlbValve(false); }),
      lblUeberschrift(headerLabel(QStringLiteral("Press the button to activate the LSV valve"), clientArea())),
      lblALB(new QLabel(QStringLiteral("Activate LSV valve"), clientArea())),
      BitBtn1(new QPushButton(clientArea())),
      ALBAnsteuerung(pollTimer()) {
    setObjectName(QStringLiteral("frmALBAnsteuerung"));
    setWindowTitle(QStringLiteral("Activation of the LSV valve"));
    setMinimumSize(350, 250);
    resize(400, 280);
    useOkButtonOnly(*this);

    lblALB->setObjectName(QStringLiteral("lblALB"));
    lblALB->setBuddy(BitBtn1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setIcon(actuatorButtonIcon(ActuatorGlyph::Valve));
    BitBtn1->setIconSize(QSize(32, 32));
    BitBtn1->setFixedSize(57, 57);
    // Enter and Return belong to the OK button, not to the valve.
    BitBtn1->setAutoDefault(false);
    BitBtn1->installEventFilter(this);

    auto* valve = new QHBoxLayout;
    valve->setSpacing(16);
    valve->addWidget(BitBtn1);
    valve->addWidget(lblALB, 1);

    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblUeberschrift);
    layout->addSpacing(24);
    layout->addLayout(valve);
    layout->addStretch(1);

    connect(ALBAnsteuerung, &QTimer::timeout, this, &TfrmALBAnsteuerung::ALBAnsteuerungTimer);
}

int TfrmALBAnsteuerung::Execute() { return runModal(); }

void TfrmALBAnsteuerung::ALBAnsteuerungTimer() {
    tick([this] {
        const int answer = kelt_.DriveAlbValve(pressed_ == 1);
        // The button's release may have gone to the error dialog: drive again only when held
        // anew. An answer 1 is retried at the next tick.
        if (answer != NoErrorShown) release();
        return answer;
    });
}

void TfrmALBAnsteuerung::bitbtnALBAnsteuernMouseDown() { pressed_ = 1; }
void TfrmALBAnsteuerung::bitbtnALBAnsteuernMouseUp() { release(); }
void TfrmALBAnsteuerung::bitbtnALBAnsteuernKeyDown() { pressed_ = 1; }
void TfrmALBAnsteuerung::bitbtnALBAnsteuernKeyUp() { release(); }

bool TfrmALBAnsteuerung::eventFilter(QObject* watched, QEvent* event) {
    if (watched == BitBtn1) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) bitbtnALBAnsteuernMouseDown();
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) bitbtnALBAnsteuernMouseUp();
            break;
        case QEvent::KeyPress:
            // A held key repeats its press; only the first one counts.
            if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) bitbtnALBAnsteuernKeyDown();
            break;
        case QEvent::KeyRelease:
            if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) bitbtnALBAnsteuernKeyUp();
            break;
        case QEvent::FocusOut:
        case QEvent::Hide:
        case QEvent::EnabledChange:
            release();
            break;
        default:
            break;
        }
    }
    return ActuatorDialog::eventFilter(watched, event);
}

void TfrmALBAnsteuerung::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) release();
    ActuatorDialog::changeEvent(event);
}

void TfrmALBAnsteuerung::hideEvent(QHideEvent* event) {
    release();
    ActuatorDialog::hideEvent(event);
}

void TfrmALBAnsteuerung::done(int result) {
    release();
    ActuatorDialog::done(result);
}

#include "ALBAnsteuerung.h"

#include "DialogParts.h"
#include "ErrorReporter.h"
#include "HoldButton.h"
#include "KELTInterface.h"
#include "KeltArtwork.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

TfrmALBAnsteuerung::TfrmALBAnsteuerung(QWidget* owner, KELTInterface& kelt)
    : ActuatorDialog(owner, kelt, "ALBAnsteuerung", kTimerMs, [&kelt] { return kelt.DriveAlbValve(false); }),
      lblUeberschrift(headerLabel(QStringLiteral("Press the button to activate the LSV valve"), clientArea())),
      lblALB(new QLabel(QStringLiteral("Activate LSV valve"), clientArea())),
      BitBtn1(new HoldButton(QString(), clientArea(), HoldButton::HoldingKeys::Any)),
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
    // The dialog keeps the technician from letting go: the valve is off before it shows.
    const auto releaseFirst = shutdown().releaseBeforeDialogs([this] {
        if (!BitBtn1->isHeld()) return false;
        BitBtn1->release();
        return true;
    });
    tick([this] {
        const int answer = kelt_.DriveAlbValve(BitBtn1->isHeld());
        // The button's release may have gone to the error dialog: drive again only when held
        // anew. An answer 1 is retried at the next tick.
        if (answer != NoErrorShown) BitBtn1->release();
        return answer;
    });
}

uint8_t TfrmALBAnsteuerung::pressed() const { return BitBtn1->isHeld() ? 1 : 0; }

void TfrmALBAnsteuerung::done(int result) {
    BitBtn1->release();
    ActuatorDialog::done(result);
}

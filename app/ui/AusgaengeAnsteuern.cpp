#include "AusgaengeAnsteuern.h"

#include "DialogParts.h"
#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "KeltArtwork.h"
#include "TextCodec.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

// --- one row ----------------------------------------------------------------------------------

TfrmAusgangAnsteuernEintrag::TfrmAusgangAnsteuernEintrag(QWidget* parent)
    : QFrame(parent),
      btnAnsteuern(new QToolButton(this)),
      lblBezeichnung(new QLabel(QStringLiteral("---"), this)) {
    setObjectName(QStringLiteral("frmAusgangAnsteuernEintrag"));
    setFrameShape(QFrame::NoFrame);
    setFixedHeight(58);
    resize(459, 58);

    btnAnsteuern->setObjectName(QStringLiteral("btnAnsteuern"));
    btnAnsteuern->setCheckable(true);
    btnAnsteuern->setIcon(actuatorButtonIcon(ActuatorGlyph::Output));
    btnAnsteuern->setIconSize(QSize(32, 32));
    btnAnsteuern->setFixedSize(41, 41);
    lblBezeichnung->setObjectName(QStringLiteral("lblBezeichnung"));
    lblBezeichnung->setTextFormat(Qt::PlainText);
    lblBezeichnung->setBuddy(btnAnsteuern);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(12);
    layout->addWidget(btnAnsteuern);
    layout->addWidget(lblBezeichnung, 1);
}

// --- the window -------------------------------------------------------------------------------

TfrmAusgaengeAnsteuern::TfrmAusgaengeAnsteuern(QWidget* owner, KELTInterface& kelt)
    : ActuatorDialog(owner, kelt, "Ansteuerung", kTimerMs,
                     [this] {
                         for (_Ausgang& entry : list_.entries) entry.on = 0;
                         return kelt_.DriveOutputs(list_);
                     }),
      lblUeberschrift(headerLabel(QStringLiteral("Press the button to activate the respective output"),
                                  clientArea())),
      sbAusgaenge(new QScrollArea(clientArea())),
      Ansteuerung(pollTimer()),
      rows_(sbAusgaenge, QStringLiteral("sbAusgaengeInhalt")) {
    setObjectName(QStringLiteral("frmAusgaengeAnsteuern"));
    setWindowTitle(QStringLiteral("Outputs"));
    setMinimumSize(350, 280);
    resize(520, 360);
    useOkButtonOnly(*this);

    sbAusgaenge->setObjectName(QStringLiteral("sbAusgaenge"));
    // The output buttons take the focus; the list itself is no Tab stop (it still scrolls the
    // focused button into view).
    sbAusgaenge->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblUeberschrift);
    layout->addWidget(sbAusgaenge, 1);

    connect(Ansteuerung, &QTimer::timeout, this, &TfrmAusgaengeAnsteuern::AnsteuerungTimer);
}

void TfrmAusgaengeAnsteuern::prepareExecute() {
    kelt_.GetOutputList(list_);
    rows_.rebuild(list_.entries, list_.count);
}

int TfrmAusgaengeAnsteuern::Execute() {
    prepareExecute();
    return runModal();
}

void TfrmAusgaengeAnsteuern::AnsteuerungTimer() {
    tick([this] {
        for (std::size_t i = 0; i < list_.count && i < rows().size(); ++i) {
            _Ausgang& entry = list_.entries[i];
            if (entry.visible && rows()[i]) entry.on = rows()[i]->btnAnsteuern->isChecked() ? 1 : 0;
        }
        // An answer 1 is retried at the next tick.
        return kelt_.DriveOutputs(list_);
    });
}

#include "Dskalibrieren.h"

#include "ErrorReporter.h"
#include "HoldButton.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "TextCodec.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString text(const std::string& s) { return fromAnsi(s); }

QLabel* namedLabel(const char* name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

TfrmDSKalibrieren::TfrmDSKalibrieren(QWidget* owner, KELTInterface& kelt)
    : TimerDialog(owner, "Timer", kTimerMs),
      lblHinweis(namedLabel("lblHinweis",
                            QStringLiteral("Lower vehicle until bellows are pressureless, then save pressure "
                                           "sensor value to the ECU as 0 bar offset."),
                            clientArea())),
      gbDrucksensor(new QGroupBox(QStringLiteral("Pressure sensor value"), clientArea())),
      lbl_DSText(namedLabel("lbl_DSText", QString(), gbDrucksensor)),
      lblDrucksensor(namedLabel("lblDrucksensor", QStringLiteral("---"), gbDrucksensor)),
      lblEinheit(namedLabel("lblEinheit", QStringLiteral("---"), gbDrucksensor)),
      sbFahrzeugSenken(new HoldButton(QString(), clientArea())),
      BitBtnDruckwerteSpeichern(new QPushButton(QStringLiteral("Save"), clientArea())),
      Timer(timer()),
      logic_(kelt, [this] { Timer->stop(); }) {
    setObjectName(QStringLiteral("frmDSKalibrieren"));
    setWindowTitle(QStringLiteral("Calibration of the pressure sensor"));
    resize(648, 414);
    setMinimumSize(600, 400);

    btn1->setText(QStringLiteral("&Cancel"));
    closeWith(btn1, IDCANCEL);
    btn2->setText(QStringLiteral("&OK"));
    connect(btn2, &QPushButton::clicked, this, &TfrmDSKalibrieren::btn2Click);
    btn3->hide();

    gbDrucksensor->setObjectName(QStringLiteral("gbDrucksensor"));
    lblHinweis->setWordWrap(true);
    lblHinweis->setFrameShape(QFrame::StyledPanel);
    lblHinweis->setMargin(6);
    lblDrucksensor->setMinimumWidth(50);
    lblDrucksensor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sbFahrzeugSenken->setObjectName(QStringLiteral("sbFahrzeugSenken"));
    sbFahrzeugSenken->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    sbFahrzeugSenken->setIconSize(QSize(32, 32));
    sbFahrzeugSenken->setMinimumSize(64, 48);
    sbFahrzeugSenken->setAccessibleName(QStringLiteral("Lower the vehicle"));
    BitBtnDruckwerteSpeichern->setObjectName(QStringLiteral("BitBtnDruckwerteSpeichern"));
    BitBtnDruckwerteSpeichern->setMinimumHeight(48);

    auto* value = new QHBoxLayout(gbDrucksensor);
    value->addWidget(lbl_DSText);
    value->addStretch(1);
    value->addWidget(lblDrucksensor);
    value->addWidget(lblEinheit);

    auto* actions = new QGridLayout;
    actions->addWidget(new QLabel(QStringLiteral("Lower the vehicle"), clientArea()), 0, 0, Qt::AlignHCenter);
    actions->addWidget(sbFahrzeugSenken, 1, 0, Qt::AlignHCenter);
    actions->addWidget(new QLabel(QStringLiteral("Save current pressure sensor value to the ECU"), clientArea()),
                       0, 1, Qt::AlignHCenter);
    actions->addWidget(BitBtnDruckwerteSpeichern, 1, 1);
    actions->setColumnStretch(0, 1);
    actions->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblHinweis);
    layout->addSpacing(12);
    layout->addWidget(gbDrucksensor);
    layout->addSpacing(12);
    layout->addLayout(actions);
    layout->addStretch(1);

    connect(sbFahrzeugSenken, &HoldButton::heldChanged, this, [this](bool held) { logic_.setHeld(held); });
    connect(BitBtnDruckwerteSpeichern, &QPushButton::clicked, this,
            &TfrmDSKalibrieren::BitBtnDruckwerteSpeichernClick);

    connect(Timer, &QTimer::timeout, this, &TfrmDSKalibrieren::TimerTimer);
    refresh();
}

bool TfrmDSKalibrieren::prepareExecute() {
    const bool started = logic_.Start();
    refresh();
    return started;
}

int TfrmDSKalibrieren::Execute() {
    return execWithTimer(prepareExecute(), [this](int result) { return logic_.Finish(result); });
}

void TfrmDSKalibrieren::refresh() {
    const DSKalibrierenDisplay& d = logic_.display();
    lbl_DSText->setText(text(d.sensorText));
    lblDrucksensor->setText(text(d.pressure));
    lblEinheit->setText(text(d.unit));
    BitBtnDruckwerteSpeichern->setEnabled(d.saveEnabled);
}

void TfrmDSKalibrieren::TimerTimer() {
    withTimerStopped([this] { return logic_.Tick(); });
}

void TfrmDSKalibrieren::BitBtnDruckwerteSpeichernClick() {
    withTimerStopped([this] { return logic_.SavePressureZero(); });
}

void TfrmDSKalibrieren::btn2Click() {
    closeIfConfirmed([this] { return logic_.ConfirmOk(); });
}

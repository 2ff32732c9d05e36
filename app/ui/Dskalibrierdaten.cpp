#include "Dskalibrierdaten.h"

#include "DialogParts.h"
#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "TextCodec.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

TfrmDSKalibrierdaten::TfrmDSKalibrierdaten(QWidget* owner, KELTInterface& kelt)
    : TimerDialog(owner, "Timer1", kTimerMs),
      lblUeberschrift(headerLabel(
          QStringLiteral("The pressure value at ambient pressure can be entered and stored in the ECU"),
          clientArea())),
      lblDrucksensor(namedLabel("lblDrucksensor", QStringLiteral("---"), clientArea())),
      lblEinheit(namedLabel("lblEinheit", QString(), clientArea())),
      edOffsetDS(new QLineEdit(clientArea())),
      lblEinheit2(namedLabel("lblEinheit2", QString(), clientArea())),
      btnAktullenDruckUebernehmen(new QPushButton(QStringLiteral("Adopt"), clientArea())),
      btnNullBarOffsetSpeichern(new QPushButton(QStringLiteral("Save"), clientArea())),
      Timer1(timer()),
      logic_(kelt) {
    setObjectName(QStringLiteral("frmDSKalibrierdaten"));
    setWindowTitle(QStringLiteral("Calibration data of the pressure sensor"));
    setMinimumSize(580, 400);

    btn1->setText(QStringLiteral("&Cancel"));
    closeWith(btn1, IDCANCEL);
    btn2->setText(QStringLiteral("&OK"));
    connect(btn2, &QPushButton::clicked, this, &TfrmDSKalibrierdaten::btn2Click);
    btn3->hide();

    edOffsetDS->setObjectName(QStringLiteral("edOffsetDS"));
    useMenuColourWhenDisabled(edOffsetDS);
    lblDrucksensor->setMinimumWidth(50);
    lblDrucksensor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    btnAktullenDruckUebernehmen->setObjectName(QStringLiteral("btnAktullenDruckUebernehmen"));
    btnAktullenDruckUebernehmen->setDefault(true);
    btnNullBarOffsetSpeichern->setObjectName(QStringLiteral("btnNullBarOffsetSpeichern"));
    // The default button is the adopt button, not the dialog's OK.
    for (QPushButton* button : {btn1, btn2, btn3, btnNullBarOffsetSpeichern}) button->setAutoDefault(false);

    auto* sensor = new QGroupBox(QStringLiteral("Pressure sensor"), clientArea());
    auto* grid = new QGridLayout(sensor);
    grid->addWidget(new QLabel(QStringLiteral("Current pressure sensor value"), sensor), 0, 0);
    grid->addWidget(lblDrucksensor, 0, 1);
    grid->addWidget(lblEinheit, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("0 bar offsets "), sensor), 1, 0);
    grid->addWidget(edOffsetDS, 1, 1);
    grid->addWidget(lblEinheit2, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Adopt current pressure value"), sensor), 2, 0);
    grid->addWidget(btnAktullenDruckUebernehmen, 2, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Save 0 bar offset value in ECU"), sensor), 3, 0);
    grid->addWidget(btnNullBarOffsetSpeichern, 3, 1, 1, 2);
    grid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblUeberschrift);
    layout->addSpacing(12);
    layout->addWidget(sensor);
    layout->addStretch(1);

    connect(edOffsetDS, &QLineEdit::textEdited, this,
            [this](const QString& typed) { logic_.setOffsetText(toAnsi(typed)); });
    connect(btnAktullenDruckUebernehmen, &QPushButton::clicked, this,
            &TfrmDSKalibrierdaten::btnAktullenDruckUebernehmenClick);
    connect(btnNullBarOffsetSpeichern, &QPushButton::clicked, this,
            &TfrmDSKalibrierdaten::btnNullBarOffsetSpeichernClick);

    connect(Timer1, &QTimer::timeout, this, &TfrmDSKalibrierdaten::Timer1Timer);
}

bool TfrmDSKalibrierdaten::prepareExecute() {
    if (!logic_.Start()) return false;
    edOffsetDS->setEnabled(logic_.display().offsetEditable);
    refresh();
    return true;
}

int TfrmDSKalibrierdaten::Execute() {
    return execWithTimer(prepareExecute(), [this](int result) { return logic_.Finish(result); });
}

void TfrmDSKalibrierdaten::refresh() {
    const DSKalibrierdatenDisplay& d = logic_.display();
    lblEinheit->setText(text(d.unit));
    lblEinheit2->setText(text(d.unit));
    lblDrucksensor->setText(text(d.pressure));
    // The entry as typed stays as it is.
    if (toAnsi(edOffsetDS->text()) != d.offset) edOffsetDS->setText(text(d.offset));
}

void TfrmDSKalibrierdaten::Timer1Timer() {
    withTimerStopped([this] { return logic_.Tick(); });
}

void TfrmDSKalibrierdaten::btnAktullenDruckUebernehmenClick() {
    withTimerStopped([this] { return logic_.AdoptCurrentPressure(); });
}

void TfrmDSKalibrierdaten::btnNullBarOffsetSpeichernClick() {
    withTimerStopped([this] {
        switch (logic_.SaveOffset()) {
        case DSKalibrierdaten::SaveOutcome::Refused:
            edOffsetDS->setFocus();
            edOffsetDS->selectAll();
            return true;
        case DSKalibrierdaten::SaveOutcome::Written:
            return true;
        case DSKalibrierdaten::SaveOutcome::GaveUp:
            return false;
        }
        return false;
    });
}

void TfrmDSKalibrierdaten::btn2Click() {
    closeIfConfirmed([this] { return logic_.ConfirmOk(); });
}

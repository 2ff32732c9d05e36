#include "BaudrateUndAdresse.h"

#include "AddressAndBaud.h"
#include "DialogParts.h"
#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "NData.h"
#include "Numbers.h"
#include "StringTable.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <string>

namespace {

void warn(int text) { MsgBox(LoadStr(text), DiagAttr.Anwendungstitel, MB_ICONWARNING | MB_OK); }

}  // namespace

TfrmBaudrateUndAdresse::TfrmBaudrateUndAdresse(QWidget* owner, KELTInterface& kelt)
    : TNBasisDialog(owner),
      lblUeberschrift(headerLabel(
          QStringLiteral("ATTENTION! Changing the ECU address may result in diagnosis becoming impossible!"),
          clientArea())),
      gbECUAdresse(new QGroupBox(QStringLiteral("ECU diagnosis address"), clientArea())),
      lblECUAdresse(new QLabel(QStringLiteral("ECU diagnosis address (must be less than 128)"), gbECUAdresse)),
      edECUAdresse(new QLineEdit(gbECUAdresse)),
      btnSpeichernAdresse(new QPushButton(QStringLiteral("Save"), gbECUAdresse)),
      gbBaudrate(new QGroupBox(QStringLiteral("Data transfer rate to the ECU"), clientArea())),
      rb1200Baud(new QRadioButton(QStringLiteral("1200 baud"), gbBaudrate)),
      rb2400Baud(new QRadioButton(QStringLiteral("2400 baud"), gbBaudrate)),
      rb4800Baud(new QRadioButton(QStringLiteral("4800 baud"), gbBaudrate)),
      rb9600Baud(new QRadioButton(QStringLiteral("9600 baud"), gbBaudrate)),
      btnSpeichernBaudrate(new QPushButton(QStringLiteral("Save"), gbBaudrate)),
      kelt_(kelt) {
    setObjectName(QStringLiteral("frmBaudrateUndAdresse"));
    setWindowTitle(QStringLiteral("Change ECU baud rate and address"));
    setMinimumSize(590, 370);
    resize(590, 370);

    useOkButtonOnly(*this);

    gbECUAdresse->setObjectName(QStringLiteral("gbECUAdresse"));
    lblECUAdresse->setObjectName(QStringLiteral("lblECUAdresse"));
    edECUAdresse->setObjectName(QStringLiteral("edECUAdresse"));
    btnSpeichernAdresse->setObjectName(QStringLiteral("btnSpeichernAdresse"));
    lblECUAdresse->setBuddy(edECUAdresse);
    auto* addressRow = new QHBoxLayout(gbECUAdresse);
    addressRow->addWidget(lblECUAdresse);
    addressRow->addWidget(edECUAdresse);
    addressRow->addWidget(btnSpeichernAdresse);

    gbBaudrate->setObjectName(QStringLiteral("gbBaudrate"));
    btnSpeichernBaudrate->setObjectName(QStringLiteral("btnSpeichernBaudrate"));
    auto* rates = new QButtonGroup(gbBaudrate);  // exclusive, and none checked until chosen
    auto* baudRow = new QHBoxLayout(gbBaudrate);
    const char* names[] = {"rb1200Baud", "rb2400Baud", "rb4800Baud", "rb9600Baud"};
    int code = 0;
    for (QRadioButton* button : baudButtons()) {
        button->setObjectName(QString::fromLatin1(names[code]));
        rates->addButton(button, code++);
        baudRow->addWidget(button);
    }
    baudRow->addStretch(1);
    baudRow->addWidget(btnSpeichernBaudrate);

    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblUeberschrift);
    layout->addWidget(gbECUAdresse);
    layout->addWidget(gbBaudrate);
    layout->addStretch(1);

    connect(btnSpeichernAdresse, &QPushButton::clicked, this, &TfrmBaudrateUndAdresse::btnSpeichernAdresseClick);
    connect(btnSpeichernBaudrate, &QPushButton::clicked, this, &TfrmBaudrateUndAdresse::btnSpeichernBaudrateClick);
}

std::array<QRadioButton*, 4> TfrmBaudrateUndAdresse::baudButtons() const {
    return {rb1200Baud, rb2400Baud, rb4800Baud, rb9600Baud};
}

bool TfrmBaudrateUndAdresse::untilAnswered(const std::function<int()>& operation) {
    if (repeatWhileAsked(operation) == NoErrorShown) return true;
    kelt_.DiagnoseAktiv = 0;
    return false;
}

bool TfrmBaudrateUndAdresse::prepareExecute() {
    uint8_t address = 0;
    if (!untilAnswered([&] { return kelt_.ReadEcuAddress(address); })) return false;
    edECUAdresse->setText(QString::fromStdString(numbers::formatInt(address)));

    // A type without baud-rate id has nothing to read or choose.
    const bool withBaud = hasBaudCode(kelt_.EcuTyp);
    uint8_t code = 0;
    if (withBaud && !untilAnswered([&] { return kelt_.ReadBaudCode(code); })) return false;
    const BaudPreselection preselection = baudPreselectionFor(kelt_.EcuTyp, code);
    gbBaudrate->setEnabled(preselection.groupEnabled);
    rb1200Baud->setEnabled(preselection.lowestEnabled);
    if (preselection.selected) baudButtons()[static_cast<std::size_t>(*preselection.selected)]->setChecked(true);
    if (preselection.invalidCode) warn(kInvalidBaudRateText);
    return true;
}

int TfrmBaudrateUndAdresse::Execute() {
    if (!prepareExecute()) return GiveUp;
    return exec();
}

void TfrmBaudrateUndAdresse::tellStored(bool stored) {
    // A read-back that differed has been told by the ECU layer.
    if (stored) MsgBox(LoadStr(kDataStoredText), DiagAttr.Anwendungstitel, MB_ICONINFORMATION | MB_OK);
}

void TfrmBaudrateUndAdresse::btnSpeichernAdresseClick() {
    const std::optional<uint8_t> address = parseTypedEcuAddress(edECUAdresse->text().toStdString());
    if (!address) {
        // The text stays for correction.
        warn(kInvalidTypedAddressText);
        edECUAdresse->setFocus();
        return;
    }
    bool stored = false;
    if (untilAnswered([&] { return kelt_.WriteEcuAddress(*address, stored); })) tellStored(stored);
}

void TfrmBaudrateUndAdresse::btnSpeichernBaudrateClick() {
    int code = -1;
    const auto buttons = baudButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked()) code = static_cast<int>(i);
    if (code < 0) {
        warn(kInvalidBaudRateText);
        return;
    }
    bool stored = false;
    if (untilAnswered([&] { return kelt_.WriteBaudCode(static_cast<uint8_t>(code), stored); })) tellStored(stored);
}

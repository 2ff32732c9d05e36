#include "Fahrzeugdaten.h"

#include "ProgramModes.h"
#include "TextCodec.h"
#include "VehicleTexts.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

namespace {

QLineEdit* textEdit(QWidget* parent, const char* name, std::size_t width, const std::string& text) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    // One place of the width is the terminating NUL.
    edit->setMaxLength(static_cast<int>(width - 1));
    edit->setText(fromAnsi(text));  // cut to the maximum length when longer
    return edit;
}

}  // namespace

TfrmFahrzeugdaten::TfrmFahrzeugdaten(QWidget* owner) : TfrmCOMBasisDialog(owner, Placement::MainFormCentre) {
    setObjectName(QStringLiteral("frmFahrzeugdaten"));
    setWindowTitle(QStringLiteral("Save system data"));
    setMinimumSize(440, 350);
    resize(440, 350);

    pnlUeberschrift = new QLabel(QStringLiteral("Please enter the following information for documentation :"), this);
    pnlUeberschrift->setObjectName(QStringLiteral("pnlUeberschrift"));
    pnlUeberschrift->setFrameShape(QFrame::StyledPanel);
    pnlUeberschrift->setAlignment(Qt::AlignCenter);
    pnlUeberschrift->setWordWrap(true);
    pnlUeberschrift->setMinimumHeight(41);

    edPruefername = textEdit(this, "edPruefername", kTesterNameWidth, TesterName);
    edHersteller = textEdit(this, "edHersteller", kVehicleManufacturerWidth, VehicleManufacturer);
    edFahrzeugtyp = textEdit(this, "edFahrzeugtyp", kVehicleTypeWidth, VehicleType);
    edFahrgestellnummer = textEdit(this, "edFahrgestellnummer", kVehicleVINWidth, VehicleVIN);
    edKilometerstand = textEdit(this, "edKilometerstand", kVehicleOdometerWidth, VehicleOdometer);

    auto* rows = new QFormLayout;
    rows->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    rows->addRow(QStringLiteral("Tested by"), edPruefername);
    rows->addRow(QStringLiteral("Manufacturer"), edHersteller);
    rows->addRow(QStringLiteral("Vehicle type"), edFahrzeugtyp);
    rows->addRow(QStringLiteral("Vehicle ident. no"), edFahrgestellnummer);
    rows->addRow(QStringLiteral("Odometer reading"), edKilometerstand);

    btnOk = new QPushButton(QStringLiteral("&OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnAbbruch = new QPushButton(QStringLiteral("&Cancel"), this);
    btnAbbruch->setObjectName(QStringLiteral("btnAbbruch"));
    connect(btnOk, &QPushButton::clicked, this, [this] { done(1); });
    connect(btnAbbruch, &QPushButton::clicked, this, [this] { done(2); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnAbbruch);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(pnlUeberschrift);
    outer->addSpacing(8);
    outer->addLayout(rows);
    outer->addStretch(1);
    outer->addLayout(buttons);
}

void TfrmFahrzeugdaten::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) FormClose();
    TfrmCOMBasisDialog::hideEvent(event);
}

void TfrmFahrzeugdaten::reject() { done(2); }

void TfrmFahrzeugdaten::FormClose() {
    TesterName = toAnsi(edPruefername->text());
    VehicleManufacturer = toAnsi(edHersteller->text());
    VehicleType = toAnsi(edFahrzeugtyp->text());
    VehicleVIN = toAnsi(edFahrgestellnummer->text());
    VehicleOdometer = toAnsi(edKilometerstand->text());
    TfrmCOMBasisDialog::FormClose();
}

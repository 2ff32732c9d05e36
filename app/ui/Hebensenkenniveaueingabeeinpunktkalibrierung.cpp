#include "Hebensenkenniveaueingabeeinpunktkalibrierung.h"

#include "DialogParts.h"
#include "ErrorReporter.h"
#include "HebenSenken.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "Numbers.h"
#include "StringTable.h"
#include "TextCodec.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

QString countsText(uint16_t value) {
    return QString::fromStdString(numbers::formatInt(value) + " counts");
}

}  // namespace

TfrmNiveaueingabeEinpunktkalibrierung::TfrmNiveaueingabeEinpunktkalibrierung(QWidget* owner,
                                                                             const KELTInterface& kelt)
    : TNBasisDialog(owner),
      lblUeberschrift(headerLabel(QStringLiteral("Absolute level entry"), clientArea())),
      edOberesNiveauVorn(new QLineEdit(clientArea())),
      edOberesNiveauHinten(new QLineEdit(clientArea())),
      edUnteresNiveauVorn(new QLineEdit(clientArea())),
      edUnteresNiveauHinten(new QLineEdit(clientArea())),
      lblNormalNiveauVorn(new QLabel(clientArea())),
      lblNormalNiveauHinten(new QLabel(clientArea())),
      kelt_(kelt),
      front_(levelInputHasFront(kelt)),
      rear_(levelInputHasRear(kelt)) {
    setObjectName(QStringLiteral("frmNiveaueingabeEinpunktkalibrierung"));
    setWindowTitle(QStringLiteral("Level input single point calibration"));
    setMinimumSize(390, 310);
    resize(492, 336);

    btn1->setText(QStringLiteral("&Cancel"));
    closeWith(btn1, IDCANCEL);
    btn2->setText(QStringLiteral("&OK"));
    btn2->setDefault(true);
    connect(btn2, &QPushButton::clicked, this, &TfrmNiveaueingabeEinpunktkalibrierung::btn2Click);
    btn3->hide();

    edOberesNiveauVorn->setObjectName(QStringLiteral("edOberesNiveauVorn"));
    edOberesNiveauHinten->setObjectName(QStringLiteral("edOberesNiveauHinten"));
    edUnteresNiveauVorn->setObjectName(QStringLiteral("edUnteresNiveauVorn"));
    edUnteresNiveauHinten->setObjectName(QStringLiteral("edUnteresNiveauHinten"));
    lblNormalNiveauVorn->setObjectName(QStringLiteral("lblNormalNiveauVorn"));
    lblNormalNiveauHinten->setObjectName(QStringLiteral("lblNormalNiveauHinten"));
    // Digits only, typed or pasted: a paste holding anything else is refused whole.
    const QRegularExpression digits(QStringLiteral("[0-9]{0,%1}").arg(kMaxLevelInputDigits));
    for (QLineEdit* edit : edits()) {
        edit->setMaxLength(static_cast<int>(kMaxLevelInputDigits));
        edit->setValidator(new QRegularExpressionValidator(digits, edit));
    }

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Front"), clientArea()), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Rear"), clientArea()), 0, 3);
    const QString rows[] = {QStringLiteral("Upper level"), QStringLiteral("Lower level"),
                            QStringLiteral("Calibrated normal level")};
    QWidget* front[] = {edOberesNiveauVorn, edUnteresNiveauVorn, lblNormalNiveauVorn};
    QWidget* rear[] = {edOberesNiveauHinten, edUnteresNiveauHinten, lblNormalNiveauHinten};
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(new QLabel(rows[row], clientArea()), row + 1, 0);
        grid->addWidget(front[row], row + 1, 1);
        grid->addWidget(rear[row], row + 1, 3);
        if (row < 2) {
            grid->addWidget(new QLabel(QStringLiteral("counts"), clientArea()), row + 1, 2);
            grid->addWidget(new QLabel(QStringLiteral("counts"), clientArea()), row + 1, 4);
        }
    }
    grid->setColumnStretch(5, 1);

    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblUeberschrift);
    layout->addSpacing(12);
    layout->addLayout(grid);
    layout->addStretch(1);

    // An axle the vehicle lacks: its edits are disabled and shown in the menu colour.
    auto disable = [](QLineEdit* edit) {
        edit->setEnabled(false);
        useMenuColourWhenDisabled(edit);
    };
    if (!front_) {
        disable(edOberesNiveauVorn);
        disable(edUnteresNiveauVorn);
    }
    if (!rear_) {
        disable(edOberesNiveauHinten);
        disable(edUnteresNiveauHinten);
    }
}

std::array<QLineEdit*, 4> TfrmNiveaueingabeEinpunktkalibrierung::edits() const {
    // In the order of LevelInputEdit.
    return {edOberesNiveauVorn, edUnteresNiveauVorn, edOberesNiveauHinten, edUnteresNiveauHinten};
}

int TfrmNiveaueingabeEinpunktkalibrierung::Execute(LevelValues& values) {
    auto number = [](uint16_t value) { return QString::fromStdString(numbers::formatInt(value)); };
    if (front_) {
        lblNormalNiveauVorn->setText(countsText(values.NormalFront));
        edOberesNiveauVorn->setText(number(values.UpperFront));
        edUnteresNiveauVorn->setText(number(values.LowerFront));
    }
    if (rear_) {
        lblNormalNiveauHinten->setText(countsText(values.NormalRear));
        edOberesNiveauHinten->setText(number(values.UpperRear));
        edUnteresNiveauHinten->setText(number(values.LowerRear));
    }
    const int result = exec();
    if (result != IDOK) return result;
    // OK was only accepted with a level in every enabled edit.
    auto level = [](const QLineEdit* edit) {
        return static_cast<uint16_t>(numbers::parseInt(edit->text().toStdString()).value_or(0));
    };
    if (front_) {
        values.UpperFront = level(edOberesNiveauVorn);
        values.LowerFront = level(edUnteresNiveauVorn);
    }
    if (rear_) {
        values.UpperRear = level(edOberesNiveauHinten);
        values.LowerRear = level(edUnteresNiveauHinten);
    }
    return result;
}

void TfrmNiveaueingabeEinpunktkalibrierung::btn2Click() {
    std::array<std::string, 4> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = edits()[i]->text().toStdString();
    if (const std::optional<LevelInputProblem> problem = checkLevelInput(front_, rear_, texts)) {
        MsgBox(LoadStr(problem->text), kelt_.applicationTitle(), MB_ICONWARNING | MB_OK);
        edits()[problem->edit]->setFocus();
        edits()[problem->edit]->selectAll();
        return;
    }
    done(IDOK);
}

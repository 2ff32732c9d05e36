#include "Hebensenken.h"

#include "DialogParts.h"
#include "ErrorReporter.h"
#include "Hebensenkenniveaueingabeeinpunktkalibrierung.h"
#include "HoldButton.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "StringTable.h"
#include "TextCodec.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kCaptionDistanceSensors = 20422;
constexpr int kCaptionTiltSensors = 20423;

QPushButton* latchingButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setCheckable(true);
    return button;
}

QLabel* valueLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("---"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setMinimumWidth(50);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QPushButton* stepButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setEnabled(false);
    return button;
}

QString text(const std::string& s) { return fromAnsi(s); }

}  // namespace

// The one-point entry as the logic asks for it: the dialog over this window.
class TfrmHebenSenken::LevelInput : public LevelInputDialog {
public:
    LevelInput(TfrmHebenSenken& window, const KELTInterface& kelt) : window_(window), kelt_(kelt) {}
    int Execute(LevelValues& values) override {
        TfrmNiveaueingabeEinpunktkalibrierung dialog(&window_, kelt_);
        return dialog.Execute(values);
    }

private:
    TfrmHebenSenken& window_;
    const KELTInterface& kelt_;
};

TfrmHebenSenken::TfrmHebenSenken(QWidget* owner, KELTInterface& kelt)
    : TimerDialog(owner, "AnsteuerTimer", kTimerMs),
      gbVentilauswahl(new QGroupBox(QStringLiteral("Activate levels"), clientArea())),
      btn1WSLinks(latchingButton("btn1WSLinks", QStringLiteral("Left"), gbVentilauswahl)),
      btn1WSRechts(latchingButton("btn1WSRechts", QStringLiteral("Right"), gbVentilauswahl)),
      btn2WSLinks(latchingButton("btn2WSLinks", QStringLiteral("Left"), gbVentilauswahl)),
      btn2WSRechts(latchingButton("btn2WSRechts", QStringLiteral("Right"), gbVentilauswahl)),
      btnQDrossel(latchingButton("btnQDrossel", QStringLiteral("Cross flow throttle"), gbVentilauswahl)),
      btnHeben(new HoldButton(QStringLiteral("Charge"), gbVentilauswahl)),
      btnSenken(new HoldButton(QStringLiteral("Vent"), gbVentilauswahl)),
      GroupBox2(new QGroupBox(QStringLiteral("Current levels and pressures"), clientArea())),
      lblNiveauVorderachse(valueLabel("lblNiveauVorderachse", GroupBox2)),
      lblNiveauHinterachseLinks(valueLabel("lblNiveauHinterachseLinks", GroupBox2)),
      lblNiveauHinterachseRechts(valueLabel("lblNiveauHinterachseRechts", GroupBox2)),
      lblEinheitNiveaus(new QLabel(GroupBox2)),
      lblDruck(valueLabel("lblDruck", GroupBox2)),
      lblHinweis(headerLabel(QStringLiteral("Select valves to be activated and move to ride height"), clientArea())),
      gbKalibrierart(new QGroupBox(QStringLiteral("Calibration type"), clientArea())),
      lblKalibrierart(new QLabel(gbKalibrierart)),
      gbKalibrierschritte(new QGroupBox(QStringLiteral("Calibration steps"), clientArea())),
      btnKalibrierungStarten(new QPushButton(QStringLiteral("Start calibration"), gbKalibrierschritte)),
      btnFNSpeichern(stepButton("btnFNSpeichern", QStringLiteral("Save normal level"), gbKalibrierschritte)),
      btnONSpeichern(stepButton("btnONSpeichern", QStringLiteral("Save upper level"), gbKalibrierschritte)),
      btnUNSpeichern(stepButton("btnUNSpeichern", QStringLiteral("Save lower level"), gbKalibrierschritte)),
      btnKalibrierungBeenden(stepButton("btnKalibrierungBeenden", QStringLiteral("Finish calibration"),
                                        gbKalibrierschritte)),
      gbTSKalibrierung(new QGroupBox(QStringLiteral("Calibrate tilt sensors"), clientArea())),
      lblTiltsensor1(valueLabel("lblTiltsensor1", gbTSKalibrierung)),
      lblTiltsensor2(valueLabel("lblTiltsensor2", gbTSKalibrierung)),
      BitBtnTiltsensorwerteSpeichern(new QPushButton(QStringLiteral("Save"), gbTSKalibrierung)),
      AnsteuerTimer(timer()),
      kelt_(kelt),
      levelInput_(std::make_unique<LevelInput>(*this, kelt)),
      logic_(kelt, *levelInput_, [this] { AnsteuerTimer->stop(); }) {
    setObjectName(QStringLiteral("frmHebenSenken"));
    setWindowTitle(QStringLiteral("Lifting/lowering"));
    resize(792, 566);

    btn1->setText(QStringLiteral("&Cancel"));
    closeWith(btn1, IDCANCEL);
    btn2->setText(QStringLiteral("&OK"));
    connect(btn2, &QPushButton::clicked, this, &TfrmHebenSenken::btn2Click);
    btn3->hide();

    gbVentilauswahl->setObjectName(QStringLiteral("gbVentilauswahl"));
    btnHeben->setObjectName(QStringLiteral("btnHeben"));
    btnSenken->setObjectName(QStringLiteral("btnSenken"));
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    lblEinheitNiveaus->setObjectName(QStringLiteral("lblEinheitNiveaus"));
    lblHinweis->setObjectName(QStringLiteral("lblHinweis"));
    gbKalibrierart->setObjectName(QStringLiteral("gbKalibrierart"));
    lblKalibrierart->setObjectName(QStringLiteral("lblKalibrierart"));
    gbKalibrierschritte->setObjectName(QStringLiteral("gbKalibrierschritte"));
    btnKalibrierungStarten->setObjectName(QStringLiteral("btnKalibrierungStarten"));
    gbTSKalibrierung->setObjectName(QStringLiteral("gbTSKalibrierung"));
    BitBtnTiltsensorwerteSpeichern->setObjectName(QStringLiteral("BitBtnTiltsensorwerteSpeichern"));

    // Valve selection: the axles' rows, the cross throttle, then the two hold buttons.
    auto* valves = new QGridLayout(gbVentilauswahl);
    valves->addWidget(new QLabel(QStringLiteral("1-distance sensor axle"), gbVentilauswahl), 0, 0);
    valves->addWidget(btn1WSLinks, 0, 1);
    valves->addWidget(btn1WSRechts, 0, 2);
    valves->addWidget(new QLabel(QStringLiteral("2-distance sensor axle"), gbVentilauswahl), 1, 0);
    valves->addWidget(btn2WSLinks, 1, 1);
    valves->addWidget(btn2WSRechts, 1, 2);
    valves->addWidget(btnQDrossel, 2, 1, 1, 2);
    valves->addWidget(btnHeben, 3, 1);
    valves->addWidget(btnSenken, 3, 2);
    btnHeben->setMinimumHeight(40);
    btnSenken->setMinimumHeight(40);

    auto* values = new QGridLayout(GroupBox2);
    const QString levelNames[] = {QStringLiteral("1-distance sensor axle"),
                                  QStringLiteral("2-distance sensor axle Left"),
                                  QStringLiteral("2-distance sensor axle Right")};
    QLabel* levels[] = {lblNiveauVorderachse, lblNiveauHinterachseLinks, lblNiveauHinterachseRechts};
    for (int row = 0; row < 3; ++row) {
        values->addWidget(new QLabel(levelNames[row], GroupBox2), row, 0);
        values->addWidget(levels[row], row, 1);
    }
    values->addWidget(lblEinheitNiveaus, 0, 2, 3, 1);
    values->addWidget(new QLabel(QStringLiteral("Pressure sensor"), GroupBox2), 3, 0);
    values->addWidget(lblDruck, 3, 1);
    values->addWidget(new QLabel(QStringLiteral("counts"), GroupBox2), 3, 2);
    values->setColumnStretch(3, 1);

    auto* type = new QVBoxLayout(gbKalibrierart);
    type->addWidget(lblKalibrierart);
    auto* steps = new QVBoxLayout(gbKalibrierschritte);
    for (QPushButton* button : {btnKalibrierungStarten, btnFNSpeichern, btnONSpeichern, btnUNSpeichern,
                                btnKalibrierungBeenden})
        steps->addWidget(button);

    auto* tilt = new QGridLayout(gbTSKalibrierung);
    tilt->addWidget(new QLabel(QStringLiteral("Inclination angle, tilt sensor"), gbTSKalibrierung), 0, 0);
    tilt->addWidget(lblTiltsensor1, 0, 1);
    tilt->addWidget(new QLabel(QStringLiteral("counts"), gbTSKalibrierung), 0, 2);
    tilt->addWidget(new QLabel(QStringLiteral("Inclination angle, tilt sensor arrested"), gbTSKalibrierung), 1, 0);
    tilt->addWidget(lblTiltsensor2, 1, 1);
    tilt->addWidget(new QLabel(QStringLiteral("counts"), gbTSKalibrierung), 1, 2);
    tilt->addWidget(new QLabel(QStringLiteral("Save current tilt sensor values to the ECU"), gbTSKalibrierung), 2, 0);
    tilt->addWidget(BitBtnTiltsensorwerteSpeichern, 2, 1, 1, 2);
    tilt->setColumnStretch(3, 1);

    auto* left = new QVBoxLayout;
    left->addWidget(gbVentilauswahl);
    left->addWidget(GroupBox2);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(gbKalibrierart);
    right->addWidget(gbKalibrierschritte);
    right->addWidget(gbTSKalibrierung);
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblHinweis);
    layout->addLayout(columns, 1);

    gbKalibrierart->hide();
    gbKalibrierschritte->hide();
    gbTSKalibrierung->hide();

    for (QPushButton* button : {btn1WSLinks, btn1WSRechts, btn2WSLinks, btn2WSRechts, btnQDrossel})
        connect(button, &QPushButton::clicked, this, &TfrmHebenSenken::btnAchsenClick);
    connect(btnHeben, &HoldButton::heldChanged, this, [this](bool held) { logic_.setChargeHeld(held); });
    connect(btnSenken, &HoldButton::heldChanged, this, [this](bool held) { logic_.setVentHeld(held); });
    const std::pair<QPushButton*, CalibrationButton> stepButtons[] = {
        {btnKalibrierungStarten, CalibrationButton::Start}, {btnFNSpeichern, CalibrationButton::SaveNormal},
        {btnONSpeichern, CalibrationButton::SaveUpper},     {btnUNSpeichern, CalibrationButton::SaveLower},
        {btnKalibrierungBeenden, CalibrationButton::Finish}};
    for (const auto& [button, step] : stepButtons)
        connect(button, &QPushButton::clicked, this, [this, step = step] { KalibrierungsschritteClick(step); });
    connect(BitBtnTiltsensorwerteSpeichern, &QPushButton::clicked, this,
            &TfrmHebenSenken::BitBtnTiltsensorwerteSpeichernClick);

    connect(AnsteuerTimer, &QTimer::timeout, this, &TfrmHebenSenken::AnsteuerTimerTimer);
}

TfrmHebenSenken::~TfrmHebenSenken() = default;

bool TfrmHebenSenken::prepareExecute(HebenSenkenMode mode) {
    if (!logic_.Start(mode)) return false;
    const std::array<bool, 5> offered = logic_.valveButtonsEnabled();
    QPushButton* valveButtons[] = {btn1WSLinks, btn1WSRechts, btn2WSLinks, btn2WSRechts, btnQDrossel};
    for (std::size_t i = 0; i < offered.size(); ++i) valveButtons[i]->setEnabled(offered[i]);
    switch (mode) {
    case HebenSenkenMode::DistanceSensors:
    case HebenSenkenMode::CharacteristicCurve:
        gbKalibrierart->show();
        gbKalibrierschritte->show();
        break;
    case HebenSenkenMode::TiltSensors:
        gbTSKalibrierung->show();
        break;
    case HebenSenkenMode::RaiseLower:
        break;
    }
    if (mode == HebenSenkenMode::DistanceSensors) {
        setWindowTitle(text(LoadStr(kCaptionDistanceSensors)));
        setMinimumSize(680, 590);
    } else if (mode == HebenSenkenMode::TiltSensors) {
        setWindowTitle(text(LoadStr(kCaptionTiltSensors)));
        setMinimumSize(680, 590);
    } else if (mode == HebenSenkenMode::RaiseLower) {
        setMinimumSize(680, 400);
    }
    refresh();
    return true;
}

int TfrmHebenSenken::Execute(HebenSenkenMode mode) {
    return execWithTimer(prepareExecute(mode), [this](int result) { return logic_.Finish(result); });
}

void TfrmHebenSenken::refresh() {
    const HebenSenkenDisplay& d = logic_.display();
    lblHinweis->setText(text(d.hint));
    lblKalibrierart->setText(text(d.calibrationType));
    lblEinheitNiveaus->setText(text(d.levelUnit));
    lblNiveauVorderachse->setText(text(d.levelFront));
    lblNiveauHinterachseLinks->setText(text(d.levelRearLeft));
    lblNiveauHinterachseRechts->setText(text(d.levelRearRight));
    lblDruck->setText(text(d.pressure));
    lblTiltsensor1->setText(text(d.tilt));
    lblTiltsensor2->setText(text(d.tiltArrested));
    btnKalibrierungStarten->setEnabled(d.startEnabled);
    btnFNSpeichern->setEnabled(d.saveNormalEnabled);
    btnONSpeichern->setEnabled(d.saveUpperEnabled);
    btnUNSpeichern->setEnabled(d.saveLowerEnabled);
    btnKalibrierungBeenden->setEnabled(d.finishEnabled);
}

void TfrmHebenSenken::btnAchsenClick() {
    logic_.selectValves({btn1WSLinks->isChecked(), btn1WSRechts->isChecked(), btn2WSLinks->isChecked(),
                         btn2WSRechts->isChecked(), btnQDrossel->isChecked()});
}

void TfrmHebenSenken::AnsteuerTimerTimer() {
    withTimerStopped([this] { return logic_.Tick(); });
}

void TfrmHebenSenken::KalibrierungsschritteClick(CalibrationButton button) {
    withTimerStopped([this, button] { return logic_.CalibrationStep(button); });
}

void TfrmHebenSenken::BitBtnTiltsensorwerteSpeichernClick() {
    withTimerStopped([this] { return logic_.SaveTiltValues(); });
}

void TfrmHebenSenken::btn2Click() {
    closeIfConfirmed([this] { return logic_.ConfirmOk(); });
}

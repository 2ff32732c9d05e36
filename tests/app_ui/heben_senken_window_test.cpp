// The raise/lower and calibration window and its level entry, against the simulated ECU through
// the real driver and the test build of the USB library, with an error dialog that keeps the
// event loop running: its controls per mode, the hold-to-act buttons, and that every way out
// leaves the valves released.
#include "Hebensenken.h"
#include "Hebensenkenniveaueingabeeinpunktkalibrierung.h"
#include "HoldButton.h"

#include "DrivingWindowFixture.h"
#include "ErrorTexts.h"
#include "StringTable.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Word = DrivingWindowFixture::Word;
const SimBytes kHoldBody = {0x21, 0x00, 0x00};
const SimBytes kChargeRearBody = {0x21, 0x07, 0x00};
const Word kChargeRear = {0x07, 0x00};

QString str(int id) { return QString::fromStdString(LoadStr(id)); }

// A 10 78 01 00 ECU with every capability, connected through the real driver.
class HebenSenkenWindow : public DrivingWindowFixture {
public:
    void SetUp() override {
        DrivingWindowFixture::SetUp();
        attr.Anwendungstitel = "Tarvik";
        ecu->setConfiguration(0xFF, 0xFF, 0xFF, 0xFF);
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        ASSERT_EQ(kelt->ReadConfiguration(), 0);
        kelt->DiagnoseAktiv = 1;
        ecu->setClock(levelClock);
        ecu->clearLog();
    }
    // Charging with both rear valves, held by the mouse.
    void chargeRear(TfrmHebenSenken& w) {
        for (QPushButton* valve : {w.btn2WSLinks, w.btn2WSRechts})
            if (!valve->isChecked()) valve->click();
        sendMouse(w.btnHeben, QEvent::MouseButtonPress);
        ASSERT_TRUE(w.btnHeben->isHeld());
        ASSERT_TRUE(waitForWord(kChargeRear));
    }
    // The actuations carried out from `from` on: none charges or vents (the lead request may
    // come with the first idle tick).
    bool nothingDrivenFrom(std::size_t from) const {
        const std::vector<SimActuation> all = ecu->actuations();
        for (std::size_t i = from; i < all.size(); ++i)
            if (all[i].body[0] == 0x21 && all[i].body != kHoldBody) return false;
        return true;
    }
    // A few more ticks of the window's own timer.
    void letTicksRun(TfrmHebenSenken& w, int ticks = 3) {
        for (int i = 0; i < ticks; ++i) {
            const std::size_t before = ecu->messages().size();
            processEventsUntil([&] { return ecu->messages().size() > before || !w.isVisible(); });
        }
    }
    // The time the simulated levels move by.
    FakeClock levelClock{1000};
};

// --- controls per mode ----------------------------------------------------------------------------

struct LayoutCase {
    std::string name;
    HebenSenkenMode mode;
    QString title;
    QSize minimum;
    bool calibrationGroups;
    bool tiltGroup;
    int hint;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class WindowModes : public HebenSenkenWindow, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(WindowModes, ShowTheirControls) {
    const LayoutCase& c = GetParam();
    TfrmHebenSenken w(nullptr, *kelt);
    EXPECT_EQ(w.windowTitle(), "Lifting/lowering");
    EXPECT_EQ(w.size(), QSize(792, 566));
    EXPECT_EQ(w.btn1->text(), "&Cancel");
    EXPECT_EQ(w.btn2->text(), "&OK");
    EXPECT_TRUE(w.btn3->isHidden());
    EXPECT_EQ(w.AnsteuerTimer->interval(), 1);
    EXPECT_FALSE(w.AnsteuerTimer->isActive());
    EXPECT_EQ(w.lblHinweis->text(), "Select valves to be activated and move to ride height");
    EXPECT_EQ(w.lblDruck->text(), "---");
    EXPECT_TRUE(w.gbKalibrierart->isHidden());
    EXPECT_TRUE(w.gbTSKalibrierung->isHidden());

    ASSERT_TRUE(w.prepareExecute(c.mode));
    EXPECT_EQ(w.windowTitle(), c.title);
    EXPECT_EQ(w.minimumSize(), c.minimum);
    EXPECT_EQ(!w.gbKalibrierart->isHidden(), c.calibrationGroups);
    EXPECT_EQ(!w.gbKalibrierschritte->isHidden(), c.calibrationGroups);
    EXPECT_EQ(!w.gbTSKalibrierung->isHidden(), c.tiltGroup);
    EXPECT_EQ(w.lblHinweis->text(), str(c.hint));
    EXPECT_EQ(w.lblEinheitNiveaus->text(), QString::fromStdString(kelt->LevelUnitText()));
    EXPECT_TRUE(w.btnKalibrierungStarten->isEnabled());
    for (QPushButton* step : {w.btnFNSpeichern, w.btnONSpeichern, w.btnUNSpeichern, w.btnKalibrierungBeenden})
        EXPECT_FALSE(step->isEnabled());
    for (QPushButton* valve : {w.btn1WSLinks, w.btn1WSRechts, w.btn2WSLinks, w.btn2WSRechts, w.btnQDrossel}) {
        EXPECT_TRUE(valve->isEnabled()) << valve->objectName().toStdString();
        EXPECT_TRUE(valve->isCheckable());
    }
    EXPECT_EQ(w.btnHeben->text(), "Charge");
    EXPECT_EQ(w.btnSenken->text(), "Vent");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, WindowModes,
    ::testing::Values(
        LayoutCase{"RaiseLower", HebenSenkenMode::RaiseLower, "Lifting/lowering", {680, 400}, false, false, 20411},
        LayoutCase{"DistanceSensors", HebenSenkenMode::DistanceSensors, "Calibrate the distance sensors",
                   {680, 590}, true, false, 20410},
        LayoutCase{"CharacteristicCurve", HebenSenkenMode::CharacteristicCurve, "Lifting/lowering", {0, 0}, true,
                   false, 20410},
        LayoutCase{"TiltSensors", HebenSenkenMode::TiltSensors, "Calibration of the tilt sensors", {680, 590},
                   false, true, 20421}),
    [](const auto& info) { return info.param.name; });

TEST_F(HebenSenkenWindow, ValveButtonsTheEcuDoesNotOfferAreDisabled) {
    kelt->CfgValve1WSLeft = kelt->CfgValve1WSRight = kelt->CfgCrossThrottle = 0;
    TfrmHebenSenken w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute(HebenSenkenMode::RaiseLower));
    EXPECT_FALSE(w.btn1WSLinks->isEnabled());
    EXPECT_FALSE(w.btn1WSRechts->isEnabled());
    EXPECT_FALSE(w.btnQDrossel->isEnabled());
    EXPECT_TRUE(w.btn2WSLinks->isEnabled());
}

TEST_F(HebenSenkenWindow, FaultySensorValuesOpenNoWindow) {
    ecu->setStatusValue(0x46, 4, 100);
    TfrmHebenSenken w(nullptr, *kelt);
    EXPECT_EQ(w.Execute(HebenSenkenMode::DistanceSensors), 2);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, LoadStr(20117));
    EXPECT_EQ(ecu->count({0x21}), 0);
}

// --- the hold buttons -----------------------------------------------------------------------------

TEST_F(HebenSenkenWindow, ChargeActsOnlyWhileTheButtonIsReallyHeld) {
    TfrmHebenSenken w(nullptr, *kelt);
    std::vector<std::string> steps;
    ModalScript script([&](QWidget*) {
        ASSERT_NO_FATAL_FAILURE(chargeRear(w));
        const std::array<uint8_t, 2> rearBefore = ecu->statusValue(0x46);
        levelClock.advance(1000);
        // Released anywhere: the mouse button comes up over another widget.
        sendMouse(w.btnHeben, QEvent::MouseButtonRelease);
        EXPECT_FALSE(w.btnHeben->isHeld());
        EXPECT_TRUE(waitForWord({0, 0}));
        EXPECT_NE(ecu->statusValue(0x46), rearBefore);

        // The focus moves away while held.
        ASSERT_NO_FATAL_FAILURE(chargeRear(w));
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(w.btnHeben, &focusOut);
        EXPECT_FALSE(w.btnHeben->isHeld());
        EXPECT_TRUE(waitForWord({0, 0}));
        std::size_t from = ecu->actuations().size();
        letTicksRun(w);
        EXPECT_TRUE(nothingDrivenFrom(from));

        // Disabled while held.
        sendMouse(w.btnHeben, QEvent::MouseButtonRelease);
        ASSERT_NO_FATAL_FAILURE(chargeRear(w));
        w.btnHeben->setEnabled(false);
        EXPECT_FALSE(w.btnHeben->isHeld());
        EXPECT_TRUE(waitForWord({0, 0}));
        w.btnHeben->setEnabled(true);

        // Another window shows over this one while held.
        sendMouse(w.btnHeben, QEvent::MouseButtonRelease);
        ASSERT_NO_FATAL_FAILURE(chargeRear(w));
        QWidget other;
        other.show();
        EXPECT_FALSE(w.btnHeben->isHeld());
        EXPECT_TRUE(waitForWord({0, 0}));
        other.hide();

        // Vent with the space key; charge wins while both are held.
        w.btnSenken->setFocus();
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(w.btnSenken, &space);
        EXPECT_TRUE(waitForWord({0x06, 0x00}));
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(w.btnSenken, &up);
        EXPECT_TRUE(waitForWord({0, 0}));
        w.btn1->click();
    });
    EXPECT_EQ(w.Execute(HebenSenkenMode::RaiseLower), 2);
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(ecu->released());
}

TEST_F(HebenSenkenWindow, AFailedTickWhileChargeIsHeldShowsItsDialogOnlyAfterTheRelease) {
    TfrmHebenSenken w(nullptr, *kelt);
    std::vector<Word> wordsAtDialog;
    std::vector<std::string> requestsAtDialog;
    ModalScript script([&](QWidget*) {
        ASSERT_NO_FATAL_FAILURE(chargeRear(w));
        errors.whenShown = [&](int32_t) {
            wordsAtDialog.push_back(word());
            requestsAtDialog.push_back(traceText(_msgRequest));
        };
        // The next pressure read fails while the technician holds "Charge"; the dialog keeps
        // the mouse button from coming up over the window.
        ecu->injectNegative({0x44});
        errors.script(RepeatOperation);
        ASSERT_TRUE(processEventsUntil([&] { return errors.shownCodes().size() == 1; }));
        const std::size_t afterDialog = ecu->actuations().size();
        letTicksRun(w, 6);
        EXPECT_TRUE(nothingDrivenFrom(afterDialog)) << "the hold was dropped";
        w.btn1->click();
    });
    EXPECT_EQ(w.Execute(HebenSenkenMode::RaiseLower), 2);
    ASSERT_TRUE(script.ran());
    EXPECT_EQ(wordsAtDialog, (std::vector<Word>{Word{0x00, 0x00}})) << "the valves still charged under the dialog";
    ASSERT_EQ(requestsAtDialog.size(), 1u);
    EXPECT_EQ(requestsAtDialog[0].find("21 00 00"), std::string::npos)
        << "the dialog shows the failed read, not the release: " << requestsAtDialog[0];
    EXPECT_EQ(errors.unexpectedCodes(), 0u);
}

// --- every way out ----------------------------------------------------------------------------------

enum class WayOut {
    OkAfterQuestion,
    Cancel,
    Escape,
    CloseBox,
    ExitRequest,
    GiveUpInRead,
    GiveUpInCharge,
    RepeatWhileCharging,
    Deactivated,
};

struct WayOutCase {
    std::string name;
    WayOut way;
    int result;
};

void PrintTo(const WayOutCase& c, std::ostream* os) { *os << c.name; }

class WaysOut : public HebenSenkenWindow, public ::testing::WithParamInterface<WayOutCase> {};

TEST_P(WaysOut, LeaveTheValvesReleased) {
    const WayOutCase& c = GetParam();
    TfrmHebenSenken w(nullptr, *kelt);
    std::size_t afterDialog = 0;  // the actuations before the dialog or the deactivation ended
    ModalScript script([&](QWidget* modal) {
        ASSERT_EQ(modal, &w);
        ASSERT_NO_FATAL_FAILURE(chargeRear(w));
        switch (c.way) {
        case WayOut::OkAfterQuestion:
            sendMouse(w.btnHeben, QEvent::MouseButtonRelease);
            w.btn2->click();  // nothing saved: the question, answered OK
            break;
        case WayOut::Cancel:
            w.btn1->click();
            break;
        case WayOut::Escape:
            pressEscape(modal);
            break;
        case WayOut::CloseBox:
            modal->close();
            break;
        case WayOut::ExitRequest:
            requestExit();
            break;
        case WayOut::GiveUpInRead:
        case WayOut::GiveUpInCharge:
            ecu->injectNegative(c.way == WayOut::GiveUpInRead ? SimBytes{0x46} : kChargeRearBody);
            errors.script(GiveUp);
            ASSERT_TRUE(processEventsUntil([&] { return !modal->isVisible(); })) << "the window closes by itself";
            break;
        case WayOut::RepeatWhileCharging:
            ecu->injectNegative(kChargeRearBody);
            errors.script(RepeatOperation);
            ASSERT_TRUE(processEventsUntil([&] { return errors.shownCodes().size() == 1; }));
            afterDialog = ecu->actuations().size();
            EXPECT_EQ(ecu->actuations().back().body, kHoldBody) << "the repeat holds";
            letTicksRun(w, 6);
            EXPECT_TRUE(w.btnHeben->isHeld()) << "the mouse button is still down, yet nothing charges";
            w.btn1->click();
            break;
        case WayOut::Deactivated: {
            QWidget other;
            other.show();
            QApplication::setActiveWindow(&other);
            EXPECT_FALSE(w.btnHeben->isHeld());
            afterDialog = ecu->actuations().size();
            letTicksRun(w, 6);
            other.hide();
            w.btn1->click();
            break;
        }
        }
    });
    const int result = w.Execute(HebenSenkenMode::TiltSensors);
    ASSERT_TRUE(script.ran());
    if (c.way != WayOut::ExitRequest) {
        EXPECT_EQ(result, c.result);
    }
    EXPECT_FALSE(w.AnsteuerTimer->isActive());
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(ecu->actuations().back().body, kHoldBody);
    if (afterDialog) {
        EXPECT_TRUE(nothingDrivenFrom(afterDialog)) << "no charge after the dialog";
    }
    const bool givenUp = c.way == WayOut::GiveUpInRead || c.way == WayOut::GiveUpInCharge;
    EXPECT_EQ(kelt->DiagnoseAktiv, givenUp ? 0 : 1);
    EXPECT_EQ(errors.unexpectedCodes(), 0u);
    if (c.way == WayOut::OkAfterQuestion) {
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_EQ(boxes.shown.back().text, LoadStr(HebenSenken::kNotSavedQuestionText));
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, WaysOut,
                         ::testing::Values(WayOutCase{"OkAfterQuestion", WayOut::OkAfterQuestion, 1},
                                           WayOutCase{"Cancel", WayOut::Cancel, 2},
                                           WayOutCase{"Escape", WayOut::Escape, 2},
                                           WayOutCase{"CloseBox", WayOut::CloseBox, 2},
                                           WayOutCase{"ExitRequest", WayOut::ExitRequest, 0},
                                           WayOutCase{"GiveUpInRead", WayOut::GiveUpInRead, 2},
                                           WayOutCase{"GiveUpInCharge", WayOut::GiveUpInCharge, 2},
                                           WayOutCase{"RepeatWhileCharging", WayOut::RepeatWhileCharging, 2},
                                           WayOutCase{"Deactivated", WayOut::Deactivated, 2}),
                         [](const auto& info) { return info.param.name; });

TEST_F(HebenSenkenWindow, AGivenUpCalibrationStepClosesTheWindowReleased) {
    SimBytes d1 = *ecu->localId(0xD1);
    d1[0] &= ~0x40;  // three levels
    ecu->setLocalId(0xD1, d1);
    TfrmHebenSenken w(nullptr, *kelt);
    ModalScript script([&](QWidget*) {
        w.btnKalibrierungStarten->click();
        EXPECT_TRUE(w.btnFNSpeichern->isEnabled());
        ecu->injectNegative({0x20});
        errors.script(GiveUp);
        w.btnFNSpeichern->click();
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(w.Execute(HebenSenkenMode::DistanceSensors), 2);
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

// --- the one-point level entry ----------------------------------------------------------------------

TEST_F(HebenSenkenWindow, LevelEntryTakesOnlyLevels) {
    TfrmNiveaueingabeEinpunktkalibrierung d(nullptr, *kelt);
    EXPECT_EQ(d.windowTitle(), "Level input single point calibration");
    EXPECT_EQ(d.size(), QSize(492, 336));
    EXPECT_EQ(d.minimumSize(), QSize(390, 310));
    EXPECT_EQ(d.btn1->text(), "&Cancel");
    EXPECT_EQ(d.btn2->text(), "&OK");

    LevelValues values = {50, 55, 84, 87, 20, 18, 104};
    std::vector<QString> shown;
    ModalScript script([&](QWidget*) {
        EXPECT_EQ(d.lblNormalNiveauVorn->text(), "55 counts");
        EXPECT_EQ(d.lblNormalNiveauHinten->text(), "50 counts");
        EXPECT_EQ(d.edOberesNiveauVorn->text(), "87");
        // Typed and pasted text other than digits never reaches an edit.
        QLineEdit* edit = d.edUnteresNiveauHinten;
        edit->setFocus();
        edit->selectAll();
        QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(edit, &letter);
        EXPECT_EQ(edit->text(), "20");
        QApplication::clipboard()->setText(QStringLiteral("1x"));
        edit->selectAll();
        edit->paste();
        EXPECT_EQ(edit->text(), "20");
        QApplication::clipboard()->setText(QStringLiteral("2544"));
        edit->selectAll();
        edit->paste();
        EXPECT_LE(edit->text().size(), 3);

        // 4 front and 254 rear are refused, each with its axle's message and focus.
        d.edOberesNiveauVorn->setText(QStringLiteral("4"));
        d.btn2->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(boxes.shown.back().text, LoadStr(20090));
        EXPECT_EQ(d.focusWidget(), d.edOberesNiveauVorn);
        d.edOberesNiveauVorn->setText(QStringLiteral("90"));
        d.edUnteresNiveauHinten->setText(QStringLiteral("254"));
        d.btn2->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(boxes.shown.back().text, LoadStr(20091));
        EXPECT_EQ(d.focusWidget(), d.edUnteresNiveauHinten);
        d.edUnteresNiveauHinten->setText(QStringLiteral("253"));
        d.btn2->click();
    });
    EXPECT_EQ(d.Execute(values), 1);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(values, (LevelValues{50, 55, 84, 90, 253, 18, 104}));
}

TEST_F(HebenSenkenWindow, LevelEntryWithoutAFrontAxleLeavesTheFrontAlone) {
    kelt->CfgFrontAxle = 0;
    TfrmNiveaueingabeEinpunktkalibrierung d(nullptr, *kelt);
    EXPECT_FALSE(d.edOberesNiveauVorn->isEnabled());
    EXPECT_FALSE(d.edUnteresNiveauVorn->isEnabled());
    EXPECT_TRUE(d.edOberesNiveauHinten->isEnabled());
    LevelValues values = {50, 55, 84, 87, 20, 18, 104};
    ModalScript script([&](QWidget*) { d.btn2->click(); });
    EXPECT_EQ(d.Execute(values), 1);
    EXPECT_EQ(values, (LevelValues{50, 55, 84, 87, 20, 18, 104}));
}

TEST_F(HebenSenkenWindow, OnePointCalibrationWritesTheEnteredLevelsAndSucceeds) {
    SimBytes d1 = *ecu->localId(0xD1);
    d1[0] |= 0x40;
    ecu->setLocalId(0xD1, d1);
    TfrmHebenSenken w(nullptr, *kelt);
    bool entered = false;
    ModalScript script([&](QWidget*) {
        EXPECT_EQ(w.lblKalibrierart->text(), "Only calibrate normal level");
        {
            // Cancelled: said so, and the window goes on showing and driving.
            ModalScript cancel([&](QWidget* modal) { qobject_cast<TNBasisDialog*>(modal)->btn1->click(); });
            w.btnKalibrierungStarten->click();
            EXPECT_TRUE(cancel.ran());
            EXPECT_EQ(boxes.shown.back().text, LoadStr(20415));
            EXPECT_EQ(w.lblHinweis->text(), str(20415));
            EXPECT_TRUE(w.btnKalibrierungStarten->isEnabled());
            EXPECT_TRUE(w.AnsteuerTimer->isActive());
            EXPECT_EQ(ecu->count({0x13}), 0) << "nothing written";
        }
        ModalScript entry([&](QWidget* modal) {
            auto* d = qobject_cast<TfrmNiveaueingabeEinpunktkalibrierung*>(modal);
            ASSERT_NE(d, nullptr);
            EXPECT_FALSE(w.AnsteuerTimer->isActive()) << "no tick while the entry is open";
            d->edOberesNiveauVorn->setText(QStringLiteral("99"));
            d->btn2->click();
            entered = true;
        });
        w.btnKalibrierungStarten->click();
        EXPECT_TRUE(w.AnsteuerTimer->isActive());
        w.btnFNSpeichern->click();
        EXPECT_EQ(w.lblHinweis->text(), str(20419));
        w.btn2->click();  // saved: no question
    });
    EXPECT_EQ(w.Execute(HebenSenkenMode::DistanceSensors), 1);
    EXPECT_TRUE(entered);
    EXPECT_EQ((*ecu->localId(0xC9))[0], 99) << "upper front";
    EXPECT_TRUE(ecu->released());
}

}  // namespace

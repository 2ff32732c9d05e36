// The pressure-sensor windows against the simulated ECU through the real driver and the test
// build of the USB library, with an error dialog that keeps the event loop running: their controls
// per capability flags, venting with "Lower the vehicle" down to the zero calibration, every way
// out of the calibration window leaving the valves released, and the offset's questions and save.
#include "Dskalibrierdaten.h"
#include "Dskalibrieren.h"
#include "HoldButton.h"

#include "DrivingWindowFixture.h"
#include "ProgramModes.h"
#include "StringTable.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Word = DrivingWindowFixture::Word;
const SimBytes kHoldBody = {0x21, 0x00, 0x00};
const SimBytes kVentAllBody = {0x21, 0x1E, 0x00};
const Word kVentAll = {0x1E, 0x00};

QString str(int id) { return QString::fromStdString(LoadStr(id)); }

// Typed into the edit over its selection, key by key.
void type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(edit, &press);
    }
}

// A 10 78 01 00 ECU with every capability, connected through the real driver; the pressure moves
// and is read on a fake clock.
class PressureSensorWindow : public DrivingWindowFixture {
public:
    void SetUp() override {
        DrivingWindowFixture::SetUp();
        attr.Anwendungstitel = "Tarvik";
        ecu->setConfiguration(0xFF, 0xFF, 0xFF, 0xFF);
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        ASSERT_EQ(kelt->ReadConfiguration(), 0);
        ASSERT_EQ(kelt->CfgPressureSensor, 1);
        kelt->DiagnoseAktiv = 1;
        ecu->setClock(clock);
        kelt->setClock(clock);
        ecu->clearLog();
    }
    // "Lower the vehicle" held by the mouse, the valves venting.
    void holdLower(TfrmDSKalibrieren& w) {
        sendMouse(w.sbFahrzeugSenken, QEvent::MouseButtonPress);
        ASSERT_TRUE(w.sbFahrzeugSenken->isHeld());
        ASSERT_TRUE(waitForWord(kVentAll));
    }
    // The actuations from `from` on vent nothing.
    bool nothingVentedFrom(std::size_t from) const {
        const std::vector<SimActuation> all = ecu->actuations();
        for (std::size_t i = from; i < all.size(); ++i)
            if (all[i].body == kVentAllBody) return false;
        return true;
    }
    // A few more ticks of the window's own timer, each reading the pressure.
    void letTicksRun(QWidget& w, int ticks = 3) {
        for (int i = 0; i < ticks; ++i) {
            allowNextRead();
            const std::size_t before = ecu->messages().size();
            processEventsUntil([&] { return ecu->messages().size() > before || !w.isVisible(); });
        }
    }
    // The next pressure the window reads is asked from the ECU.
    void allowNextRead() { clock.advance(501); }

    FakeClock clock{1000};
};

// --- controls per capability flags --------------------------------------------------------------

TEST_F(PressureSensorWindow, CalibrationWindowShowsItsControls) {
    for (uint8_t sensor : {1, 0}) {
        SCOPED_TRACE(sensor);
        kelt->CfgPressureSensor = sensor;
        TfrmDSKalibrieren w(nullptr, *kelt);
        EXPECT_EQ(w.windowTitle(), "Calibration of the pressure sensor");
        EXPECT_EQ(w.size(), QSize(648, 414));
        EXPECT_EQ(w.minimumSize(), QSize(600, 400));
        EXPECT_EQ(w.btn1->text(), "&Cancel");
        EXPECT_EQ(w.btn2->text(), "&OK");
        EXPECT_TRUE(w.btn3->isHidden());
        EXPECT_EQ(w.lblHinweis->text(), "Lower vehicle until bellows are pressureless, then save pressure sensor "
                                         "value to the ECU as 0 bar offset.");
        EXPECT_EQ(w.gbDrucksensor->title(), "Pressure sensor value");
        EXPECT_EQ(w.lblDrucksensor->text(), "---");
        EXPECT_EQ(w.lblEinheit->text(), "---");
        EXPECT_EQ(w.Timer->interval(), 1);
        EXPECT_FALSE(w.Timer->isActive());

        ASSERT_TRUE(w.prepareExecute());
        EXPECT_EQ(w.lbl_DSText->text(), str(20014));
        EXPECT_EQ(w.lblEinheit->text(), "counts");
        EXPECT_EQ(w.BitBtnDruckwerteSpeichern->isEnabled(), sensor == 0) << "enabled once a pressure is read";
        w.TimerTimer();
        EXPECT_TRUE(w.BitBtnDruckwerteSpeichern->isEnabled());
        EXPECT_EQ(w.lblDrucksensor->text(), sensor ? "53" : "---");
    }
}

TEST_F(PressureSensorWindow, DataWindowShowsItsControls) {
    for (uint8_t sensor : {1, 0}) {
        SCOPED_TRACE(sensor);
        kelt->CfgPressureSensor = sensor;
        TfrmDSKalibrierdaten w(nullptr, *kelt);
        EXPECT_EQ(w.windowTitle(), "Calibration data of the pressure sensor");
        EXPECT_EQ(w.minimumSize(), QSize(580, 400));
        EXPECT_EQ(w.lblUeberschrift->text(),
                  "The pressure value at ambient pressure can be entered and stored in the ECU");
        EXPECT_EQ(w.btn1->text(), "&Cancel");
        EXPECT_EQ(w.btn2->text(), "&OK");
        EXPECT_TRUE(w.btn3->isHidden());
        EXPECT_TRUE(w.btnAktullenDruckUebernehmen->isDefault());
        EXPECT_EQ(w.Timer1->interval(), 50);
        EXPECT_FALSE(w.Timer1->isActive());

        ASSERT_TRUE(w.prepareExecute());
        EXPECT_EQ(w.lblEinheit->text(), "counts");
        EXPECT_EQ(w.lblEinheit2->text(), "counts");
        EXPECT_EQ(w.lblDrucksensor->text(), "---") << "the offset is no current pressure";
        EXPECT_EQ(w.edOffsetDS->isEnabled(), sensor == 1);
        EXPECT_EQ(w.edOffsetDS->text(), sensor ? "9" : "");
    }
}

// --- venting down to the zero calibration -------------------------------------------------------

TEST_F(PressureSensorWindow, VentingDownToTheThresholdThenCalibrating) {
    ecu->setMotion({20, 40, 25});
    TfrmDSKalibrieren w(nullptr, *kelt);
    ModalScript script([&](QWidget*) {
        ASSERT_TRUE(processEventsUntil([&] { return w.lblDrucksensor->text() == "53"; }));
        ASSERT_NO_FATAL_FAILURE(holdLower(w));
        // Not vented yet: refused.
        w.BitBtnDruckwerteSpeichern->click();
        EXPECT_EQ(boxes.shown.back().text, LoadStr(DSKalibrieren::kNotVentedText));
        EXPECT_EQ(ecu->count({0x27}), 0);
        ASSERT_NO_FATAL_FAILURE(holdLower(w));
        clock.advance(1000);
        allowNextRead();
        ASSERT_TRUE(processEventsUntil([&] { return w.lblDrucksensor->text().toInt() <= 40; }))
            << w.lblDrucksensor->text().toStdString();
        sendMouse(w.sbFahrzeugSenken, QEvent::MouseButtonRelease);
        ASSERT_TRUE(waitForWord({0, 0}));
        w.BitBtnDruckwerteSpeichern->click();
        EXPECT_EQ(boxes.shown.back().text, LoadStr(20000));
        EXPECT_EQ(ecu->count({0x27}), 1);
        EXPECT_EQ(ecu->count({0x25}), 1);
        EXPECT_TRUE(w.Timer->isActive());
        w.btn2->click();  // saved: no question
    });
    EXPECT_EQ(w.Execute(), 1);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(boxes.shown.back().text, LoadStr(20000));
    EXPECT_LE((*ecu->localId(0xCD))[1], 40) << "the vented pressure is the ECU's zero";
    EXPECT_TRUE(ecu->released());
}

// --- every way out of the calibration window ------------------------------------------------------

enum class WayOut { OkAfterQuestion, Cancel, Escape, CloseBox, ExitRequest, GiveUpWhileVenting, Deactivated };

struct WayOutCase {
    std::string name;
    WayOut way;
    int result;
};

void PrintTo(const WayOutCase& c, std::ostream* os) { *os << c.name; }

class WaysOut : public PressureSensorWindow, public ::testing::WithParamInterface<WayOutCase> {};

TEST_P(WaysOut, LeaveTheValvesReleased) {
    const WayOutCase& c = GetParam();
    TfrmDSKalibrieren w(nullptr, *kelt);
    std::size_t afterDeactivation = 0;
    ModalScript script([&](QWidget* modal) {
        ASSERT_EQ(modal, &w);
        ASSERT_NO_FATAL_FAILURE(holdLower(w));
        switch (c.way) {
        case WayOut::OkAfterQuestion:
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
        case WayOut::GiveUpWhileVenting:
            ecu->injectNegative({0x44});
            errors.script(GiveUp);
            allowNextRead();
            ASSERT_TRUE(processEventsUntil([&] { return !modal->isVisible(); })) << "the window closes by itself";
            break;
        case WayOut::Deactivated: {
            QWidget other;
            other.show();
            QApplication::setActiveWindow(&other);
            EXPECT_FALSE(w.sbFahrzeugSenken->isHeld());
            EXPECT_TRUE(waitForWord({0, 0}));
            afterDeactivation = ecu->actuations().size();
            letTicksRun(w, 6);
            other.hide();
            w.btn1->click();
            break;
        }
        }
    });
    const int result = w.Execute();
    ASSERT_TRUE(script.ran());
    if (c.way != WayOut::ExitRequest) {
        EXPECT_EQ(result, c.result);
    }
    EXPECT_FALSE(w.Timer->isActive());
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(ecu->actuations().back().body, kHoldBody);
    if (afterDeactivation) {
        EXPECT_TRUE(nothingVentedFrom(afterDeactivation)) << "no vent after the deactivation";
    }
    EXPECT_EQ(kelt->DiagnoseAktiv, c.way == WayOut::GiveUpWhileVenting ? 0 : 1);
    EXPECT_EQ(errors.unexpectedCodes(), 0u);
    if (c.way == WayOut::OkAfterQuestion) {
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_EQ(boxes.shown.back().text, LoadStr(DSKalibrieren::kNotSavedQuestionText));
    } else {
        EXPECT_TRUE(boxes.shown.empty()) << "no question";
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, WaysOut,
                         ::testing::Values(WayOutCase{"OkAfterQuestion", WayOut::OkAfterQuestion, 1},
                                           WayOutCase{"Cancel", WayOut::Cancel, 2},
                                           WayOutCase{"Escape", WayOut::Escape, 2},
                                           WayOutCase{"CloseBox", WayOut::CloseBox, 2},
                                           WayOutCase{"ExitRequest", WayOut::ExitRequest, 0},
                                           WayOutCase{"GiveUpWhileVenting", WayOut::GiveUpWhileVenting, 2},
                                           WayOutCase{"Deactivated", WayOut::Deactivated, 2}),
                         [](const auto& info) { return info.param.name; });

// --- the stored offset --------------------------------------------------------------------------------

TEST_F(PressureSensorWindow, CancelAsksNothingOkAsksWhileModified) {
    TfrmDSKalibrierdaten w(nullptr, *kelt);
    ModalScript script([&](QWidget*) {
        ASSERT_TRUE(processEventsUntil([&] { return w.lblDrucksensor->text() == "53"; }));
        w.btnAktullenDruckUebernehmen->click();
        EXPECT_EQ(w.edOffsetDS->text(), "53");
        boxes.answer = [](const ShownBox&) { return IDCANCEL; };
        w.btn2->click();
        EXPECT_TRUE(w.isVisible()) << "Cancel in the question keeps the window";
        EXPECT_EQ(boxes.shown.back().text, LoadStr(DSKalibrierdaten::kNotSavedQuestionText));
        EXPECT_EQ(boxes.shown.back().flags, unsigned{MB_OKCANCEL | MB_ICONQUESTION});
        EXPECT_TRUE(w.Timer1->isActive());
        boxes.shown.clear();
        w.btn1->click();
    });
    EXPECT_EQ(w.Execute(), 2);
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(boxes.shown.empty()) << "Cancel asks nothing";
    EXPECT_EQ(ecu->count({0x13}), 0);
}

TEST_F(PressureSensorWindow, TypedOffsetsAreCheckedThenWritten) {
    TfrmDSKalibrierdaten w(nullptr, *kelt);
    ModalScript script([&](QWidget*) {
        type(w.edOffsetDS, QStringLiteral("256"));
        EXPECT_TRUE(w.logic().modified());
        w.btnNullBarOffsetSpeichern->click();
        EXPECT_EQ(boxes.shown.back().text, LoadStr(DSKalibrierdaten::kNotPermissibleText));
        EXPECT_EQ(ecu->count({0x13}), 0) << "nothing sent";
        EXPECT_EQ(w.focusWidget(), w.edOffsetDS);
        EXPECT_TRUE(w.Timer1->isActive());

        type(w.edOffsetDS, QStringLiteral("9"));
        w.btnNullBarOffsetSpeichern->click();
        EXPECT_EQ(boxes.shown.back().text, LoadStr(DSKalibrierdaten::kWrittenText));
        EXPECT_TRUE(w.Timer1->isActive());
        boxes.shown.clear();
        w.btn2->click();
        EXPECT_TRUE(boxes.shown.empty()) << "written: no question";
    });
    ecu->setLocalId(0xCD, {0x00, 0x00});
    EXPECT_EQ(w.Execute(), 1);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(*ecu->localId(0xCD), (SimBytes{0x0A, 0x09}));
    EXPECT_EQ(*ecu->localId(0xCE), (SimBytes{0x00, 0x00}));
}

// A give-up in the data window's timer closes it with 2, and an automation client hears it close.
TEST_F(PressureSensorWindow, AGivenUpDataWindowClosesAndIsWithdrawn) {
    QMainWindow main;
    main.setCentralWidget(new QWidget);
    main.show();
    QtApplicationWindows windows{&main};
    AutomatisierungsModus = 1;
    applicationHub().setWindows(&windows);
    TfrmDSKalibrierdaten w(&main, *kelt);
    bool announced = false;
    ModalScript script([&](QWidget*) {
        announced = applicationHub().ModalWindows().size() == 1;
        ecu->injectNegative({0x44});
        errors.script(GiveUp);
        allowNextRead();
        ASSERT_TRUE(processEventsUntil([&] { return !w.isVisible(); }));
    });
    const int result = w.Execute();
    const bool withdrawn = applicationHub().ModalWindows().empty();
    applicationHub().setWindows(nullptr);
    AutomatisierungsModus = 0;
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(announced);
    EXPECT_TRUE(withdrawn);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

}  // namespace

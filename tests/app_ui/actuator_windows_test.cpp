// The actuator-test windows (lamp test, throttle test, outputs, LSV valve) against the simulated
// ECU through the real driver and the test build of the USB library, with an error dialog during
// which the windows' timers and events run as during a real one: what they show and drive, and
// that every way out leaves nothing driven.
#include "ALBAnsteuerung.h"
#include "AusgaengeAnsteuern.h"
#include "Drosseltest.h"
#include "HoldButton.h"
#include "Lampentest.h"

#include "DrivingWindowFixture.h"
#include "ErrorTexts.h"
#include "StringTable.h"
#include "UiTestSupport.h"
#include "LayoutCheck.h"

#include <algorithm>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Word = DrivingWindowFixture::Word;
const SimBytes kOffBody = {0x21, 0x00, 0x00};
const SimBytes kOffMessage = {0x83, 0x21, 0x00, 0x00};

// The type of the other ECU families that has the LSV valve; the simulated ECU takes its drive
// [0x83 0x21 0x20 0x00] like its own.
constexpr uint32_t kTypeWithLsvValve = 0x108400;

void sendKey(QWidget* widget, QEvent::Type type, bool autoRepeat = false) {
    QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
    QCoreApplication::sendEvent(widget, &event);
}

// A 10 78 01 00 ECU (both throttles, two outputs) connected through the real driver; the error
// handler keeps the event loop running while it "shows" a code.
class ActuatorWindows : public DrivingWindowFixture {
public:
    void SetUp() override {
        DrivingWindowFixture::SetUp();
        attr.Anwendungstitel = "Tarvik";
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        ASSERT_EQ(kelt->ReadConfiguration(), 0);
        ASSERT_EQ(kelt->CfgMainThrottle, 1);
        ASSERT_EQ(kelt->CfgCrossThrottle, 1);
        kelt->DiagnoseAktiv = 1;
        ecu->clearLog();
    }
    // Every actuation the ECU carried out from `from` on switched everything off.
    bool onlyOffFrom(std::size_t from) const {
        const std::vector<SimActuation> all = ecu->actuations();
        for (std::size_t i = from; i < all.size(); ++i)
            if (all[i].body != kOffBody) return false;
        return true;
    }
    std::size_t notSwitchedOffBoxes() const {
        return static_cast<std::size_t>(std::count_if(
            boxes.shown.begin(), boxes.shown.end(),
            [](const ShownBox& b) { return b.text == LoadStr(OutputShutdown::kNotSwitchedOffText); }));
    }
    // DiagnoseAktiv when the last off message went to the driver.
    int activeAtLastOff = -1;

protected:
    Jed677Calls driverCalls() override {
        Jed677Calls calls = exportedJed677Calls();
        calls.JED677SendData = [this, send = calls.JED677SendData](uint16_t* length, uint8_t* message,
                                                                   uint32_t capacity) {
            if (*length >= 4 && SimBytes(message, message + 4) == kOffMessage)
                activeAtLastOff = kelt->DiagnoseAktiv;
            return send(length, message, capacity);
        };
        return calls;
    }
};

// --- each window: how it is built and driven ---------------------------------------------------

// One of the four windows, as a way-out test needs it.
struct WindowUnderTest {
    std::unique_ptr<QDialog> window;
    std::function<int()> execute;
    // From inside the window's loop: drives something, and returns the word it drives.
    std::function<Word()> switchOn;
    // From inside the loop, after switchOn: the next poll runs (the lamp's is driven by the test).
    std::function<void()> poll;
    std::function<bool()> timerActive;
};

struct WindowCase {
    std::string name;
    std::function<WindowUnderTest(ActuatorWindows&)> make;
};

// The windows whose poll runs on its own 1 ms timer wait for the next tick.
void waitForNextTick(ActuatorWindows& f, const std::size_t actuationsBefore, QDialog* window) {
    processEventsUntil([&] { return f.ecu->messages().size() > actuationsBefore || !window->isVisible(); });
}

const WindowCase kWindows[] = {
    {"LampTest",
     [](ActuatorWindows& f) {
         auto* w = new TfrmLampentest(nullptr, *f.kelt);
         return WindowUnderTest{
             std::unique_ptr<QDialog>(w), [w] { return w->Execute(); },
             [w] {
                 w->WarnlampentimerTimer();
                 return Word{0x00, 0x09};
             },
             [w] { w->WarnlampentimerTimer(); }, [w] { return w->Warnlampentimer->isActive(); }};
     }},
    {"ThrottleTest",
     [](ActuatorWindows& f) {
         auto* w = new TfrmDrosseltest(nullptr, *f.kelt);
         return WindowUnderTest{std::unique_ptr<QDialog>(w), [w] { return w->Execute(); },
                                [w, &f] {
                                    w->btnHauptdrossel->click();
                                    w->btnQuerdrossel->click();
                                    EXPECT_TRUE(f.waitForWord({0x00, 0x06}));
                                    return Word{0x00, 0x06};
                                },
                                [w, &f] { waitForNextTick(f, f.ecu->messages().size(), w); },
                                [w] { return w->Timer1->isActive(); }};
     }},
    {"Outputs",
     [](ActuatorWindows& f) {
         auto* w = new TfrmAusgaengeAnsteuern(nullptr, *f.kelt);
         return WindowUnderTest{std::unique_ptr<QDialog>(w), [w] { return w->Execute(); },
                                [w, &f] {
                                    for (auto* row : w->rows()) row->btnAnsteuern->click();
                                    EXPECT_TRUE(f.waitForWord({0x60, 0x00}));
                                    return Word{0x60, 0x00};
                                },
                                [w, &f] { waitForNextTick(f, f.ecu->messages().size(), w); },
                                [w] { return w->Ansteuerung->isActive(); }};
     }},
    {"LsvValve",
     [](ActuatorWindows& f) {
         f.useType(kTypeWithLsvValve);
         auto* w = new TfrmALBAnsteuerung(nullptr, *f.kelt);
         return WindowUnderTest{std::unique_ptr<QDialog>(w), [w] { return w->Execute(); },
                                [w, &f] {
                                    sendMouse(w->BitBtn1, QEvent::MouseButtonPress);
                                    EXPECT_TRUE(f.waitForWord({0x20, 0x00}));
                                    return Word{0x20, 0x00};
                                },
                                [w, &f] { waitForNextTick(f, f.ecu->messages().size(), w); },
                                [w] { return w->ALBAnsteuerung->isActive(); }};
     }},
};

// --- every way out ---------------------------------------------------------------------------------

enum class WayOut {
    Ok,
    CloseBox,
    Escape,
    ExitRequest,
    OkOffRepeated,   // the first off command fails; the user repeats it
    OkOffGivenUp,    // the off command fails; the user gives up
    ExitInOffDialog,          // the off command fails; the exit request ends its dialog
    ExitInOffDialogRefused,   // the same, and the ECU refuses the next off command too
    GiveUpInPoll,    // a drive fails; the user gives up
    InterfaceSilent, // the interface stops answering; the user gives up
};

struct WayOutCase {
    std::string name;
    WayOut way;
};

const WayOutCase kWaysOut[] = {
    {"Ok", WayOut::Ok},
    {"CloseBox", WayOut::CloseBox},
    {"Escape", WayOut::Escape},
    {"ExitRequest", WayOut::ExitRequest},
    {"OkOffRepeated", WayOut::OkOffRepeated},
    {"OkOffGivenUp", WayOut::OkOffGivenUp},
    {"ExitInOffDialog", WayOut::ExitInOffDialog},
    {"ExitInOffDialogRefused", WayOut::ExitInOffDialogRefused},
    {"GiveUpInPoll", WayOut::GiveUpInPoll},
    {"InterfaceSilent", WayOut::InterfaceSilent},
};

void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(const WayOutCase& c, std::ostream* os) { *os << c.name; }

class WaysOut : public ActuatorWindows,
                public ::testing::WithParamInterface<std::tuple<WindowCase, WayOutCase>> {};

TEST_P(WaysOut, LeaveNothingDriven) {
    const WayOut way = std::get<1>(GetParam()).way;
    WindowUnderTest w = std::get<0>(GetParam()).make(*this);
    std::size_t wayOutBegan = 0;  // the actuations carried out before the way out began
    Word on{};
    ModalScript script([&](QWidget* modal) {
        ASSERT_EQ(modal, w.window.get());
        on = w.switchOn();
        ASSERT_EQ(word(), on);
        ASSERT_TRUE(w.timerActive());
        switch (way) {
        case WayOut::Ok:
        case WayOut::CloseBox:
        case WayOut::Escape:
        case WayOut::ExitRequest:
        case WayOut::OkOffRepeated:
        case WayOut::OkOffGivenUp:
        case WayOut::ExitInOffDialog:
        case WayOut::ExitInOffDialogRefused: {
            if (way == WayOut::OkOffRepeated || way == WayOut::OkOffGivenUp) {
                ecu->injectNegative(kOffBody);
                errors.script(way == WayOut::OkOffRepeated ? RepeatOperation : GiveUp);
            }
            if (way == WayOut::ExitInOffDialog || way == WayOut::ExitInOffDialogRefused) {
                ecu->injectNegative(kOffBody);
                if (way == WayOut::ExitInOffDialogRefused) ecu->injectNegative(kOffBody);
                // The host leaves while the technician reads the dialog: its loop ends unanswered.
                errors.whenShown = [this](int32_t) { requestExit(); };
                errors.script(GiveUp);
            }
            wayOutBegan = ecu->actuations().size();
            if (way == WayOut::CloseBox)
                modal->close();
            else if (way == WayOut::Escape)
                pressEscape(modal);
            else if (way == WayOut::ExitRequest)
                requestExit();
            else
                qobject_cast<TNBasisDialog*>(modal)->btn1->click();
            break;
        }
        case WayOut::GiveUpInPoll:
        case WayOut::InterfaceSilent:
            if (way == WayOut::GiveUpInPoll)
                ecu->injectNegative({0x21});
            else
                sim->setSilent(true);
            errors.script(GiveUp);
            wayOutBegan = ecu->actuations().size();
            w.poll();
            ASSERT_TRUE(processEventsUntil([&] { return !modal->isVisible(); }))
                << "the window closes by itself";
            break;
        }
    });
    const int result = w.execute();
    ASSERT_TRUE(script.ran());
    EXPECT_FALSE(w.timerActive()) << "no timer runs after the way out";

    switch (way) {
    case WayOut::Ok:
    case WayOut::OkOffRepeated:
        EXPECT_EQ(result, 1);
        break;
    case WayOut::ExitRequest:
        EXPECT_EQ(result, 0) << "the loop was ended from outside";
        break;
    case WayOut::OkOffGivenUp:
    case WayOut::ExitInOffDialog:
    case WayOut::ExitInOffDialogRefused:
        EXPECT_EQ(result, 1);
        break;
    default:
        EXPECT_EQ(result, 2);
        break;
    }

    // Nothing driven after the way out began.
    EXPECT_TRUE(onlyOffFrom(wayOutBegan));
    const bool offDelivered = way != WayOut::OkOffGivenUp && way != WayOut::InterfaceSilent &&
                              way != WayOut::ExitInOffDialogRefused;
    if (offDelivered) {
        EXPECT_TRUE(ecu->released());
        EXPECT_EQ(ecu->actuations().back().body, kOffBody);
        EXPECT_EQ(notSwitchedOffBoxes(), 0u);
    } else {
        EXPECT_EQ(word(), on) << "the ECU never got the off command";
        EXPECT_EQ(notSwitchedOffBoxes(), 1u);
        EXPECT_EQ(boxes.shown.back().caption, "Tarvik");
    }
    // The off command went out over a dead link too.
    EXPECT_EQ(sim->messagesForEcu().back(), kOffMessage);

    const bool givenUp = way == WayOut::OkOffGivenUp || way == WayOut::GiveUpInPoll ||
                         way == WayOut::InterfaceSilent || way == WayOut::ExitInOffDialogRefused;
    EXPECT_EQ(kelt->DiagnoseAktiv, givenUp ? 0 : 1);
    if (way == WayOut::GiveUpInPoll || way == WayOut::InterfaceSilent) {
        EXPECT_EQ(activeAtLastOff, 1) << "the off command goes out before the connection is given up";
        EXPECT_EQ(errors.shownCodes().size(), 1u) << "no second dialog for the off command";
    }
    const std::size_t dialogs = way == WayOut::OkOffRepeated || way == WayOut::OkOffGivenUp ||
                                way == WayOut::GiveUpInPoll || way == WayOut::InterfaceSilent ||
                                way == WayOut::ExitInOffDialog || way == WayOut::ExitInOffDialogRefused;
    EXPECT_EQ(errors.shownCodes().size(), dialogs);
    EXPECT_EQ(errors.unexpectedCodes(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Windows, WaysOut, ::testing::Combine(::testing::ValuesIn(kWindows),
                                                              ::testing::ValuesIn(kWaysOut)),
                         [](const auto& info) {
                             return std::get<0>(info.param).name + std::get<1>(info.param).name;
                         });

// --- lamp test ---------------------------------------------------------------------------------

TEST_F(ActuatorWindows, LampTestLayout) {
    TfrmLampentest w(nullptr, *kelt);
    EXPECT_EQ(w.windowTitle(), "Lamp test");
    EXPECT_EQ(w.minimumSize(), QSize(640, 480));
    EXPECT_EQ(w.lblUeberschrift->text(),
              "The specified lamp outputs are switched on and off. If a lamp is connected, it must "
              "flash. If no lamp is connected, the voltage can be measured between the contacts.");
    EXPECT_EQ(w.lblLampenTitel->text(), "The following lamp outputs are activated:");
    EXPECT_EQ(w.btn1->text(), "&OK");
    EXPECT_TRUE(w.btn2->isHidden());
    EXPECT_TRUE(w.btn3->isHidden());
    EXPECT_TRUE(w.imgWarnlampeAn->isHidden());
    EXPECT_FALSE(w.imgWarnlampeAus->isHidden());
    EXPECT_NE(w.imgWarnlampeAn->pixmap().toImage(), w.imgWarnlampeAus->pixmap().toImage());
    EXPECT_EQ(w.Warnlampentimer->interval(), 1000);
    EXPECT_FALSE(w.Warnlampentimer->isActive());
}

TEST_F(ActuatorWindows, LampTestFlashesTickByTick) {
    TfrmLampentest w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    EXPECT_EQ(w.lblAngesteuerteLampen->text(), " - Kneeling lamp\n - Warning lamp\n - Safety lamp");
    w.WarnlampentimerTimer();
    EXPECT_FALSE(w.imgWarnlampeAn->isHidden());
    EXPECT_TRUE(w.imgWarnlampeAus->isHidden());
    EXPECT_EQ(word(), (Word{0x00, 0x09}));
    EXPECT_TRUE(w.Warnlampentimer->isActive());
    w.WarnlampentimerTimer();
    EXPECT_TRUE(w.imgWarnlampeAn->isHidden());
    EXPECT_FALSE(w.imgWarnlampeAus->isHidden());
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(ecu->bodies(), (std::vector<SimBytes>{{0x21, 0x00, 0x09}, kOffBody}));
}

TEST_F(ActuatorWindows, LampTickRepeatsAtOnceWhenAsked) {
    TfrmLampentest w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    ecu->injectNegative({0x21});
    errors.script(RepeatOperation);
    w.WarnlampentimerTimer();
    EXPECT_EQ(word(), (Word{0x00, 0x09}));
    EXPECT_EQ(ecu->count({0x21, 0x00, 0x09}), 2);
    EXPECT_TRUE(w.Warnlampentimer->isActive());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

// --- throttle test ------------------------------------------------------------------------------

TEST_F(ActuatorWindows, ThrottleTestLayout) {
    TfrmDrosseltest w(nullptr, *kelt);
    EXPECT_EQ(w.windowTitle(), "Throttle");
    EXPECT_EQ(w.minimumSize(), QSize(350, 390));
    EXPECT_EQ(w.lblUeberschrift->text(),
              "Actuate available throttles by pressing button and check function on vehicle");
    EXPECT_EQ(w.lblHauptdrossel->text(), "Main flow throttle");
    EXPECT_EQ(w.lblQuerdrossel->text(), "Cross flow throttle");
    EXPECT_TRUE(w.btnHauptdrossel->isCheckable());
    EXPECT_TRUE(w.btnQuerdrossel->isCheckable());
    EXPECT_EQ(w.btn1->text(), "&OK");
    EXPECT_TRUE(w.btn2->isHidden());
    EXPECT_EQ(w.Timer1->interval(), 1);
    EXPECT_FALSE(w.Timer1->isActive()) << "stopped until the window is executed";
}

TEST_F(ActuatorWindows, AThrottleNotFittedCannotBeDriven) {
    useType(0x107801);
    kelt->CfgMainThrottle = 0;
    TfrmDrosseltest w(nullptr, *kelt);
    w.prepareExecute();
    EXPECT_FALSE(w.btnHauptdrossel->isEnabled());
    EXPECT_FALSE(w.lblHauptdrossel->isEnabled());
    EXPECT_TRUE(w.btnQuerdrossel->isEnabled());
    EXPECT_TRUE(w.lblQuerdrossel->isEnabled());
    // A disabled button takes no click; were it down, it still drives nothing.
    w.btnHauptdrossel->click();
    w.btnHauptdrossel->setChecked(true);
    w.btnQuerdrossel->click();
    w.Timer1Timer();
    EXPECT_EQ(ecu->bodies().back(), (SimBytes{0x21, 0x00, 0x04}));
    // Latching: the next press releases it.
    w.btnQuerdrossel->click();
    w.Timer1Timer();
    EXPECT_TRUE(ecu->released());
    w.done(1);
}

// --- outputs -------------------------------------------------------------------------------------

TEST_F(ActuatorWindows, OutputsLayoutAndRows) {
    TfrmAusgaengeAnsteuern w(nullptr, *kelt);
    EXPECT_EQ(w.windowTitle(), "Outputs");
    EXPECT_EQ(w.minimumSize(), QSize(350, 280));
    EXPECT_EQ(w.lblUeberschrift->text(), "Press the button to activate the respective output");
    EXPECT_EQ(w.Ansteuerung->interval(), 1);
    EXPECT_FALSE(w.Ansteuerung->isActive());
    w.prepareExecute();
    ASSERT_EQ(w.rows().size(), 2u);
    EXPECT_EQ(w.rows()[0]->lblBezeichnung->text(), "Door enabling");
    EXPECT_EQ(w.rows()[1]->lblBezeichnung->text(), "Immobilizer");
    EXPECT_EQ(w.sbAusgaenge->widget()->findChildren<TfrmAusgangAnsteuernEintrag*>().size(), 2);
    for (const TfrmAusgangAnsteuernEintrag* row : w.rows()) {
        EXPECT_EQ(row->height(), 58);
        EXPECT_TRUE(row->btnAnsteuern->isCheckable());
        EXPECT_EQ(row->btnAnsteuern->size(), QSize(41, 41));
    }
    // One output on, then off again.
    w.rows()[1]->btnAnsteuern->click();
    w.AnsteuerungTimer();
    EXPECT_EQ(word(), (Word{0x20, 0x00}));
    w.rows()[1]->btnAnsteuern->click();
    w.AnsteuerungTimer();
    EXPECT_TRUE(ecu->released());
    w.done(1);
}

// The Tab stops of the window in Tab order: the list holding the output buttons is no stop of
// its own, so one Tab from the stop before it reaches the first button.
TEST_F(ActuatorWindows, TheOutputButtonsAreTheTabStopsOfTheList) {
    TfrmAusgaengeAnsteuern w(nullptr, *kelt);
    w.prepareExecute();
    w.show();
    ASSERT_EQ(w.rows().size(), 2u);
    std::vector<QWidget*> stops;
    for (QWidget* next = w.nextInFocusChain(); next != &w; next = next->nextInFocusChain())
        if ((next->focusPolicy() & Qt::TabFocus) && next->isVisibleTo(&w) && next->isEnabled())
            stops.push_back(next);
    const auto at = [&](QWidget* widget) { return std::find(stops.begin(), stops.end(), widget) - stops.begin(); };
    EXPECT_EQ(std::count(stops.begin(), stops.end(), w.sbAusgaenge), 0) << "the list is a Tab stop";
    const auto first = at(w.rows()[0]->btnAnsteuern);
    ASSERT_LT(first, static_cast<std::ptrdiff_t>(stops.size()));
    EXPECT_EQ(at(w.rows()[1]->btnAnsteuern), first + 1);
    w.done(1);
}

TEST_F(ActuatorWindows, AnEcuWithoutOutputsGetsNoRows) {
    useType(0x107420);
    kelt->AsianStyle = 0;
    TfrmAusgaengeAnsteuern w(nullptr, *kelt);
    w.prepareExecute();
    EXPECT_TRUE(w.rows().empty());
    w.AnsteuerungTimer();
    EXPECT_TRUE(ecu->messages().empty());
    w.done(1);
}

TEST_F(ActuatorWindows, AFailedOutputDriveIsRetriedAtTheNextTick) {
    TfrmAusgaengeAnsteuern w(nullptr, *kelt);
    w.prepareExecute();
    w.rows()[0]->btnAnsteuern->click();
    ecu->injectNegative({0x21});
    errors.script(RepeatOperation);
    w.AnsteuerungTimer();
    EXPECT_TRUE(ecu->released()) << "not at once";
    EXPECT_TRUE(w.Ansteuerung->isActive());
    w.AnsteuerungTimer();
    EXPECT_EQ(word(), (Word{0x40, 0x00}));
    w.done(1);
}

// --- LSV valve -------------------------------------------------------------------------------------

class LsvValve : public ActuatorWindows {
public:
    void SetUp() override {
        ActuatorWindows::SetUp();
        useType(kTypeWithLsvValve);
    }
    // Runs the window; `action` drives it from inside its loop, then OK closes it.
    void run(const std::function<void(TfrmALBAnsteuerung&)>& action) {
        TfrmALBAnsteuerung w(nullptr, *kelt);
        ModalScript script([&](QWidget*) {
            action(w);
            w.btn1->click();
        });
        EXPECT_EQ(w.Execute(), 1);
        EXPECT_TRUE(script.ran());
        EXPECT_EQ(w.pressed(), 0);
        EXPECT_TRUE(ecu->released());
    }
    // Lets a few ticks run: long enough for a drive to show, or for one that should not.
    void letTicksRun() {
        const std::size_t before = ecu->messages().size();
        processEventsUntil([&] { return ecu->messages().size() >= before + 3; });
    }
};

TEST_F(LsvValve, Layout) {
    TfrmALBAnsteuerung w(nullptr, *kelt);
    EXPECT_EQ(w.windowTitle(), "Activation of the LSV valve");
    EXPECT_EQ(w.lblUeberschrift->text(), "Press the button to activate the LSV valve");
    EXPECT_EQ(w.lblALB->text(), "Activate LSV valve");
    EXPECT_EQ(w.btn1->text(), "&OK");
    EXPECT_TRUE(w.btn2->isHidden());
    EXPECT_EQ(w.ALBAnsteuerung->interval(), 1);
    EXPECT_EQ(w.pressed(), 0);
    w.show();
    EXPECT_EQ(layoutFaults(&w), "");
}

TEST_F(LsvValve, DrivenOnlyWhileTheMouseHoldsTheButton) {
    run([&](TfrmALBAnsteuerung& w) {
        letTicksRun();
        EXPECT_TRUE(ecu->released());
        sendMouse(w.BitBtn1, QEvent::MouseButtonPress);
        EXPECT_TRUE(waitForWord({0x20, 0x00}));
        sendMouse(w.BitBtn1, QEvent::MouseButtonRelease);
        EXPECT_TRUE(waitForWord({0x00, 0x00}));
    });
}

TEST_F(LsvValve, AHeldKeyDrivesAndItsAutoRepeatChangesNothing) {
    run([&](TfrmALBAnsteuerung& w) {
        sendKey(w.BitBtn1, QEvent::KeyPress);
        EXPECT_TRUE(waitForWord({0x20, 0x00}));
        // A held key sends release and press again, both marked as repeats.
        for (int i = 0; i < 3; ++i) {
            sendKey(w.BitBtn1, QEvent::KeyRelease, true);
            letTicksRun();
            sendKey(w.BitBtn1, QEvent::KeyPress, true);
        }
        letTicksRun();
        EXPECT_EQ(w.pressed(), 1);
        EXPECT_EQ(ecu->count(kOffBody), 0);
        sendKey(w.BitBtn1, QEvent::KeyRelease);
        EXPECT_TRUE(waitForWord({0x00, 0x00}));
    });
}

TEST_F(LsvValve, LosingTheFocusReleasesTheButton) {
    run([&](TfrmALBAnsteuerung& w) {
        sendMouse(w.BitBtn1, QEvent::MouseButtonPress);
        EXPECT_TRUE(waitForWord({0x20, 0x00}));
        // The release never comes: the focus went elsewhere.
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(w.BitBtn1, &focusOut);
        EXPECT_TRUE(waitForWord({0x00, 0x00}));
    });
}

TEST_F(LsvValve, AnErrorDialogSwallowsTheReleaseSoTheValveIsReleased) {
    run([&](TfrmALBAnsteuerung& w) {
        sendMouse(w.BitBtn1, QEvent::MouseButtonPress);
        EXPECT_TRUE(waitForWord({0x20, 0x00}));
        // The dialog opens while the button is held; the technician lets go over the dialog
        // and answers Repeat.
        std::vector<Word> wordsAtDialog;
        std::vector<std::string> requestsAtDialog;
        errors.whenShown = [&](int32_t) {
            wordsAtDialog.push_back(word());
            requestsAtDialog.push_back(traceText(_msgRequest));
        };
        ecu->injectNegative({0x21});
        errors.script(RepeatOperation);
        EXPECT_TRUE(processEventsUntil([&] { return errors.shownCodes().size() == 1; }));
        EXPECT_TRUE(waitForWord({0x00, 0x00}));
        EXPECT_EQ(w.pressed(), 0);
        EXPECT_EQ(kelt->DiagnoseAktiv, 1);
        // The valve was off before the dialog showed, and the dialog shows the refused drive.
        EXPECT_EQ(wordsAtDialog, (std::vector<Word>{Word{0x00, 0x00}}));
        ASSERT_EQ(requestsAtDialog.size(), 1u);
        EXPECT_NE(requestsAtDialog[0].find("21 20 00"), std::string::npos) << requestsAtDialog[0];
    });
}

TEST_F(LsvValve, HidingTheWindowReleasesTheButtonAndEndsIt) {
    TfrmALBAnsteuerung w(nullptr, *kelt);
    ModalScript script([&](QWidget*) {
        sendMouse(w.BitBtn1, QEvent::MouseButtonPress);
        EXPECT_TRUE(waitForWord({0x20, 0x00}));
        w.hide();
        EXPECT_EQ(w.pressed(), 0);
    });
    w.Execute();
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(ecu->actuations().back().body, kOffBody);
}

TEST_F(LsvValve, AKeltEcuHasNone) {
    useType(0x107801);
    TfrmALBAnsteuerung w(nullptr, *kelt);
    errors.script(GiveUp);
    ModalScript script([&](QWidget*) {
        EXPECT_TRUE(processEventsUntil([&] { return !w.isVisible(); }));
    });
    EXPECT_EQ(w.Execute(), 2);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{KELT_ERR_NOT_SUPPORTED});
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_TRUE(boxes.shown.empty()) << "nothing was driven, so nothing may still be active";
}

}  // namespace

// The switch-positions and measured-values windows over the simulated ECU (through the fake
// JED677 layer, and through the real driver with the simulated USB interface) and in demo mode:
// what they show before and after a poll, when they redraw, and how they end.
#include "Messwerte.h"
#include "Schalterstellungen.h"

#include "Clock.h"
#include "DriverTestSupport.h"
#include "EventLoopErrorReporter.h"
#include "KeltTestSupport.h"
#include "RunningTimers.h"
#include "UiTestSupport.h"

#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

QString zustand(const TfrmSchalterstellungen& w, std::size_t row) { return w.rows().at(row)->lblZustand->text(); }

// The picture a row shows is the window's picture of that index.
bool showsPicture(const TfrmSchalterstellungen& w, std::size_t row, int index) {
    const QPixmap shown = w.rows().at(row)->imgSchalter->pixmap();
    return !shown.isNull() && shown.toImage() == w.ilSchalter.at(static_cast<std::size_t>(index)).toImage();
}

QStringList column(const QTreeWidget* list, int c) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(c);
    return texts;
}

// Closes a modal window that a broken test left open, so the test fails instead of hanging.
class ModalGuard {
public:
    explicit ModalGuard(QDialog& dialog) {
        QObject::connect(&timer_, &QTimer::timeout, &dialog, [&dialog] {
            ADD_FAILURE() << "the window did not close by itself";
            dialog.done(-99);
        });
        timer_.setSingleShot(true);
        timer_.start(10000);
    }

private:
    QTimer timer_;
};

// A 0x107801 ECU with the simulator's configuration (pressure and tilt sensor) and the quiet
// status values, connected.
void connectTheEcu(KeltFixture& f) {
    setQuietStatusValues(*f.ecu);
    f.connectTo({0x10, 0x78, 0x01, 0x00});
    ASSERT_EQ(f.kelt->ReadConfiguration(), 0);
    f.kelt->DiagnoseAktiv = 1;
    f.ecu->clearLog();
}

class LiveWindows : public KeltFixture {
public:
    void SetUp() override {
        KeltFixture::SetUp();
        connectTheEcu(*this);
    }
};

// --- switch settings ------------------------------------------------------------------------------

TEST_F(LiveWindows, SwitchWindowLayout) {
    TfrmSchalterstellungen w(nullptr, *kelt);
    EXPECT_EQ(w.windowTitle(), "Switch settings");
    EXPECT_EQ(w.minimumSize(), QSize(350, 250));
    EXPECT_EQ(w.lblUeberschrift->text(),
              "Only actuate one switch respectively, because the inputs are operated logically in "
              "the ECU. Check the displayed switching states.");
    EXPECT_TRUE(w.lblUeberschrift->font().bold());
    EXPECT_EQ(w.btn1->text(), "&OK");
    EXPECT_TRUE(w.btn2->isHidden());
    EXPECT_TRUE(w.btn3->isHidden());
    EXPECT_EQ(w.ilSchalter.size(), 6u);
    for (const QPixmap& picture : w.ilSchalter) EXPECT_EQ(picture.size(), QSize(80, 60));
    // The pictures tell every state apart.
    for (std::size_t a = 0; a < w.ilSchalter.size(); ++a)
        for (std::size_t b = a + 1; b < w.ilSchalter.size(); ++b)
            EXPECT_NE(w.ilSchalter[a].toImage(), w.ilSchalter[b].toImage()) << a << " " << b;
    EXPECT_EQ(w.Timer1->interval(), 50);
    EXPECT_TRUE(w.Timer1->isActive()) << "polls from its creation";
}

TEST_F(LiveWindows, SwitchRowsShowDashesUntilTheFirstPollThenTheirStates) {
    ecu->setStatusValue(0x41, 0x44, 0x02);  // stop, lifting; brake
    TfrmSchalterstellungen w(nullptr, *kelt);
    w.prepareExecute();
    ASSERT_EQ(w.rows().size(), 13u);
    EXPECT_EQ(w.sbSchalter->widget()->findChildren<TfrmSchalterstellungenEintrag*>().size(), 13);
    for (std::size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(w.rows()[i]->lblBezeichnung->text().toStdString(), w.switchList().entries[i].name);
        EXPECT_EQ(zustand(w, i), "---");
        EXPECT_TRUE(w.rows()[i]->imgSchalter->pixmap().isNull());
    }
    EXPECT_EQ(w.rows()[0]->lblBezeichnung->text(), "Axle preselection, front axle");
    EXPECT_TRUE(w.rows()[0]->lblBezeichnung->font().bold());
    QLayout* rows = w.sbSchalter->widget()->layout();
    for (std::size_t i = 1; i < 13; ++i) EXPECT_EQ(rows->indexOf(w.rows()[i]), rows->indexOf(w.rows()[i - 1]) + 1);

    w.Timer1Timer();
    EXPECT_EQ(w.letzteAntwort(), 0);
    EXPECT_EQ(zustand(w, 0), "Contact open");
    EXPECT_EQ(zustand(w, 4), "Contact to earth");   // stop
    EXPECT_EQ(zustand(w, 7), "Contact to earth");   // lifting
    EXPECT_EQ(zustand(w, 10), "Contact to Ubatt");  // brake
    EXPECT_EQ(zustand(w, 12), "Contact to earth");  // the sidewalk detector, a break contact
    for (std::size_t i = 0; i < 13; ++i)
        EXPECT_TRUE(showsPicture(w, i, SwitchImageIndex(0, w.switchList().entries[i].state))) << i;
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(ecu->bodies(), (std::vector<SimBytes>{{0x41}, {0x47}, {0x43}, {0x44}, {0x48}}));
}

TEST_F(LiveWindows, ASwitchRowIsRedrawnOnlyWhenItsStateChanged) {
    TfrmSchalterstellungen w(nullptr, *kelt);
    w.prepareExecute();
    w.Timer1Timer();
    w.rows()[4]->lblZustand->setText("unchanged");
    w.rows()[5]->lblZustand->setText("unchanged");
    ecu->setStatusValue(0x41, 0x04, 0x00);  // stop closes; normal level stays open
    w.Timer1Timer();
    EXPECT_EQ(zustand(w, 4), "Contact to earth");
    EXPECT_TRUE(showsPicture(w, 4, 1));
    EXPECT_EQ(zustand(w, 5), "unchanged");
}

TEST_F(LiveWindows, SwitchWindowOkGivesOne) {
    TfrmSchalterstellungen w(nullptr, *kelt);
    ModalGuard guard(w);
    ModalScript script([&](QWidget*) {
        EXPECT_TRUE(processEventsUntil([&] { return zustand(w, 0) != "---"; }));
        // Opened wide enough for the longest name, the door contact with its parameter note.
        EXPECT_FALSE(w.sbSchalter->horizontalScrollBar()->isVisible());
        w.btn1->click();
    });
    EXPECT_EQ(w.Execute(), 1);
    EXPECT_TRUE(script.ran());
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_TRUE(errors.shownCodes().empty());
}

TEST_F(LiveWindows, ATypeWithoutSwitchListShowsNoRowsAndTheNotSupportedDialog) {
    useType(0x107999);
    errors.script(GiveUp);
    TfrmSchalterstellungen w(nullptr, *kelt);
    ModalGuard guard(w);
    EXPECT_EQ(w.Execute(), 2);
    EXPECT_TRUE(w.rows().empty());
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{KELT_ERR_NOT_SUPPORTED});
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_TRUE(ecu->messages().empty());
}

// --- measured values ------------------------------------------------------------------------------

TEST_F(LiveWindows, MeasuredValuesWindowLayout) {
    TNMesswerte w(nullptr, *kelt);
    EXPECT_EQ(w.windowTitle(), "Measured values");
    EXPECT_EQ(w.minimumSize(), QSize(350, 250));
    EXPECT_EQ(w.lblUeberschrift->text(), "Display of current ECU measured values");
    EXPECT_TRUE(w.lblUeberschrift->font().bold());
    EXPECT_EQ(w.btn1->text(), "&OK");
    EXPECT_TRUE(w.btn2->isHidden());
    EXPECT_TRUE(w.btn3->isHidden());
    const QTreeWidgetItem* header = w.ListView1->headerItem();
    EXPECT_EQ(header->text(0), "Value");
    EXPECT_EQ(header->text(1), "Unit");
    EXPECT_EQ(header->text(2), "Name");
    EXPECT_EQ(w.ListView1->columnWidth(0), 70);
    EXPECT_EQ(w.ListView1->columnWidth(1), 70);
    EXPECT_TRUE(w.ListView1->header()->stretchLastSection());
    EXPECT_FALSE(w.ListView1->header()->sectionsClickable());
    EXPECT_EQ(w.MesswerteTimer->interval(), 1);
    EXPECT_FALSE(w.MesswerteTimer->isActive()) << "the poll starts when the window shows";
}

TEST_F(LiveWindows, ValuesShowDashesUntilTheFirstPollThenTheirTexts) {
    ecu->setStatusValue(0x48, 200, 0);
    ecu->setStatusValue(0x42, 5, 0);
    TNMesswerte w(nullptr, *kelt);
    w.show();
    EXPECT_TRUE(w.MesswerteTimer->isActive());
    EXPECT_EQ(column(w.ListView1, 0), QStringList(9, "---"));
    EXPECT_EQ(column(w.ListView1, 1),
              (QStringList{"V", "V", "km/h", "counts", "counts", "counts", "counts", "counts", "counts"}));
    EXPECT_EQ(column(w.ListView1, 2).first(), "Supply voltage (tl.15, measured by KELT-ECU)");
    EXPECT_EQ(column(w.ListView1, 2).last(), "Inclination angle, tilt sensor arrested");
    EXPECT_TRUE(ecu->messages().empty());

    w.MesswerteTimerTimer();
    EXPECT_EQ(column(w.ListView1, 0),
              (QStringList{"27.0", "0.0", "  5", "104", "120", "122", "150", "100", "103"}));
    EXPECT_TRUE(w.MesswerteTimer->isActive());
    w.hide();
}

TEST_F(LiveWindows, AValueIsRedrawnOnlyWhenItsTextChanged) {
    TNMesswerte w(nullptr, *kelt);
    w.show();
    w.MesswerteTimerTimer();
    w.ListView1->topLevelItem(0)->setText(0, "unchanged");
    w.ListView1->topLevelItem(2)->setText(0, "unchanged");
    ecu->setStatusValue(0x42, 88, 0);
    w.MesswerteTimerTimer();
    EXPECT_EQ(w.ListView1->topLevelItem(0)->text(0), "unchanged");
    EXPECT_EQ(w.ListView1->topLevelItem(2)->text(0), " 88");
    w.hide();
}

// A failed poll before a value was read leaves it at "---"; the answer 1 polls again at the next
// tick.
TEST_F(LiveWindows, ARepeatedValuePollGoesOnAtTheNextTick) {
    TNMesswerte w(nullptr, *kelt);
    w.show();
    ecu->injectNegative({0x42});
    errors.script(RepeatOperation);
    w.MesswerteTimerTimer();
    EXPECT_EQ(column(w.ListView1, 0).mid(0, 4), (QStringList{"24.3", "0.0", "---", "---"}));
    EXPECT_TRUE(w.MesswerteTimer->isActive());
    EXPECT_TRUE(w.isVisible());
    w.MesswerteTimerTimer();
    EXPECT_EQ(column(w.ListView1, 0)[2], " 17");
    w.hide();
}

// After a give-up the poll stays stopped: no further request and no second dialog reaches the
// lost connection while the window closes.
TEST_F(LiveWindows, AGivenUpValuePollClosesTheWindowWithItsTimerStopped) {
    TNMesswerte w(nullptr, *kelt);
    w.show();
    ecu->injectNegative({0x43});
    errors.script(GiveUp);
    w.MesswerteTimerTimer();
    EXPECT_EQ(w.result(), 2);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_FALSE(w.MesswerteTimer->isActive());
}

TEST_F(LiveWindows, MeasuredValuesWindowOkGivesOne) {
    TNMesswerte w(nullptr, *kelt);
    ModalGuard guard(w);
    ModalScript script([&](QWidget*) {
        EXPECT_TRUE(processEventsUntil([&] { return w.ListView1->topLevelItem(0)->text(0) != "---"; }));
        w.btn1->click();
    });
    EXPECT_EQ(w.exec(), 1);
    EXPECT_FALSE(w.MesswerteTimer->isActive());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_TRUE(errors.shownCodes().empty());
}

TEST_F(LiveWindows, ATypeOutsideTheSetShowsNoValues) {
    useType(0x107999);
    TNMesswerte w(nullptr, *kelt);
    w.show();
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);
    w.MesswerteTimerTimer();
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_TRUE(errors.shownCodes().empty());
    w.hide();
}

// --- demo -------------------------------------------------------------------------------------------

class LiveWindowsInDemo : public InDemoMode<KeltFixture> {
public:
    FakeClock clock{5000};
    void SetUp() override {
        InDemoMode::SetUp();
        kelt->setClock(clock);
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        ASSERT_EQ(kelt->ReadConfiguration(), 0);
    }
    void TearDown() override {
        EXPECT_EQ(driverCalls, 0);
        InDemoMode::TearDown();
    }
};

TEST_F(LiveWindowsInDemo, MeasuredValuesAreTheSampleTexts) {
    TNMesswerte w(nullptr, *kelt);
    w.show();
    w.MesswerteTimerTimer();
    EXPECT_EQ(column(w.ListView1, 0), (QStringList{"22", "24", "0", "104", "120", "122", "87", "100", "103"}));
    w.hide();
}

TEST_F(LiveWindowsInDemo, SwitchRowsChange) {
    TfrmSchalterstellungen w(nullptr, *kelt);
    w.prepareExecute();
    ASSERT_EQ(w.rows().size(), 13u);
    w.Timer1Timer();
    EXPECT_EQ(zustand(w, 0), "Contact open");
    EXPECT_EQ(zustand(w, 1), "Contact to earth");
    EXPECT_TRUE(showsPicture(w, 1, 1));
    clock.advance(1501);
    w.Timer1Timer();
    EXPECT_EQ(zustand(w, 0), "Contact to earth");
    EXPECT_EQ(zustand(w, 1), "Contact open");
    EXPECT_TRUE(showsPicture(w, 1, 0));
}

// --- through the real driver --------------------------------------------------------------------

// The error dialog keeps the event loop running like the real one.
class LiveWindowsThroughTheDriver : public OverTheRealDriver<KeltFixture> {
public:
    EventLoopErrorReporter slowDialog{errors};

    LiveWindowsThroughTheDriver() { errorHandler = &slowDialog; }
    void SetUp() override {
        OverTheRealDriver::SetUp();
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
        connectTheEcu(*this);
    }
    std::vector<SimBytes> requests(std::initializer_list<uint8_t> services) {
        std::vector<SimBytes> sent;
        for (uint8_t s : services) sent.push_back({s});
        return sent;
    }
};

TEST_F(LiveWindowsThroughTheDriver, OneSwitchPoll) {
    ecu->setStatusValue(0x48, 180, 36);
    TfrmSchalterstellungen w(nullptr, *kelt);
    w.prepareExecute();
    w.Timer1Timer();
    EXPECT_EQ(ecu->messages(), requests({0x41, 0x47, 0x43, 0x44, 0x48}));
    EXPECT_EQ(zustand(w, 9), "Contact to earth");  // the supply pressure is low
    EXPECT_TRUE(errors.shownCodes().empty());
    w.done(1);
}

TEST_F(LiveWindowsThroughTheDriver, OneValuePoll) {
    TNMesswerte w(nullptr, *kelt);
    w.show();
    w.MesswerteTimerTimer();
    EXPECT_EQ(ecu->messages(), requests({0x48, 0x47, 0x42, 0x43, 0x46, 0x44, 0x4B}));
    EXPECT_EQ(column(w.ListView1, 0), (QStringList{"24.3", "0.0", " 17", "104", "120", "122", "150", "100", "103"}));
    w.done(1);
}

TEST_F(LiveWindowsThroughTheDriver, SwitchPollRepeatedThenGivenUp) {
    ecu->injectNegative({0x43});
    ecu->injectNegative({0x43});
    errors.script(RepeatOperation);
    errors.script(GiveUp);
    TfrmSchalterstellungen w(nullptr, *kelt);
    ModalGuard guard(w);
    EXPECT_EQ(w.Execute(), 2);
    EXPECT_EQ(errors.shownCodes(), (std::vector<int32_t>{JED677_NEGATIVE_ANSWER, JED677_NEGATIVE_ANSWER}));
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_FALSE(w.Timer1->isActive());
    // Repeated at once; no poll ran inside a dialog, and none runs after the window closed.
    fireRunningTimers();
    EXPECT_EQ(ecu->messages(), requests({0x41, 0x47, 0x43, 0x41, 0x47, 0x43}));
}

TEST_F(LiveWindowsThroughTheDriver, ValuePollRepeatedThenGivenUp) {
    ecu->injectNegative({0x43});
    ecu->injectNegative({0x43});
    errors.script(RepeatOperation);
    errors.script(GiveUp);
    TNMesswerte w(nullptr, *kelt);
    ModalGuard guard(w);
    EXPECT_EQ(w.exec(), 2);
    EXPECT_EQ(errors.shownCodes(), (std::vector<int32_t>{JED677_NEGATIVE_ANSWER, JED677_NEGATIVE_ANSWER}));
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_FALSE(w.MesswerteTimer->isActive());
    // Repeated at the next tick; no poll ran inside a dialog, and none runs after the window
    // closed.
    fireRunningTimers();
    EXPECT_EQ(ecu->messages(), requests({0x48, 0x47, 0x42, 0x43, 0x48, 0x47, 0x42, 0x43}));
}

}  // namespace

// The level-data window against the simulated ECU through the real driver and the test build of
// the USB library: its controls per capability flags, the entry modes, what leaving an edit
// recomputes, the save of typed values as the ECU receives it, and the ways out.
#include "Wskalibrierdaten.h"

#include "DriverTestSupport.h"
#include "EventLoopErrorReporter.h"
#include "KeltTestSupport.h"
#include "StringTable.h"
#include "UiTestSupport.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using E = LevelEdit;

QString str(int id) { return QString::fromStdString(LoadStr(id)); }

// The edit loses the focus as when the technician moves on (or, with another reason, as when a
// message box comes to the front).
void leave(QLineEdit* edit, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QCoreApplication::sendEvent(edit, &out);
}

// A 10 78 01 00 ECU with every capability, connected through the real driver; the simulator's
// level block holds the sample 50 55 84 87 20 18 104.
class LevelDataWindow : public OverTheRealDriver<KeltFixture> {
public:
    LevelDataWindow() { errorHandler = &slowDialog; }
    void SetUp() override {
        OverTheRealDriver::SetUp();
        ecu->setConfiguration(0xFF, 0xFF, 0xFF, 0xFF);
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        ASSERT_EQ(kelt->ReadConfiguration(), 0);
        kelt->DiagnoseAktiv = 1;
        ecu->clearLog();
    }
    // The window read and shown; `action` runs on it, then the modal result.
    int run(TfrmWSKalibrierdaten& w, const std::function<void()>& action) {
        EXPECT_TRUE(w.prepareExecute());
        ecu->clearLog();
        ModalScript script([&](QWidget*) { action(); });
        const int result = w.exec();
        EXPECT_TRUE(script.ran());
        return result;
    }
    // What reached the ECU's level block and store.
    std::vector<SimBytes> writes() const {
        std::vector<SimBytes> found;
        for (const SimBytes& m : ecu->messages())
            if (SimKeltEcu::bodyOf(m)[0] == 0x13 || SimKeltEcu::bodyOf(m)[0] == 0x25) found.push_back(m);
        return found;
    }

    EventLoopErrorReporter slowDialog{errors};
};

QStringList texts(const TfrmWSKalibrierdaten& w, LevelEdit upper) {
    QStringList column;
    for (std::size_t row = 0; row < 5; ++row)
        column << w.edit(static_cast<LevelEdit>(static_cast<std::size_t>(upper) + row))->text();
    return column;
}

// --- controls ---------------------------------------------------------------------------------------

TEST_F(LevelDataWindow, ShowsTheValuesInTheEcu) {
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    EXPECT_EQ(w.windowTitle(), "Calibration data of the distance sensors");
    EXPECT_EQ(w.minimumSize(), QSize(700, 570));
    EXPECT_EQ(w.btn1->text(), "&OK");
    EXPECT_EQ(w.btn2->text(), "&Cancel");
    EXPECT_TRUE(w.btn3->isHidden());
    EXPECT_EQ(w.gbNiveaueingabe->title(), "Level entry");
    EXPECT_EQ(w.gbEingabeart->title(), "Enter the levels");
    EXPECT_EQ(w.rbObenUntenNiveau->text(), "Enter the upper and lower levels");
    EXPECT_EQ(w.rbDifferenzniveau->text(), "Enter as difference in relation to normal level");
    EXPECT_EQ(w.edFNVorn->text(), "0");
    EXPECT_TRUE(ecu->messages().empty()) << "nothing is read before Execute";

    ASSERT_TRUE(w.prepareExecute());
    EXPECT_TRUE(w.rbObenUntenNiveau->isChecked());
    EXPECT_EQ(w.lblHinweis->text(), str(20068));
    EXPECT_EQ(w.lblEinheit->text(), "Unit : counts");
    EXPECT_EQ(texts(w, E::UpperFront), (QStringList{"87", "32", "55", "37", "18"}));
    EXPECT_EQ(texts(w, E::UpperRear), (QStringList{"84", "34", "50", "30", "20"}));
    EXPECT_EQ(w.edDiffLinksRechts->text(), "104");
    EXPECT_EQ(texts(w, E::UpperRight), (QStringList{"-20", "34", "-54", "30", "-84"}));
    // Disabled edits in the menu colour.
    EXPECT_FALSE(w.edDiffONVorn->isEnabled());
    EXPECT_EQ(w.edDiffONVorn->palette().color(QPalette::Disabled, QPalette::Base),
              w.edDiffONVorn->palette().color(QPalette::Active, QPalette::Button));
}

struct FlagCase {
    std::string name;
    std::array<uint8_t, 4> flags;  // front axle, rear left, rear right, left/right difference
    bool front;
    bool rear;
    bool rightColumn;
    QString difference;
};

void PrintTo(const FlagCase& c, std::ostream* os) { *os << c.name; }

class CapabilityFlags : public LevelDataWindow, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(CapabilityFlags, DecideWhatCanBeEntered) {
    const FlagCase& c = GetParam();
    kelt->CfgFrontAxle = c.flags[0];
    kelt->CfgRearSensorLeft = c.flags[1];
    kelt->CfgRearSensorRight = c.flags[2];
    kelt->CfgLeftRightDifference = c.flags[3];
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    for (QLineEdit* edit : {w.edONVorn, w.edFNVorn, w.edUNVorn})
        EXPECT_EQ(edit->isEnabled(), c.front) << edit->objectName().toStdString();
    for (QLineEdit* edit : {w.edONHinten, w.edFNHinten, w.edUNHinten})
        EXPECT_EQ(edit->isEnabled(), c.rear) << edit->objectName().toStdString();
    for (QWidget* right : std::initializer_list<QWidget*>{w.edONHintenRe, w.edDiffONHintenRe, w.edFNHintenRe,
                                                          w.edDiffUNHintenRe, w.edUNHintenRe, w.lblHALinks,
                                                          w.lblHARechts}) {
        EXPECT_EQ(!right->isHidden(), c.rightColumn) << right->objectName().toStdString();
    }
    EXPECT_FALSE(w.edFNHintenRe->isEnabled()) << "the right column only shows";
    EXPECT_EQ(w.edDiffLinksRechts->isEnabled(), c.rightColumn);
    EXPECT_EQ(w.edDiffLinksRechts->text(), c.difference);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, CapabilityFlags,
    ::testing::Values(FlagCase{"All", {1, 1, 1, 1}, true, true, true, "104"},
                      FlagCase{"WithoutTheDifference", {1, 1, 1, 0}, true, true, false, "0"},
                      FlagCase{"OneRearSensor", {1, 1, 0, 1}, true, true, false, "104"},
                      FlagCase{"RearOnly", {0, 1, 1, 1}, false, true, true, "104"},
                      FlagCase{"FrontOnly", {1, 0, 0, 0}, true, false, false, "0"}),
    [](const auto& info) { return info.param.name; });

TEST_F(LevelDataWindow, TheModeDecidesWhetherLevelsOrDifferencesAreTyped) {
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    w.rbDifferenzniveau->click();
    EXPECT_EQ(w.lblHinweis->text(), str(20067));
    for (QLineEdit* edit : {w.edDiffONVorn, w.edDiffUNVorn, w.edDiffONHinten, w.edDiffUNHinten})
        EXPECT_TRUE(edit->isEnabled()) << edit->objectName().toStdString();
    for (QLineEdit* edit : {w.edONVorn, w.edUNVorn, w.edONHinten, w.edUNHinten})
        EXPECT_FALSE(edit->isEnabled()) << edit->objectName().toStdString();
    w.rbObenUntenNiveau->click();
    EXPECT_EQ(w.lblHinweis->text(), str(20068));
    EXPECT_TRUE(w.edONVorn->isEnabled());
    EXPECT_FALSE(w.edDiffONVorn->isEnabled());
}

TEST_F(LevelDataWindow, LeavingAnEditRecomputesWhatDependsOnIt) {
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    ecu->clearLog();
    w.rbDifferenzniveau->click();
    w.edFNVorn->setText("60");
    // A message box coming to the front does not leave the edit.
    leave(w.edFNVorn, Qt::ActiveWindowFocusReason);
    EXPECT_EQ(w.edONVorn->text(), "87");
    leave(w.edFNVorn);
    EXPECT_EQ(texts(w, E::UpperFront), (QStringList{"92", "32", "60", "37", "23"}));

    w.edDiffLinksRechts->setText("4");
    leave(w.edDiffLinksRechts);
    EXPECT_EQ(texts(w, E::UpperRight), (QStringList{"80", "34", "46", "30", "16"}));

    w.edFNHinten->setText("abc");
    leave(w.edFNHinten);
    EXPECT_EQ(texts(w, E::UpperRear), (QStringList{"84", "34", "abc", "30", "20"}));
    EXPECT_EQ(w.edFNHintenRe->text(), "46");
    EXPECT_TRUE(ecu->messages().empty());
}

// --- the save ---------------------------------------------------------------------------------------

// The value typed last is saved although its edit still has the focus (Save reached by its key).
TEST_F(LevelDataWindow, SavesTypedValuesIntoTheEcu) {
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    const int result = run(w, [&] {
        w.edFNVorn->setFocus();
        ASSERT_EQ(w.focusWidget(), w.edFNVorn);
        w.edFNVorn->setText("60");
        w.btnNiveausSpeichern->click();
        EXPECT_EQ(w.edDiffONVorn->text(), "27");
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{LoadStr(20098)});
        EXPECT_TRUE(w.isVisible());
        w.btn2->click();
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(writes(), (std::vector<SimBytes>{{0x84, 0x13, 0xC7, 0xA8, 0x32},
                                               {0x84, 0x13, 0xC8, 0x3C, 0x54},
                                               {0x84, 0x13, 0xC9, 0x57, 0x14},
                                               {0x84, 0x13, 0xCA, 0x12, 0x68},
                                               {0x84, 0x13, 0xCB, 0x00, 0x00},
                                               {0x84, 0x13, 0xCC, 0x00, 0x00},
                                               {0x25}}));
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

TEST_F(LevelDataWindow, EnterInAnEditNeitherSavesNorCloses) {
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    run(w, [&] {
        w.edFNVorn->setFocus();
        w.edFNVorn->setText("60");
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent enter(type, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(w.edFNVorn, &enter);
        }
        EXPECT_TRUE(w.isVisible());
        w.btn2->click();
    });
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LevelDataWindow, ABadEntryIsFocusedAndNothingIsSent) {
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    run(w, [&] {
        w.edUNHinten->setFocus();
        w.edUNHinten->setText("65654");
        leave(w.edUNHinten);
        w.btnNiveausSpeichern->setFocus();
        w.btnNiveausSpeichern->click();
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{LoadStr(20097)});
        EXPECT_EQ(w.focusWidget(), w.edUNHinten);
        EXPECT_TRUE(w.isVisible());
        w.btn2->click();
    });
    EXPECT_TRUE(ecu->messages().empty());
    EXPECT_EQ(boxes.shown.size(), 1u) << "Cancel asks nothing";
}

TEST_F(LevelDataWindow, AGiveUpInTheSaveClosesTheWindow) {
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    ecu->injectNegative({0x25});
    errors.script(GiveUp);
    const int result = run(w, [&] { w.btnNiveausSpeichern->click(); });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LevelDataWindow, AGiveUpInTheFirstReadShowsNoWindow) {
    ecu->injectNegative({0x14, 0xC8});
    errors.script(GiveUp);
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    w.Execute();
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>{JED677_NEGATIVE_ANSWER});
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_FALSE(w.isVisible());
}

// --- the ways out -----------------------------------------------------------------------------------

struct WayOutCase {
    std::string name;
    std::function<void(TfrmWSKalibrierdaten&)> press;
    int answer;  // to the question, when asked
    bool asked;
    int result;
};

void PrintTo(const WayOutCase& c, std::ostream* os) { *os << c.name; }

class AfterAChange : public LevelDataWindow, public ::testing::WithParamInterface<WayOutCase> {};

TEST_P(AfterAChange, OnlyOkAsks) {
    const WayOutCase& c = GetParam();
    boxes.answer = [&](const ShownBox&) { return c.answer; };
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    const int result = run(w, [&] {
        w.edFNHinten->setText("51");
        leave(w.edFNHinten);
        c.press(w);
        if (w.isVisible()) {
            EXPECT_TRUE(c.asked);
            boxes.answer = nullptr;
            w.btn1->click();
        }
    });
    EXPECT_EQ(result, c.result);
    if (c.asked) {
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_EQ(boxes.shown[0].text, "Exit dialog? Data has not yet been saved to the ECU!");
        EXPECT_EQ(boxes.shown[0].flags, 0x21u);
    } else {
        EXPECT_TRUE(boxes.shown.empty());
    }
    EXPECT_TRUE(ecu->messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, AfterAChange,
    ::testing::Values(WayOutCase{"OkConfirmed", [](auto& w) { w.btn1->click(); }, IDOK, true, 1},
                      WayOutCase{"OkKeptOpen", [](auto& w) { w.btn1->click(); }, IDCANCEL, true, 1},
                      WayOutCase{"Cancel", [](auto& w) { w.btn2->click(); }, IDOK, false, 2},
                      WayOutCase{"Escape", [](auto& w) { pressEscape(&w); }, IDOK, false, 2}),
    [](const auto& info) { return info.param.name; });

// OK reached by its key while the edit still has the focus: the value typed counts as a change.
TEST_F(LevelDataWindow, OkTakesTheEditBeingTypedIn) {
    boxes.answer = [](const ShownBox&) { return IDCANCEL; };
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    const int result = run(w, [&] {
        w.edFNHinten->setFocus();
        w.edFNHinten->setText("51");
        w.btn1->click();
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{LoadStr(20088)});
        EXPECT_EQ(w.edFNHintenRe->text(), "-53");
        w.btn2->click();
    });
    EXPECT_EQ(result, 2);
}

TEST_F(LevelDataWindow, OkWithoutAChangeAsksNothing) {
    TfrmWSKalibrierdaten w(nullptr, *kelt);
    EXPECT_EQ(run(w, [&] { w.btn1->click(); }), 1);
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace

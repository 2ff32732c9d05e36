// The address-and-baud-rate window through the real driver, the USB test library and the
// simulated ECU: what it reads and preselects, what its two Save buttons write into the ECU and
// tell the technician, and how a give-up ends it.
#include "BaudrateUndAdresse.h"

#include "DriverTestSupport.h"
#include "EventLoopErrorReporter.h"
#include "KeltTestSupport.h"
#include "NData.h"
#include "ProfileFile.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

const std::string kStored = "The data are stored in the ECU";
const std::string kNotStored = "ATTENTION! The data has not been correctly saved to the control unit!";
const std::string kBadAddress = "ECU address may only be between 1 and 128!";
const std::string kBadBaudRate = "The baud rate is invalid or undefined!";

SimBytes readOf(uint8_t id) { return {0x14, id}; }

// The index of the checked data-rate button; none when no button is checked.
std::optional<int> checkedRate(const TfrmBaudrateUndAdresse& w) {
    const auto buttons = w.baudButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked()) return static_cast<int>(i);
    return std::nullopt;
}

// The error dialog keeps the event loop running like the real one.
class AddressWindow : public OverTheRealDriver<KeltFixture> {
public:
    EventLoopErrorReporter slowDialog{errors};

    AddressWindow() { errorHandler = &slowDialog; }
    void SetUp() override {
        OverTheRealDriver::SetUp();
        DiagAttr.Anwendungstitel = attr.Anwendungstitel;
        ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
    }
    void TearDown() override {
        DiagAttr = DiagAttrStruct{};
        OverTheRealDriver::TearDown();
    }
    void connect(std::array<uint8_t, 4> identifier = {0x10, 0x74, 0x05, 0x00}) {
        connectTo(identifier);
        kelt->DiagnoseAktiv = 1;
    }
    std::vector<std::string> boxTexts() const { return boxes.texts(); }
    void expectBox(std::size_t i, const std::string& text, unsigned icon) {
        ASSERT_LT(i, boxes.shown.size());
        EXPECT_EQ(boxes.shown[i].text, text);
        EXPECT_EQ(boxes.shown[i].caption, attr.Anwendungstitel);
        EXPECT_EQ(boxes.shown[i].flags, icon | MB_OK);
    }
};

TEST_F(AddressWindow, Layout) {
    connect();
    TfrmBaudrateUndAdresse w(nullptr, *kelt);
    EXPECT_EQ(w.windowTitle(), "Change ECU baud rate and address");
    EXPECT_EQ(w.minimumSize(), QSize(590, 370));
    EXPECT_EQ(w.lblUeberschrift->text(),
              "ATTENTION! Changing the ECU address may result in diagnosis becoming impossible!");
    EXPECT_EQ(w.gbECUAdresse->title(), "ECU diagnosis address");
    EXPECT_EQ(w.lblECUAdresse->text(), "ECU diagnosis address (must be less than 128)");
    EXPECT_EQ(w.btnSpeichernAdresse->text(), "Save");
    EXPECT_EQ(w.gbBaudrate->title(), "Data transfer rate to the ECU");
    EXPECT_EQ(w.rb1200Baud->text(), "1200 baud");
    EXPECT_EQ(w.rb2400Baud->text(), "2400 baud");
    EXPECT_EQ(w.rb4800Baud->text(), "4800 baud");
    EXPECT_EQ(w.rb9600Baud->text(), "9600 baud");
    EXPECT_EQ(w.btnSpeichernBaudrate->text(), "Save");
    EXPECT_EQ(w.btn1->text(), "&OK");
    EXPECT_TRUE(w.btn2->isHidden());
    EXPECT_TRUE(w.btn3->isHidden());
    EXPECT_TRUE(ecu->messages().empty()) << "nothing is read before Execute";
}

// --- the preselection -------------------------------------------------------------------------------

struct PreselectionCase {
    std::string name;
    std::array<uint8_t, 4> identifier;
    uint8_t storedCode;
    std::optional<int> checked;
    bool lowestEnabled;
    bool groupEnabled;
    bool invalid;  // 20108 before the window opens
};
void PrintTo(const PreselectionCase& c, std::ostream* os) { *os << c.name; }

class Preselection : public AddressWindow, public ::testing::WithParamInterface<PreselectionCase> {};

TEST_P(Preselection, FollowsTypeAndStoredCode) {
    const PreselectionCase& c = GetParam();
    ecu->setLocalId(0xAF, {uint8_t(c.storedCode + 1), c.storedCode});
    connect(c.identifier);
    TfrmBaudrateUndAdresse w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    EXPECT_EQ(w.edECUAdresse->text(), "16");
    EXPECT_EQ(checkedRate(w), c.checked);
    EXPECT_EQ(w.rb1200Baud->isEnabled(), c.lowestEnabled && c.groupEnabled);
    EXPECT_EQ(w.gbBaudrate->isEnabled(), c.groupEnabled);
    EXPECT_EQ(w.btnSpeichernBaudrate->isEnabled(), c.groupEnabled);
    if (c.invalid) {
        ASSERT_EQ(boxes.shown.size(), 1u);
        expectBox(0, kBadBaudRate, MB_ICONWARNING);
    } else {
        EXPECT_TRUE(boxes.shown.empty());
    }
    std::vector<SimBytes> reads = {readOf(0xD0)};
    if (c.groupEnabled) reads.push_back(readOf(0xAF));
    EXPECT_EQ(ecu->bodies(), reads);
    EXPECT_TRUE(errors.shownCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Preselection,
    ::testing::Values(
        PreselectionCase{"Code0", {0x10, 0x74, 0x05, 0x00}, 0, 0, true, true, false},
        PreselectionCase{"Code2", {0x10, 0x74, 0x05, 0x00}, 2, 2, true, true, false},
        PreselectionCase{"Code3", {0x10, 0x71, 0x02, 0x00}, 3, 3, true, true, false},
        PreselectionCase{"Code7", {0x10, 0x74, 0x05, 0x00}, 7, std::nullopt, true, true, true},
        PreselectionCase{"Type107801Code0", {0x10, 0x78, 0x01, 0x00}, 0, 3, false, true, false},
        PreselectionCase{"Type107800Code1", {0x10, 0x78, 0x00, 0x00}, 1, 1, false, true, false},
        PreselectionCase{"Type107801Code7", {0x10, 0x78, 0x01, 0x00}, 7, std::nullopt, false, true, true},
        // No baud-rate id: nothing read, nothing chosen, nothing to warn about.
        PreselectionCase{"Type107001", {0x10, 0x70, 0x01, 0x00}, 0, std::nullopt, true, false, false}),
    [](const auto& info) { return info.param.name; });

// --- saving ---------------------------------------------------------------------------------------------

TEST_F(AddressWindow, TheAddressIsCheckedBeforeAnythingIsSent) {
    connect();
    TfrmBaudrateUndAdresse w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    for (const char* text : {"0", "129", "12a", "", "-1", "1.5"}) {
        SCOPED_TRACE(text);
        ecu->clearLog();
        boxes.shown.clear();
        w.edECUAdresse->setText(text);
        w.btnSpeichernAdresse->click();
        EXPECT_TRUE(ecu->messages().empty());
        ASSERT_EQ(boxes.shown.size(), 1u);
        expectBox(0, kBadAddress, MB_ICONWARNING);
        EXPECT_EQ(w.edECUAdresse->text(), text) << "kept for correction";
    }
    const SimBytes before = *ecu->localId(0xD0);
    for (uint8_t address : {uint8_t(1), uint8_t(128), uint8_t(20)}) {
        SCOPED_TRACE(int(address));
        ecu->clearLog();
        boxes.shown.clear();
        w.edECUAdresse->setText(QString(" %1 ").arg(int(address)));
        w.btnSpeichernAdresse->click();
        // The companion byte keeps its distance to the address.
        EXPECT_EQ(ecu->localId(0xD0), (SimBytes{uint8_t(before[0] - before[1] + address), address}));
        EXPECT_EQ(ecu->address(), address);
        EXPECT_EQ(ecu->count({0x13, 0xD0}), 1);
        ASSERT_EQ(boxes.shown.size(), 1u);
        expectBox(0, kStored, MB_ICONINFORMATION);
    }
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

TEST_F(AddressWindow, TheCheckedRateIsSaved) {
    connect();
    TfrmBaudrateUndAdresse w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    const auto buttons = w.baudButtons();
    for (uint8_t code : {uint8_t(2), uint8_t(0), uint8_t(3), uint8_t(1)}) {
        SCOPED_TRACE(int(code));
        boxes.shown.clear();
        buttons[code]->setChecked(true);
        w.btnSpeichernBaudrate->click();
        EXPECT_EQ(ecu->localId(0xAF), (SimBytes{uint8_t(code + 1), code}));
        ASSERT_EQ(boxes.shown.size(), 1u);
        expectBox(0, kStored, MB_ICONINFORMATION);
    }
    EXPECT_TRUE(errors.shownCodes().empty());
}

TEST_F(AddressWindow, NoRateCheckedSendsNothing) {
    ecu->setLocalId(0xAF, {8, 7});
    connect();
    TfrmBaudrateUndAdresse w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    ecu->clearLog();
    boxes.shown.clear();
    w.btnSpeichernBaudrate->click();
    EXPECT_TRUE(ecu->messages().empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    expectBox(0, kBadBaudRate, MB_ICONWARNING);
    EXPECT_EQ(ecu->localId(0xAF), (SimBytes{8, 7}));
}

// An ECU that acknowledges but keeps other bytes: the technician is told it was not saved, and
// nothing else.
TEST_F(AddressWindow, AReadBackThatDiffersIsNotCalledStored) {
    connect();
    ecu->setIgnoresWrites(0xD0);
    ecu->setStoresWritesAs(0xAF, SimBytes{2, 1});
    TfrmBaudrateUndAdresse w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    w.edECUAdresse->setText("20");
    w.btnSpeichernAdresse->click();
    w.rb4800Baud->setChecked(true);
    w.btnSpeichernBaudrate->click();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{kNotStored, kNotStored}));
    EXPECT_TRUE(errors.shownCodes().empty());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
    EXPECT_EQ(ecu->address(), 16);
}

// The session goes on at the old address; the next start of communication finds the ECU only
// at the new one.
TEST_F(AddressWindow, ANewAddressCountsFromTheNextStart) {
    connect();
    TfrmBaudrateUndAdresse w(nullptr, *kelt);
    ASSERT_TRUE(w.prepareExecute());
    w.edECUAdresse->setText("20");
    w.btnSpeichernAdresse->click();
    uint8_t address = 0;
    EXPECT_EQ(kelt->ReadEcuAddress(address), 0);
    EXPECT_EQ(address, 20);

    ASSERT_EQ(kelt->DisconnectEcu(), 0);
    ASSERT_EQ(OpenDiagInterface(kSimulatedPort), 0);
    EXPECT_NE(kelt->ConnectEcu().startFailure, 0) << "nobody answers at 16 any more";
    ProfileFile(attr.AppIni).writeInt("Diagnose", "ECUAdress", 20);
    EXPECT_TRUE(kelt->ConnectEcu().connected());
}

// --- repeat and give-up ------------------------------------------------------------------------------

// Runs Execute and tells whether the window was ever shown.
bool executeShown(TfrmBaudrateUndAdresse& w, int& result) {
    bool shown = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() == &w) {
            shown = true;
            w.done(-99);
        }
    });
    probe.start(5);
    result = w.Execute();
    return shown;
}

TEST_F(AddressWindow, AGiveUpWhileReadingEndsUnshown) {
    connect();
    for (uint8_t id : {uint8_t(0xD0), uint8_t(0xAF)}) {
        SCOPED_TRACE(int(id));
        kelt->DiagnoseAktiv = 1;
        ecu->clearLog();
        ecu->injectNegative(readOf(id));
        ecu->injectNegative(readOf(id));
        errors.script(RepeatOperation);
        errors.script(GiveUp);
        TfrmBaudrateUndAdresse w(nullptr, *kelt);
        int result = 0;
        EXPECT_FALSE(executeShown(w, result));
        EXPECT_EQ(result, GiveUp);
        EXPECT_EQ(kelt->DiagnoseAktiv, 0);
        EXPECT_EQ(ecu->count(readOf(id)), 2) << "repeated once at once";
        EXPECT_EQ(ecu->count({0x13}), 0);
    }
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>(4, JED677_NEGATIVE_ANSWER));
}

TEST_F(AddressWindow, AGiveUpWhileSavingLeavesTheWindowOpen) {
    connect();
    ecu->injectNegative({0x13, 0xD0});
    ecu->injectNegative({0x13, 0xAF});
    ecu->injectNegative({0x13, 0xAF});
    errors.script(GiveUp);
    errors.script(RepeatOperation);
    errors.script(GiveUp);
    TfrmBaudrateUndAdresse w(nullptr, *kelt);
    bool openAfterAddress = false;
    bool openAfterRate = false;
    ModalScript script([&](QWidget*) {
        w.edECUAdresse->setText("20");
        w.btnSpeichernAdresse->click();
        EXPECT_EQ(kelt->DiagnoseAktiv, 0);
        openAfterAddress = w.isVisible();
        kelt->DiagnoseAktiv = 1;
        w.rb2400Baud->setChecked(true);
        w.btnSpeichernBaudrate->click();
        EXPECT_EQ(kelt->DiagnoseAktiv, 0);
        openAfterRate = w.isVisible();
        w.btn1->click();
    });
    EXPECT_EQ(w.Execute(), 1);
    EXPECT_TRUE(script.ran());
    EXPECT_TRUE(openAfterAddress);
    EXPECT_TRUE(openAfterRate);
    EXPECT_EQ(errors.shownCodes(), std::vector<int32_t>(3, JED677_NEGATIVE_ANSWER));
    EXPECT_EQ(ecu->count({0x13, 0xAF}), 2) << "the rate was written again on Repeat";
    EXPECT_TRUE(boxes.shown.empty()) << "no success after a give-up";
    EXPECT_EQ(ecu->address(), 16);
}

TEST_F(AddressWindow, ShownSavedAndClosedWithOk) {
    connect();
    TfrmBaudrateUndAdresse w(nullptr, *kelt);
    ModalScript script([&](QWidget* modal) {
        EXPECT_EQ(modal, &w);
        EXPECT_EQ(w.edECUAdresse->text(), "16");
        EXPECT_TRUE(w.rb9600Baud->isChecked());
        w.edECUAdresse->setText("17");
        w.btnSpeichernAdresse->click();
        w.rb1200Baud->click();
        w.btnSpeichernBaudrate->click();
        w.btn1->click();
    });
    EXPECT_EQ(w.Execute(), 1);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(ecu->address(), 17);
    EXPECT_EQ(ecu->localId(0xAF), (SimBytes{1, 0}));
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{kStored, kStored}));
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

}  // namespace

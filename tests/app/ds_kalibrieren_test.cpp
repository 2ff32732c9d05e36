// The pressure-sensor windows behind their windows, against the simulated ECU on a fake clock:
// venting while "Lower the vehicle" is held and the release after it, the zero calibration at the
// venting threshold, and the stored offset read, shown, adopted and written.
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "Clock.h"
#include "DSKalibrieren.h"
#include "KeltTestSupport.h"
#include "StringTable.h"

namespace {

const SimBytes kLead = {0x83, 0x26, 0x01, 0x00};
const SimBytes kHold = {0x83, 0x21, 0x00, 0x00};
const SimBytes kVentAll = {0x83, 0x21, 0x1E, 0x00};
// As the simulated ECU matches and counts them (without the header byte).
const SimBytes kHoldBody = {0x21, 0x00, 0x00};
const SimBytes kVentAllBody = {0x21, 0x1E, 0x00};
const SimBytes kReadPressure = {0x44};

class PressureSensorTest : public KeltFixture {
public:
    FakeClock clock{1000};

    void SetUp() override {
        KeltFixture::SetUp();
        connectTo({0x10, 0x78, 0x01, 0x00});
        kelt->setClock(clock);
        ecu->setClock(clock);
        ecu->setMotion({20, 20, 25});
        kelt->CfgPressureSensor = 1;
        kelt->CfgPressureData = 1;
        kelt->DiagnoseAktiv = 1;
    }
    std::vector<SimBytes> sent() const { return ecu->messages(); }
    std::vector<std::string> boxTexts() const { return boxes.texts(); }
    static std::vector<std::string> texts(std::initializer_list<int> ids) {
        std::vector<std::string> result;
        for (int id : ids) result.push_back(LoadStr(id));
        return result;
    }
    // The bellows pressure the simulated ECU reports.
    void setPressure(uint8_t pressure) { ecu->setStatusValue(0x44, pressure, 0); }
};

// --- the zero calibration's valve timer -----------------------------------------------------------

class ZeroCalibration : public PressureSensorTest {
public:
    int timerStops = 0;
    std::unique_ptr<DSKalibrieren> window;

    void SetUp() override {
        PressureSensorTest::SetUp();
        window = std::make_unique<DSKalibrieren>(*kelt, [this] { ++timerStops; });
        ASSERT_TRUE(window->Start());
        ecu->clearLog();
    }
    // One tick after the rate limit of the pressure read has run out.
    bool tickLater(uint64_t ms = 501) {
        clock.advance(ms);
        return window->Tick();
    }
};

TEST_F(ZeroCalibration, HoldingVentsEveryTickAndOneHoldFollowsTheRelease) {
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(sent(), (std::vector<SimBytes>{kLead, kHold, kReadPressure}));
    EXPECT_EQ(window->display().pressure, "53");

    window->setHeld(true);
    ecu->clearLog();
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(tickLater(250));
    EXPECT_EQ(ecu->count(kVentAllBody), 4);
    EXPECT_EQ(ecu->count(kHoldBody), 0);
    EXPECT_EQ(ecu->actuationWord(), (std::array<uint8_t, 2>{0x1E, 0x00}));
    EXPECT_LT(std::stoi(window->display().pressure), 53) << "the bellows pressure falls while venting";

    window->setHeld(false);
    ecu->clearLog();
    ASSERT_TRUE(tickLater());
    EXPECT_EQ(sent(), (std::vector<SimBytes>{kReadPressure, kHold}));
    const uint8_t vented = ecu->statusValue(0x44)[0];
    ecu->clearLog();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(tickLater(100));
    EXPECT_EQ(ecu->count({0x21}), 0) << "nothing while idle";
    EXPECT_EQ(ecu->count({0x26}), 0);
    EXPECT_TRUE(ecu->released());
    clock.advance(2000);
    EXPECT_EQ(ecu->statusValue(0x44)[0], vented) << "held: the pressure stays";
}

TEST_F(ZeroCalibration, ARepeatAfterAFailedVentHoldsInsteadOfVenting) {
    ASSERT_TRUE(window->Tick());
    window->setHeld(true);
    ecu->injectNegative(kVentAllBody);
    errors.script(RepeatOperation);
    ecu->clearLog();
    ASSERT_TRUE(tickLater());
    EXPECT_EQ(sent().back(), kHold);
    EXPECT_FALSE(window->held());
    EXPECT_TRUE(ecu->released());
    ecu->clearLog();
    ASSERT_TRUE(tickLater());
    EXPECT_EQ(sent(), std::vector<SimBytes>{kReadPressure}) << "no second hold, no vent";
}

TEST_F(ZeroCalibration, ADialogDuringTheReadWhileVentingEndsTheTickHolding) {
    ASSERT_TRUE(window->Tick());
    window->setHeld(true);
    ASSERT_TRUE(tickLater());
    EXPECT_FALSE(ecu->released());
    ecu->injectNegative(kReadPressure);
    errors.script(RepeatOperation);
    ASSERT_TRUE(tickLater());
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(sent().back(), kHold);
    EXPECT_FALSE(window->held());
}

TEST_F(ZeroCalibration, ADialogWhileVentingShowsOnlyOnceTheValvesAreReleased) {
    for (const SimBytes& failing : {kReadPressure, kVentAllBody}) {
        SCOPED_TRACE(testing::PrintToString(failing));
        ASSERT_TRUE(tickLater());
        window->setHeld(true);
        ASSERT_TRUE(tickLater());
        ASSERT_EQ(ecu->actuationWord(), (std::array<uint8_t, 2>{0x1E, 0x00}));
        std::vector<std::array<uint8_t, 2>> wordsAtDialog;
        std::vector<int32_t> codes;
        errors.whenShown = [&](int32_t code) {
            wordsAtDialog.push_back(ecu->actuationWord());
            codes.push_back(code == kelt->LetzterFehlercode);
        };
        ecu->injectNegative(failing);
        errors.script(RepeatOperation);
        ASSERT_TRUE(tickLater());
        EXPECT_EQ(wordsAtDialog, (std::vector<std::array<uint8_t, 2>>{{0x00, 0x00}})) << "vented under the dialog";
        EXPECT_EQ(codes, std::vector<int32_t>{1}) << "the dialog is about the failure, not the release";
        EXPECT_FALSE(window->held());
        EXPECT_TRUE(ecu->released());
        errors.whenShown = nullptr;
    }
}

struct GiveUpCase {
    std::string name;
    SimBytes failing;
};

void PrintTo(const GiveUpCase& c, std::ostream* os) { *os << c.name; }

class GiveUpWhileVenting : public ZeroCalibration, public ::testing::WithParamInterface<GiveUpCase> {};

TEST_P(GiveUpWhileVenting, ReleasesOnceSilentlyThenEndsTheConnection) {
    ASSERT_TRUE(window->Tick());
    window->setHeld(true);
    ASSERT_TRUE(tickLater());
    ASSERT_FALSE(ecu->released());
    ecu->injectNegative(GetParam().failing);
    errors.script(GiveUp);
    timerStops = 0;
    ecu->clearLog();
    EXPECT_FALSE(tickLater());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(sent().back(), kHold);
    EXPECT_EQ(errors.shownCodes().size(), 1u) << "the release asked nothing";
    EXPECT_GE(timerStops, 1);
    EXPECT_FALSE(window->running());
    ecu->clearLog();
    EXPECT_EQ(window->Finish(GiveUp), GiveUp);
    EXPECT_TRUE(sent().empty());
}

INSTANTIATE_TEST_SUITE_P(Points, GiveUpWhileVenting,
                         ::testing::Values(GiveUpCase{"PressureRead", kReadPressure},
                                           GiveUpCase{"VentRequest", kVentAllBody}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ZeroCalibration, FinishReleasesTheValvesThenRunsTheEndHook) {
    ASSERT_TRUE(window->Tick());
    window->setHeld(true);
    ASSERT_TRUE(tickLater());
    ecu->injectNegative(kHoldBody);
    errors.script(RepeatOperation);
    ecu->clearLog();
    EXPECT_EQ(window->Finish(IDOK), IDOK);
    EXPECT_EQ(sent(), (std::vector<SimBytes>{kHold, kHold}));
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

// --- the zero calibration's save ---------------------------------------------------------------------

struct SaveCase {
    std::string name;
    uint8_t pressure;
    bool sensor;  // CfgPressureSensor
    bool calibrates;
};

void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

class ZeroSave : public ZeroCalibration, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(ZeroSave, CalibratesOnlyVentedBellows) {
    const SaveCase& c = GetParam();
    kelt->CfgPressureSensor = c.sensor;
    window = std::make_unique<DSKalibrieren>(*kelt, [] {});
    ASSERT_TRUE(window->Start());
    setPressure(c.pressure);
    ASSERT_TRUE(tickLater());
    ecu->clearLog();
    EXPECT_TRUE(window->SavePressureZero());
    EXPECT_EQ(window->saved(), c.calibrates);
    if (c.calibrates) {
        EXPECT_EQ(sent(), (std::vector<SimBytes>{{0x27}, {0x25}}));
        EXPECT_EQ(boxTexts(), texts({20000}));
        EXPECT_EQ((*ecu->localId(0xCD))[1], c.pressure) << "the ECU took the pressure as its zero";
    } else {
        EXPECT_TRUE(sent().empty());
        EXPECT_EQ(boxTexts(), texts({DSKalibrieren::kNotVentedText}));
        EXPECT_EQ(boxes.shown[0].flags, unsigned{MB_ICONWARNING});
    }
}

INSTANTIATE_TEST_SUITE_P(Pressures, ZeroSave,
                         ::testing::Values(SaveCase{"AtTheThreshold", 40, true, true},
                                           SaveCase{"AboveTheThreshold", 41, true, false},
                                           SaveCase{"WithoutASensorAnyPressure", 41, false, true}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ZeroCalibration, SaveWaitsForAPressureOfThisWindow) {
    setPressure(30);
    EXPECT_FALSE(window->display().saveEnabled);
    EXPECT_TRUE(window->SavePressureZero());
    EXPECT_TRUE(sent().empty()) << "0 is no pressure read";
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_TRUE(window->Tick());
    EXPECT_TRUE(window->display().saveEnabled);

    kelt->CfgPressureSensor = 0;
    DSKalibrieren withoutSensor(*kelt, [] {});
    ASSERT_TRUE(withoutSensor.Start());
    EXPECT_TRUE(withoutSensor.display().saveEnabled);
    EXPECT_EQ(withoutSensor.display().sensorText, LoadStr(20014));
    EXPECT_EQ(withoutSensor.display().unit, "counts");
    ASSERT_TRUE(withoutSensor.Tick());
    EXPECT_EQ(withoutSensor.display().pressure, "---");
}

TEST_F(ZeroCalibration, AGivenUpCalibrationReleasesAndEnds) {
    ASSERT_TRUE(window->Tick());
    setPressure(30);
    ASSERT_TRUE(tickLater());
    window->setHeld(true);
    ASSERT_TRUE(tickLater());
    ecu->injectNegative({0x27});
    errors.script(GiveUp);
    EXPECT_FALSE(window->SavePressureZero());
    EXPECT_FALSE(window->saved());
    EXPECT_TRUE(ecu->released());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

TEST_F(ZeroCalibration, OkAsksUnlessSaved) {
    boxes.answer = [](const ShownBox&) { return IDCANCEL; };
    EXPECT_FALSE(window->ConfirmOk());
    ASSERT_EQ(boxTexts(), texts({DSKalibrieren::kNotSavedQuestionText}));
    EXPECT_EQ(boxes.shown[0].flags, unsigned{MB_OKCANCEL | MB_ICONQUESTION});
    boxes.answer = [](const ShownBox&) { return IDOK; };
    EXPECT_TRUE(window->ConfirmOk());

    setPressure(20);
    ASSERT_TRUE(window->Tick());
    ASSERT_TRUE(window->SavePressureZero());
    boxes.shown.clear();
    EXPECT_TRUE(window->ConfirmOk());
    EXPECT_TRUE(boxes.shown.empty());
}

// --- the stored offset -----------------------------------------------------------------------------

class OffsetData : public PressureSensorTest {
public:
    std::unique_ptr<DSKalibrierdaten> window;

    void SetUp() override {
        PressureSensorTest::SetUp();
        window = std::make_unique<DSKalibrierdaten>(*kelt);
    }
    void start() {
        ASSERT_TRUE(window->Start());
        ecu->clearLog();
        boxes.shown.clear();
    }
};

TEST_F(OffsetData, ShowsTheOffsetAndOnlyPressuresRead) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(window->display().offset, "9");
    EXPECT_TRUE(window->display().offsetEditable);
    EXPECT_EQ(window->display().unit, "counts");
    EXPECT_EQ(window->display().pressure, "---") << "the offset is no pressure";
    EXPECT_FALSE(window->modified());

    // A failed read is shown; the label waits for a pressure.
    ecu->injectNegative(kReadPressure);
    errors.script(RepeatOperation);
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(window->display().pressure, "---");
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(window->display().pressure, "53");
}

TEST_F(OffsetData, ThePressureLabelChangesAtMostEvery500Ms) {
    ASSERT_NO_FATAL_FAILURE(start());
    std::vector<uint64_t> changes;
    std::string shown = window->display().pressure;
    // Timer1 every 50 ms for 3 s while the pressure changes between every two ticks.
    for (int tick = 0; tick < 60; ++tick) {
        setPressure(static_cast<uint8_t>(60 + tick));
        ASSERT_TRUE(window->Tick());
        if (window->display().pressure != shown) {
            shown = window->display().pressure;
            changes.push_back(clock.nowMs());
        }
        clock.advance(50);
    }
    ASSERT_GE(changes.size(), 5u);
    for (std::size_t i = 1; i < changes.size(); ++i) EXPECT_GT(changes[i] - changes[i - 1], 500u);
    EXPECT_EQ(ecu->count(kReadPressure), static_cast<int>(changes.size()));
}

TEST_F(OffsetData, AFailedOffsetReadRepeatsOrOpensNoWindow) {
    ecu->injectNegative({0x14, 0xCD});
    errors.script(RepeatOperation);
    ASSERT_TRUE(window->Start());
    EXPECT_EQ(window->display().offset, "9") << "the offset read again, never a 0 shown";
    EXPECT_EQ(ecu->count({0x14, 0xCD}), 2);

    DSKalibrierdaten given(*kelt);
    ecu->injectNegative({0x14, 0xCD});
    errors.script(GiveUp);
    EXPECT_FALSE(given.Start());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

TEST_F(OffsetData, AdoptingTakesOnlyAPressureRead) {
    ASSERT_NO_FATAL_FAILURE(start());
    setPressure(31);
    ecu->injectNegative(kReadPressure);
    errors.script(RepeatOperation);
    ASSERT_TRUE(window->AdoptCurrentPressure());
    EXPECT_EQ(ecu->count(kReadPressure), 2) << "repeated";
    EXPECT_EQ(window->display().offset, "31");
    EXPECT_EQ(window->display().pressure, "31");
    EXPECT_TRUE(window->modified());

    boxes.answer = [](const ShownBox&) { return IDCANCEL; };
    EXPECT_FALSE(window->ConfirmOk());
    EXPECT_EQ(boxTexts(), texts({DSKalibrierdaten::kNotSavedQuestionText}));
    EXPECT_EQ(boxes.shown[0].flags, unsigned{MB_OKCANCEL | MB_ICONQUESTION});

    clock.advance(501);
    ecu->injectNegative(kReadPressure);
    errors.script(GiveUp);
    EXPECT_FALSE(window->AdoptCurrentPressure());
    EXPECT_EQ(window->display().offset, "31");
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

TEST_F(OffsetData, SavingWritesTheOffsetBlockAndStoresIt) {
    ASSERT_NO_FATAL_FAILURE(start());
    window->setOffsetText("9");
    EXPECT_TRUE(window->modified());
    EXPECT_EQ(window->SaveOffset(), DSKalibrierdaten::SaveOutcome::Written);
    EXPECT_EQ(sent(), (std::vector<SimBytes>{{0x84, 0x13, 0xCD, 0x0A, 0x09},
                                             {0x84, 0x13, 0xCE, 0x00, 0x00},
                                             {0x84, 0x13, 0xCF, 0x00, 0x00},
                                             {0x25}}));
    EXPECT_EQ(boxTexts(), texts({DSKalibrierdaten::kWrittenText}));
    EXPECT_EQ(boxes.shown[0].flags, unsigned{MB_ICONINFORMATION});
    EXPECT_FALSE(window->modified());
    boxes.shown.clear();
    EXPECT_TRUE(window->ConfirmOk());
    EXPECT_TRUE(boxes.shown.empty());
}

class RefusedOffsets : public OffsetData, public ::testing::WithParamInterface<std::string> {};

TEST_P(RefusedOffsets, SendNothing) {
    ASSERT_NO_FATAL_FAILURE(start());
    window->setOffsetText(GetParam());
    EXPECT_EQ(window->SaveOffset(), DSKalibrierdaten::SaveOutcome::Refused);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(boxTexts(), texts({DSKalibrierdaten::kNotPermissibleText}));
    EXPECT_EQ(boxes.shown[0].flags, unsigned{MB_ICONWARNING});
    EXPECT_TRUE(window->modified());
    EXPECT_EQ(kelt->DiagnoseAktiv, 1);
}

INSTANTIATE_TEST_SUITE_P(Entries, RefusedOffsets, ::testing::Values("abc", "", "256", "-1", "65535", "9x"),
                         [](const auto& info) {
                             std::string name;
                             for (char c : info.param) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return "Entry_" + name;
                         });

TEST_F(OffsetData, WithoutASensorTheOffsetCannotBeEnteredAnd255IsWritten) {
    kelt->CfgPressureSensor = 0;
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_FALSE(window->display().offsetEditable);
    EXPECT_EQ(window->display().offset, "");
    ASSERT_TRUE(window->Tick());
    EXPECT_EQ(window->display().pressure, "---");
    ecu->clearLog();
    EXPECT_EQ(window->SaveOffset(), DSKalibrierdaten::SaveOutcome::Written);
    EXPECT_EQ(sent().front(), (SimBytes{0x84, 0x13, 0xCD, 0x00, 0xFF}));
}

TEST_F(OffsetData, AGivenUpWriteEndsTheConnection) {
    ASSERT_NO_FATAL_FAILURE(start());
    window->setOffsetText("12");
    ecu->injectNegative({0x13, 0xCE});
    errors.script(GiveUp);
    EXPECT_EQ(window->SaveOffset(), DSKalibrierdaten::SaveOutcome::GaveUp);
    EXPECT_TRUE(boxes.shown.empty()) << "no success told";
    EXPECT_TRUE(window->modified());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
    EXPECT_EQ(window->Finish(GiveUp), GiveUp);
}

TEST_F(OffsetData, AGivenUpTickEndsTheConnection) {
    ASSERT_NO_FATAL_FAILURE(start());
    ecu->injectNegative(kReadPressure);
    errors.script(GiveUp);
    EXPECT_FALSE(window->Tick());
    EXPECT_EQ(kelt->DiagnoseAktiv, 0);
}

// --- demo mode ---------------------------------------------------------------------------------------

class PressureSensorInDemo : public InDemoMode<PressureSensorTest> {};

TEST_F(PressureSensorInDemo, SampleValuesAndNothingSent) {
    kelt->CfgPressureSensor = 1;
    kelt->DiagnoseAktiv = 1;
    DSKalibrierdaten data(*kelt);
    ASSERT_TRUE(data.Start());
    EXPECT_EQ(data.display().offset, "9");
    ASSERT_TRUE(data.Tick());
    EXPECT_EQ(data.display().pressure, "53");

    DSKalibrieren zero(*kelt, [] {});
    ASSERT_TRUE(zero.Start());
    zero.setHeld(true);
    ASSERT_TRUE(zero.Tick());
    EXPECT_EQ(zero.display().pressure, "53");
    EXPECT_TRUE(zero.SavePressureZero());
    EXPECT_EQ(boxTexts(), texts({DSKalibrieren::kNotVentedText}));
    EXPECT_EQ(zero.Finish(IDCANCEL), IDCANCEL);
    EXPECT_EQ(driverCalls, 0);
}

}  // namespace

#include "DSKalibrieren.h"

#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "LevelCalibration.h"
#include "MessageBox.h"
#include "Numbers.h"
#include "StringTable.h"

namespace {

constexpr int kPressureSensorText = 20014;

// The start hook's function numbers.
constexpr int kFunctionWindow = 1;
constexpr int kFunctionPressureData = 3;

// Venting opens every level valve; the cross throttle stays closed.
constexpr std::array<uint8_t, 4> kAllValves = {1, 1, 1, 1};

// The offset goes out as one byte.
constexpr int64_t kHighestOffset = 255;
// Without a pressure sensor the offset cannot be entered; its byte is written as 255.
constexpr uint16_t kNoSensorOffset = 0xFFFF;

void showMessage(const KELTInterface& kelt, int text, unsigned flags) {
    MsgBox(LoadStr(text), kelt.applicationTitle(), flags);
}

}  // namespace

// --- the zero calibration -------------------------------------------------------------------------

DSKalibrieren::DSKalibrieren(KELTInterface& kelt, std::function<void()> stopTimer)
    : kelt_(kelt),
      shutdown_(kelt, [&kelt] { return kelt.DriveLevelValves(LevelHold, {}, {}); }, std::move(stopTimer)) {}

int DSKalibrieren::repeat(const std::function<int()>& operation) {
    return repeatWhileAsked([&] {
        const int answer = operation();
        if (answer != NoErrorShown) dialogShown_ = true;
        return answer;
    });
}

int DSKalibrieren::drive(uint8_t mode, uint8_t lead) {
    return kelt_.DriveLevelValves(mode, kAllValves, {0, lead});
}

bool DSKalibrieren::giveUp() {
    shutdown_.afterGiveUp();
    return false;
}

bool DSKalibrieren::Start() {
    saved_ = 0;
    held_ = 0;
    display_.unit = kelt_.PressureUnitText();
    display_.sensorText = LoadStr(kPressureSensorText);
    threshold_ = kelt_.ReadPressureThreshold();
    display_.saveEnabled = !kelt_.CfgPressureSensor;
    if (repeatWhileAsked([&] { return kelt_.ReportLastError(kFunctionWindow); }) != NoErrorShown) {
        kelt_.DiagnoseAktiv = 0;
        return false;
    }
    return true;
}

bool DSKalibrieren::Tick() {
    dialogShown_ = false;
    // The dialog keeps the technician from letting go: the venting stops before it shows.
    const auto releaseFirst = shutdown_.releaseBeforeDialogs([this] {
        if (!held_) return false;
        held_ = 0;
        return true;
    });
    if (firstTick_) {
        // The lead request goes out once, before anything is driven.
        firstTick_ = 0;
        if (repeat([&] { return drive(LevelHold, 1); }) == GiveUp) return giveUp();
        holdSent_ = 1;
    }

    uint16_t pressure = pressure_;
    if (repeat([&] { return kelt_.ReadPressure(pressure); }) == GiveUp) return giveUp();
    pressure_ = pressure;
    pressureRead_ = true;
    display_.saveEnabled = true;
    if (kelt_.CfgPressureSensor) display_.pressure = numbers::formatInt(pressure_);

    // A button let go while a dialog was open never told us: such a hold is not trusted, and a
    // repeat after a dialog holds instead of venting.
    if (dialogShown_) held_ = 0;
    if (held_) {
        const int answer = repeat([&] {
            if (dialogShown_) held_ = 0;
            const uint8_t mode = held_ ? LevelVent : LevelHold;
            const int result = drive(mode, 0);
            holdSent_ = mode == LevelHold && result == NoErrorShown;
            return result;
        });
        if (answer == GiveUp) return giveUp();
    }
    if (!held_ && !holdSent_) {
        if (repeat([&] { return drive(LevelHold, 0); }) == GiveUp) return giveUp();
        holdSent_ = 1;
    }
    return true;
}

bool DSKalibrieren::SavePressureZero() {
    if (kelt_.CfgPressureSensor) {
        // The button stays disabled until then: there is no pressure to judge the venting by.
        if (!pressureRead_) return true;
        if (pressure_ > threshold_) {
            showMessage(kelt_, kNotVentedText, MB_ICONWARNING | MB_OK);
            return true;
        }
    }
    if (repeatWhileAsked([&] { return kelt_.CalibratePressureZero(); }) == GiveUp) return giveUp();
    saved_ = 1;
    return true;
}

bool DSKalibrieren::ConfirmOk() {
    if (saved_) return true;
    return MsgBox(LoadStr(kNotSavedQuestionText), kelt_.applicationTitle(), MB_OKCANCEL | MB_ICONQUESTION) ==
           IDOK;
}

int DSKalibrieren::Finish(int modalResult) { return shutdown_.finishExecute(modalResult); }

// --- the stored offset ------------------------------------------------------------------------------

DSKalibrierdaten::DSKalibrierdaten(KELTInterface& kelt) : kelt_(kelt) {}

void DSKalibrierdaten::showOffset(uint16_t value) {
    if (display_.offsetEditable) display_.offset = numbers::formatInt(value);
}

bool DSKalibrierdaten::Start() {
    display_.unit = kelt_.PressureUnitText();
    display_.offsetEditable = kelt_.CfgPressureSensor != 0;
    // A failed read would show 0, which a save would then write.
    uint16_t offset = 0;
    if (repeatWhileAsked([&] { return kelt_.ReadPressureOffset(offset); }) == GiveUp ||
        repeatWhileAsked([&] { return kelt_.ReportLastError(kFunctionPressureData); }) != NoErrorShown) {
        kelt_.DiagnoseAktiv = 0;
        return false;
    }
    showOffset(offset);
    modified_ = 0;
    return true;
}

bool DSKalibrierdaten::Tick() {
    uint16_t value = 0;
    const int answer = kelt_.ReadPressure(value);
    if (answer == GiveUp) {
        kelt_.DiagnoseAktiv = 0;
        return false;
    }
    // A failed read shows nothing new; the next tick asks again.
    if (answer == NoErrorShown) pressure_ = value;
    if (pressure_ && kelt_.CfgPressureSensor) display_.pressure = numbers::formatInt(*pressure_);
    return true;
}

void DSKalibrierdaten::setOffsetText(std::string text) {
    display_.offset = std::move(text);
    modified_ = 1;
}

bool DSKalibrierdaten::AdoptCurrentPressure() {
    modified_ = 1;
    uint16_t value = 0;
    if (repeatWhileAsked([&] { return kelt_.ReadPressure(value); }) == GiveUp) {
        kelt_.DiagnoseAktiv = 0;
        return false;
    }
    pressure_ = value;
    if (kelt_.CfgPressureSensor) display_.pressure = numbers::formatInt(value);
    showOffset(value);
    return true;
}

DSKalibrierdaten::SaveOutcome DSKalibrierdaten::SaveOffset() {
    uint16_t offset = kNoSensorOffset;
    if (display_.offsetEditable) {
        // One byte goes out: 256 must not become 0, nor -1 255.
        const std::optional<int64_t> entered = numbers::parseInt(display_.offset);
        if (!entered || *entered < 0 || *entered > kHighestOffset) {
            showMessage(kelt_, kNotPermissibleText, MB_ICONWARNING | MB_OK);
            return SaveOutcome::Refused;
        }
        offset = static_cast<uint16_t>(*entered);
    }
    if (repeatWhileAsked([&] { return kelt_.WritePressureOffset(static_cast<uint8_t>(offset & 0xFF)); }) !=
            NoErrorShown ||
        repeatWhileAsked([&] { return kelt_.ReportLastError(kFunctionPressureData); }) != NoErrorShown) {
        kelt_.DiagnoseAktiv = 0;
        return SaveOutcome::GaveUp;
    }
    showMessage(kelt_, kWrittenText, MB_ICONINFORMATION | MB_OK);
    modified_ = 0;
    return SaveOutcome::Written;
}

bool DSKalibrierdaten::ConfirmOk() {
    if (!modified_) return true;
    return MsgBox(LoadStr(kNotSavedQuestionText), kelt_.applicationTitle(), MB_OKCANCEL | MB_ICONQUESTION) ==
           IDOK;
}

int DSKalibrierdaten::Finish(int modalResult) {
    if (kelt_.DiagnoseAktiv && repeatWhileAsked([&] { return kelt_.ReportLastError(); }) != NoErrorShown) {
        kelt_.DiagnoseAktiv = 0;
        return GiveUp;
    }
    return modalResult;
}

#include "HebenSenken.h"

#include "ErrorReporter.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "Numbers.h"
#include "StringTable.h"

namespace {

constexpr const char* kNotRead = "---";

enum Text : int {
    TextCalibrationNotSuccessful = 20401,
    TextCalibrationSuccessful = 20402,
    TextLowerLevelCalibrated = 20405,
    TextThreeLevels = 20406,
    TextNormalLevelOnly = 20407,
    TextStartCalibration = 20410,
    TextSelectValves = 20411,
    TextMoveToNormal = 20412,
    TextMoveToLower = 20413,
    TextMoveToUpper = 20414,
    TextCalibrationCancelled = 20415,
    TextThreeLevelsAndCurve = 20417,
    TextSuccessfulDeleteMemory = 20419,
    TextNotSuccessfulDeleteMemory = 20420,
    TextPlaceVehicleLevel = 20421,
};

// The start hook's function numbers.
constexpr int kFunctionWindow = 1;
constexpr int kFunctionCalibration = 6;

constexpr uint8_t kNormalLevelOnly = 1;
constexpr uint8_t kCharacteristicCurve = 3;

// A start value of a sensor that can be calibrated: at least 5, and 255 means no sensor.
bool sensorValueUsable(int64_t value) { return value >= 5 && value != 255; }
bool sensorTextUsable(const std::string& text) {
    // Read as the integer the text starts with; "---" (never read) is 0.
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    const std::optional<int64_t> value = numbers::parseInt(std::string_view(text).substr(0, digits));
    return sensorValueUsable(value.value_or(0));
}

bool tiltValueSavable(uint16_t value) { return value >= 50 && value <= 200; }

}  // namespace

HebenSenken::HebenSenken(KELTInterface& kelt, LevelInputDialog& levelInput,
                         std::function<void()> stopTimer)
    : kelt_(kelt),
      levelInput_(levelInput),
      shutdown_(kelt, [&kelt] { return kelt.DriveLevelValves(LevelHold, {}, {}); }, std::move(stopTimer)) {}

int HebenSenken::repeat(const std::function<int()>& operation) {
    return repeatWhileAsked([&] {
        const int answer = operation();
        if (answer != NoErrorShown) dialogShown_ = true;
        return answer;
    });
}

int HebenSenken::drive(uint8_t mode, uint8_t lead) {
    return kelt_.DriveLevelValves(mode, valves_, {crossThrottle_, lead});
}

bool HebenSenken::giveUp() {
    shutdown_.afterGiveUp();
    return false;
}

void HebenSenken::showMessage(int text, unsigned flags) {
    MsgBox(LoadStr(text), kelt_.applicationTitle(), flags | MB_OK);
}

bool HebenSenken::Start(HebenSenkenMode mode) {
    if (mode == HebenSenkenMode::DistanceSensors) {
        if (repeat([&] { return kelt_.ReadLevelSensors(levelTexts_); }) == GiveUp) return giveUp();
        bool usable = sensorTextUsable(levelTexts_[3]) && sensorTextUsable(levelTexts_[4]);
        if (kelt_.CfgFrontAxle) usable = usable && sensorTextUsable(levelTexts_[0]);
        if (!usable) {
            showMessage(kFaultySensorValuesText, MB_ICONWARNING);
            return false;
        }
    } else if (mode == HebenSenkenMode::TiltSensors) {
        if (repeat([&] { return kelt_.ReadTiltSensors(tilt_); }) == GiveUp) return giveUp();
        if (!sensorValueUsable(tilt_.Tilt) || !sensorValueUsable(tilt_.TiltArrested)) {
            showMessage(kFaultySensorValuesText, MB_ICONWARNING);
            return false;
        }
    }
    chargeHeld_ = ventHeld_ = 0;
    saved_ = 0;
    crossThrottle_ = 0;
    mode_ = mode;
    if (repeat([&] { return kelt_.ReportLastError(kFunctionWindow); }) != NoErrorShown) return giveUp();

    display_.levelUnit = kelt_.LevelUnitText();
    switch (mode) {
    case HebenSenkenMode::DistanceSensors:
        // A type the user gave up reading would calibrate against the wrong steps.
        if (repeat([&] { return kelt_.ReadCalibrationType(calibrationType_); }) == GiveUp)
            return giveUp();
        display_.calibrationType =
            LoadStr(calibrationType_ == kNormalLevelOnly ? TextNormalLevelOnly : TextThreeLevels);
        display_.hint = LoadStr(TextStartCalibration);
        break;
    case HebenSenkenMode::CharacteristicCurve:
        calibrationType_ = kCharacteristicCurve;
        display_.calibrationType = LoadStr(TextThreeLevelsAndCurve);
        display_.hint = LoadStr(TextStartCalibration);
        break;
    case HebenSenkenMode::TiltSensors:
        display_.hint = LoadStr(TextPlaceVehicleLevel);
        break;
    case HebenSenkenMode::RaiseLower:
        saved_ = 1;
        display_.hint = LoadStr(TextSelectValves);
        break;
    }
    return true;
}

std::array<bool, 5> HebenSenken::valveButtonsEnabled() const {
    return {kelt_.CfgValve1WSLeft != 0, kelt_.CfgValve1WSRight != 0, kelt_.CfgValve2WSLeft != 0,
            kelt_.CfgValve2WSRight != 0, kelt_.CfgCrossThrottle != 0};
}

void HebenSenken::selectValves(const std::array<bool, 5>& down) {
    for (std::size_t i = 0; i < valves_.size(); ++i) valves_[i] = down[i] ? 1 : 0;
    crossThrottle_ = down[4] ? 1 : 0;
}

bool HebenSenken::Tick() {
    dialogShown_ = false;
    // The dialog keeps the technician from letting go: the valves stop before it shows.
    const auto releaseFirst = shutdown_.releaseBeforeDialogs([this] {
        if (!chargeHeld_ && !ventHeld_) return false;
        chargeHeld_ = ventHeld_ = 0;
        return true;
    });
    // Whether the last request of this tick that went through held the valves.
    bool holding = false;
    auto hold = [&](uint8_t lead) {
        const int answer = repeat([&] { return drive(LevelHold, lead); });
        holding = answer == NoErrorShown;
        return answer;
    };

    if (!chargeHeld_ && !ventHeld_) {
        const uint8_t lead = firstTick_;
        firstTick_ = 0;
        if (hold(lead) == GiveUp) return giveUp();
    }

    int answer = NoErrorShown;
    switch (readCycle_) {
    case 1:
        answer = repeat([&] { return kelt_.ReadLevelSensors(levelTexts_); });
        break;
    case 0:
        answer = repeat([&] { return kelt_.ReadPressure(pressure_); });
        break;
    default:
        answer = repeat([&] { return kelt_.ReadTiltSensors(tilt_); });
        break;
    }
    if (answer == GiveUp) return giveUp();
    readCycle_ = readCycle_ == 1 ? 0 : readCycle_ == 0 ? 2 : 1;
    showValues();

    // A button let go while a dialog was open never told us: such a hold is not trusted.
    if (dialogShown_) chargeHeld_ = ventHeld_ = 0;
    if (chargeHeld_ || ventHeld_) {
        answer = repeat([&] {
            if (dialogShown_) chargeHeld_ = ventHeld_ = 0;
            const uint8_t mode = chargeHeld_ ? LevelCharge : ventHeld_ ? LevelVent : LevelHold;
            const int result = drive(mode, 0);
            holding = result == NoErrorShown && mode == LevelHold;
            return result;
        });
        if (answer == GiveUp) return giveUp();
    }
    if (dialogShown_ && !holding && hold(0) == GiveUp) return giveUp();
    return true;
}

void HebenSenken::showValues() {
    auto levelOr = [&](uint8_t fitted, std::size_t index) {
        return fitted ? levelTexts_[index] : std::string(kNotRead);
    };
    display_.levelFront = levelOr(kelt_.CfgFrontAxle, 0);
    display_.levelRearLeft = levelOr(kelt_.CfgRearSensorLeft, 3);
    display_.levelRearRight = levelOr(kelt_.CfgRearSensorRight, 4);
    display_.pressure = kelt_.CfgPressureSensor
                            ? numbers::formatInt(static_cast<int16_t>(pressure_))
                            : std::string(kNotRead);
    display_.tilt = numbers::formatInt(tilt_.Tilt);
    display_.tiltArrested = numbers::formatInt(tilt_.TiltArrested);
}

void HebenSenken::calibrationFailed(int text) {
    showMessage(text, MB_ICONWARNING);
    display_.startEnabled = true;
    display_.hint = LoadStr(TextStartCalibration);
}

void HebenSenken::calibrationSucceeded() {
    showMessage(TextSuccessfulDeleteMemory, MB_ICONINFORMATION);
    display_.hint = LoadStr(TextSuccessfulDeleteMemory);
    display_.startEnabled = true;
    saved_ = 1;
}

bool HebenSenken::startCalibration() {
    if (repeat([&] { return kelt_.ReportLastError(kFunctionCalibration); }) != NoErrorShown)
        return giveUp();
    if (calibrationType_ == kNormalLevelOnly) {
        LevelValues values;
        if (repeat([&] { return kelt_.ReadLevelValues(values); }) == GiveUp) return giveUp();
        display_.hint = LoadStr(TextMoveToNormal);
        if (levelInput_.Execute(values) != IDOK) {
            showMessage(TextCalibrationCancelled, MB_ICONWARNING);
            display_.startEnabled = true;
            display_.hint = LoadStr(TextCalibrationCancelled);
            return true;
        }
        if (repeat([&] { return kelt_.WriteLevelValues(values); }) == GiveUp) return giveUp();
        if (repeat([&] { return kelt_.ReportLastError(kFunctionWindow); }) != NoErrorShown)
            return giveUp();
    } else {
        display_.hint = LoadStr(TextMoveToNormal);
    }
    display_.startEnabled = false;
    display_.saveNormalEnabled = true;
    return true;
}

bool HebenSenken::CalibrationStep(CalibrationButton button) {
    uint8_t step = 0;
    auto runStep = [&](uint8_t first) {
        step = first;
        return repeat([&] { return kelt_.CalibrationStep(step, calibrationType_); }) != GiveUp;
    };
    switch (button) {
    case CalibrationButton::Start:
        return startCalibration();
    case CalibrationButton::SaveNormal:
        display_.saveNormalEnabled = false;
        if (!runStep(1)) return giveUp();
        if (step == 2) {
            display_.saveUpperEnabled = true;
            display_.hint = LoadStr(TextMoveToUpper);
        } else if (step == 5) {
            calibrationSucceeded();
        } else {
            calibrationFailed(TextNotSuccessfulDeleteMemory);
        }
        return true;
    case CalibrationButton::SaveUpper:
        display_.saveUpperEnabled = false;
        if (!runStep(2)) return giveUp();
        if (step == 3) {
            display_.saveLowerEnabled = true;
            display_.hint = LoadStr(TextMoveToLower);
        } else {
            calibrationFailed(TextCalibrationNotSuccessful);
        }
        return true;
    case CalibrationButton::SaveLower:
        display_.saveLowerEnabled = false;
        if (!runStep(3)) return giveUp();
        if (calibrationType_ == kCharacteristicCurve) {
            showMessage(TextLowerLevelCalibrated, MB_ICONINFORMATION);
            display_.finishEnabled = true;
        } else if (step == 5) {
            calibrationSucceeded();
        } else {
            calibrationFailed(TextNotSuccessfulDeleteMemory);
        }
        return true;
    case CalibrationButton::Finish:
        display_.startEnabled = true;
        display_.saveNormalEnabled = display_.saveUpperEnabled = display_.saveLowerEnabled = false;
        display_.finishEnabled = false;
        if (!runStep(4)) return giveUp();
        // The finishing step answers 4 whatever happened: the stored block decides.
        if (step != 0 && kelt_.CheckCalibrationResult()) {
            showMessage(TextCalibrationSuccessful, MB_ICONINFORMATION);
            saved_ = 1;
        } else {
            showMessage(TextCalibrationNotSuccessful, MB_ICONWARNING);
        }
        return true;
    }
    return true;
}

bool HebenSenken::SaveTiltValues() {
    if (!tiltValueSavable(tilt_.Tilt) || !tiltValueSavable(tilt_.TiltArrested)) {
        showMessage(kInvalidTiltValuesText, MB_ICONWARNING);
        return true;
    }
    if (repeat([&] { return kelt_.WriteTiltValues(tilt_); }) == GiveUp) return giveUp();
    saved_ = 1;
    return true;
}

bool HebenSenken::ConfirmOk() {
    if (saved_) return true;
    return MsgBox(LoadStr(kNotSavedQuestionText), kelt_.applicationTitle(),
                  MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

int HebenSenken::Finish(int modalResult) { return shutdown_.finishExecute(modalResult); }

// --- the one-point calibration's entry ------------------------------------------------------------

bool levelInputHasFront(const KELTInterface& kelt) { return kelt.CfgFrontAxle != 0; }

bool levelInputHasRear(const KELTInterface& kelt) {
    return kelt.CfgRearSensorLeft != 0 || kelt.CfgRearSensorRight != 0;
}

std::optional<LevelInputProblem> checkLevelInput(bool front, bool rear,
                                                 const std::array<std::string, 4>& texts) {
    auto valid = [&](LevelInputEdit edit) {
        const std::string& text = texts[edit];
        if (text.empty() || text.size() > kMaxLevelInputDigits) return false;
        for (char c : text)
            if (c < '0' || c > '9') return false;
        const std::optional<int64_t> value = numbers::parseInt(text);
        return value && *value >= 5 && *value <= 253;
    };
    constexpr int kFrontText = 20090;
    constexpr int kRearText = 20091;
    for (LevelInputEdit edit : {UpperFront, LowerFront})
        if (front && !valid(edit)) return LevelInputProblem{kFrontText, edit};
    for (LevelInputEdit edit : {UpperRear, LowerRear})
        if (rear && !valid(edit)) return LevelInputProblem{kRearText, edit};
    return std::nullopt;
}

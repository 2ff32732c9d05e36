#pragma once
// Raising and lowering the vehicle and the three calibrations (distance sensors, distance
// sensors with characteristic curve, tilt sensors): the state and the steps behind the window
// TfrmHebenSenken, without the window. The window shows `display()`, forwards its buttons and
// its timer here and closes when an operation answers false.
//
// Valves never stay driven. The window's hold-to-act buttons set the held flags; every timer
// tick holds the valves unless a button is held and then charges or vents anew, so a flag
// that drops stops the movement at the next tick. After any error dialog in a tick the held
// flags are cleared (the button may have been let go while the dialog was open), a repeat is
// decided again from them, and the tick ends with a hold request. A dialog does not find the
// valves moving: while a button is held, one silent release goes out before it shows. Every way out ends with the
// release [0x83 0x21 0x00 0x00] (hold, nothing selected) through OutputShutdown: `finish()` after
// the modal showing, repeated while the user asks; after a give-up one silent attempt before
// DiagnoseAktiv is cleared.
//
// User-interface thread only.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "LevelCalibration.h"
#include "OutputShutdown.h"

class KELTInterface;

enum class HebenSenkenMode : uint8_t {
    RaiseLower = 0,
    DistanceSensors = 1,
    CharacteristicCurve = 2,  // three levels and the characteristic curve
    TiltSensors = 3,
};

// The buttons of the calibration steps.
enum class CalibrationButton { Start, SaveNormal, SaveUpper, SaveLower, Finish };

// The one-point calibration's entry of upper and lower levels (a dialog in the program).
class LevelInputDialog {
public:
    virtual ~LevelInputDialog() = default;
    // Shows the values; on OK their upper and lower levels are the entered ones. 1 OK, 2 Cancel.
    virtual int Execute(LevelValues& values) = 0;
};

// What the window shows, kept up to date by the operations below.
struct HebenSenkenDisplay {
    std::string hint;
    std::string calibrationType;  // lblKalibrierart
    std::string levelUnit;
    std::string levelFront = "---";
    std::string levelRearLeft = "---";
    std::string levelRearRight = "---";
    std::string pressure = "---";
    std::string tilt = "---";
    std::string tiltArrested = "---";
    // The calibration step buttons' Enabled.
    bool startEnabled = true;
    bool saveNormalEnabled = false;
    bool saveUpperEnabled = false;
    bool saveLowerEnabled = false;
    bool finishEnabled = false;
};

class HebenSenken {
public:
    // Text ids the window and its tests use.
    static constexpr int kFaultySensorValuesText = 20117;
    static constexpr int kNotSavedQuestionText = 20066;
    static constexpr int kInvalidTiltValuesText = 20115;

    // kelt and levelInput outlive the object; stopTimer stops the window's timer (the way out
    // stops it for good).
    HebenSenken(KELTInterface& kelt, LevelInputDialog& levelInput, std::function<void()> stopTimer);

    // The start of Execute: the start checks, the start hook and what the mode shows. False:
    // Execute ends with 2 and the window is not shown (faulty sensor values, or a give-up).
    bool Start(HebenSenkenMode mode);
    HebenSenkenMode mode() const { return mode_; }

    // Which valve buttons the ECU offers: axle-1 left, right, axle-2 left, right, cross throttle.
    std::array<bool, 5> valveButtonsEnabled() const;
    // btnAchsenClick: the down state of the five valve buttons, in the same order.
    void selectValves(const std::array<bool, 5>& down);
    void setChargeHeld(bool held) { chargeHeld_ = held; }
    void setVentHeld(bool held) { ventHeld_ = held; }
    bool chargeHeld() const { return chargeHeld_ != 0; }
    bool ventHeld() const { return ventHeld_ != 0; }

    // One tick of the valve timer (the window stops its timer around it and starts it again
    // only while running()). False: the connection was given up; the valves have been released
    // and the window is to close with 2.
    bool Tick();
    // A calibration step button. False: given up, close with 2.
    bool CalibrationStep(CalibrationButton button);
    // "Save current tilt sensor values to the ECU". False: given up, close with 2.
    bool SaveTiltValues();
    // OK: true when the window may close with 1 (asks 20066 unless saved).
    bool ConfirmOk();

    // The end of Execute once the modal showing ended with `modalResult`: the valves released,
    // then the end hook. Execute's result.
    int Finish(int modalResult);
    // False once the way out began: no timer may start again.
    bool running() const { return shutdown_.running(); }

    const HebenSenkenDisplay& display() const { return display_; }
    bool saved() const { return saved_ != 0; }
    uint8_t calibrationType() const { return calibrationType_; }

private:
    // An operation repeated while the user asks; notes whether a dialog was shown.
    int repeat(const std::function<int()>& operation);
    int drive(uint8_t mode, uint8_t lead);
    bool giveUp();
    void showValues();
    void showMessage(int text, unsigned flags);
    bool startCalibration();
    // After a calibration that did not succeed: Start on, hint 20410.
    void calibrationFailed(int text);
    void calibrationSucceeded();

    KELTInterface& kelt_;
    LevelInputDialog& levelInput_;
    OutputShutdown shutdown_;
    HebenSenkenMode mode_ = HebenSenkenMode::RaiseLower;
    HebenSenkenDisplay display_;

    uint8_t chargeHeld_ = 0;
    uint8_t ventHeld_ = 0;
    std::array<uint8_t, 4> valves_{};
    uint8_t crossThrottle_ = 0;
    uint8_t calibrationType_ = 0;
    std::array<std::string, 5> levelTexts_;
    uint16_t pressure_ = 0;
    TiltValues tilt_;
    uint8_t firstTick_ = 1;
    uint8_t saved_ = 0;
    // 1 levels next, 0 pressure next, 2 tilt next.
    uint8_t readCycle_ = 1;
    // An error dialog was shown during the current tick.
    bool dialogShown_ = false;
};

// The one-point calibration's edits, in this order.
enum LevelInputEdit : std::size_t { UpperFront = 0, LowerFront = 1, UpperRear = 2, LowerRear = 3 };
inline constexpr std::size_t kMaxLevelInputDigits = 3;
struct LevelInputProblem {
    int text;  // 20090 front, 20091 rear
    LevelInputEdit edit;
};
// The entered texts of the enabled axles must each be a level of 5..253. The first one that is
// not, or none.
std::optional<LevelInputProblem> checkLevelInput(bool front, bool rear,
                                                 const std::array<std::string, 4>& texts);
// Whether the dialog has the front and the rear edits.
bool levelInputHasFront(const KELTInterface& kelt);
bool levelInputHasRear(const KELTInterface& kelt);

#pragma once
// The two pressure-sensor windows without their windows: the zero calibration behind
// TfrmDSKalibrieren and the stored 0-bar offset behind TfrmDSKalibrierdaten. The windows show
// `display()`, forward their buttons and timers here and close when an operation answers false.
//
// DSKalibrieren: the technician vents the bellows by holding "Lower the vehicle" and, once the
// pressure has fallen to the threshold, lets the ECU take it as zero. Its valves never stay
// driven, by the raise/lower window's rules (HebenSenken.h): every tick vents all four valves
// while the button is held and sends one hold request after each release; after any error dialog
// in a tick the held flag is dropped and the tick ends holding (while the button is held, one
// silent release goes out before the dialog shows); every way out releases the valves
// through OutputShutdown before the end hook (silently, before DiagnoseAktiv is cleared, after a
// give-up).
//
// User-interface thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "OutputShutdown.h"

class KELTInterface;

struct DSKalibrierenDisplay {
    std::string sensorText;      // lbl_DSText
    std::string pressure = "---";
    std::string unit = "---";
    // "Save current pressure sensor value to the ECU".
    bool saveEnabled = false;
};

class DSKalibrieren {
public:
    static constexpr int kNotVentedText = 20064;
    static constexpr int kNotSavedQuestionText = 20066;

    // kelt outlives the object; stopTimer stops the window's timer (the way out stops it for good).
    DSKalibrieren(KELTInterface& kelt, std::function<void()> stopTimer);

    // The start of Execute: texts, threshold and the start hook. False: Execute ends with 2
    // without showing the window (the start hook was given up).
    bool Start();

    // sbFahrzeugSenken held or let go.
    void setHeld(bool held) { held_ = held ? 1 : 0; }
    bool held() const { return held_ != 0; }

    // One tick of the window's timer (stopped around it; started again only while running()).
    // False: the connection was given up; the valves have been released and the window is to
    // close with 2.
    bool Tick();
    // "Save current pressure sensor value to the ECU". False: given up, close with 2.
    bool SavePressureZero();
    // OK: true when the window may close with 1 (asks 20066 unless saved).
    bool ConfirmOk();
    // The end of Execute once the modal showing ended with `modalResult`: the valves released,
    // then the end hook. Execute's result.
    int Finish(int modalResult);
    // False once the way out began: no timer may start again.
    bool running() const { return shutdown_.running(); }

    const DSKalibrierenDisplay& display() const { return display_; }
    bool saved() const { return saved_ != 0; }

private:
    int repeat(const std::function<int()>& operation);
    int drive(uint8_t mode, uint8_t lead);
    bool giveUp();

    KELTInterface& kelt_;
    OutputShutdown shutdown_;
    DSKalibrierenDisplay display_;
    uint8_t saved_ = 0;
    uint8_t held_ = 0;
    uint16_t pressure_ = 0;
    uint16_t threshold_ = 0;
    // The zero calibration compares a pressure this window has read, never the 0 it starts with.
    bool pressureRead_ = false;
    uint8_t firstTick_ = 1;
    // An error dialog was shown during the current tick.
    bool dialogShown_ = false;
    // The last valve request was a hold; shared by every window of the process, as the valves are.
    static inline uint8_t holdSent_ = 0;
};

// TfrmDSKalibrierdaten: the 0-bar offset stored in the ECU, shown, replaced by the current
// pressure or typed in, and written back. The offset read at the start and the pressures read
// since stay apart: the pressure label shows only pressures read, and "Adopt current pressure
// value" adopts only a pressure read.
struct DSKalibrierdatenDisplay {
    std::string unit;
    std::string pressure = "---";  // lblDrucksensor
    std::string offset;            // edOffsetDS
    bool offsetEditable = false;   // only an ECU with a pressure sensor
};

class DSKalibrierdaten {
public:
    static constexpr int kNotPermissibleText = 20097;
    static constexpr int kWrittenText = 20061;
    static constexpr int kNotSavedQuestionText = 20088;

    explicit DSKalibrierdaten(KELTInterface& kelt);

    // The start of Execute: the offset read (repeated while asked) and the start hook. False: the
    // connection was given up (DiagnoseAktiv cleared) and the window is not shown.
    bool Start();
    // One tick of Timer1: the current pressure (the ECU is asked at most every 500 ms). False:
    // given up, close with 2.
    bool Tick();
    // The offset entry as typed (edOffsetDSChange): the window is modified.
    void setOffsetText(std::string text);
    // "Adopt current pressure value". False: given up, close with 2.
    bool AdoptCurrentPressure();

    enum class SaveOutcome {
        Written,  // 20061 shown, no longer modified
        Refused,  // not an offset of 0..255: 20097 shown, nothing sent; the window focuses the entry
        GaveUp,   // close with 2
    };
    // "Save 0 bar offset value in ECU".
    SaveOutcome SaveOffset();
    // OK: true when the window may close with 1 (asks 20088 while modified).
    bool ConfirmOk();
    // The close handler, once the modal showing ended with `modalResult`: the end hook while the
    // connection is up. Execute's result.
    int Finish(int modalResult);

    const DSKalibrierdatenDisplay& display() const { return display_; }
    bool modified() const { return modified_ != 0; }

private:
    void showOffset(uint16_t value);

    KELTInterface& kelt_;
    DSKalibrierdatenDisplay display_;
    uint8_t modified_ = 0;
    std::optional<uint16_t> pressure_;
};

#pragma once
// The values behind raising and lowering the vehicle and the sensor calibrations: the level
// calibration values, the tilt-sensor values, the ECU types that have them, and the layout of
// the level data block (local ids 0xC7..0xCC) in the ECU.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The seven level calibration values, each one byte value. Front is axle 1 (one distance
// sensor), rear is axle 2 (left and right sensors).
struct LevelValues {
    uint16_t NormalRear = 0;
    uint16_t NormalFront = 0;
    uint16_t UpperRear = 0;
    uint16_t UpperFront = 0;
    uint16_t LowerRear = 0;
    uint16_t LowerFront = 0;
    // Left minus right of the rear axle: a signed byte kept as its unsigned value (-6 is 250).
    uint16_t LeftRightDifference = 0;
    bool operator==(const LevelValues&) const = default;
};

// The tilt-sensor values (inclination angles, in counts).
struct TiltValues {
    uint16_t Tilt = 0;
    uint16_t TiltArrested = 0;
    bool operator==(const TiltValues&) const = default;
};

// What the plausibility check of level values came to.
enum class LevelCheckResult {
    Acceptable,  // the values may be written
    Refused,     // a rule refused them; its message has been shown
    GaveUp,      // the tolerances could not be read and the user gave up (the dialog was shown)
};

// Modes of DriveLevelValves.
enum LevelValveMode : uint8_t {
    LevelCharge = 0,  // raise: the chosen valves charge
    LevelVent = 1,    // lower: the chosen valves vent
    LevelHold = 2,    // every valve closed
};

// Indexes of DriveLevelValves' valve flags and extra bytes.
enum LevelValve : std::size_t { Axle1Left = 0, Axle1Right = 1, Axle2Left = 2, Axle2Right = 3 };
enum LevelValveExtra : std::size_t { CrossThrottle = 0, LeadRequest = 1 };

// ECU types with a pressure sensor (the standard set of isStandardEcuType, which all have level
// valves and level calibration, but 0x107420), and with tilt sensors.
bool isPressureEcuType(uint32_t type);
bool isTiltEcuType(uint32_t type);

// The level data block: check byte, the seven values' low bytes, four zero bytes.
using LevelBlock = std::array<uint8_t, 12>;
LevelBlock levelBlockOf(const LevelValues& values);
// Values from bytes 1..7 of the block's first eight bytes (the check byte is not looked at).
LevelValues levelValuesOf(std::span<const uint8_t, 8> block);
// Byte 0 equals (1 + sum of bytes 1..11) mod 256.
bool levelBlockValid(const LevelBlock& block);

#pragma once
// The entries of the two live displays, switch positions and measured values, as the ECU layer
// builds and fills them (KELTInterface::BuildSwitchList / ReadSwitchStates,
// BuildMeasuredValueList / ReadMeasuredValues) and the windows show them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One digital input of the ECU.
struct _SwitchBasis {
    uint8_t kind = 0;         // 0 two-state switch, 1 three-state switch
    uint8_t state = 0;        // index of the current state text (ReadSwitchStates)
    uint8_t shownState = 0;   // the state the window showed last
    std::string name;         // row caption
    std::array<std::string, 5> stateTexts;  // text of state 0..4 (two-state: 0 and 1)
    uint8_t visible = 1;      // 1: the window shows a row for this entry
};

// The switches of one ECU type; entries past count are unused.
struct SwitchList {
    static constexpr std::size_t kMaxEntries = 16;
    uint8_t count = 0;
    std::array<_SwitchBasis, kMaxEntries> entries;
};

// The picture of a switch state in the window's image list: two-state 0 and 1 are pictures 0
// and 1, three-state 0, 1 and 2 are 3, 4 and 2; anything else is picture 5, the undefined state.
int SwitchImageIndex(uint8_t kind, uint8_t state);
inline constexpr int kSwitchImageCount = 6;

// Which value of the ECU a measured-value entry shows.
enum class MeasuredValue : uint8_t {
    Terminal15Voltage,
    RelayValveVoltage,
    VehicleSpeed,
    LevelFront,
    LevelRearLeft,
    LevelRearRight,
    Pressure,
    Tilt,
    TiltArrested,
};

// How a measured value becomes text, whatever the user's locale: "%.1f" is Fixed with one
// decimal, "%3d" Integer of width 3; Empty gives an empty text.
struct ValueFormat {
    enum class Kind : uint8_t { Empty, Fixed, Integer };
    Kind kind = Kind::Empty;
    int width = 0;     // right-aligned in at least this many characters
    int decimals = 0;  // Fixed only

    std::string apply(double value) const;
};

// One measured value.
struct _MesswerteListe {
    std::string value;   // the formatted value (ReadMeasuredValues); empty until read
    std::string unit;    // "V", "km/h" or "counts"
    float scale = 1.0f;  // applied to the raw byte of the voltages
    ValueFormat format;
    std::string name;
    MeasuredValue source = MeasuredValue::Terminal15Voltage;
};

using daMesswerteListe = std::vector<_MesswerteListe>;

#pragma once
// The ECU's switchable outputs (door enabling, immobilizer, buzzer) as the outputs window
// drives them: KELTInterface::GetOutputList fills the list for the ECU type, the window sets
// each row's `on`, KELTInterface::DriveOutputs sends them.

#include <array>
#include <cstdint>
#include <string>

// One switchable output.
struct _Ausgang {
    std::string name;
    uint8_t on = 0;       // 1: drive the output
    uint8_t visible = 0;  // 1: the window shows a row for it
};

struct OutputList {
    static constexpr std::size_t kMaxOutputs = 20;
    uint8_t count = 0;
    std::array<_Ausgang, kMaxOutputs> entries{};
};

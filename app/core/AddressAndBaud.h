#pragma once
// The ECU's own communication settings as the address-and-baud-rate window handles them: the
// local ids that hold them and which data rate the window offers and preselects for an ECU type
// and a stored baud code. The typed address: parseTypedEcuAddress (EcuAddress.h).

#include <cstdint>
#include <optional>

#include "EcuAddress.h"
#include "ParameterBlock.h"

// (companion byte, diagnosis address): byte 0 minus byte 1 stays the same when the address
// changes, which keeps the parameter block's check byte (the same record) fitting.
inline constexpr uint8_t kEcuAddressId = kParameterCheckId;
// (baud code + 1, baud code).
inline constexpr uint8_t kBaudCodeId = 0xAF;

// Baud codes 0..3: 1200, 2400, 4800, 9600 baud.
inline constexpr int kBaudCodeCount = 4;

// The type that has no baud-rate id.
inline constexpr uint32_t kEcuTypeWithoutBaudCode = 0x107001;
bool hasBaudCode(uint32_t ecuType);

// The data-rate group of the window for an ECU type and its stored baud code.
struct BaudPreselection {
    bool groupEnabled = true;   // false: the type has no baud-rate id; nothing is read or chosen
    bool lowestEnabled = true;  // whether 1200 baud (code 0) can be chosen
    std::optional<int> selected;  // the code whose button is checked; none: no button
    bool invalidCode = false;     // the stored code is none the window knows (message 20108)
};
// code: what ReadBaudCode gave; not used for a type without baud-rate id.
BaudPreselection baudPreselectionFor(uint32_t ecuType, uint8_t code);

// String-table ids of the window's messages.
inline constexpr int kInvalidBaudRateText = 20108;
inline constexpr int kDataStoredText = 11013;

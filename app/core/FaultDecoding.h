#pragma once
// Turning the KELT ECU's fault-memory status bytes into fault entries. The reply to the
// fault-memory request carries one status byte per monitored item; a decoding table says, per
// byte, which entries its bits stand for.

#include <array>
#include <cstddef>
#include <cstdint>

#include "FehlerEintrag.h"

// Status bytes in a fault-memory reply (reply bytes 2 to 41).
inline constexpr std::size_t kFaultStatusBytes = 40;
using FaultStatusBytes = std::array<uint8_t, kFaultStatusBytes>;

// One entry a bit stands for.
struct FaultTriple {
    uint8_t component = 0;
    uint8_t mode = 0;
    uint8_t number = 0;
    bool operator==(const FaultTriple&) const = default;
};

enum class FaultRowType : uint8_t {
    Empty = 0,   // the status byte is not decoded
    Bits = 1,    // each set bit is one active entry
    Status = 2,  // bits 7 and 6 select two entries; bit 5 active, bits 0..4 the counter
};

struct FaultTableRow {
    FaultRowType type = FaultRowType::Empty;
    std::array<FaultTriple, 8> bits{};  // bit rows: the entry of bit n
    FaultTriple a{};                    // status rows: selected by bit 6
    FaultTriple b{};                    // status rows: selected by bit 7
};

// Row i belongs to status byte i.
using FaultDecodingTable = std::array<FaultTableRow, kFaultStatusBytes>;

// Every row becomes empty.
void ClearFaultTable(FaultDecodingTable& table);
// Makes `row` a bit row; a row number outside the table is ignored.
void SetBitRow(FaultDecodingTable& table, std::size_t row, const std::array<FaultTriple, 8>& bits);
// Makes `row` a status row with its two entries; a row number outside the table is ignored.
void SetStatusRow(FaultDecodingTable& table, std::size_t row, FaultTriple a, FaultTriple b);

// Writes the entries the status bytes select into `entries` from index 0 upwards, never more
// than the table holds, and returns how many were written. A bit selects an entry when it
// equals `wanted` (the program always asks for set bits). Bit rows: each selecting bit gives
// its triple, priority 0, status 1, counter 1. Status rows, only for a non-zero byte: bit 7 the
// B entry, then bit 6 the A entry, each with priority 0, status = bit 5, counter = bits 0..4.
// Timer and ZaehlerArt are not written; nor are the texts.
std::size_t ApplyFaultTable(const FaultDecodingTable& table, const FaultStatusBytes& status,
                            FaultEntryTable& entries, uint8_t wanted = 1);

// The decoding table of the KELT ECUs (the same for all of their types).
FaultDecodingTable keltFaultDecodingTable();

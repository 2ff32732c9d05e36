#pragma once
// One fault-memory entry: filled by the ECU layer of a diagnostic program, shown, sorted, saved
// and printed by the fault-memory window.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

struct FehlerEintrag {
    int32_t KomponentenCode = 0;  // component code (key of the fault-text file's "Komponente")
    int32_t FehlerartCode = 0;    // fault-type code (key of "Fehlerart")
    int32_t Prioritaet = 0;
    int32_t Status = 0;           // 0 a stored message, any other value a current one
    int32_t Zaehler = 0;          // counter, or a duration (see ZaehlerArt)
    int32_t Timer = 0;            // duration
    int32_t ZaehlerArt = 0;       // 0 Zaehler is a count, 1 a duration, else count and Timer
    int32_t Nummer = 0;           // fault number
    std::string KomponentenName;
    std::string FehlerartName;
};

// A fault memory holds at most this many entries.
constexpr std::size_t kFaultTableSize = 100;
using FaultEntryTable = std::array<FehlerEintrag, kFaultTableSize>;

#pragma once
// The ECU's parameter block as the command layer reads and writes it (KELTInterface::
// ReadParameters / WriteParameters) and as the parameter editor receives it: the run of local
// ids from 0xD1 to the last id of the ECU's type, two bytes each, guarded by a check byte in
// byte 0 of local id 0xD0.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "CheckByte.h"

class NNorvaFile;

inline constexpr uint8_t kParameterCheckId = 0xD0;  // (check byte, other ECU data)
inline constexpr uint8_t kFirstParameterId = 0xD1;
// The longest block: 31 ids (0xD1..0xEF).
inline constexpr std::size_t kMaxParameterBlock = 62;
// The buffer the editor reads into.
inline constexpr std::size_t kParameterBufferSize = 1000;

// How many local ids from 0xD1 on hold the parameter block of an ECU type: 20 for 0x107001 up to
// 31 for 0x107420; 0 for a type outside the standard set.
std::size_t parameterIdCount(uint32_t ecuType);

// The demo block (56 bytes, as a 0x107801 ECU has) and the bytes the demo leaves behind it.
inline constexpr std::array<uint8_t, 56> kDemoParameterBlock = {
    2,  4,  14, 20, 20, 110, 110, 5,  5,   5,  10,  5,   5,   255, 4,  12, 5,   255, 15,
    11, 27, 45, 0,  0,  0,   4,   136, 255, 168, 160, 10,  255, 255, 0,  30, 30,  72,  255,
    10, 60, 255, 6,  4, 20,  47,  10,  5,   4,   2,   40,  255, 10,  25, 80, 90,  255};
inline constexpr std::array<uint8_t, 6> kDemoParameterTail = {32, 64, 80, 0, 0, 0};

// The editor's callbacks: read the block into the buffer (its size is the capacity) and set the
// count; write the first `count` bytes of the block. Both answer 0, 1 (repeat) or 2 (give up).
using ParameterReadCallback = std::function<int(uint16_t& count, std::span<uint8_t> buffer)>;
using ParameterWriteCallback = std::function<int(uint16_t count, std::span<const uint8_t> block)>;

// KELTInterfaceObj->ReadParameters / WriteParameters: the callbacks the main window hands to the
// editor. Throw std::logic_error when there is no KELTInterfaceObj.
int ReadParameterBlock(uint16_t& count, std::span<uint8_t> buffer);
int WriteParameterBlock(uint16_t count, std::span<const uint8_t> block);

// What the main window hands to the parameter editor (and the system-data save to its file
// writer). The form keeps a copy.
struct structParameter {
    uint8_t* pDiagnoseAktiv = nullptr;  // the process-wide flag; cleared on a failed read
    // A raw block as ReadParameters returns it (only for writing it into a data file).
    std::span<const uint8_t> pParameterBlock;
    NNorvaFile* pDatenDatei = nullptr;  // an open data file (only for writing into it)
    std::string PKDDatei;               // the description file: program folder + identifier + ".PKD"
    std::string Systemname;
    std::string Programmkennung;
    std::string Teilenummer;
    std::string Fertigungsdatum;
    std::string Seriennr;
    std::string Softwareversion;
    std::string Pruefer;
    std::string DiagnoseKennung;        // empty from the caller; the description file's base name
    ParameterReadCallback ParameterLesen = ReadParameterBlock;
    ParameterWriteCallback ParameterSchreiben = WriteParameterBlock;
};

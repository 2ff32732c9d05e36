#pragma once
// The check byte of the ECU's stored data blocks: the level block (0xC7..0xCC), the pressure
// block (0xCD..0xCF) and the parameter block (0xD0 byte 0 over the address in 0xD0 byte 1 and
// the records from 0xD1 on). The ECU accepts a block only when its check byte is one plus the
// sum of the bytes it covers, modulo 256. The simulated ECU keeps its blocks by the same rule.
// Header only and free of dependencies, so the simulator can share it.

#include <cstdint>
#include <numeric>
#include <span>

// (1 + sum of `covered`) mod 256.
constexpr uint8_t checkByteOf(std::span<const uint8_t> covered) {
    return static_cast<uint8_t>(std::accumulate(covered.begin(), covered.end(), 1u));
}

// The parameter block's check byte (byte 0 of 0xD0): it covers byte 1 of 0xD0 as well as the
// block's records from 0xD1 on.
constexpr uint8_t parameterCheckByte(std::span<const uint8_t> block, uint8_t checkIdByte1) {
    return static_cast<uint8_t>(checkByteOf(block) + checkIdByte1);
}

// The check byte after covered bytes changed from `before` to `after`: it moves by what they
// move, so a block that was valid stays valid without reading the rest of it.
constexpr uint8_t checkByteAfterChange(uint8_t check, std::span<const uint8_t> before,
                                       std::span<const uint8_t> after) {
    unsigned moved = check;
    for (uint8_t b : before) moved -= b;
    for (uint8_t a : after) moved += a;
    return static_cast<uint8_t>(moved);
}

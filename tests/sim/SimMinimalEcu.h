#pragma once
// A small ECU for the driver's own tests and for a plain simulated bus: it answers the
// identification messages [0x02] and [0x08] and the stop [0x0F], and stays silent to everything
// else. Positive answers carry the service + 0x40 in byte 1.
//
//   [0x02] -> [0x80 + n, 0x42, identifier 2 bytes, part number 3 bytes, software byte,
//              production 2 bytes (week and century in byte 8, year in byte 9), 2 further
//              identification bytes, the further identification text]
//   [0x08] -> [0x85, 0x48, the four identifier bytes], or [0x05] when negativeIdentifier is set
//   [0x0F] -> [0x4F]
//
// Set the fields before the ECU is in use; messages() may be read at any time.

#include <mutex>
#include <string>
#include <vector>

#include "SimEcu.h"

class SimMinimalEcu : public SimEcu {
public:
    static constexpr uint8_t kDefaultAddress = 0x10;

    explicit SimMinimalEcu(uint8_t address = kDefaultAddress) : address_(address) {}

    bool answersAt(uint8_t address) const override { return address == address_; }
    std::optional<SimBytes> answer(const SimBytes& message) override;

    // Every message the ECU received, in order.
    std::vector<SimBytes> messages() const;

    // The identification, reply bytes 2 to 11, then the text.
    uint8_t diagnosticIdentifier[2] = {0x10, 0x78};
    uint8_t partNumber[3] = {0x2A, 0x05, 0x13};
    uint8_t softwareVersion = 0x76;
    uint8_t production[2] = {0x47, 0x89};  // week 7 of 2009, bit 7 of byte 9 set
    uint8_t identification10 = 0x01;
    uint8_t identification11 = 0x02;
    std::string furtherIdentification = "KELT SIM";
    // The reply to [0x08].
    uint8_t identifier[4] = {0x00, 0x01, 0x78, 0x10};
    bool negativeIdentifier = false;

private:
    uint8_t address_;
    mutable std::mutex mutex_;
    std::vector<SimBytes> messages_;
};

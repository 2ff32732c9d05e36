#pragma once
// An ECU on the simulated interface's diagnostic line, at the message level: the interface's
// JED677 application hands it each message and sends back its answer.

#include <cstdint>
#include <optional>
#include <vector>

using SimBytes = std::vector<uint8_t>;

class SimEcu {
public:
    virtual ~SimEcu() = default;
    // Whether the ECU answers the start of communication at this address.
    virtual bool answersAt(uint8_t address) const = 0;
    // The ECU's answer to one JED677 message (header byte first), or nothing: it stays silent.
    virtual std::optional<SimBytes> answer(const SimBytes& message) = 0;
    // The PC closed the interface the ECU is behind.
    virtual void interfaceClosed() {}
};

#pragma once
// The KELT suspension ECU at the message level, behind the simulated interface's JED677
// application (SimInterface::attachEcu) or called directly.
//
// Messages and answers. A message is a header byte 0x80+n and n bytes, or one byte below 0x80;
// the body is what follows the header (or the one byte itself). A positive answer is
// [0x80+1+k, service + 0x40, k data bytes]. Negative answers are [0x05] or [0x82, 0x05, code].
//
//   [0x02]                 identification record (reply bytes 2..): setIdentificationRecord
//   [0x08]                 the diagnostic identifier last byte first: reply bytes 2..5 =
//                          id3 id2 id1 id0; answered [0x05] when the identifier is kept in
//                          local ids only (IdentifierPath::LocalIds)
//   [0x40]                 software release in reply byte 2
//   [0x82 0x14 id]         read local id: its record from reply byte 2; unknown id: negative 0x31
//   [0x80+2+k 0x13 id d..] write local id: the k bytes become its record; answer [0x82 0x53 id]
//   malformed messages     negative 0x12
//   [0x11]                 fault memory: the 40 status bytes
//   [0x10]                 clear the fault memory (all status bytes 0)
//   [0x0F]                 stop communication
//   [service] 0x41..0x4B   status values: two data bytes each (setStatusValue); 0x48, 0x42 and
//                          0x47 are set at start
//   anything else          negative 0x11 (service not supported)
//
// The local-id store starts with the configuration (0xD1, 0xD2) and the identifier (0x70:
// id0 + 0x27, id1; 0x71: id2, 0) and is otherwise general: later functions set and read any id.
//
// Fault injection: a queued fault replaces the answer to the next message whose body starts with
// its match bytes (an empty match takes the next message); each fault is used once, in the order
// queued. A message answered by an injected reply or by silence is recorded but not carried
// out; a short reply is the usual answer, carried out and cut.
//
// Thread-safe: the interface may call answer() from a pseudo-terminal thread while a test sets
// the ECU up.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "SimEcu.h"

class SimKeltEcu final : public SimEcu {
public:
    static constexpr uint8_t kDefaultAddress = 16;
    static constexpr std::size_t kFaultStatusBytes = 40;
    // Codes of the negative answer [0x82, 0x05, code].
    static constexpr uint8_t kNegativeUndervoltage = 0x02;
    static constexpr uint8_t kNegativeNotSupported = 0x11;
    static constexpr uint8_t kNegativeFormat = 0x12;
    static constexpr uint8_t kNegativeOutOfRange = 0x31;

    enum class IdentifierPath {
        Service08,  // [0x08] answers the identifier
        LocalIds,   // [0x08] answers negatively; the identifier is in local ids 0x70 and 0x71
    };

    // A 10 78 01 00 ECU at address 16 with the configuration bytes 2, 4, 11, 16, an empty fault
    // memory, and 24.3 V, 17 km/h and 0.0 V as status values.
    SimKeltEcu();

    // A fresh KELT ECU, in the form SimUsbBus::setEcuFactory takes: set it before the bus plugs
    // in the interfaces of KELT_SIM_USB, and a whole program started against them finds a KELT
    // ECU at address 16.
    static std::shared_ptr<SimEcu> factory(uint8_t generation);

    // --- SimEcu ---
    bool answersAt(uint8_t address) const override;
    std::optional<SimBytes> answer(const SimBytes& message) override;

    // --- set-up ---
    void setAddress(uint8_t address);
    // The ECU refuses every start of communication.
    void setRefusesStart(bool refuses);
    // The diagnostic identifier; also sets local ids 0x70 and 0x71 and bytes 2 and 3 of the
    // identification record.
    void setIdentifier(std::array<uint8_t, 4> identifier, IdentifierPath path = IdentifierPath::Service08);
    // The identification record: reply bytes 2 onwards of [0x02] (bytes 2..11, then further
    // identification text). Bytes 4..9 carry part number, software version and production date.
    void setIdentificationRecord(SimBytes record);
    SimBytes identificationRecord() const;
    // Reply byte 2 of [0x40].
    void setSoftwareRelease(uint8_t release);
    // Local ids 0xD1 = (a, b) and 0xD2 = (c, d).
    void setConfiguration(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
    void setLocalId(uint8_t id, SimBytes record);
    void removeLocalId(uint8_t id);
    std::optional<SimBytes> localId(uint8_t id) const;
    void setFaultStatus(const std::array<uint8_t, kFaultStatusBytes>& status);
    void setFaultStatus(std::size_t index, uint8_t value);
    std::array<uint8_t, kFaultStatusBytes> faultStatus() const;
    // The two data bytes a status service answers with.
    void setStatusValue(uint8_t service, uint8_t d0, uint8_t d1);

    // --- fault injection (see above) ---
    void injectReply(SimBytes match, SimBytes reply);       // these bytes instead
    void injectNegative(SimBytes match = {});               // [0x05]
    void injectNegativeCode(SimBytes match, uint8_t code);  // [0x82, 0x05, code]
    void injectUndervoltage(SimBytes match = {});           // [0x82, 0x05, 0x02]
    // The usual answer cut to `length` bytes with its header byte counting what is left (a
    // length of 1 leaves the service byte alone).
    void injectShortReply(SimBytes match, std::size_t length);
    void injectSilence(SimBytes match = {});                // no answer at all
    std::size_t pendingFaults() const;

    // --- what happened ---
    std::vector<SimBytes> messages() const;  // every message received, in order
    // Bodies of the messages received (header byte dropped).
    std::vector<SimBytes> bodies() const;
    // How many messages with this body prefix were received.
    int count(const SimBytes& bodyPrefix) const;
    void clearLog();

    // Helpers for building and reading messages.
    static SimBytes bodyOf(const SimBytes& message);
    static SimBytes positive(uint8_t service, const SimBytes& data);

private:
    struct Fault {
        enum class Kind { Reply, Truncate, Silence } kind = Kind::Reply;
        SimBytes match;
        SimBytes reply;
        std::size_t length = 0;
    };

    // With mutex_ held.
    std::optional<SimBytes> carryOut(const SimBytes& body);
    void queue(Fault fault);

    mutable std::mutex mutex_;
    uint8_t address_ = kDefaultAddress;
    bool refusesStart_ = false;
    std::array<uint8_t, 4> identifier_{};
    IdentifierPath path_ = IdentifierPath::Service08;
    SimBytes identificationRecord_;
    uint8_t softwareRelease_ = 0x12;
    std::map<uint8_t, SimBytes> localIds_;
    std::array<uint8_t, kFaultStatusBytes> faults_{};
    std::map<uint8_t, std::array<uint8_t, 2>> statusValues_;
    std::deque<Fault> faultsToInject_;
    std::vector<SimBytes> messages_;
};

#pragma once
// The KELT suspension ECU at the message level, behind the simulated interface's JED677
// application (SimInterface::attachEcu) or called directly.
//
// Messages and answers. A message is a header byte 0x80+n and n bytes, or one byte below 0x80;
// the body is what follows the header (or the one byte itself). A positive answer is
// [0x80+1+k, service + 0x40, k data bytes], byte 1 another where setReplyServiceByte says so.
// Negative answers are [0x05] or [0x82, 0x05, code].
//
//   [0x02]                 identification record (reply bytes 2..): setIdentificationRecord
//   [0x08]                 the diagnostic identifier last byte first: reply bytes 2..5 =
//                          id3 id2 id1 id0; answered [0x05] when the identifier is kept in
//                          local ids only (IdentifierPath::LocalIds)
//   [0x40]                 software release in reply byte 2
//   [0x82 0x14 id]         read local id: its record from reply byte 2; unknown id: negative 0x31
//   [0x80+2+k 0x13 id d..] write local id: the k bytes become its record; answer [0x82 0x53 id];
//                          unknown id: negative 0x31; k other than the record's length: 0x12
//   malformed messages     negative 0x12
//   [0x11]                 fault memory: the 40 status bytes
//   [0x10]                 clear the fault memory (all status bytes 0)
//   [0x0F]                 stop communication
//   [service] 0x41..0x4B   status values: two data bytes each (setStatusValue); 0x41, 0x42,
//                          0x43, 0x44, 0x46, 0x47, 0x48 and 0x4B are set at start
//   [0x83 0x21 b1 b2]      actuation: b1 b2 become the actuation word; answer [0x81 0x61]
//   [0x83 0x26 x y]        lead request before valves are driven; answer [0x81 0x66]
//   [0x20]                 calibration point: the current levels are taken as the next point
//   [0x25]                 store: the points taken since the last store become the level block
//   [0x27]                 pressure zero: the current pressure becomes the 0-bar offset
//   anything else          negative 0x11 (service not supported)
//
// The local ids live in one store. It starts with the identifier (0x70: id0 + 0x27, id1; 0x71:
// id2, 0), the level block 0xC7..0xCC (normal rear 50, front 55, upper 84, 87, lower 20, 18,
// left/right difference 104, valid check byte), the pressure block 0xCD..0xCF (offset 9) and
// the parameter block with its check byte, and the baud code 0xAF (4, 3) for every type but
// 0x107001; a test or a later function sets any other id.
//
// The parameter block is the run of local ids from 0xD1 to the last one of the ECU's type (0xE4
// for 0x107001 up to 0xEF for 0x107420; types the program does not know keep 0xD1 and 0xD2
// only), two bytes each. Its first four bytes are the configuration (0xD1, 0xD2); it holds the
// level tolerances 0xD6 (front 5) and 0xD7 (rear 5, largest left/right difference 104). Local id
// 0xD0 holds (check byte, address): the check byte fits when it is (1 + sum of the block bytes
// + address) mod 256, the rule of the program's CheckByte.h, and byte 1 is the address the ECU
// answers at. The set-up calls that change the block keep the check byte fitting, setAddress
// keeps byte 0 minus byte 1; a written block fits only once the program has written a fitting
// check byte (checkByteFits).
//
// Actuation. The actuation word (b1 b2 of the last [0x21]) stays as last commanded: the ECU
// has no time-out. Valve bits of b1: 0x01 charge (else vent), 0x02 axle-2 left, 0x04 axle-2
// right, 0x08 axle-1 left, 0x10 axle-1 right; the other bits and b2 (0x04 cross-flow throttle)
// move nothing here. Every actuation carried out is logged with the time of the ECU's clock.
//
// Moving values, on the ECU's clock (setClock): while a valve is open the level it serves moves
// at levelCountsPerSecond, up when charging, down when venting: [0x43] data byte 1 (front) with
// either axle-1 valve, [0x46] data byte 0 (rear left) with 0x02, data byte 1 (rear right) with
// 0x04; the pressure ([0x44] data byte 0) rises while any valve charges and falls to
// pressureFloor while any valve vents. Values stay within 0..255; a word without valve bits
// holds them. setStatusValue sets them at any time.
//
// Calibration. [0x20] takes (front, rear left, rear right) as the next point. [0x25] turns the
// points, in order normal, upper, lower level, into the level block: rear = (left + right) / 2,
// front as measured, and from the normal point the difference left - right as a signed byte;
// levels without a point keep their bytes; byte 0 becomes (1 + sum of bytes 1..11) mod 256.
// Points past the third are ignored. [0x25] without points leaves the block as written.
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
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Clock.h"
#include "SimEcu.h"

// One actuation the ECU carried out: the message body ([0x21 b1 b2] or [0x26 x y]) and the time
// on the ECU's clock.
struct SimActuation {
    uint64_t timeMs = 0;
    SimBytes body;
    bool operator==(const SimActuation&) const = default;
};

// How fast the levels and the bellows pressure move while valves are open.
struct SimLevelMotion {
    uint32_t levelCountsPerSecond = 20;
    uint32_t pressureCountsPerSecond = 20;
    uint8_t pressureFloor = 25;
};

class SimKeltEcu final : public SimEcu {
public:
    static constexpr uint8_t kDefaultAddress = 16;
    static constexpr std::size_t kFaultStatusBytes = 40;
    // Codes of the negative answer [0x82, 0x05, code].
    static constexpr uint8_t kNegativeUndervoltage = 0x02;
    static constexpr uint8_t kNegativeNotSupported = 0x11;
    static constexpr uint8_t kNegativeFormat = 0x12;
    static constexpr uint8_t kNegativeOutOfRange = 0x31;
    // Local ids of the parameter block.
    static constexpr uint8_t kCheckByteId = 0xD0;
    static constexpr uint8_t kFirstParameterId = 0xD1;
    // (baud code + 1, baud code); every type but 0x107001 has it, at code 3 (9600 baud).
    static constexpr uint8_t kBaudCodeId = 0xAF;
    static constexpr uint8_t kDefaultBaudCode = 3;

    enum class IdentifierPath {
        Service08,  // [0x08] answers the identifier
        LocalIds,   // [0x08] answers negatively; the identifier is in local ids 0x70 and 0x71
    };

    // A 10 78 01 00 ECU at address 16 with the configuration bytes 2, 4, 11, 16 in a parameter
    // block of 56 bytes with a fitting check byte, an empty fault memory, and status values of a
    // bus standing at its level: 24.3 V, 17 km/h, 0.0 V at the safety relay, levels 100 (front),
    // 102 and 101 (rear), pressure 53, tilt 50 and 60, no switch pressed.
    SimKeltEcu();
    ~SimKeltEcu() override;
    SimKeltEcu(const SimKeltEcu&) = delete;
    SimKeltEcu& operator=(const SimKeltEcu&) = delete;

    // A fresh KELT ECU, in the form SimUsbBus::setEcuFactory takes: set it before the bus plugs
    // in the interfaces of KELT_SIM_USB, and a whole program started against them finds a KELT
    // ECU at address 16.
    static std::shared_ptr<SimEcu> factory(uint8_t generation);

    // The ECU a KELT_SIM_ECU value describes, so a whole program run shows faults and other
    // configurations: "kelt", then options separated by blanks, for example
    //   KELT_SIM_ECU="kelt faults=0:0x01,5:0x80 config=3,4,11,16 status=0x42:88:0,0x48:200:0"
    //   faults=<byte>:<value>,...       fault-memory status bytes (byte 0..39)
    //   config=<a>,<b>,<c>,<d>          the configuration: local ids 0xD1 = (a, b), 0xD2 = (c, d)
    //   status=<service>:<d0>:<d1>,...  the two data bytes a status service (0x41..0x4B) answers
    //   reply=<service>:<byte>,...      byte 1 of the service's positive answers (reply=0x14:0x14:
    //                                   local-id reads answered with the service echoed)
    //   journal=<file>                  every actuation and every close of the interface appended
    //                                   to the file as it happens (see setJournal)
    // Numbers are decimal or hexadecimal with "0x". Nothing when the text is not "kelt..."; an
    // option that cannot be read is left out and described in `problems` (one line each).
    static std::shared_ptr<SimKeltEcu> fromDescription(std::string_view text, std::string& problems);

    // --- SimEcu ---
    bool answersAt(uint8_t address) const override;
    std::optional<SimBytes> answer(const SimBytes& message) override;
    void interfaceClosed() override;

    // --- set-up ---
    // The address the ECU answers at (byte 1 of 0xD0; byte 0 minus byte 1 stays).
    void setAddress(uint8_t address);
    uint8_t address() const;
    // The ECU refuses every start of communication.
    void setRefusesStart(bool refuses);
    // The diagnostic identifier; also sets local ids 0x70 and 0x71, bytes 0 and 1 of the
    // identification record, and gives the parameter block its type's length (bytes kept where
    // the ids stay, new ones filled with a pattern).
    void setIdentifier(std::array<uint8_t, 4> identifier, IdentifierPath path = IdentifierPath::Service08);
    // The identification record: reply bytes 2 onwards of [0x02] (bytes 2..11, then further
    // identification text). Bytes 4..9 carry part number, software version and production date.
    void setIdentificationRecord(SimBytes record);
    SimBytes identificationRecord() const;
    // Reply byte 2 of [0x40].
    void setSoftwareRelease(uint8_t release);
    // Local ids 0xD1 = (a, b) and 0xD2 = (c, d), the first four bytes of the parameter block.
    void setConfiguration(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
    // The last local id of the parameter block for an ECU type (identifier bytes 0..2 as one
    // number, 0x107801 for 10 78 01).
    static uint8_t lastParameterId(uint32_t ecuType);
    // The whole parameter block (its length must be the type's: std::invalid_argument otherwise),
    // with a fitting check byte.
    void setParameterBlock(const SimBytes& block);
    SimBytes parameterBlock() const;
    // Whether byte 0 of 0xD0 is the check byte of the block and the address.
    bool checkByteFits() const;
    // Any record, as it is: the check byte is not touched.
    void setLocalId(uint8_t id, SimBytes record);
    void removeLocalId(uint8_t id);
    std::optional<SimBytes> localId(uint8_t id) const;
    void setFaultStatus(const std::array<uint8_t, kFaultStatusBytes>& status);
    void setFaultStatus(std::size_t index, uint8_t value);
    std::array<uint8_t, kFaultStatusBytes> faultStatus() const;
    // Byte 1 of every positive answer to `service`, service + 0x40 unless set: an ECU that
    // answers a local-id read [0x83 0x14 d0 d1] has (0x14, 0x14). None: the usual byte again.
    void setReplyServiceByte(uint8_t service, std::optional<uint8_t> byte);
    // The two data bytes a status service answers with (the moving values included).
    void setStatusValue(uint8_t service, uint8_t d0, uint8_t d1);
    // What the service answers now: the moving values are moved on first.
    std::array<uint8_t, 2> statusValue(uint8_t service);

    // --- actuation and moving values (see above) ---
    // The clock the values move on and actuations are stamped with; the steady clock unless set.
    // Must outlive the ECU.
    void setClock(const Clock& clock);
    void setMotion(SimLevelMotion motion);
    // b1 b2 of the last actuation; 0 0 at start.
    std::array<uint8_t, 2> actuationWord() const;
    // Nothing is driven: the actuation word is 0 0.
    bool released() const;
    // Every actuation carried out, in order.
    std::vector<SimActuation> actuations() const;
    // A file of its own for what a process test must see after the program has ended: each
    // actuation carried out appends "actuation <body in hex>" ("actuation 21 00 06"), each close
    // of the interface "closed", one line each, written at once (a killed program loses none).
    // False when the file cannot be opened for appending.
    bool setJournal(const std::string& path);
    // The next [0x25] leaves the level block with a wrong check byte (once).
    void spoilNextLevelBlock();

    // --- fault injection (see above) ---
    void injectReply(SimBytes match, SimBytes reply);       // these bytes instead
    void injectNegative(SimBytes match = {});               // [0x05]
    void injectNegativeCode(SimBytes match, uint8_t code);  // [0x82, 0x05, code]
    void injectUndervoltage(SimBytes match = {});           // [0x82, 0x05, 0x02]
    // The usual answer cut to `length` bytes with its header byte counting what is left (a
    // length of 1 leaves the service byte alone).
    void injectShortReply(SimBytes match, std::size_t length);
    void injectSilence(SimBytes match = {});                // no answer at all
    // Writes to `id` are acknowledged as usual but its record stays as it was (an ECU that does
    // not store what it was sent).
    void setIgnoresWrites(uint8_t id, bool ignores = true);
    // Writes to `id` are acknowledged as usual but `record` is stored instead of what was sent
    // (an ECU that keeps other bytes); none: writes store what they send again.
    void setStoresWritesAs(uint8_t id, std::optional<SimBytes> record);
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
    // carryOut, with a positive answer's byte 1 as setReplyServiceByte asks.
    std::optional<SimBytes> usualAnswer(const SimBytes& body);
    std::optional<SimBytes> carryOut(const SimBytes& body);
    std::optional<SimBytes> carryOutCalibration(const SimBytes& body);
    std::optional<SimBytes> writeLocalId(const SimBytes& body);
    uint8_t lastParameterIdLocked() const;
    uint8_t addressLocked() const;
    uint8_t fittingCheckByte() const;
    void fitCheckByte();
    void queue(Fault fault);
    // Moves the values on to the clock's present time.
    void advance();
    void storeLevelBlock();
    void journal(const std::string& line);

    mutable std::mutex mutex_;
    bool refusesStart_ = false;
    std::array<uint8_t, 4> identifier_{};
    IdentifierPath path_ = IdentifierPath::Service08;
    SimBytes identificationRecord_;
    uint8_t softwareRelease_ = 0x12;
    std::map<uint8_t, SimBytes> localIds_;
    std::set<uint8_t> ignoresWrites_;
    std::map<uint8_t, SimBytes> storesWritesAs_;
    std::map<uint8_t, uint8_t> replyServiceBytes_;
    std::array<uint8_t, kFaultStatusBytes> faults_{};
    std::map<uint8_t, std::array<uint8_t, 2>> statusValues_;
    const Clock* clock_;
    uint64_t movedUntilMs_;
    // Thousandths of a count the moving values have gone beyond their bytes.
    std::array<int32_t, 4> fractions_{};
    SimLevelMotion motion_;
    std::array<uint8_t, 2> actuationWord_{};
    std::vector<SimActuation> actuations_;
    std::vector<std::array<uint8_t, 3>> calibrationPoints_;
    bool spoilNextLevelBlock_ = false;
    std::deque<Fault> faultsToInject_;
    std::vector<SimBytes> messages_;
    int journal_ = -1;
};

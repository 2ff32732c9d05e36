#include "SimKeltEcu.h"

#include "CheckByte.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <string>
#include <system_error>
#include <stdexcept>

namespace {

constexpr uint8_t kHeaderBit = 0x80;
constexpr uint8_t kPositiveOffset = 0x40;
constexpr uint8_t kNegative = 0x05;
// Data bytes after the service byte that one header byte can announce.
constexpr std::size_t kMaxAnswerData = 126;

constexpr uint8_t kServiceStop = 0x0F;
constexpr uint8_t kServiceClearFaults = 0x10;
constexpr uint8_t kServiceReadFaults = 0x11;
constexpr uint8_t kServiceWriteLocalId = 0x13;
constexpr uint8_t kServiceReadLocalId = 0x14;
constexpr uint8_t kServiceIdentification = 0x02;
constexpr uint8_t kServiceIdentifier = 0x08;
constexpr uint8_t kServiceSoftwareRelease = 0x40;
constexpr uint8_t kServiceActuation = 0x21;
constexpr uint8_t kServiceLeadRequest = 0x26;
constexpr uint8_t kServiceCalibrationPoint = 0x20;
constexpr uint8_t kServiceStore = 0x25;
constexpr uint8_t kServicePressureZero = 0x27;
constexpr uint8_t kServiceFrontLevel = 0x43;
constexpr uint8_t kServicePressure = 0x44;
constexpr uint8_t kServiceRearLevels = 0x46;
constexpr uint8_t kServiceTilt = 0x4B;

constexpr uint8_t kLevelBlockFirstId = 0xC7;
constexpr std::size_t kLevelBlockIds = 6;
constexpr uint8_t kPressureBlockFirstId = 0xCD;

// Valve bits of the actuation word's first byte.
constexpr uint8_t kValveCharge = 0x01;
constexpr uint8_t kValveAxle2Left = 0x02;
constexpr uint8_t kValveAxle2Right = 0x04;
constexpr uint8_t kValveAxle1 = 0x08 | 0x10;
constexpr uint8_t kAnyValve = kValveAxle1 | kValveAxle2Left | kValveAxle2Right;

// A value that moves while valves are open: where it sits in the status values and which
// valves move it.
struct MovingValue {
    uint8_t service;
    std::size_t index;
    uint8_t valves;
    bool isPressure;
};
constexpr std::array<MovingValue, 4> kMovingValues = {{
    {kServiceFrontLevel, 1, kValveAxle1, false},
    {kServiceRearLevels, 0, kValveAxle2Left, false},
    {kServiceRearLevels, 1, kValveAxle2Right, false},
    {kServicePressure, 0, kAnyValve, true},
}};

SimBytes negative(uint8_t code) { return {0x82, kNegative, code}; }

bool startsWith(const SimBytes& bytes, const SimBytes& prefix) {
    return prefix.size() <= bytes.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// "21 00 06": the bytes in upper-case hex, separated by blanks.
std::string hexBytes(const SimBytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

}  // namespace

SimKeltEcu::SimKeltEcu()
    : clock_(&SteadyClock::instance()), movedUntilMs_(clock_->nowMs()) {
    localIds_[kCheckByteId] = {0, kDefaultAddress};
    // Part number bytes 4..6, software 7.6, produced in week 10 of 2005 (bit 7 of byte 9 set).
    identificationRecord_ = {0x10, 0x78, 0x2E, 0x05, 0x31, 0x76, 0x4A, 0x85, 0x00, 0x00,
                             'K',  'E',  'L',  'T'};
    setIdentifier({0x10, 0x78, 0x01, 0x00});
    setConfiguration(2, 4, 11, 16);
    // A bus standing at its level with the ignition on and no switch pressed.
    statusValues_[0x41] = {0x00, 0x00};  // switch inputs: all contacts open
    statusValues_[0x48] = {180, 0x30};   // terminal 15: 180 x 0.135 = 24.3 V; supply pressure ok
    statusValues_[0x42] = {17, 0};       // 17 km/h
    statusValues_[0x47] = {0x08, 0};     // kneeling input open; safety relay 0.0 V
    statusValues_[kServiceFrontLevel] = {200, 100};  // kneeling input open, front level 100
    statusValues_[kServicePressure] = {53, 80};      // pressure 53, door contact open
    statusValues_[kServiceRearLevels] = {102, 101};  // rear left, rear right
    statusValues_[kServiceTilt] = {50, 60};          // tilt, tilt arrested

    // Levels 50, 55, 84, 87, 20, 18 and the difference 104: check byte 0xA3.
    const SimBytes levels = {0xA3, 50, 55, 84, 87, 20, 18, 104, 0, 0, 0, 0};
    for (std::size_t i = 0; i < kLevelBlockIds; ++i)
        localIds_[static_cast<uint8_t>(kLevelBlockFirstId + i)] = {levels[2 * i], levels[2 * i + 1]};
    localIds_[0xD6] = {5, 0};
    localIds_[0xD7] = {5, 104};
    localIds_[kPressureBlockFirstId] = {10, 9};
    localIds_[kPressureBlockFirstId + 1] = {0, 0};
    localIds_[kPressureBlockFirstId + 2] = {0, 0};
    fitCheckByte();
}

std::shared_ptr<SimEcu> SimKeltEcu::factory(uint8_t /*generation*/) {
    return std::make_shared<SimKeltEcu>();
}

namespace {

// A byte in decimal or "0x" hexadecimal.
std::optional<uint8_t> byteOf(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > 0xFF)
        return std::nullopt;
    return static_cast<uint8_t>(value);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// The bytes of "a:b:c" (or "a,b,c,d" with another separator); nothing unless there are `count`.
std::optional<std::vector<uint8_t>> bytesOf(std::string_view text, char separator, std::size_t count) {
    std::vector<uint8_t> bytes;
    for (std::string_view part : split(text, separator)) {
        const std::optional<uint8_t> byte = byteOf(part);
        if (!byte) return std::nullopt;
        bytes.push_back(*byte);
    }
    if (bytes.size() != count) return std::nullopt;
    return bytes;
}

}  // namespace

std::shared_ptr<SimKeltEcu> SimKeltEcu::fromDescription(std::string_view text, std::string& problems) {
    std::vector<std::string_view> words;
    for (std::string_view word : split(text, ' '))
        if (!word.empty()) words.push_back(word);
    if (words.empty() || words.front() != "kelt") return nullptr;

    auto ecu = std::make_shared<SimKeltEcu>();
    auto problem = [&problems](std::string_view what) {
        problems += std::string(what) + "\n";
    };
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string_view word = words[i];
        const std::size_t equals = word.find('=');
        const std::string_view name = word.substr(0, equals);
        const std::string_view value = equals == std::string_view::npos ? "" : word.substr(equals + 1);
        if (name == "config") {
            if (auto b = bytesOf(value, ',', 4))
                ecu->setConfiguration((*b)[0], (*b)[1], (*b)[2], (*b)[3]);
            else
                problem("config needs four bytes a,b,c,d: " + std::string(word));
        } else if (name == "faults" || name == "status") {
            const bool faults = name == "faults";
            for (std::string_view item : split(value, ',')) {
                const std::optional<std::vector<uint8_t>> b = bytesOf(item, ':', faults ? 2 : 3);
                if (faults && b && (*b)[0] < kFaultStatusBytes)
                    ecu->setFaultStatus((*b)[0], (*b)[1]);
                else if (!faults && b && (*b)[0] >= 0x41 && (*b)[0] <= 0x4B)
                    ecu->setStatusValue((*b)[0], (*b)[1], (*b)[2]);
                else
                    problem(faults ? "faults needs <byte 0..39>:<value>: " + std::string(item)
                                   : "status needs <service 0x41..0x4B>:<d0>:<d1>: " + std::string(item));
            }
        } else if (name == "reply") {
            for (std::string_view item : split(value, ',')) {
                if (auto b = bytesOf(item, ':', 2))
                    ecu->setReplyServiceByte((*b)[0], (*b)[1]);
                else
                    problem("reply needs <service>:<byte>: " + std::string(item));
            }
        } else if (name == "journal") {
            if (value.empty() || !ecu->setJournal(std::string(value)))
                problem("journal needs a file that can be appended to: " + std::string(word));
        } else {
            problem("unknown option: " + std::string(word));
        }
    }
    return ecu;
}

SimKeltEcu::~SimKeltEcu() {
    if (journal_ >= 0) ::close(journal_);
}

bool SimKeltEcu::setJournal(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::lock_guard lock(mutex_);
    if (journal_ >= 0) ::close(journal_);
    journal_ = fd;
    return true;
}

void SimKeltEcu::journal(const std::string& line) {
    if (journal_ < 0) return;
    const std::string text = line + "\n";
    // One write per line: with O_APPEND it lands whole, and nothing waits in a buffer.
    ssize_t written;
    do {
        written = ::write(journal_, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
}

void SimKeltEcu::interfaceClosed() {
    std::lock_guard lock(mutex_);
    journal("closed");
}

SimBytes SimKeltEcu::bodyOf(const SimBytes& message) {
    if (message.empty()) return {};
    if (!(message[0] & kHeaderBit)) return {message[0]};
    return SimBytes(message.begin() + 1, message.end());
}

SimBytes SimKeltEcu::positive(uint8_t service, const SimBytes& data) {
    const std::size_t n = std::min(data.size(), kMaxAnswerData);
    SimBytes answer;
    answer.reserve(n + 2);
    answer.push_back(static_cast<uint8_t>(kHeaderBit + 1 + n));
    answer.push_back(static_cast<uint8_t>(service + kPositiveOffset));
    answer.insert(answer.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
    return answer;
}

// --- SimEcu -----------------------------------------------------------------------------------

bool SimKeltEcu::answersAt(uint8_t address) const {
    std::lock_guard lock(mutex_);
    return !refusesStart_ && address == addressLocked();
}

std::optional<SimBytes> SimKeltEcu::answer(const SimBytes& message) {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
    // A header byte that does not count the bytes after it.
    if (message.empty() ||
        ((message[0] & kHeaderBit) && message.size() != (message[0] & 0x7Fu) + 1u) ||
        (!(message[0] & kHeaderBit) && message.size() != 1))
        return negative(kNegativeFormat);
    const SimBytes body = bodyOf(message);

    auto fault = std::find_if(faultsToInject_.begin(), faultsToInject_.end(),
                              [&body](const Fault& f) { return startsWith(body, f.match); });
    if (fault != faultsToInject_.end()) {
        const Fault f = *fault;
        faultsToInject_.erase(fault);
        switch (f.kind) {
            case Fault::Kind::Reply:
                return f.reply;
            case Fault::Kind::Silence:
                return std::nullopt;
            case Fault::Kind::Truncate: {
                std::optional<SimBytes> usual = usualAnswer(body);
                if (!usual || usual->size() <= f.length) return usual;
                if (f.length <= 1) return SimBytes(usual->begin() + 1, usual->begin() + 2);
                usual->resize(f.length);
                (*usual)[0] = static_cast<uint8_t>(kHeaderBit + f.length - 1);
                return usual;
            }
        }
    }
    return usualAnswer(body);
}

std::optional<SimBytes> SimKeltEcu::usualAnswer(const SimBytes& body) {
    std::optional<SimBytes> answer = carryOut(body);
    if (!answer || answer->size() < 2 || !((*answer)[0] & kHeaderBit) || body.empty())
        return answer;
    const auto byte = replyServiceBytes_.find(body[0]);
    const bool positive = (*answer)[1] == static_cast<uint8_t>(body[0] + kPositiveOffset);
    if (byte != replyServiceBytes_.end() && positive) (*answer)[1] = byte->second;
    return answer;
}

std::optional<SimBytes> SimKeltEcu::carryOut(const SimBytes& body) {
    if (body.empty()) return negative(kNegativeFormat);
    advance();
    const uint8_t service = body[0];
    switch (service) {
        case kServiceActuation:
        case kServiceLeadRequest:
            if (body.size() != 3) return negative(kNegativeFormat);
            if (service == kServiceActuation) actuationWord_ = {body[1], body[2]};
            actuations_.push_back({clock_->nowMs(), body});
            journal("actuation " + hexBytes(body));
            return positive(service, {});
        case kServiceCalibrationPoint:
        case kServiceStore:
        case kServicePressureZero:
            return carryOutCalibration(body);
        case kServiceIdentification:
            return positive(service, identificationRecord_);
        case kServiceIdentifier:
            if (path_ == IdentifierPath::LocalIds) return SimBytes{kNegative};
            return positive(service,
                            {identifier_[3], identifier_[2], identifier_[1], identifier_[0]});
        case kServiceSoftwareRelease:
            return positive(service, {softwareRelease_});
        case kServiceReadLocalId: {
            if (body.size() != 2) return negative(kNegativeFormat);
            auto it = localIds_.find(body[1]);
            if (it == localIds_.end()) return negative(kNegativeOutOfRange);
            return positive(service, it->second);
        }
        case kServiceWriteLocalId:
            return writeLocalId(body);
        case kServiceReadFaults:
            return positive(service, SimBytes(faults_.begin(), faults_.end()));
        case kServiceClearFaults:
            faults_.fill(0);
            return positive(service, {});
        case kServiceStop:
            return positive(service, {});
        default:
            break;
    }
    if (body.size() == 1) {
        auto it = statusValues_.find(service);
        if (it != statusValues_.end()) return positive(service, {it->second[0], it->second[1]});
    }
    return negative(kNegativeNotSupported);
}

std::optional<SimBytes> SimKeltEcu::carryOutCalibration(const SimBytes& body) {
    if (body.size() != 1) return negative(kNegativeFormat);
    switch (body[0]) {
        case kServiceCalibrationPoint: {
            const auto& front = statusValues_[kServiceFrontLevel];
            const auto& rear = statusValues_[kServiceRearLevels];
            calibrationPoints_.push_back({front[1], rear[0], rear[1]});
            break;
        }
        case kServiceStore:
            storeLevelBlock();
            break;
        case kServicePressureZero: {
            const uint8_t offset = statusValues_[kServicePressure][0];
            localIds_[kPressureBlockFirstId] = {checkByteOf(std::array{offset}), offset};
            localIds_[kPressureBlockFirstId + 1] = {0, 0};
            localIds_[kPressureBlockFirstId + 2] = {0, 0};
            break;
        }
        default:
            break;
    }
    return positive(body[0], {});
}

void SimKeltEcu::storeLevelBlock() {
    SimBytes block(2 * kLevelBlockIds, 0);
    for (std::size_t i = 0; i < kLevelBlockIds; ++i) {
        auto it = localIds_.find(static_cast<uint8_t>(kLevelBlockFirstId + i));
        if (it == localIds_.end()) continue;
        for (std::size_t k = 0; k < 2 && k < it->second.size(); ++k) block[2 * i + k] = it->second[k];
    }
    if (!calibrationPoints_.empty()) {
        // Point 0 is the normal level (bytes 1, 2), point 1 the upper (3, 4), point 2 the lower
        // (5, 6).
        const std::size_t points = std::min<std::size_t>(calibrationPoints_.size(), 3);
        for (std::size_t p = 0; p < points; ++p) {
            const auto& [front, left, right] = calibrationPoints_[p];
            block[1 + 2 * p] = static_cast<uint8_t>((left + right) / 2);
            block[2 + 2 * p] = front;
            if (p == 0) block[7] = static_cast<uint8_t>(left - right);
        }
        calibrationPoints_.clear();
        block[0] = checkByteOf(std::span(block).subspan(1));
    }
    if (spoilNextLevelBlock_) {
        block[0] = static_cast<uint8_t>(block[0] + 1);
        spoilNextLevelBlock_ = false;
    }
    for (std::size_t i = 0; i < kLevelBlockIds; ++i)
        localIds_[static_cast<uint8_t>(kLevelBlockFirstId + i)] = {block[2 * i], block[2 * i + 1]};
}

void SimKeltEcu::advance() {
    const uint64_t now = clock_->nowMs();
    if (now <= movedUntilMs_) return;
    const auto elapsed = static_cast<int64_t>(now - movedUntilMs_);
    movedUntilMs_ = now;
    const uint8_t valves = actuationWord_[0];
    const bool charging = (valves & kValveCharge) != 0;
    for (std::size_t i = 0; i < kMovingValues.size(); ++i) {
        const MovingValue& v = kMovingValues[i];
        if (!(valves & v.valves)) continue;
        uint8_t& byte = statusValues_[v.service][v.index];
        const int64_t rate = v.isPressure ? motion_.pressureCountsPerSecond
                                          : motion_.levelCountsPerSecond;
        // In thousandths of a count: rate counts per second is rate thousandths per ms.
        int64_t value = byte * 1000 + fractions_[i];
        if (charging) {
            value = std::min<int64_t>(value + rate * elapsed, 255 * 1000);
        } else {
            const int64_t floor = v.isPressure ? motion_.pressureFloor * 1000 : 0;
            if (value > floor) value = std::max<int64_t>(value - rate * elapsed, floor);
        }
        byte = static_cast<uint8_t>(value / 1000);
        fractions_[i] = static_cast<int32_t>(value % 1000);
    }
}

std::optional<SimBytes> SimKeltEcu::writeLocalId(const SimBytes& body) {
    if (body.size() < 3) return negative(kNegativeFormat);
    const uint8_t id = body[1];
    auto it = localIds_.find(id);
    if (it == localIds_.end()) return negative(kNegativeOutOfRange);
    SimBytes record(body.begin() + 2, body.end());
    // Records have a fixed length; a write of another length is malformed.
    if (record.size() != it->second.size()) return negative(kNegativeFormat);
    if (auto instead = storesWritesAs_.find(id); instead != storesWritesAs_.end())
        it->second = instead->second;
    else if (!ignoresWrites_.count(id))
        it->second = std::move(record);
    return positive(kServiceWriteLocalId, {id});
}

// --- the parameter block ----------------------------------------------------------------------

uint8_t SimKeltEcu::lastParameterId(uint32_t ecuType) {
    switch (ecuType) {
        case 0x107001: return 0xE4;
        case 0x107002: return 0xE5;
        case 0x107004: case 0x107405: case 0x107600: return 0xE6;
        case 0x107102: case 0x107103: return 0xE7;
        case 0x107406: return 0xE8;
        case 0x107800: case 0x107801: return 0xEC;
        case 0x107420: return 0xEF;
        default: return kFirstParameterId + 1;  // the configuration only
    }
}

uint8_t SimKeltEcu::lastParameterIdLocked() const {
    return lastParameterId(uint32_t(identifier_[0]) << 16 | uint32_t(identifier_[1]) << 8 |
                           identifier_[2]);
}

uint8_t SimKeltEcu::addressLocked() const {
    auto it = localIds_.find(kCheckByteId);
    // A test that removed 0xD0 still finds the ECU where it always was.
    return it != localIds_.end() && it->second.size() == 2 ? it->second[1] : kDefaultAddress;
}

uint8_t SimKeltEcu::fittingCheckByte() const {
    SimBytes block;
    for (unsigned id = kFirstParameterId; id <= lastParameterIdLocked(); ++id) {
        auto it = localIds_.find(static_cast<uint8_t>(id));
        if (it != localIds_.end()) block.insert(block.end(), it->second.begin(), it->second.end());
    }
    return parameterCheckByte(block, addressLocked());
}

void SimKeltEcu::fitCheckByte() {
    localIds_[kCheckByteId] = {fittingCheckByte(), addressLocked()};
}

void SimKeltEcu::setParameterBlock(const SimBytes& block) {
    std::lock_guard lock(mutex_);
    const unsigned last = lastParameterIdLocked();
    if (block.size() != 2u * (last - kFirstParameterId + 1))
        throw std::invalid_argument("the parameter block has the length of the ECU's type");
    for (unsigned id = kFirstParameterId, at = 0; id <= last; ++id, at += 2)
        localIds_[static_cast<uint8_t>(id)] = {block[at], block[at + 1]};
    fitCheckByte();
}

SimBytes SimKeltEcu::parameterBlock() const {
    std::lock_guard lock(mutex_);
    SimBytes block;
    for (unsigned id = kFirstParameterId; id <= lastParameterIdLocked(); ++id) {
        auto it = localIds_.find(static_cast<uint8_t>(id));
        if (it != localIds_.end()) block.insert(block.end(), it->second.begin(), it->second.end());
    }
    return block;
}

bool SimKeltEcu::checkByteFits() const {
    std::lock_guard lock(mutex_);
    auto it = localIds_.find(kCheckByteId);
    return it != localIds_.end() && it->second.size() == 2 && it->second[0] == fittingCheckByte();
}

// --- set-up -----------------------------------------------------------------------------------

void SimKeltEcu::setAddress(uint8_t address) {
    std::lock_guard lock(mutex_);
    // As the ECU's own address change does: byte 0 minus byte 1 stays, so a fitting check byte
    // still fits.
    SimBytes& record = localIds_[kCheckByteId];
    if (record.size() != 2) record = {fittingCheckByte(), addressLocked()};
    record = {checkByteAfterChange(record[0], std::array{record[1]}, std::array{address}), address};
}

uint8_t SimKeltEcu::address() const {
    std::lock_guard lock(mutex_);
    return addressLocked();
}

void SimKeltEcu::setRefusesStart(bool refuses) {
    std::lock_guard lock(mutex_);
    refusesStart_ = refuses;
}

void SimKeltEcu::setIdentifier(std::array<uint8_t, 4> identifier, IdentifierPath path) {
    std::lock_guard lock(mutex_);
    identifier_ = identifier;
    path_ = path;
    localIds_[0x70] = {static_cast<uint8_t>(identifier[0] + 0x27), identifier[1]};
    localIds_[0x71] = {identifier[2], 0x00};
    if (identificationRecord_.size() >= 2) {
        identificationRecord_[0] = identifier[0];
        identificationRecord_[1] = identifier[1];
    }
    // The type without a baud-rate id.
    if (identifier[0] == 0x10 && identifier[1] == 0x70 && identifier[2] == 0x01)
        localIds_.erase(kBaudCodeId);
    else if (!localIds_.count(kBaudCodeId))
        localIds_[kBaudCodeId] = {kDefaultBaudCode + 1, kDefaultBaudCode};
    // The parameter block takes the type's length: ids that stay keep their bytes.
    const unsigned last = lastParameterIdLocked();
    for (unsigned id = kFirstParameterId; id <= 0xEF; ++id) {
        const uint8_t at = static_cast<uint8_t>(id);
        if (id > last)
            localIds_.erase(at);
        else if (!localIds_.count(at))
            localIds_[at] = {static_cast<uint8_t>(2 * (id - kFirstParameterId) + 0x20),
                             static_cast<uint8_t>(2 * (id - kFirstParameterId) + 0x21)};
    }
    fitCheckByte();
}

void SimKeltEcu::setIdentificationRecord(SimBytes record) {
    std::lock_guard lock(mutex_);
    identificationRecord_ = std::move(record);
}

SimBytes SimKeltEcu::identificationRecord() const {
    std::lock_guard lock(mutex_);
    return identificationRecord_;
}

void SimKeltEcu::setSoftwareRelease(uint8_t release) {
    std::lock_guard lock(mutex_);
    softwareRelease_ = release;
}

void SimKeltEcu::setConfiguration(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    std::lock_guard lock(mutex_);
    localIds_[0xD1] = {a, b};
    localIds_[0xD2] = {c, d};
    fitCheckByte();
}

void SimKeltEcu::setLocalId(uint8_t id, SimBytes record) {
    std::lock_guard lock(mutex_);
    localIds_[id] = std::move(record);
}

void SimKeltEcu::removeLocalId(uint8_t id) {
    std::lock_guard lock(mutex_);
    localIds_.erase(id);
}

std::optional<SimBytes> SimKeltEcu::localId(uint8_t id) const {
    std::lock_guard lock(mutex_);
    auto it = localIds_.find(id);
    if (it == localIds_.end()) return std::nullopt;
    return it->second;
}

void SimKeltEcu::setFaultStatus(const std::array<uint8_t, kFaultStatusBytes>& status) {
    std::lock_guard lock(mutex_);
    faults_ = status;
}

void SimKeltEcu::setFaultStatus(std::size_t index, uint8_t value) {
    std::lock_guard lock(mutex_);
    if (index < faults_.size()) faults_[index] = value;
}

std::array<uint8_t, SimKeltEcu::kFaultStatusBytes> SimKeltEcu::faultStatus() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

void SimKeltEcu::setStatusValue(uint8_t service, uint8_t d0, uint8_t d1) {
    std::lock_guard lock(mutex_);
    advance();
    statusValues_[service] = {d0, d1};
    for (std::size_t i = 0; i < kMovingValues.size(); ++i)
        if (kMovingValues[i].service == service) fractions_[i] = 0;
}

std::array<uint8_t, 2> SimKeltEcu::statusValue(uint8_t service) {
    std::lock_guard lock(mutex_);
    advance();
    auto it = statusValues_.find(service);
    return it == statusValues_.end() ? std::array<uint8_t, 2>{} : it->second;
}

// --- actuation and moving values --------------------------------------------------------------

void SimKeltEcu::setClock(const Clock& clock) {
    std::lock_guard lock(mutex_);
    advance();
    clock_ = &clock;
    movedUntilMs_ = clock_->nowMs();
}

void SimKeltEcu::setMotion(SimLevelMotion motion) {
    std::lock_guard lock(mutex_);
    advance();
    motion_ = motion;
}

std::array<uint8_t, 2> SimKeltEcu::actuationWord() const {
    std::lock_guard lock(mutex_);
    return actuationWord_;
}

bool SimKeltEcu::released() const {
    std::lock_guard lock(mutex_);
    return actuationWord_ == std::array<uint8_t, 2>{};
}

std::vector<SimActuation> SimKeltEcu::actuations() const {
    std::lock_guard lock(mutex_);
    return actuations_;
}

void SimKeltEcu::spoilNextLevelBlock() {
    std::lock_guard lock(mutex_);
    spoilNextLevelBlock_ = true;
}

// --- fault injection --------------------------------------------------------------------------

void SimKeltEcu::queue(Fault fault) {
    std::lock_guard lock(mutex_);
    faultsToInject_.push_back(std::move(fault));
}

void SimKeltEcu::injectReply(SimBytes match, SimBytes reply) {
    queue({Fault::Kind::Reply, std::move(match), std::move(reply), 0});
}

void SimKeltEcu::injectNegative(SimBytes match) {
    queue({Fault::Kind::Reply, std::move(match), {kNegative}, 0});
}

void SimKeltEcu::injectNegativeCode(SimBytes match, uint8_t code) {
    queue({Fault::Kind::Reply, std::move(match), negative(code), 0});
}

void SimKeltEcu::injectUndervoltage(SimBytes match) {
    injectNegativeCode(std::move(match), kNegativeUndervoltage);
}

void SimKeltEcu::injectShortReply(SimBytes match, std::size_t length) {
    queue({Fault::Kind::Truncate, std::move(match), {}, length});
}

void SimKeltEcu::injectSilence(SimBytes match) {
    queue({Fault::Kind::Silence, std::move(match), {}, 0});
}

void SimKeltEcu::setStoresWritesAs(uint8_t id, std::optional<SimBytes> record) {
    std::lock_guard lock(mutex_);
    if (record)
        storesWritesAs_[id] = std::move(*record);
    else
        storesWritesAs_.erase(id);
}

void SimKeltEcu::setReplyServiceByte(uint8_t service, std::optional<uint8_t> byte) {
    std::lock_guard lock(mutex_);
    if (byte)
        replyServiceBytes_[service] = *byte;
    else
        replyServiceBytes_.erase(service);
}

void SimKeltEcu::setIgnoresWrites(uint8_t id, bool ignores) {
    std::lock_guard lock(mutex_);
    if (ignores)
        ignoresWrites_.insert(id);
    else
        ignoresWrites_.erase(id);
}

std::size_t SimKeltEcu::pendingFaults() const {
    std::lock_guard lock(mutex_);
    return faultsToInject_.size();
}

// --- what happened ----------------------------------------------------------------------------

std::vector<SimBytes> SimKeltEcu::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<SimBytes> SimKeltEcu::bodies() const {
    std::lock_guard lock(mutex_);
    std::vector<SimBytes> result;
    result.reserve(messages_.size());
    for (const SimBytes& m : messages_) result.push_back(bodyOf(m));
    return result;
}

int SimKeltEcu::count(const SimBytes& bodyPrefix) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const SimBytes& m : messages_) n += startsWith(bodyOf(m), bodyPrefix);
    return n;
}

void SimKeltEcu::clearLog() {
    std::lock_guard lock(mutex_);
    messages_.clear();
}

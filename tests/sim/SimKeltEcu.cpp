#include "SimKeltEcu.h"

#include <algorithm>

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

SimBytes negative(uint8_t code) { return {0x82, kNegative, code}; }

bool startsWith(const SimBytes& bytes, const SimBytes& prefix) {
    return prefix.size() <= bytes.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

}  // namespace

SimKeltEcu::SimKeltEcu() {
    // Part number bytes 4..6, software 7.6, produced in week 10 of 2005 (bit 7 of byte 9 set).
    identificationRecord_ = {0x10, 0x78, 0x2E, 0x05, 0x31, 0x76, 0x4A, 0x85, 0x00, 0x00,
                             'K',  'E',  'L',  'T'};
    setIdentifier({0x10, 0x78, 0x01, 0x00});
    setConfiguration(2, 4, 11, 16);
    statusValues_[0x48] = {180, 0x30};  // terminal 15: 180 x 0.135 = 24.3 V
    statusValues_[0x42] = {17, 0};      // 17 km/h
    statusValues_[0x47] = {0x08, 0};    // safety relay 0.0 V
}

std::shared_ptr<SimEcu> SimKeltEcu::factory(uint8_t /*generation*/) {
    return std::make_shared<SimKeltEcu>();
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
    return !refusesStart_ && address == address_;
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
                std::optional<SimBytes> usual = carryOut(body);
                if (!usual || usual->size() <= f.length) return usual;
                if (f.length <= 1) return SimBytes(usual->begin() + 1, usual->begin() + 2);
                usual->resize(f.length);
                (*usual)[0] = static_cast<uint8_t>(kHeaderBit + f.length - 1);
                return usual;
            }
        }
    }
    return carryOut(body);
}

std::optional<SimBytes> SimKeltEcu::carryOut(const SimBytes& body) {
    if (body.empty()) return negative(kNegativeFormat);
    const uint8_t service = body[0];
    switch (service) {
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
        case kServiceWriteLocalId: {
            if (body.size() < 3) return negative(kNegativeFormat);
            localIds_[body[1]] = SimBytes(body.begin() + 2, body.end());
            return positive(service, {body[1]});
        }
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

// --- set-up -----------------------------------------------------------------------------------

void SimKeltEcu::setAddress(uint8_t address) {
    std::lock_guard lock(mutex_);
    address_ = address;
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
    statusValues_[service] = {d0, d1};
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

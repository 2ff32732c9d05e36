// The simulated interface's SAE application: protocol options, raw send and receive on the line,
// priority and tester present (see SimInterface.h).
#include "SimInterface.h"

namespace {

constexpr uint8_t kSelectorSae = 4;
constexpr const char* kSaeVersionPrefix = "SAE1587";

constexpr uint8_t kCmdOptions = 0x07;
constexpr uint8_t kCmdSend = 0x12;
constexpr uint8_t kCmdPriority = 0x15;
constexpr uint8_t kCmdReceive = 0x17;
constexpr uint8_t kCmdSendData = 0x18;
constexpr uint8_t kCmdTesterPresentOn = 0x19;
constexpr uint8_t kCmdTesterPresentOff = 0x1A;

constexpr uint8_t kOptionsJ1708 = 0;
constexpr uint8_t kOptionsIso15765 = 1;
constexpr size_t kIsoParameters = 5;
constexpr size_t kMaxSend = 20;
constexpr size_t kFilterSize = 8;
constexpr uint16_t kAnyWord = 0x0100;
constexpr uint64_t kTimeoutUnitMs = 50;

bool matches(const SimBytes& message, const SimBytes& filter) {
    const size_t escapes = filter[6] >> 4;
    const size_t positions[3] = {0, 1 + escapes, 2 + escapes};
    for (size_t i = 0; i < 3; ++i) {
        const uint16_t word = static_cast<uint16_t>((filter[2 * i] << 8) | filter[2 * i + 1]);
        if (word == kAnyWord) continue;
        if (positions[i] >= message.size() || message[positions[i]] != word) return false;
    }
    return true;
}

// Whether the last options chose ISO 15765 (none yet: J1708).
bool isIso15765(const SimSae& sae) {
    return !sae.options.empty() && sae.options[0] == kOptionsIso15765;
}

}  // namespace

bool SimInterface::isSaeRunning() const {
    if (!applicationRunning_) return false;
    if (config_.generation == 2) return startedSelector_ == kSelectorSae;
    return appVersion_.rfind(kSaeVersionPrefix, 0) == 0;
}

bool SimInterface::handleSae(uint8_t command, const SimBytes& data) {
    if (!isSaeRunning()) return false;
    const auto refuse = [this] {
        replyStatus(kStatusOutOfRange);
        return true;
    };
    switch (command) {
        case kCmdOptions: {
            const bool j1708 = data.size() == 1 && data[0] == kOptionsJ1708;
            const bool iso = data.size() == 1 + kIsoParameters && data[0] == kOptionsIso15765;
            if (!j1708 && !iso) return refuse();
            sae_.options = data;
            reply(command, {});
            return true;
        }
        case kCmdSend:
            if (data.empty() || data.size() > kMaxSend) return refuse();
            sae_.sent.push_back(data);
            reply(command, {});
            return true;

        case kCmdPriority:
            if (data.size() != 1 || data[0] < '1' || data[0] > '8') return refuse();
            sae_.priority = data[0];
            reply(command, {});
            return true;

        case kCmdReceive:
            if (data.size() != kFilterSize) return refuse();
            sae_.receiveFilters.push_back(data);
            saeReceive(command, data);
            return true;

        case kCmdSendData: {
            if (data.size() < (isIso15765(sae_) ? 1u : kFilterSize + 1)) return refuse();
            sae_.requests.push_back(data);
            saeSendData(data);
            return true;
        }

        case kCmdTesterPresentOn: {
            if (data.size() != (isIso15765(sae_) ? 0u : 2u)) return refuse();
            sae_.testerPresent = true;
            sae_.testerPresentData = data;
            reply(command, {});
            return true;
        }
        case kCmdTesterPresentOff:
            if (!data.empty()) return refuse();
            sae_.testerPresent = false;
            reply(command, {});
            return true;

        default:
            return false;
    }
}

// The first message on the line that the filter lets through (no filter: the first of all).
void SimInterface::saeReceive(uint8_t command, const SimBytes& filter) {
    for (auto it = saeLine_.begin(); it != saeLine_.end(); ++it) {
        if (!filter.empty() && !matches(*it, filter)) continue;
        const SimBytes message = *it;
        saeLine_.erase(it);
        reply(command, message);
        return;
    }
    if (saeClock_ && !filter.empty()) saeClock_->advance(filter[7] * kTimeoutUnitMs);
    replyStatus(kStatusEcuSilent);
}

void SimInterface::saeSendData(const SimBytes& data) {
    if (saeScript_.empty()) {
        saeReceive(kCmdSendData, isIso15765(sae_) ? SimBytes{}
                                                  : SimBytes(data.end() - kFilterSize, data.end()));
        return;
    }
    const SimSaeAnswer answer = saeScript_.front();
    saeScript_.pop_front();
    switch (answer.kind) {
        case SimSaeAnswer::Kind::Reply: reply(kCmdSendData, answer.reply); break;
        case SimSaeAnswer::Kind::Status: replyStatus(answer.status); break;
        case SimSaeAnswer::Kind::Silence: break;
    }
}

void SimInterface::queueSaeReply(const SimBytes& reply) {
    std::lock_guard lock(mutex_);
    saeScript_.push_back({SimSaeAnswer::Kind::Reply, reply, 0});
}

void SimInterface::queueSaeStatus(uint8_t status) {
    std::lock_guard lock(mutex_);
    saeScript_.push_back({SimSaeAnswer::Kind::Status, {}, status});
}

void SimInterface::queueSaeSilence() {
    std::lock_guard lock(mutex_);
    saeScript_.push_back({SimSaeAnswer::Kind::Silence, {}, 0});
}

size_t SimInterface::queuedSaeAnswers() const {
    std::lock_guard lock(mutex_);
    return saeScript_.size();
}

void SimInterface::queueSaeMessage(const SimBytes& message) {
    std::lock_guard lock(mutex_);
    saeLine_.push_back(message);
}

size_t SimInterface::queuedSaeMessages() const {
    std::lock_guard lock(mutex_);
    return saeLine_.size();
}

void SimInterface::setSaeClock(FakeClock* clock) {
    std::lock_guard lock(mutex_);
    saeClock_ = clock;
}

SimSae SimInterface::sae() const {
    std::lock_guard lock(mutex_);
    return sae_;
}

bool SimInterface::saeRunning() const {
    std::lock_guard lock(mutex_);
    return isSaeRunning();
}

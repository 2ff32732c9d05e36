#include "SimInterface.h"

#include <algorithm>

namespace {

constexpr uint8_t kPendingByte = 0x78;
constexpr uint8_t kSegmentFlag = 0x80;

constexpr uint8_t kCmdBios = 0x01;
constexpr uint8_t kCmdFlashBlock = 0x03;
constexpr uint8_t kCmdBiosVersion = 0x02;
constexpr uint8_t kCmdAppVersion = 0x04;
constexpr uint8_t kCmdAppStart = 0x05;
constexpr uint8_t kCmdBaudrate = 0x06;
constexpr uint8_t kCmdVersionCheck = 0x06;  // generation 2: command 6 asks whether to compare
constexpr uint8_t kCmdBlockSize = 0x07;
constexpr uint8_t kCmdDebug = 0x08;
constexpr uint8_t kCmdBootLoader = 0x10;
constexpr uint8_t kCmdUsbClose = 0x12;
constexpr uint8_t kCmdStartCommunication = 0x10;
constexpr uint8_t kCmdMessage = 0x11;
constexpr uint8_t kCmdFreeRunning = 0x12;
constexpr uint8_t kCmdReizImpuls = 0x13;
constexpr uint8_t kCmdConfig = 0x14;
constexpr uint8_t kCmdRequestDownload = 0x34;
constexpr uint8_t kCmdTransferData = 0x36;
constexpr uint8_t kCmdTransferExit = 0x37;

constexpr uint8_t kMessageStop = 0x0F;
constexpr size_t kGen1BlockSize = 64;
constexpr uint16_t kGen1FirstBlock = 0x80;
constexpr size_t kGen2ChunkSize = 128;
constexpr size_t kMaxVersionText = 31;

constexpr uint8_t kCloseMark = 0x12;
constexpr uint8_t kCloseDone = 0x13;

uint8_t sum(const uint8_t* bytes, size_t count) {
    unsigned s = 0;
    for (size_t i = 0; i < count; ++i) s += bytes[i];
    return static_cast<uint8_t>(s);
}

SimBytes textBytes(const std::string& text) { return SimBytes(text.begin(), text.end()); }

size_t messageLength(uint8_t header) { return (header & 0x80) ? (header & 0x7Fu) + 1u : 1u; }

}  // namespace

SimInterface::SimInterface(SimConfig config)
    : config_(std::move(config)),
      applicationRunning_(config_.applicationRunning),
      blockSize_(initialBlockSize()),
      appVersion_(config_.appVersion) {}

uint16_t SimInterface::initialBlockSize() const {
    return std::min<uint16_t>(kDefaultBlockSize, config_.maxBlockSize);
}

// --- the PC's side --------------------------------------------------------------------------

void SimInterface::receive(const uint8_t* data, size_t length) {
    std::lock_guard lock(mutex_);
    if (length == 0) return;
    input_.insert(input_.end(), data, data + length);
    parseInput();
}

void SimInterface::parseInput() {
    const bool longLength = config_.generation == 2;
    const size_t header = longLength ? 3 : 2;
    while (input_.size() >= header) {
        const uint8_t command = input_[0];
        size_t length = longLength ? (static_cast<size_t>(input_[1]) << 8) | input_[2] : input_[1];
        if (longLength && length > kMaxFrameData) {
            // No way to find the next frame after a broken length: drop everything.
            received_.push_back(input_);
            input_.clear();
            if (!restarting_ && !silent_) replyStatus(kStatusFrameError);
            return;
        }
        // A full 256-byte block of a block transfer goes with length byte 0.
        if (!longLength && inBlock_ && command == blockCommand_ && length == 0 &&
            blockTotal_ - blockData_.size() >= 0x100)
            length = 0x100;
        const size_t frameSize = header + length + 1;
        if (input_.size() < frameSize) return;

        SimBytes frame(input_.begin(), input_.begin() + static_cast<long>(frameSize));
        input_.erase(input_.begin(), input_.begin() + static_cast<long>(frameSize));
        received_.push_back(frame);
        const bool good = sum(frame.data(), frameSize - 1) == frame[frameSize - 1];
        handleFrame(command, frame.data() + header, length, good);
        if (restarting_) {
            input_.clear();
            return;
        }
    }
}

bool SimInterface::takeRefusal() {
    if (injectedSilence_) {
        injectedSilence_ = false;
        return true;
    }
    if (injectedStatus_ >= 0) {
        const auto status = static_cast<uint8_t>(injectedStatus_);
        injectedStatus_ = -1;
        replyStatus(status);
        return true;
    }
    return false;
}

void SimInterface::handleFrame(uint8_t command, const uint8_t* data, size_t length, bool good) {
    if (restarting_ || silent_) return;
    if (takeRefusal()) {
        inBlock_ = false;
        return;
    }
    if (!good) {
        inBlock_ = false;
        replyStatus(kStatusFrameError);
        return;
    }
    if (config_.generation != 2 && (command & kSegmentFlag)) {
        if (inBlock_ && command == blockCommand_) {
            handleBlockFrame(command, data, length);
            return;
        }
        if (length == 2) {
            inBlock_ = true;
            blockCommand_ = command;
            blockTotal_ = static_cast<size_t>(data[0]) | (static_cast<size_t>(data[1]) << 8);
            blockData_.clear();
            blocksReceived_ = 0;
            reply(command, {0x00});
            if (blockTotal_ == 0) {
                inBlock_ = false;
                handleRequest(static_cast<uint8_t>(command & ~kSegmentFlag), {});
            }
            return;
        }
    }
    // Anything but the next block ends a block transfer.
    inBlock_ = false;
    handleRequest(command, SimBytes(data, data + length));
}

void SimInterface::handleBlockFrame(uint8_t command, const uint8_t* data, size_t length) {
    if (blockData_.size() + length > blockTotal_) {
        inBlock_ = false;
        replyStatus(kStatusFrameError);
        return;
    }
    blockData_.insert(blockData_.end(), data, data + length);
    ++blocksReceived_;
    if (blockData_.size() < blockTotal_) {
        reply(command, {blocksReceived_});
        return;
    }
    inBlock_ = false;
    handleRequest(static_cast<uint8_t>(command & ~kSegmentFlag), blockData_);
}

void SimInterface::handleRequest(uint8_t command, const SimBytes& data) {
    if (injectedForCommand_ == command && injectedForSkip_-- == 0) {
        injectedForCommand_ = -1;
        replyStatus(injectedForStatus_);
        return;
    }
    requests_.push_back({command, data});
    const bool gen2 = config_.generation == 2;
    if (handleSae(command, data) || handleJed677(command, data) || handleDownload(command, data))
        return;
    switch (command) {
        case kCmdBios:
            gen1Open_ = false;
            gen1Downloading_ = false;
            if (gen2 && applicationRunning_) {
                applicationRunning_ = false;
                reply(command, {});
                restart();
                return;
            }
            applicationRunning_ = false;
            reply(command, {});
            return;

        case kCmdBiosVersion:
            reply(command, textBytes(config_.biosVersion));
            return;

        case kCmdAppVersion:
            reply(command, textBytes(appVersion_));
            return;

        case kCmdAppStart: {
            if (!gen2) {
                if (appVersion_.empty()) return replyStatus(kStatusFaultyFunction);
                applicationRunning_ = true;
                communicating_ = false;
                reply(command, {});
                return;
            }
            if (data.size() != 1) return replyStatus(kStatusOutOfRange);
            const uint8_t selector = data[0];
            if (selector == 0) {
                startedSelector_ = 0;
                applicationRunning_ = false;
                communicating_ = false;
                reply(command, {});
                return;
            }
            if (appVersion_.empty()) return replyStatus(kStatusFaultyFunction);
            startedSelector_ = selector;
            const bool fromBootLoader = !applicationRunning_;
            applicationRunning_ = true;
            reply(command, {});
            if (fromBootLoader) restart();
            return;
        }

        case kCmdBaudrate: {
            if (data.size() != 5) return replyStatus(kStatusOutOfRange);
            const uint32_t baud = (static_cast<uint32_t>(data[0]) << 24) |
                                  (static_cast<uint32_t>(data[1]) << 16) |
                                  (static_cast<uint32_t>(data[2]) << 8) | data[3];
            if (baud == 0) return replyStatus(kStatusOutOfRange);
            baudrate_ = baud;
            // The interface answers at the new rate: the PC hears it only after switching.
            reply(command, {}, true);
            return;
        }

        case kCmdBlockSize: {
            if (data.size() != 2) return replyStatus(kStatusOutOfRange);
            const uint16_t requested = static_cast<uint16_t>((data[0] << 8) | data[1]);
            if (requested == 0) return replyStatus(kStatusOutOfRange);
            blockSize_ = std::min(requested, config_.maxBlockSize);
            reply(command, {static_cast<uint8_t>(blockSize_ >> 8),
                            static_cast<uint8_t>(blockSize_ & 0xFF)});
            return;
        }

        case kCmdDebug:
            if (data.empty()) return replyStatus(kStatusOutOfRange);
            switch (data[0]) {
                case 1:
                case 2:
                case 3:
                    reply(command, {});
                    return;
                case 4:
                    reply(command, {4, config_.debugValue[0], config_.debugValue[1],
                                    config_.debugValue[2], config_.debugValue[3]});
                    return;
                default:
                    replyStatus(kStatusOutOfRange);
                    return;
            }

        case kCmdBootLoader:
            if (!gen2) break;
            if (data != SimBytes{0x21, 0xFE}) return replyStatus(kStatusOutOfRange);
            if (applicationRunning_) return replyStatus(kStatusNotSupported);
            reply(command, {});
            return;

        case kCmdUsbClose: {
            if (gen2) break;
            SimBytes answer(kCloseReplySize, 0);
            for (size_t i = 6; i < answer.size(); ++i) answer[i] = static_cast<uint8_t>(i);
            answer[4] = kCloseMark;
            if (data.empty()) {
                answer[0] = 1;
                answer[5] = kCloseMark;
                closeStarted_ = true;
                closeReply_ = answer;
            } else {
                // The second step must echo the first answer; only then is the close done.
                answer[0] = 2;
                answer[5] = closeStarted_ && data == closeReply_ ? kCloseDone : 0x00;
                closeStarted_ = false;
            }
            reply(command, answer);
            return;
        }

        default:
            break;
    }
    replyUnknown();
}

// --- firmware download -------------------------------------------------------------------------

std::string SimInterface::versionOfImage(const SimBytes& image) const {
    if (!config_.flashedAppVersion.empty()) return config_.flashedAppVersion;
    std::string text;
    for (uint8_t byte : image) {
        if (byte == 0x00 || byte == 0xFF || text.size() == kMaxVersionText) break;
        text.push_back(static_cast<char>(byte));
    }
    return text;
}

// The download commands of both generations; false when the request is not one of them.
bool SimInterface::handleDownload(uint8_t command, const SimBytes& data) {
    const auto refuse = [this](uint8_t status) {
        replyStatus(status);
        return true;
    };
    const bool gen2 = config_.generation == 2;
    if (!gen2) {
        if (command == kCmdDebug && data.size() == 1 && data[0] <= 1) {
            if (data[0] == 0) {
                gen1Open_ = true;
                gen1Downloading_ = false;  // the next block starts a new application
            } else {
                if (gen1Open_ && gen1Downloading_) {
                    appVersion_ = versionOfImage(flashed_);
                    ++completedDownloads_;
                }
                gen1Open_ = false;
                gen1Downloading_ = false;
            }
            reply(command, {});
            return true;
        }
        if (command != kCmdFlashBlock) return false;
        if (applicationRunning_) return refuse(kStatusNotSupported);
        const size_t number = data.size() >= 2 ? static_cast<size_t>((data[0] << 8) | data[1]) : 0;
        if (data.size() != 2 + kGen1BlockSize || number < kGen1FirstBlock ||
            (number - kGen1FirstBlock + 1) * kGen1BlockSize > kGen1FlashSize)
            return refuse(kStatusOutOfRange);
        if (!gen1Downloading_) {
            // The first block overwrites the old application.
            gen1Downloading_ = true;
            gen1Flash_.assign(kGen1FlashSize, 0xFF);
            gen1FlashEnd_ = 0;
            appVersion_.clear();
        }
        const size_t offset = (number - kGen1FirstBlock) * kGen1BlockSize;
        std::copy(data.begin() + 2, data.end(), gen1Flash_.begin() + static_cast<long>(offset));
        gen1FlashEnd_ = std::max(gen1FlashEnd_, offset + kGen1BlockSize);
        flashed_.assign(gen1Flash_.begin(), gen1Flash_.begin() + static_cast<long>(gen1FlashEnd_));
        flashedLoad_ = kGen1FlashBase;
        if (!gen1Open_) appVersion_ = versionOfImage(flashed_);
        reply(command, {});
        return true;
    }

    const bool session = command == kCmdBootLoader && data == SimBytes{0x10, 0x85};
    const bool activate = command == kCmdBootLoader && data.size() == 3 && data[0] == 0x31 &&
                          data[1] == 0xFA;
    if (command == kCmdVersionCheck && data == SimBytes{0x80, 0x00, 0x45, 0x01}) {
        reply(command, {config_.versionCheckAnswer});
        return true;
    }
    if (!session && !activate && command != kCmdRequestDownload && command != kCmdTransferData &&
        command != kCmdTransferExit)
        return false;
    if (applicationRunning_) return refuse(kStatusNotSupported);
    if (session) {
        gen2Session_ = true;
        gen2Transfer_ = false;
        gen2TransferDone_ = false;
        reply(command, {0x50, 0x85});
        return true;
    }
    if (command == kCmdRequestDownload) {
        if (!gen2Session_) return refuse(kStatusNotSupported);
        if (data.size() != 6) return refuse(kStatusOutOfRange);
        const uint32_t address = (static_cast<uint32_t>(data[0]) << 16) | (data[1] << 8) | data[2];
        const uint32_t length = (static_cast<uint32_t>(data[3]) << 16) | (data[4] << 8) | data[5];
        if (length == 0 || length > kGen2FlashSize) return refuse(kStatusOutOfRange);
        // The old application is erased here.
        appVersion_.clear();
        flashed_.clear();
        flashedLoad_ = address;
        gen2Length_ = length;
        gen2Transfer_ = true;
        gen2TransferDone_ = false;
        reply(command, {0x74});
        return true;
    }
    if (command == kCmdTransferData) {
        if (!gen2Transfer_) return refuse(kStatusNotSupported);
        if (data.empty() || data.size() > kGen2ChunkSize || flashed_.size() + data.size() > gen2Length_)
            return refuse(kStatusOutOfRange);
        flashed_.insert(flashed_.end(), data.begin(), data.end());
        reply(command, {0x76});
        return true;
    }
    if (command == kCmdTransferExit) {
        if (!gen2Transfer_) return refuse(kStatusNotSupported);
        gen2Transfer_ = false;
        if (flashed_.size() != gen2Length_) return refuse(kStatusFlashWrite);
        gen2TransferDone_ = true;
        reply(command, {0x77});
        return true;
    }
    // Activation.
    if (!gen2TransferDone_) return refuse(kStatusNotSupported);
    gen2TransferDone_ = false;
    gen2Session_ = false;
    flashSelector_ = data[2];
    if (config_.flashCheckResult == 0) {
        appVersion_ = versionOfImage(flashed_);
        ++completedDownloads_;
    }
    reply(command, {0x71, 0xFA, config_.flashCheckResult});
    return true;
}

// --- the JED677 application ---------------------------------------------------------------------

// The commands of the running JED677 application; false when it does not run or the request is
// not one of them.
bool SimInterface::handleJed677(uint8_t command, const SimBytes& data) {
    const auto refuse = [this](uint8_t status) {
        replyStatus(status);
        return true;
    };
    if (!applicationRunning_ || isSaeRunning()) return false;
    switch (command) {
        case kCmdStartCommunication:
            // On generation 2 the boot-loader question reaches the application too.
            if (data.size() != 1) return false;
            if (ecu_ && ecu_->answersAt(data[0])) {
                communicating_ = true;
                ecuAddress_ = data[0];
                reply(command, {static_cast<uint8_t>(config_.ecuBaudDivisor >> 8),
                                static_cast<uint8_t>(config_.ecuBaudDivisor & 0xFF),
                                static_cast<uint8_t>(config_.ecuWord >> 8),
                                static_cast<uint8_t>(config_.ecuWord & 0xFF)});
            } else {
                communicating_ = false;
                replyStatus(kStatusNoSynchroByte);
            }
            return true;

        case kCmdMessage: {
            if (data.empty() || messageLength(data[0]) != data.size())
                return refuse(kStatusOutOfRange);
            if (!communicating_ || !ecu_) return refuse(kStatusNotActive);
            const std::optional<SimBytes> answer = ecu_->answer(data);
            if (data.size() == 1 && data[0] == kMessageStop) communicating_ = false;
            if (!answer)
                replyStatus(kStatusEcuSilent);
            else
                reply(command, *answer);
            return true;
        }

        case kCmdFreeRunning:
            if (!data.empty()) return refuse(kStatusOutOfRange);
            reply(command, config_.freeRunningData);
            return true;

        case kCmdReizImpuls:
            if (data.size() != 3) return refuse(kStatusOutOfRange);
            reizImpuls_ = data;
            reply(command, {});
            return true;

        case kCmdConfig:
            if (data.size() != 6) return refuse(kStatusOutOfRange);
            jed677Config_ = data;
            reply(command, {});
            return true;

        default:
            return false;
    }
}

// --- replies ----------------------------------------------------------------------------------

SimBytes SimInterface::buildFrame(uint8_t command, const SimBytes& data) const {
    SimBytes frame;
    frame.push_back(command);
    if (config_.generation == 2) {
        const size_t length = std::min(data.size(), kMaxFrameData);
        frame.push_back(static_cast<uint8_t>(length >> 8));
        frame.push_back(static_cast<uint8_t>(length & 0xFF));
        frame.insert(frame.end(), data.begin(), data.begin() + static_cast<long>(length));
    } else {
        // An 8-bit length carries at most 255 bytes; the interface's own texts are far shorter.
        const size_t length = std::min<size_t>(data.size(), 0xFF);
        frame.push_back(static_cast<uint8_t>(length));
        frame.insert(frame.end(), data.begin(), data.begin() + static_cast<long>(length));
    }
    frame.push_back(sum(frame.data(), frame.size()));
    return frame;
}

void SimInterface::reply(uint8_t command, const SimBytes& data, bool held) {
    for (int i = 0; i < injectedPending_; ++i) output_.push_back(buildFrame(0, {kPendingByte}));
    injectedPending_ = 0;

    SimBytes frame = buildFrame(command, data);
    if (injectedWrongCommand_) {
        frame[0] ^= 0x40;
        frame.back() = sum(frame.data(), frame.size() - 1);
        injectedWrongCommand_ = false;
    }
    if (injectedBadChecksum_) {
        frame.back() = static_cast<uint8_t>(frame.back() + 1);
        injectedBadChecksum_ = false;
    }
    if (held)
        held_.push_back(std::move(frame));
    else
        output_.push_back(std::move(frame));
}

void SimInterface::replyStatus(uint8_t status) { reply(0, {status}); }

void SimInterface::replyUnknown() { reply(0, {}); }

void SimInterface::restart() {
    restarting_ = true;
    communicating_ = false;
    gen2Session_ = false;
    gen2Transfer_ = false;
    gen2TransferDone_ = false;
    ++restarts_;
    input_.clear();
    held_.clear();
    inBlock_ = false;
    closeStarted_ = false;
    baudrate_ = kDefaultBaudrate;
    blockSize_ = initialBlockSize();
}

// --- reading the replies ----------------------------------------------------------------------

bool SimInterface::hasOutput() const {
    std::lock_guard lock(mutex_);
    return !output_.empty();
}

SimBytes SimInterface::takeFrame() {
    std::lock_guard lock(mutex_);
    if (output_.empty()) return {};
    SimBytes frame(output_.front().begin() + static_cast<long>(outputOffset_), output_.front().end());
    output_.pop_front();
    outputOffset_ = 0;
    return frame;
}

SimBytes SimInterface::takeBytes(size_t max) {
    std::lock_guard lock(mutex_);
    SimBytes bytes;
    while (!output_.empty() && bytes.size() < max) {
        const SimBytes& front = output_.front();
        const size_t n = std::min(max - bytes.size(), front.size() - outputOffset_);
        bytes.insert(bytes.end(), front.begin() + static_cast<long>(outputOffset_),
                     front.begin() + static_cast<long>(outputOffset_ + n));
        outputOffset_ += n;
        if (outputOffset_ == front.size()) {
            output_.pop_front();
            outputOffset_ = 0;
        }
    }
    return bytes;
}

void SimInterface::purged() {
    std::lock_guard lock(mutex_);
    for (SimBytes& frame : held_) output_.push_back(std::move(frame));
    held_.clear();
}

void SimInterface::discardOutput() {
    std::lock_guard lock(mutex_);
    output_.clear();
    outputOffset_ = 0;
}

bool SimInterface::hasHeldReply() const {
    std::lock_guard lock(mutex_);
    return !held_.empty();
}

// --- modem lines --------------------------------------------------------------------------------

void SimInterface::setDtr(bool on) {
    std::lock_guard lock(mutex_);
    dtr_ = on;
}

bool SimInterface::dtr() const {
    std::lock_guard lock(mutex_);
    return dtr_;
}

bool SimInterface::dsr() const {
    std::lock_guard lock(mutex_);
    return handshake == SimHandshake::DsrEchoesDtr && dtr_;
}

bool SimInterface::carrier() const {
    std::lock_guard lock(mutex_);
    return handshake == SimHandshake::CarrierOnly;
}

// --- device life --------------------------------------------------------------------------------

bool SimInterface::restarting() const {
    std::lock_guard lock(mutex_);
    return restarting_;
}

void SimInterface::opened() {
    std::lock_guard lock(mutex_);
    restarting_ = false;
}

int SimInterface::restartCount() const {
    std::lock_guard lock(mutex_);
    return restarts_;
}

// --- fault injection ------------------------------------------------------------------------------

void SimInterface::injectStatus(uint8_t status) {
    std::lock_guard lock(mutex_);
    injectedStatus_ = status;
}

void SimInterface::injectPending(int count) {
    std::lock_guard lock(mutex_);
    injectedPending_ = std::max(count, 0);
}

void SimInterface::injectBadChecksum() {
    std::lock_guard lock(mutex_);
    injectedBadChecksum_ = true;
}

void SimInterface::injectWrongCommand() {
    std::lock_guard lock(mutex_);
    injectedWrongCommand_ = true;
}

void SimInterface::injectSilence() {
    std::lock_guard lock(mutex_);
    injectedSilence_ = true;
}

void SimInterface::setSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void SimInterface::injectStatusFor(uint8_t command, uint8_t status, int skip) {
    std::lock_guard lock(mutex_);
    injectedForCommand_ = command;
    injectedForStatus_ = status;
    injectedForSkip_ = std::max(skip, 0);
}

void SimInterface::attachEcu(std::shared_ptr<SimEcu> ecu) {
    std::lock_guard lock(mutex_);
    ecu_ = std::move(ecu);
    communicating_ = false;
}

std::shared_ptr<SimEcu> SimInterface::ecu() const {
    std::lock_guard lock(mutex_);
    return ecu_;
}

// --- what happened --------------------------------------------------------------------------------

const SimConfig& SimInterface::config() const { return config_; }

std::vector<SimBytes> SimInterface::receivedFrames() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<SimBytes> SimInterface::messagesForEcu() const {
    std::lock_guard lock(mutex_);
    const size_t header = config_.generation == 2 ? 3 : 2;
    std::vector<SimBytes> messages;
    for (const SimBytes& frame : received_) {
        if (frame.size() <= header + 1 || frame[0] != kCmdMessage) continue;
        messages.emplace_back(frame.begin() + static_cast<long>(header), frame.end() - 1);
    }
    return messages;
}

std::vector<SimRequest> SimInterface::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

uint32_t SimInterface::baudrate() const {
    std::lock_guard lock(mutex_);
    return baudrate_;
}

uint16_t SimInterface::blockSize() const {
    std::lock_guard lock(mutex_);
    return blockSize_;
}

uint8_t SimInterface::startedSelector() const {
    std::lock_guard lock(mutex_);
    return startedSelector_;
}

bool SimInterface::applicationRunning() const {
    std::lock_guard lock(mutex_);
    return applicationRunning_;
}

std::string SimInterface::appVersion() const {
    std::lock_guard lock(mutex_);
    return appVersion_;
}

SimBytes SimInterface::flashedImage() const {
    std::lock_guard lock(mutex_);
    return flashed_;
}

uint32_t SimInterface::flashedLoadAddress() const {
    std::lock_guard lock(mutex_);
    return flashedLoad_;
}

uint8_t SimInterface::flashSelector() const {
    std::lock_guard lock(mutex_);
    return flashSelector_;
}

int SimInterface::completedDownloads() const {
    std::lock_guard lock(mutex_);
    return completedDownloads_;
}

bool SimInterface::communicating() const {
    std::lock_guard lock(mutex_);
    return communicating_;
}

uint8_t SimInterface::ecuAddress() const {
    std::lock_guard lock(mutex_);
    return ecuAddress_;
}

SimBytes SimInterface::jed677Config() const {
    std::lock_guard lock(mutex_);
    return jed677Config_;
}

SimBytes SimInterface::reizImpuls() const {
    std::lock_guard lock(mutex_);
    return reizImpuls_;
}

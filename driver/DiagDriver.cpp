#include "DiagDriver.h"
#include "InterfaceWait.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kPendingByte = 0x78;
constexpr uint16_t kSegmentFlag = 0x80;

uint8_t checksum(const uint8_t* bytes, size_t count) {
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i) sum += bytes[i];
    return static_cast<uint8_t>(sum);
}

// Builds a frame in the 8-bit (generation 1) or 16-bit (generation 2) layout; returns its size.
size_t buildFrame(uint8_t* frame, bool longLength, uint8_t command, const uint8_t* data,
                  uint16_t length) {
    size_t pos = 0;
    frame[pos++] = command;
    if (longLength) {
        frame[pos++] = static_cast<uint8_t>(length >> 8);
        frame[pos++] = static_cast<uint8_t>(length & 0xFF);
    } else {
        frame[pos++] = static_cast<uint8_t>(length & 0xFF);
    }
    if (length != 0) std::memcpy(frame + pos, data, length);
    pos += length;
    frame[pos] = checksum(frame, pos);
    return pos + 1;
}

}  // namespace

DiagDriver::DiagDriver(Clock& clock, DiagTrace* requestTrace, DiagTrace* responseTrace)
    : clock_(&clock),
      requestTrace_(requestTrace ? requestTrace : &ownRequestTrace_),
      responseTrace_(responseTrace ? responseTrace : &ownResponseTrace_) {}

DiagDriver::~DiagDriver() = default;

int32_t DiagDriver::SetErrorBit(int32_t code, int32_t tag) {
    const uint32_t value = static_cast<uint32_t>(code);
    if (value == 0) return code;
    if ((value & 0x20000000u) == 0) return code;
    if ((value & 0x200F0000u) == 0x20010000u) return code;
    if ((value & 0xFFu) < 0x0C) return code;
    return static_cast<int32_t>(value | static_cast<uint32_t>(tag));
}

int32_t DiagDriver::MapWin32Error(int32_t code) {
    switch (code) {
        case 2: return -1;
        case 5: return -2;
        case 1121: return DIAG_ERR_TIMEOUT;
        default: return code;
    }
}

void DiagDriver::setTrace(DiagTrace& trace, const uint8_t* data, size_t count) {
    std::memset(trace.bytes, 0, sizeof trace.bytes);
    count = std::min<size_t>(count, DIAG_TRACE_BYTES);
    trace.count = static_cast<uint16_t>(count);
    if (count != 0 && data) std::memcpy(trace.bytes, data, count);
}

int32_t DiagDriver::writeAll(const uint8_t* frame, size_t length) {
    if (!link_) return DIAG_ERR_NOT_OPEN;
    size_t written = 0;
    const int32_t status = link_->write(frame, length, &written);
    if (status != 0) {
        if (link_->isFramed()) lastStatus_ = status;
        return status;
    }
    // A partial write leaves the interface with half a frame: never report it as success.
    if (written != length) return DIAG_ERR_USB_SHORT_WRITE;
    return 0;
}

int32_t DiagDriver::writeFrame(uint8_t command, const uint8_t* data, uint16_t length) {
    const bool longLength = generation_ == 2;
    if (length > kMaxFrameData || (!longLength && length > 0xFF)) return DIAG_ERR_REQUEST_TOO_LONG;
    uint8_t frame[kWorkFrameSize];
    const size_t size = buildFrame(frame, longLength, command, data, length);
    return writeAll(frame, size);
}

int32_t DiagDriver::writeShortFrame(uint8_t command, const uint8_t* data, uint8_t length) {
    uint8_t frame[2 + 0xFF + 1];
    const size_t size = buildFrame(frame, false, command, data, length);
    return writeAll(frame, size);
}

int32_t DiagDriver::readExact(uint8_t* buffer, size_t count) {
    size_t have = 0;
    while (have < count) {
        size_t got = 0;
        const int32_t status = link_->read(buffer + have, count - have, &got);
        if (status != 0) return status;
        if (got == 0) return DIAG_ERR_TIMEOUT;
        have += got;
    }
    return 0;
}

// Reads one frame as it comes off the link and checks its length and checksum.
int32_t DiagDriver::readRawFrame(uint8_t* frame, size_t& frameLength, uint16_t& command,
                                 size_t& headerSize, uint16_t& dataLength) {
    frameLength = 0;
    if (link_->isFramed()) {
        std::memset(frame, 0, kWorkFrameSize);
        size_t got = 0;
        const int32_t status = link_->read(frame, kWorkFrameSize, &got);
        if (status != 0) {
            lastStatus_ = status;
            return status;
        }
        headerSize = generation_ == 2 ? 3 : 2;
        if (got < headerSize + 1 || got > kWorkFrameSize) return DIAG_ERR_CHECKSUM;
        command = frame[0];
        dataLength = headerSize == 3 ? static_cast<uint16_t>((frame[1] << 8) | frame[2]) : frame[1];
        // Never trust the header: it must describe exactly the bytes that arrived.
        if (dataLength > kMaxFrameData || got != headerSize + dataLength + 1u)
            return DIAG_ERR_CHECKSUM;
        frameLength = got;
    } else {
        // The serial interfaces are all of generation 1: an 8-bit length.
        headerSize = 2;
        int32_t status = readExact(frame, 2);
        if (status != 0) return status;
        command = frame[0];
        dataLength = frame[1];
        frameLength = 2;
        status = readExact(frame + 2, dataLength + 1u);
        if (status != 0) return status;
        frameLength = 2u + dataLength + 1u;
    }
    if (checksum(frame, headerSize + dataLength) != frame[headerSize + dataLength])
        return DIAG_ERR_CHECKSUM;
    return 0;
}

int32_t DiagDriver::PCResponse(uint16_t& command, uint16_t& length, uint8_t* buffer,
                               size_t capacity) {
    if (!link_) return DIAG_ERR_NOT_OPEN;
    const uint16_t expected = command;
    const uint64_t start = clock_->nowMs();
    // The reads of one reply, pending frames and all, are one wait for the windows.
    InterfaceWait wait;
    uint8_t frame[kWorkFrameSize];
    for (;;) {
        size_t frameLength = 0;
        size_t headerSize = 2;
        uint16_t replyCommand = 0;
        uint16_t dataLength = 0;
        const int32_t status =
            readRawFrame(frame, frameLength, replyCommand, headerSize, dataLength);
        if (frameLength == 0 && status != 0) {
            // A failed USB read delivers no frame at all: nothing of the length is left.
            if (link_->isFramed()) length = 0;
            return status;
        }
        // From here the header was read: hand over what arrived, bounded by the caller's room.
        command = replyCommand;
        length = dataLength;
        const size_t available = frameLength > headerSize ? frameLength - headerSize : 0;
        const size_t copied = std::min({available, static_cast<size_t>(dataLength), capacity});
        if (copied != 0) std::memmove(buffer, frame + headerSize, copied);
        if (status != 0) return status;
        if (dataLength > capacity) return DIAG_ERR_BUFFER_TOO_SMALL;

        if (replyCommand == 0) {
            if (dataLength == 0) return DIAG_ERR_STATUS_NO_DATA;
            if (dataLength == 1 && frame[headerSize] == kPendingByte) {
                if (clock_->nowMs() - start >= kMaxPendingWaitMs) return DIAG_ERR_TIMEOUT;
                continue;
            }
            return DIAG_STATUS_FRAME + frame[headerSize];
        }
        if (replyCommand != expected && replyCommand != (expected | kSegmentFlag))
            return DIAG_ERR_WRONG_COMMAND;
        return 0;
    }
}

int32_t DiagDriver::sendAcknowledge(uint16_t command, uint8_t counter) {
    const uint8_t data[1] = {counter};
    return writeShortFrame(static_cast<uint8_t>(command | kSegmentFlag), data, 1);
}

int32_t DiagDriver::blockTransfer(uint16_t command, uint16_t length, const uint8_t* data) {
    const uint32_t blocks = (length + blockSize_ - 1u) / blockSize_;
    // The interface counts blocks in one byte and reads block lengths from one byte
    // (a full 256-byte block is sent with length byte 0).
    if (blocks > 0xFF || blockSize_ > 0x100) return DIAG_ERR_REQUEST_TOO_LONG;
    const uint8_t blockCommand = static_cast<uint8_t>(command | kSegmentFlag);

    const uint8_t start[2] = {static_cast<uint8_t>(length & 0xFF), static_cast<uint8_t>(length >> 8)};
    int32_t status = writeShortFrame(blockCommand, start, 2);
    if (status != 0) return status;

    uint8_t reply[kWorkFrameSize];
    uint16_t replyCommand = blockCommand;
    uint16_t replyLength = 0;
    status = PCResponse(replyCommand, replyLength, reply, sizeof reply);
    if (status != 0) return status;
    if (replyLength != 1 || reply[0] != 0x00) return DIAG_ERR_BLOCK_START;

    uint32_t offset = 0;
    for (uint32_t i = 0; i < blocks; ++i) {
        const uint32_t blockLength = std::min<uint32_t>(length - offset, blockSize_);
        uint8_t frame[2 + 0x100 + 1];
        frame[0] = blockCommand;
        frame[1] = static_cast<uint8_t>(blockLength & 0xFF);
        std::memcpy(frame + 2, data + offset, blockLength);
        frame[2 + blockLength] = checksum(frame, 2 + blockLength);
        status = writeAll(frame, 3 + blockLength);
        if (status != 0) return status;
        offset += blockLength;
        if (i + 1 == blocks) break;
        replyCommand = blockCommand;
        replyLength = 0;
        status = PCResponse(replyCommand, replyLength, reply, sizeof reply);
        if (status != 0) return status;
        if (replyLength != 1 || reply[0] != static_cast<uint8_t>(i + 1)) return DIAG_ERR_BLOCK_ACK;
    }
    return 0;
}

int32_t DiagDriver::PCRequest(uint16_t& command, uint16_t& length, uint8_t* data, size_t capacity,
                              uint8_t noBlock, uint8_t mode) {
    setTrace(*requestTrace_, data, length);
    // The reply traced so far belongs to an earlier request, even when this one never gets one.
    setTrace(*responseTrace_, nullptr, 0);
    std::memset(work_, 0, sizeof work_);
    if (!link_) return DIAG_ERR_NOT_OPEN;

    const uint16_t requestCommand = command;
    // Whatever the interface sent before this request can only confuse the reply.
    if (!link_->isFramed()) link_->purgeReceive();
    int32_t status;
    if (length < blockSize_ || noBlock == 1 || generation_ == 2) {
        status = writeFrame(static_cast<uint8_t>(requestCommand), data, length);
    } else {
        status = blockTransfer(requestCommand, length, data);
    }
    if (status != 0) return status;

    // Collect the reply.
    length = 0;
    bool segmented = false;
    uint32_t total = 0;
    uint32_t received = 0;
    uint8_t counter = 0;
    uint16_t frameLength = 0;
    for (;;) {
        uint16_t replyCommand = requestCommand;
        status = PCResponse(replyCommand, frameLength, work_, sizeof work_);
        interfaceSilent_ = status == DIAG_ERR_TIMEOUT;
        setTrace(*responseTrace_, work_, frameLength);
        if (status != 0) {
            const bool statusFrame = (static_cast<uint32_t>(status) & 0xFFFFFF00u) ==
                                     static_cast<uint32_t>(DIAG_STATUS_FRAME);
            if (statusFrame && frameLength != 0) {
                const size_t copied = std::min<size_t>(frameLength, capacity);
                std::memcpy(data, work_, copied);
                command = 0;
                length = static_cast<uint16_t>(copied);
            }
            return status;
        }

        if (!segmented && (replyCommand & kSegmentFlag)) {
            if (frameLength < 2) return DIAG_ERR_CHECKSUM;
            segmented = true;
            total = static_cast<uint32_t>(work_[0] | (work_[1] << 8));
            command = replyCommand;
            if (total == 0) return 0;
            if (total > capacity) return DIAG_ERR_BUFFER_TOO_SMALL;
            status = sendAcknowledge(requestCommand, counter);
            if (status != 0) return status;
            continue;
        }
        if (segmented) {
            // A frame that runs past the announced total is a broken reply: stop here rather
            // than wait for frames that will never come.
            if (received + frameLength > total) return DIAG_ERR_CHECKSUM;
            std::memcpy(data + received, work_, frameLength);
            received += frameLength;
            ++counter;
            if (received == total) {
                length = static_cast<uint16_t>(total);
                return 0;
            }
            status = sendAcknowledge(requestCommand, counter);
            if (status != 0) return status;
            continue;
        }
        if (mode == 2) {
            if (frameLength == 1 && work_[0] == 0x00) {
                command = replyCommand;
                length = static_cast<uint16_t>(received);
                return 0;
            }
            if (received + frameLength > capacity || received + frameLength > 0xFFFF)
                return DIAG_ERR_BUFFER_TOO_SMALL;
            std::memcpy(data + received, work_, frameLength);
            received += frameLength;
            continue;
        }
        if (frameLength > capacity) return DIAG_ERR_BUFFER_TOO_SMALL;
        std::memcpy(data, work_, frameLength);
        command = replyCommand;
        length = frameLength;
        return 0;
    }
}

int32_t DiagDriver::workRequest(uint8_t command, const uint8_t* data, uint16_t length) {
    uint8_t buffer[kWorkFrameSize];
    if (length > sizeof buffer) return lastStatus_ = DIAG_ERR_REQUEST_TOO_LONG;
    if (length != 0) std::memcpy(buffer, data, length);
    uint16_t cmd = command;
    uint16_t len = length;
    const int32_t status = PCRequest(cmd, len, buffer, sizeof buffer, 1, 1);
    // PCRequest cleared the work frame; keep the reply there for the callers that read it.
    std::memcpy(work_, buffer, std::min<size_t>(len, sizeof work_));
    workCommand_ = cmd;
    workLength_ = len;
    lastStatus_ = status;
    return status;
}

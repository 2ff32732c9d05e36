// The SAE J1587 / KWP layer: the interface with its SAE application, the protocol variants and
// the raw services of the line. Each call records its failure as the layer error and returns it
// with the layer tag.
#include "SaeJ1587.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "DiagDriver.h"

namespace {

constexpr const char* kBanner = "NVersModul_SaeJ1587_V1.82_2009-07-01()";
constexpr const char* kGeneration1Prefix = "SAE1587 V2";
constexpr const char* kGeneration2Prefix = "DI2_DiagApp_V1";

constexpr uint8_t kSelectorStop = 0;
constexpr uint8_t kSelectorSae = 4;
constexpr uint16_t kBlockSize = 256;

constexpr uint8_t kCmdOptions = 0x07;
constexpr uint8_t kCmdSend = 0x12;
constexpr uint8_t kCmdPriority = 0x15;
constexpr uint8_t kCmdReceive = 0x17;
constexpr uint8_t kCmdSendData = 0x18;
constexpr uint8_t kCmdTesterPresentOn = 0x19;
constexpr uint8_t kCmdTesterPresentOff = 0x1A;

// Option-list tags and the command-7 data they contribute.
constexpr uint8_t kTagStandard = 1;
constexpr uint8_t kTagNorva = 2;
constexpr uint8_t kTagIso15765 = 3;
constexpr uint8_t kTagCutOff = 4;
constexpr uint8_t kOptionsJ1708 = 0;
constexpr uint8_t kOptionsIso15765 = 1;
constexpr size_t kIsoParameters = 5;

constexpr uint16_t kAnyWord = 0x0100;
constexpr uint8_t kNoPageEscapes = 1;
constexpr uint32_t kTimeoutUnitMs = 50;
constexpr size_t kFilterSize = 8;

// The standard variant's message: [MID, page escapes 0xFF, PID, data].
constexpr uint8_t kPageEscape = 0xFF;
constexpr uint8_t kPidParameterRequest = 0;
constexpr uint8_t kPidComponentRequest = 128;
constexpr uint8_t kPidDiagnosticRequest = 195;
constexpr uint8_t kPidDiagnosticReply = 196;
// The flags byte counts the page escapes in its high nibble.
constexpr size_t kMaxPageEscapes = 15;

// KWP answers of the maker's variant and ISO 15765.
constexpr uint8_t kNegativeResponse = 0x7F;
constexpr uint8_t kResponseBusy = 0x21;
constexpr uint8_t kResponsePending = 0x78;
constexpr uint8_t kStatusRepeatMore = 0xA3;
constexpr int kAttempts = 3;
constexpr int kAttemptsAfterRepeatMore = 5;
constexpr uint64_t kRepeatWaitMs = 1200;
constexpr uint32_t kPendingWaitMs = 5000;
constexpr size_t kClearedOnFailure = 20;

constexpr uint8_t kKwpStart = 0x81;
constexpr uint8_t kKwpStop = 0x82;
constexpr size_t kKwpStartRoom = 10;
constexpr size_t kKwpStopRoom = 100;
constexpr uint32_t kKwpTimeoutMs = 5000;

uint8_t low(uint16_t word) { return static_cast<uint8_t>(word & 0xFF); }
uint8_t high(uint16_t word) { return static_cast<uint8_t>(word >> 8); }

// The time-out travels in one byte of 50 ms units: a longer one waits the longest it can
// rather than wrap to a short one.
uint8_t timeoutUnits(uint32_t timeoutMs) {
    return static_cast<uint8_t>(std::min<uint32_t>(timeoutMs / kTimeoutUnitMs, 0xFF));
}

std::array<uint8_t, 8> filter(uint16_t word1, uint16_t word2, uint16_t word3, uint8_t flags,
                              uint32_t timeoutMs) {
    return {high(word1), low(word1), high(word2), low(word2),
            high(word3), low(word3), flags,       timeoutUnits(timeoutMs)};
}

bool isLayerCode(int32_t code) {
    return (static_cast<uint32_t>(code) & 0x200F0000u) == 0x20090000u;
}

bool isStatusFrameCode(int32_t status) {
    return (static_cast<uint32_t>(status) & 0xFFFFFF00u) == static_cast<uint32_t>(DIAG_STATUS_FRAME);
}

void append(std::vector<uint8_t>& to, const std::array<uint8_t, kFilterSize>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace

struct DiagDriver::SaeRequest {
    std::vector<uint8_t> frame;  // header, message and filter as the interface gets them
    size_t headerLength = 0;
};

// What a reply says, once checked.
enum class DiagDriver::SaeReply : uint8_t { Positive, Busy, Pending, Negative, Malformed };

// --- results ------------------------------------------------------------------------------------

void DiagDriver::saeBegin() {
    lastStatus_ = 0;
    saeError_ = 0;
}

bool DiagDriver::saeSetError(int32_t code) {
    saeError_ = code;
    return code == 0;
}

int32_t DiagDriver::saeResult(int32_t code) {
    // An interface status is kept as the layer reports it (tagged); the layer's own codes are
    // kept bare and tagged only on the way out.
    saeSetError(isLayerCode(code) ? code : SetErrorBit(code, DIAG_TAG_SAE));
    return SetErrorBit(saeError_, DIAG_TAG_SAE);
}

// --- opening and closing ----------------------------------------------------------------------

int32_t DiagDriver::saeOpen(const std::string& portName, const std::filesystem::path& folder,
                            uint8_t compare, uint8_t fileOnly) {
    saeBegin();
    saeVariant_ = SAE_VARIANT_STANDARD;
    saeCutOff_ = false;
    int32_t status = OpenDiagDriver(portName);
    if (status == 0) {
        const bool gen1 = generation_ == 1;
        selectBuiltInImage(gen1 ? BuiltInImageKind::SaeGeneration1
                                : BuiltInImageKind::Generation2);
        uint8_t flag = 1;
        status = Download(folder, gen1 ? kGeneration1Prefix : kGeneration2Prefix, flag, compare,
                          fileOnly);
        if (status == 0 && !gen1) status = AppStart(kSelectorStop);
        if (status == 0) status = AppStart(kSelectorSae);
        // The SAE application reads command 7 as its options: the block size stays the PC's.
        if (status == 0) setBlockSize(kBlockSize);
    }
    saeSetError(status);
    return status;
}

int32_t DiagDriver::saeClose() {
    saeSetVariantStandard();
    saeBegin();
    return saeResult(CloseDiagDriver(1));
}

int32_t DiagDriver::saeAppVersion(char* buffer, size_t size) {
    saeBegin();
    return saeResult(AppVersion(buffer, size));
}

// --- the protocol variants --------------------------------------------------------------------

int32_t DiagDriver::saeSetOptions(const uint8_t* list, size_t length) {
    uint8_t variant = saeVariant_;
    uint16_t words[3] = {saeWords_[0], saeWords_[1], saeWords_[2]};
    bool cutOff = saeCutOff_;
    std::vector<uint8_t> options;
    for (size_t i = 0; i < length;) {
        const uint8_t tag = list[i++];
        const size_t left = length - i;
        if (tag == kTagStandard) {
            variant = SAE_VARIANT_STANDARD;
            options.push_back(kOptionsJ1708);
        } else if (tag == kTagNorva && left >= 6) {
            for (uint16_t& word : words) {
                word = static_cast<uint16_t>((list[i] << 8) | list[i + 1]);
                i += 2;
            }
            variant = SAE_VARIANT_NORVA;
            options.push_back(kOptionsJ1708);
        } else if (tag == kTagIso15765 && left >= kIsoParameters) {
            variant = SAE_VARIANT_ISO15765;
            options.push_back(kOptionsIso15765);
            options.insert(options.end(), list + i, list + i + kIsoParameters);
            i += kIsoParameters;
        } else if (tag == kTagCutOff && left >= 1) {
            cutOff = list[i++] != 0;
        } else {
            return saeResult(SAE_ERR_ARGUMENT);
        }
    }
    if (!options.empty()) {
        const int32_t status =
            workRequest(kCmdOptions, options.data(), static_cast<uint16_t>(options.size()));
        // The interface kept its options: so does the PC.
        if (status != 0) return saeResult(status);
    }
    saeVariant_ = variant;
    std::copy(words, words + 3, saeWords_);
    saeCutOff_ = cutOff;
    return saeResult(0);
}

int32_t DiagDriver::saeSetVariantStandard() {
    saeBegin();
    const uint8_t list[] = {kTagStandard, kTagCutOff, 0};
    return saeSetOptions(list, sizeof list);
}

int32_t DiagDriver::saeSetVariantNorva(uint16_t word1, uint16_t word2, uint16_t word3) {
    saeBegin();
    const uint8_t list[] = {kTagNorva, high(word1), low(word1), high(word2), low(word2),
                            high(word3), low(word3), kTagCutOff, 1};
    return saeSetOptions(list, sizeof list);
}

int32_t DiagDriver::saeSetVariantIso15765(const uint8_t parameters[5]) {
    saeBegin();
    uint8_t list[1 + kIsoParameters + 2] = {kTagIso15765};
    std::memcpy(list + 1, parameters, kIsoParameters);
    list[1 + kIsoParameters] = kTagCutOff;
    list[2 + kIsoParameters] = 0;
    return saeSetOptions(list, sizeof list);
}

// --- the line's raw services ------------------------------------------------------------------

int32_t DiagDriver::saeSend(const uint8_t* message, size_t length) {
    saeBegin();
    if (saeVariant_ == SAE_VARIANT_ISO15765) return saeResult(SAE_ERR_NOT_IN_ISO15765);
    if (length > SAE_MAX_SEND) return saeResult(SAE_ERR_SEND_TOO_LONG);
    if (!message || length == 0) return saeResult(SAE_ERR_ARGUMENT);
    return saeResult(workRequest(kCmdSend, message, static_cast<uint16_t>(length)));
}

int32_t DiagDriver::saeReceiveRequest(uint16_t word1, uint16_t word2, uint16_t word3,
                                      uint32_t timeoutMs) {
    const std::array<uint8_t, 8> data = filter(word1, word2, word3, kNoPageEscapes, timeoutMs);
    const int32_t status = workRequest(kCmdReceive, data.data(), data.size());
    if (status != 0) return status;
    // The layer copies a message with an 8-bit count: a longer one is not taken.
    if (workLength() > SAE_MAX_RECEIVE) return SAE_ERR_REPLY_TOO_LONG;
    return 0;
}

int32_t DiagDriver::saeReceive(uint8_t* buffer, size_t capacity, uint16_t& length,
                               uint32_t timeoutMs) {
    saeBegin();
    length = 0;
    if (!buffer) return saeResult(SAE_ERR_ARGUMENT);
    if (capacity == 0) return saeResult(SAE_ERR_REPLY_TOO_LONG);
    buffer[0] = 0;
    if (saeVariant_ == SAE_VARIANT_ISO15765) return saeResult(SAE_ERR_NOT_IN_ISO15765);
    // The status says whether a message came; only the reply's length says how long it is.
    const int32_t status = saeReceiveRequest(kAnyWord, kAnyWord, kAnyWord, timeoutMs);
    if (status != 0) return saeResult(status);
    const size_t received = workLength();
    if (received + 1 > capacity) return saeResult(SAE_ERR_REPLY_TOO_LONG);
    std::memcpy(buffer, workData(), received);
    buffer[received] = 0;
    length = static_cast<uint16_t>(received);
    return saeResult(0);
}

int32_t DiagDriver::saeChangePriority(uint8_t priority) {
    saeBegin();
    if (priority < 1 || priority > 8) return saeResult(SAE_ERR_ARGUMENT);
    const uint8_t digit[1] = {static_cast<uint8_t>('0' + priority)};
    return saeResult(workRequest(kCmdPriority, digit, 1));
}

int32_t DiagDriver::saeStartTesterPresent() {
    saeBegin();
    if (saeVariant_ == SAE_VARIANT_NORVA) {
        const uint8_t data[2] = {low(saeWords_[2]), low(saeWords_[0])};
        return saeResult(workRequest(kCmdTesterPresentOn, data, sizeof data));
    }
    if (saeVariant_ == SAE_VARIANT_ISO15765) return saeResult(workRequest(kCmdTesterPresentOn));
    // The standard variant has no tester present: nothing is sent, the caller reads why.
    saeSetError(SAE_ERR_NOT_IN_STANDARD);
    return 0;
}

int32_t DiagDriver::saeStopTesterPresent() {
    saeBegin();
    return saeResult(workRequest(kCmdTesterPresentOff));
}

// --- requests with a reply ---------------------------------------------------------------------

int32_t DiagDriver::saeBuildRequest(const uint8_t* message, size_t length, uint32_t timeoutMs,
                                    uint16_t source, SaeRequest& request) {
    std::vector<uint8_t>& frame = request.frame;
    frame.clear();
    request.headerLength = 0;
    if (length == 0) return SAE_ERR_REQUEST_SHORT;
    const bool norva = saeVariant_ == SAE_VARIANT_NORVA;
    const uint8_t header[3] = {low(saeWords_[0]), low(saeWords_[1]), low(saeWords_[2])};

    if (saeVariant_ == SAE_VARIANT_ISO15765) {
        frame.assign(message, message + length);
    } else if (length >= 2 && message[0] == 0 && message[1] == 0) {
        // [message, word 1, n pairs (x, 0xFF), word 2, word 3]: the pairs are found from the end.
        const uint8_t* raw = message + 2;
        const size_t rawLength = length - 2;
        if (rawLength < 8) return SAE_ERR_REQUEST_SHORT;
        size_t pairs = 0;
        while (rawLength >= 3 + 2 * (pairs + 1) && raw[rawLength - 3 - 2 * (pairs + 1)] == 0xFF)
            ++pairs;
        if (rawLength < 2 * pairs + 8) return SAE_ERR_REQUEST_SHORT;
        if (pairs > kMaxPageEscapes) return SAE_ERR_ARGUMENT;
        const size_t word1 = rawLength - 6 - 2 * pairs;
        if (norva) {
            frame.assign(header, header + 3);
            request.headerLength = 3;
        }
        frame.insert(frame.end(), raw, raw + word1);
        frame.insert(frame.end(), raw + word1, raw + word1 + 2);
        frame.insert(frame.end(), raw + rawLength - 4, raw + rawLength);
        frame.push_back(static_cast<uint8_t>(16 * pairs + 1));
        frame.push_back(timeoutUnits(timeoutMs));
    } else if (norva) {
        frame.assign(header, header + 3);
        frame.insert(frame.end(), message, message + length);
        append(frame, {0, header[2], 0, header[1], 0, header[0], 1, timeoutUnits(timeoutMs)});
        request.headerLength = 3;
    } else {
        size_t escapes = 0;
        while (1 + escapes < length && message[1 + escapes] == kPageEscape) ++escapes;
        if (length < escapes + 2) return SAE_ERR_REQUEST_SHORT;
        if (escapes > kMaxPageEscapes) return SAE_ERR_ARGUMENT;
        const uint8_t pid = message[escapes + 1];
        const size_t needed = pid == kPidParameterRequest ? escapes + 3
                              : pid == kPidComponentRequest || pid == kPidDiagnosticRequest
                                  ? escapes + 4
                                  : escapes + 2;
        if (length < needed) return SAE_ERR_REQUEST_SHORT;
        const uint8_t flags = static_cast<uint8_t>(16 * escapes + 1);
        const uint8_t units = timeoutUnits(timeoutMs);
        frame.assign(message, message + length);
        switch (pid) {
            case kPidParameterRequest:
                append(frame, {high(source), low(source), 0, message[escapes + 2], 1, 0, flags,
                               units});
                break;
            case kPidComponentRequest:
                append(frame, {0, message[escapes + 3], 0, message[escapes + 2], 1, 0, flags,
                               units});
                break;
            case kPidDiagnosticRequest:
                append(frame, {0, message[escapes + 3], 0, kPidDiagnosticReply, 1, 0, flags,
                               units});
                break;
            default:
                append(frame, {high(source), low(source), 0, pid, 1, 0, flags, units});
                break;
        }
        request.headerLength = escapes + 2;
    }
    if (frame.size() > SAE_MAX_REQUEST) return DIAG_ERR_REQUEST_TOO_LONG;
    return 0;
}

DiagDriver::SaeReply DiagDriver::saeKwpErrorHandler(const uint8_t* reply, size_t length,
                                                   size_t headerLength) {
    if (saeVariant_ == SAE_VARIANT_STANDARD) return SaeReply::Positive;
    // A reply that ends before the byte it must be judged by is no answer at all.
    if (length <= headerLength) {
        saeSetError(DIAG_ERR_BAD_REPLY);
        return SaeReply::Malformed;
    }
    if (reply[headerLength] != kNegativeResponse) {
        saeSetError(0);
        return SaeReply::Positive;
    }
    if (length <= headerLength + 2) {
        saeSetError(DIAG_ERR_BAD_REPLY);
        return SaeReply::Malformed;
    }
    const uint8_t code = reply[headerLength + 2];
    if (code == kResponseBusy) return SaeReply::Busy;
    if (code == kResponsePending) return SaeReply::Pending;
    saeSetError(SAE_ERR_NEGATIVE + code);
    return SaeReply::Negative;
}

int32_t DiagDriver::saeWaitResponse(std::vector<uint8_t>& reply, size_t room, uint32_t timeoutMs,
                                    uint64_t deadline) {
    // The reply comes from the addressed ECU: its header holds the address bytes the other way.
    const uint16_t word1 = saeWords_[2];
    const uint16_t word2 = saeWords_[1];
    const uint16_t word3 = saeWords_[0];
    if (word1 > kAnyWord || room == 0) {
        saeSetError(SAE_ERR_ARGUMENT);
        return SAE_ERR_ARGUMENT;
    }
    const uint64_t now = clock().nowMs();
    if (now >= deadline) return DIAG_ERR_TIMEOUT;
    const uint32_t wait = static_cast<uint32_t>(std::min<uint64_t>(timeoutMs, deadline - now));
    // Only the reply's own length says what came; a status is never a count.
    const int32_t status = saeReceiveRequest(word1, word2, word3, wait);
    if (status == SAE_ERR_REPLY_TOO_LONG || (status == 0 && workLength() > room)) {
        saeSetError(SAE_ERR_REPLY_TOO_LONG);
        return SAE_ERR_REPLY_TOO_LONG;
    }
    if (status != 0) return status;
    reply.assign(workData(), workData() + workLength());
    return 0;
}

int32_t DiagDriver::saeSendData(uint8_t* buffer, uint16_t& length, size_t size,
                                uint32_t timeoutMs, uint16_t source) {
    saeBegin();
    const uint64_t deadline = clock().nowMs() + kSaeMaxCallMs;
    const auto fail = [&](int32_t code) {
        if (buffer) std::memset(buffer, 0, std::min(size, kClearedOnFailure));
        length = 0;
        return saeResult(code);
    };
    if (!buffer || length > size) return fail(SAE_ERR_ARGUMENT);

    SaeRequest request;
    int32_t status = saeBuildRequest(buffer, length, timeoutMs, source, request);
    if (status == SAE_ERR_REQUEST_SHORT) {
        fail(status);
        return status;  // this one comes back without the tag
    }
    if (status != 0) return fail(status);

    const auto handOver = [&](const uint8_t* reply, size_t replyLength) {
        const size_t cut = saeCutOff_ ? request.headerLength : 0;
        if (replyLength < cut) return fail(DIAG_ERR_BAD_REPLY);
        if (replyLength - cut > size) return fail(SAE_ERR_REPLY_TOO_LONG);
        // An empty reply has no bytes to move, and may have no storage either.
        if (replyLength > cut) std::memmove(buffer, reply + cut, replyLength - cut);
        length = static_cast<uint16_t>(replyLength - cut);
        return saeResult(0);
    };

    // The request goes from its own copy every time; the buffer holds the caller's bytes until
    // a reply is handed over.
    int attempts = kAttempts;
    int32_t failure = 0;
    for (int attempt = 0; attempt < attempts;) {
        if (clock().nowMs() >= deadline) return fail(DIAG_ERR_TIMEOUT);
        status = workRequest(kCmdSendData, request.frame.data(),
                             static_cast<uint16_t>(request.frame.size()));
        if (status != 0) {
            // A refusal of the interface is tried again; a fault of the link is not.
            if (!isStatusFrameCode(status)) return fail(status);
            failure = status;
            ++attempt;
            if (status == DIAG_STATUS_FRAME + kStatusRepeatMore) {
                attempts = kAttemptsAfterRepeatMore;
                if (attempt < attempts) clock().sleepMs(kRepeatWaitMs);
            }
            continue;
        }
        std::vector<uint8_t> reply(workData(), workData() + workLength());
        SaeReply verdict = saeKwpErrorHandler(reply.data(), reply.size(), request.headerLength);
        // The reply that ends a pending wait is judged as a direct one: a refusal or a busy
        // answer after "pending" is no success, and a further pending answer waits again.
        while (verdict == SaeReply::Pending &&
               saeWaitResponse(reply, size, kPendingWaitMs, deadline) == 0)
            verdict = saeKwpErrorHandler(reply.data(), reply.size(), request.headerLength);
        switch (verdict) {
            case SaeReply::Positive:
                return handOver(reply.data(), reply.size());
            case SaeReply::Negative:
            case SaeReply::Malformed:
                return fail(saeError_);
            case SaeReply::Busy:
                failure = SAE_ERR_NEGATIVE + kResponseBusy;
                if (++attempt < attempts) clock().sleepMs(kRepeatWaitMs);
                continue;
            case SaeReply::Pending:
                // The wait ended without a reply: a recorded error ends the call with it;
                // nothing heard asks again, uncounted.
                if (saeError_ != 0) return fail(saeError_);
                continue;
        }
    }
    return fail(failure);
}

int32_t DiagDriver::saeStartKwp() {
    saeBegin();
    if (saeVariant_ == SAE_VARIANT_NORVA) {
        uint8_t message[kKwpStartRoom] = {kKwpStart};
        uint16_t length = 1;
        const int32_t status = saeSendData(message, length, sizeof message, kKwpTimeoutMs, kAnyWord);
        if (status != 0) return status;
        return saeStartTesterPresent();
    }
    if (saeVariant_ == SAE_VARIANT_ISO15765) return saeStartTesterPresent();
    saeSetError(SAE_ERR_NOT_IN_STANDARD);
    return 0;
}

int32_t DiagDriver::saeStopKwp() {
    saeBegin();
    if (saeVariant_ == SAE_VARIANT_NORVA) {
        // The ECU hears the end of the communication even when tester present would not stop.
        const int32_t stopped = saeStopTesterPresent();
        const int32_t stopError = saeError_;
        uint8_t message[kKwpStopRoom] = {kKwpStop};
        uint16_t length = 1;
        const int32_t status = saeSendData(message, length, sizeof message, kKwpTimeoutMs, kAnyWord);
        if (stopped == 0) return status;
        saeSetError(stopError);
        return stopped;
    }
    if (saeVariant_ == SAE_VARIANT_ISO15765) return saeStopTesterPresent();
    saeSetError(SAE_ERR_NOT_IN_STANDARD);
    return 0;
}

// --- the exported functions --------------------------------------------------------------------

extern "C" {

int32_t SAEJ1587OpenDiagDriver(const char* portName, const char* folder, uint8_t compare,
                               uint8_t fileOnly) {
    return DiagDriver::instance().saeOpen(portName ? portName : "", folder ? folder : "", compare,
                                          fileOnly);
}

int32_t SAEJ1587CloseDiagDriver(void) { return DiagDriver::instance().saeClose(); }

int32_t SAEJ1587AppVersion(char* buffer, uint32_t size) {
    return DiagDriver::instance().saeAppVersion(buffer, size);
}

int32_t SAEJ1587Send(const uint8_t* message, uint32_t length) {
    return DiagDriver::instance().saeSend(message, length);
}

int32_t SAEJ1587Receive(uint8_t* buffer, uint16_t* length, uint32_t timeoutMs, uint32_t unused) {
    return SAEJ1587ReceiveBuf(buffer, buffer ? SAE_MAX_RECEIVE + 1 : 0, length, timeoutMs, unused);
}

int32_t SAEJ1587ReceiveBuf(uint8_t* buffer, uint32_t capacity, uint16_t* length,
                           uint32_t timeoutMs, uint32_t /*unused*/) {
    uint16_t n = 0;
    const int32_t status = DiagDriver::instance().saeReceive(buffer, capacity, n, timeoutMs);
    if (length) *length = n;
    return status;
}

int32_t SAEJ1587ChangePriority(uint8_t priority) {
    return DiagDriver::instance().saeChangePriority(priority);
}

int32_t SAEJ1587SetProtocolVariantStandard(void) {
    return DiagDriver::instance().saeSetVariantStandard();
}

int32_t SAEJ1587SetProtocolVariantNorva(uint16_t word1, uint16_t word2, uint16_t word3) {
    return DiagDriver::instance().saeSetVariantNorva(word1, word2, word3);
}

int32_t SAEJ1587SetProtocolVariantIso15765(uint8_t parameter1, uint8_t parameter2,
                                           uint8_t parameter3, uint8_t parameter4,
                                           uint8_t parameter5) {
    const uint8_t parameters[kIsoParameters] = {parameter1, parameter2, parameter3, parameter4,
                                                parameter5};
    return DiagDriver::instance().saeSetVariantIso15765(parameters);
}

uint8_t SAEJ1587GetProtocolVariant(void) { return DiagDriver::instance().saeVariant(); }

int32_t SAEJ1587SetCutOffReceivedHeader(uint8_t flag) {
    DiagDriver::instance().saeSetCutOff(flag != 0);
    return 0;
}

int32_t SAEJ1587GetErrCode(void) { return DiagDriver::instance().saeErrorCode(); }

int32_t SAEJ1587SendData(uint8_t* buffer, uint16_t* length, uint32_t size, uint32_t timeoutMs,
                         uint16_t source) {
    uint16_t n = length ? *length : 0;
    const int32_t status = DiagDriver::instance().saeSendData(buffer, n, size, timeoutMs, source);
    if (length) *length = n;
    return status;
}

int32_t SAEJ1587StartKwpCommunication(void) { return DiagDriver::instance().saeStartKwp(); }

int32_t SAEJ1587StopKwpCommunication(void) { return DiagDriver::instance().saeStopKwp(); }

int32_t SAEJ1587StartTesterPresent(void) {
    return DiagDriver::instance().saeStartTesterPresent();
}

int32_t SAEJ1587StopTesterPresent(void) { return DiagDriver::instance().saeStopTesterPresent(); }

const char* SAEJ1587DiagDriverVer(void) {
    static const std::string text = DiagDriver::bannerVersion(kBanner);
    return text.c_str();
}

const char* SAEJ1587AppVer(void) {
    static const std::string text = std::string(DiagDriver::kSaeGeneration1Version) + "/" +
                                    DiagDriver::kGeneration2Version;
    return text.c_str();
}

}  // extern "C"

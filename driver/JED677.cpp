// The JED677 layer: the interface with its JED677 application, and the ECU behind it. Each call
// keeps its result as the driver's last status and returns it with the layer tag.
#include "JED677.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "DiagDriver.h"

#include <cstddef>

// The layout JED677.h states for its callers.
static_assert(offsetof(JED677IdentData, identification7) == 26);
static_assert(offsetof(JED677IdentData, production) == 27);
static_assert(offsetof(JED677IdentData, identification10) == 37);
static_assert(offsetof(JED677IdentData, identification11) == 38);
static_assert(offsetof(JED677IdentData, furtherIdentification) == 39);

namespace {

constexpr const char* kBanner = "NVersModul_JED677_V3.22_2009-06-23()";
constexpr const char* kGeneration1Prefix = "JED-677 V2";
constexpr const char* kGeneration2Prefix = "DI2_DiagApp_V1";

constexpr uint8_t kCmdBios = 0x01;
constexpr uint8_t kCmdStartCommunication = 0x10;
constexpr uint8_t kCmdMessage = 0x11;
constexpr uint8_t kCmdFreeRunning = 0x12;
constexpr uint8_t kCmdReizImpuls = 0x13;
constexpr uint8_t kCmdConfig = 0x14;
constexpr uint8_t kSelectorStop = 0;
constexpr uint8_t kSelectorJed677 = 3;

constexpr uint8_t kMessageStop = 0x0F;
constexpr uint8_t kMessageIdent = 0x02;
constexpr uint8_t kMessageIdentWords = 0x08;
constexpr uint8_t kNegative = 0x05;
constexpr uint32_t kBaudClock = 10000000;

// The part-number families, chosen by bit 7 of reply byte 9.
constexpr const char* kPartPrefixSet = "100";
constexpr const char* kPartPrefixClear = "200";

// Bytes 0 to 11 of the [0x02] reply carry fixed fields; the further text starts at 12.
constexpr size_t kIdentFixedBytes = 12;
constexpr size_t kIdentWordsBytes = 6;

// A message's length from its header byte: bit 7 clear, the one byte; set, the low 7 bits count
// the bytes that follow.
size_t messageLength(uint8_t header) { return (header & 0x80) ? (header & 0x7Fu) + 1u : 1u; }

bool isStatusFrameCode(int32_t status) {
    return (static_cast<uint32_t>(status) & 0xFFFFFF00u) == static_cast<uint32_t>(DIAG_STATUS_FRAME);
}

}  // namespace

std::string DiagDriver::bannerVersion(const std::string& banner) {
    const size_t first = banner.find('_');
    if (first == std::string::npos) return {};
    const size_t second = banner.find('_', first + 1);
    if (second == std::string::npos) return {};
    const size_t third = banner.find('_', second + 1);
    return banner.substr(first + 1, second - first - 1) + " " +
           banner.substr(second + 1, third == std::string::npos ? std::string::npos
                                                                 : third - second - 1);
}

int32_t DiagDriver::jed677Result(int32_t status) {
    lastStatus_ = status;
    return SetErrorBit(status, DIAG_TAG_JED677);
}

void DiagDriver::jed677ChooseImage() {
    selectBuiltInImage(generation_ == 1 ? BuiltInImageKind::Jed677Generation1
                                        : BuiltInImageKind::Generation2);
}

// --- opening and closing ----------------------------------------------------------------------

int32_t DiagDriver::jed677Open(const std::string& portName, const std::filesystem::path& folder,
                               uint8_t compare) {
    int32_t status = OpenDiagDriver(portName);
    if (status != 0) return jed677Result(status);
    jed677ChooseImage();
    uint8_t flag = 1;
    status = Download(folder, generation_ == 1 ? kGeneration1Prefix : kGeneration2Prefix, flag,
                      compare, 0);
    if (status != 0) return jed677Result(status);
    if (generation_ != 1) {
        status = AppStart(kSelectorStop);
        if (status != 0) return jed677Result(status);
    }
    return jed677Result(AppStart(kSelectorJed677));
}

int32_t DiagDriver::jed677CheckIfDownload(const std::string& portName,
                                          const std::filesystem::path& folder, uint8_t& flag,
                                          uint8_t compare) {
    int32_t status = OpenDiagDriver(portName);
    if (status != 0) return jed677Result(status);
    jed677ChooseImage();
    status = Download(folder, generation_ == 1 ? kGeneration1Prefix : kGeneration2Prefix, flag,
                      compare, 0);
    if (status == 0) CloseDiagDriver(1);
    return jed677Result(status);
}

int32_t DiagDriver::jed677Close() { return jed677Result(CloseDiagDriver(1)); }

int32_t DiagDriver::jed677AppVersion(char* buffer, size_t size) {
    return jed677Result(AppVersion(buffer, size));
}

int32_t DiagDriver::jed677BiosStart() { return jed677Result(workRequest(kCmdBios)); }

// --- the ECU communication --------------------------------------------------------------------

int32_t DiagDriver::jed677StartCommunication(uint8_t ecuAddress, uint16_t& baud, uint16_t& word) {
    baud = 0;
    word = 0;
    const uint8_t data[1] = {ecuAddress};
    const int32_t status = workRequest(kCmdStartCommunication, data, 1);
    if (status != 0) return jed677Result(status);
    // Divisor and word, two bytes each; the rate must be a number the 16-bit output can hold.
    if (workLength() < 4) return jed677Result(DIAG_ERR_BAD_REPLY);
    const uint8_t* reply = workData();
    const uint32_t divisor = static_cast<uint32_t>((reply[0] << 8) | reply[1]);
    if (divisor == 0 || kBaudClock / divisor > 0xFFFF) return jed677Result(DIAG_ERR_BAD_REPLY);
    baud = static_cast<uint16_t>(kBaudClock / divisor);
    word = static_cast<uint16_t>((reply[2] << 8) | reply[3]);
    return jed677Result(0);
}

int32_t DiagDriver::jed677StopCommunication() {
    ClosingTimeouts closing(*this);
    const uint8_t stop[1] = {kMessageStop};
    int32_t status = workRequest(kCmdMessage, stop, 1);
    // The interface may answer the end of the communication with another command.
    if (status == DIAG_ERR_WRONG_COMMAND) status = 0;
    return jed677Result(status);
}

int32_t DiagDriver::jed677SendData(uint16_t& length, uint8_t* message, size_t capacity) {
    if (!message || capacity == 0) {
        length = 0;
        return jed677Result(DIAG_ERR_BUFFER_TOO_SMALL);
    }
    const size_t requestLength = messageLength(message[0]);
    // The header announces more bytes than the buffer holds: never send what lies beyond it.
    if (requestLength > capacity) {
        length = 0;
        return jed677Result(DIAG_ERR_BUFFER_TOO_SMALL);
    }
    const int32_t status =
        workRequest(kCmdMessage, message, static_cast<uint16_t>(requestLength));
    if (status != 0) {
        // A status frame's data take the reply's place.
        length = 0;
        if (isStatusFrameCode(status) && workCommand() == 0 && workLength() != 0) {
            const size_t copied = std::min<size_t>(workLength(), capacity);
            std::memcpy(message, workData(), copied);
            length = static_cast<uint16_t>(copied);
        }
        return jed677Result(status);
    }
    const size_t received = workLength();
    if (received == 0) {
        // No reply must not look like the request answered itself.
        std::memset(message, 0, requestLength);
        length = 0;
        return jed677Result(DIAG_ERR_BAD_REPLY);
    }
    const size_t copied = std::min(received, capacity);
    std::memcpy(message, workData(), copied);
    const size_t announced = messageLength(message[0]);
    if (announced > received) {
        length = static_cast<uint16_t>(copied);
        return jed677Result(DIAG_ERR_BAD_REPLY);
    }
    if (announced > capacity) {
        length = static_cast<uint16_t>(copied);
        return jed677Result(DIAG_ERR_BUFFER_TOO_SMALL);
    }
    length = static_cast<uint16_t>(announced);
    if (message[0] == kNegative) return jed677Result(JED677_NEGATIVE_ANSWER);
    return jed677Result(0);
}

int32_t DiagDriver::jed677Ident(JED677IdentData& ident, int32_t words[4]) {
    std::memset(&ident, 0, sizeof ident);
    std::fill(words, words + 4, 0);

    uint8_t reply[JED677_MAX_MESSAGE] = {kMessageIdent};
    uint16_t length = 0;
    int32_t status = jed677SendData(length, reply, sizeof reply);
    if (status != 0) return status;
    if (length < kIdentFixedBytes) return jed677Result(DIAG_ERR_BAD_REPLY);

    std::snprintf(ident.diagnosticIdentifier, sizeof ident.diagnosticIdentifier, "%2X %2X",
                  reply[2], reply[3]);
    std::snprintf(ident.partNumber, sizeof ident.partNumber, "%s %03d %03d %01d",
                  (reply[9] & 0x80) ? kPartPrefixSet : kPartPrefixClear,
                  reply[4] + 256 * (reply[5] & 3), 64 * (reply[6] & 15) + (reply[5] >> 2),
                  reply[6] >> 4);
    ident.identification7 = reply[7];
    std::snprintf(ident.production, sizeof ident.production, "%2d / %4d", reply[8] & 63,
                  100 * (reply[8] >> 6) + (reply[9] & 127) + 1900);
    ident.identification10 = reply[10];
    ident.identification11 = reply[11];
    const size_t further =
        std::min<size_t>(length - kIdentFixedBytes, sizeof ident.furtherIdentification - 1);
    std::memcpy(ident.furtherIdentification, reply + kIdentFixedBytes, further);

    std::memset(reply, 0, sizeof reply);
    reply[0] = kMessageIdentWords;
    status = jed677SendData(length, reply, sizeof reply);
    // A negative answer means the ECU has no identifier words: zeros, and no error.
    if (status == JED677_NEGATIVE_ANSWER) return jed677Result(0);
    if (status != 0) return status;
    if (reply[0] >= 0x80 && length >= 2 && reply[1] == kNegative) return jed677Result(0);
    if (length < kIdentWordsBytes) return jed677Result(DIAG_ERR_BAD_REPLY);
    for (int i = 0; i < 4; ++i) words[i] = reply[2 + i];
    return jed677Result(0);
}

// --- the interface application's own services ------------------------------------------------

int32_t DiagDriver::jed677Config(uint16_t value1, uint16_t value2, uint16_t value3) {
    const uint8_t data[6] = {static_cast<uint8_t>(value1 >> 8), static_cast<uint8_t>(value1),
                             static_cast<uint8_t>(value2 >> 8), static_cast<uint8_t>(value2),
                             static_cast<uint8_t>(value3 >> 8), static_cast<uint8_t>(value3)};
    return jed677Result(workRequest(kCmdConfig, data, sizeof data));
}

int32_t DiagDriver::jed677FreeRunning(uint16_t& length, uint8_t* buffer, size_t capacity) {
    length = 0;
    const int32_t status = workRequest(kCmdFreeRunning);
    // The reply, or a status frame's data, go to the caller as far as its buffer holds them.
    const bool handOver =
        status == 0 || (isStatusFrameCode(status) && workCommand() == 0 && workLength() != 0);
    if (!handOver) return jed677Result(status);
    if (workLength() != 0 && !buffer) return jed677Result(DIAG_ERR_BUFFER_TOO_SMALL);
    const size_t copied = std::min<size_t>(workLength(), capacity);
    if (copied != 0) std::memcpy(buffer, workData(), copied);
    length = static_cast<uint16_t>(copied);
    if (status == 0 && workLength() > capacity) return jed677Result(DIAG_ERR_BUFFER_TOO_SMALL);
    return jed677Result(status);
}

int32_t DiagDriver::jed677ReizImpuls(uint16_t value, uint8_t byte) {
    const uint8_t data[3] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value), byte};
    return jed677Result(workRequest(kCmdReizImpuls, data, sizeof data));
}

// --- the exported functions --------------------------------------------------------------------

extern "C" {

int32_t JED677OpenDiagDriver(const char* portName, const char* folder, uint8_t compare) {
    return DiagDriver::instance().jed677Open(portName ? portName : "", folder ? folder : "",
                                             compare);
}

int32_t JED677CheckIfDownload(const char* portName, const char* folder, uint8_t* flag,
                              uint8_t compare) {
    if (!flag) return DIAG_ERR_BUFFER_TOO_SMALL;
    return DiagDriver::instance().jed677CheckIfDownload(portName ? portName : "",
                                                        folder ? folder : "", *flag, compare);
}

int32_t JED677CloseDiagDriver(void) { return DiagDriver::instance().jed677Close(); }

int32_t JED677AppVersion(char* buffer, uint32_t size) {
    return DiagDriver::instance().jed677AppVersion(buffer, size);
}

int32_t JED677StartCommunication(uint32_t /*unused*/, uint8_t ecuAddress, uint16_t* baud,
                                 uint16_t* word) {
    uint16_t b = 0;
    uint16_t w = 0;
    const int32_t status = DiagDriver::instance().jed677StartCommunication(ecuAddress, b, w);
    if (baud) *baud = b;
    if (word) *word = w;
    return status;
}

int32_t JED677StopCommunication(void) { return DiagDriver::instance().jed677StopCommunication(); }

int32_t JED677SendData(uint16_t* length, uint8_t* message) {
    return JED677SendDataBuf(length, message, JED677_MAX_MESSAGE);
}

int32_t JED677SendDataBuf(uint16_t* length, uint8_t* message, uint32_t capacity) {
    uint16_t n = 0;
    const int32_t status = DiagDriver::instance().jed677SendData(n, message, capacity);
    if (length) *length = n;
    return status;
}

int32_t JED677BIOSStart(void) { return DiagDriver::instance().jed677BiosStart(); }

int32_t JED677Config(uint16_t value1, uint16_t value2, uint16_t value3) {
    return DiagDriver::instance().jed677Config(value1, value2, value3);
}

int32_t JED677FreeRunning(uint16_t* length, uint8_t* buffer) {
    uint16_t n = 0;
    const int32_t status =
        DiagDriver::instance().jed677FreeRunning(n, buffer, buffer ? DIAG_MAX_FRAME_DATA : 0);
    if (length) *length = n;
    return status;
}

int32_t JED677ReizImpuls(uint16_t value, uint8_t byte) {
    return DiagDriver::instance().jed677ReizImpuls(value, byte);
}

int32_t JED677Ident(JED677IdentData* ident, int32_t words[4]) {
    if (!ident) return DIAG_ERR_BUFFER_TOO_SMALL;
    int32_t ignored[4];
    return DiagDriver::instance().jed677Ident(*ident, words ? words : ignored);
}

const char* JED677DiagDriverVer(void) {
    static const std::string text = DiagDriver::bannerVersion(kBanner);
    return text.c_str();
}

const char* JED677AppVer(void) {
    static const std::string text = std::string(DiagDriver::kJed677Generation1Version) + "/" +
                                    DiagDriver::kGeneration2Version;
    return text.c_str();
}

}  // extern "C"

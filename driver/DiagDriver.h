#pragma once
// The driver's state and its link protocol: framing for both interface generations, status and
// pending frames, block transfer, segmented and multi-frame replies, and the trace of the last
// request and reply. The exported C functions forward to one process-wide instance
// (DiagDriver::instance()); tests make their own over a scripted link and a fake clock.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "DiagDr32.h"
#include "JED677.h"
#include "Link.h"
#include "SaeJ1587.h"
#include "SerialLink.h"

class UsbLibrary;

class DiagDriver {
public:
    // The shared request/reply work frame: header, up to 4096 data bytes, checksum.
    static constexpr size_t kWorkFrameSize = 4100;
    static constexpr size_t kMaxFrameData = DIAG_MAX_FRAME_DATA;
    static constexpr uint16_t kDefaultBlockSize = 256;
    // An interface that answers "pending" for ever must not hold the program for ever.
    static constexpr uint64_t kMaxPendingWaitMs = 60000;

    // The traces default to the driver's own; the process-wide instance writes the exported ones.
    explicit DiagDriver(Clock& clock, DiagTrace* requestTrace = nullptr,
                        DiagTrace* responseTrace = nullptr);
    ~DiagDriver();
    DiagDriver(const DiagDriver&) = delete;
    DiagDriver& operator=(const DiagDriver&) = delete;

    // The instance behind the exported functions (real clock, exported traces).
    static DiagDriver& instance();

    // --- transport and module state ---
    void attachLink(std::unique_ptr<Link> link) { link_ = std::move(link); }
    std::unique_ptr<Link> detachLink() { return std::move(link_); }
    Link* link() const { return link_.get(); }
    Clock& clock() const { return *clock_; }
    // Every later wait goes to this clock (tests hand the process-wide instance a fake one).
    void setClock(Clock& clock) { clock_ = &clock; }

    uint8_t generation() const { return generation_; }
    void setGeneration(uint8_t generation) { generation_ = generation; }
    uint16_t blockSize() const { return blockSize_; }
    // A block size of 0 would divide by zero; it is ignored.
    void setBlockSize(uint16_t size) {
        if (size != 0) blockSize_ = size;
    }
    int32_t lastStatus() const { return lastStatus_; }
    void setLastStatus(int32_t status) { lastStatus_ = status; }

    const DiagTrace& requestTrace() const { return *requestTrace_; }
    const DiagTrace& responseTrace() const { return *responseTrace_; }

    // --- the link protocol ---
    // See PCRequestBuf in DiagDr32.h. `capacity` is the room of `data`.
    int32_t PCRequest(uint16_t& command, uint16_t& length, uint8_t* data, size_t capacity,
                      uint8_t noBlock, uint8_t mode);
    // Reads one reply frame; the data are moved to the start of `buffer` (room `capacity`).
    // `length` is left unchanged when no frame header could be read.
    int32_t PCResponse(uint16_t& command, uint16_t& length, uint8_t* buffer, size_t capacity);

    // Writes one frame in the generation's layout, with its checksum; no reply is read.
    int32_t writeFrame(uint8_t command, const uint8_t* data, uint16_t length);
    // Writes one frame in the 8-bit layout (generation 1), whatever the generation.
    int32_t writeShortFrame(uint8_t command, const uint8_t* data, uint8_t length);

    // An internal request on the shared work frame with noBlock 1 and mode 1; the result is
    // also kept as the last status. The reply is in workData() / workLength().
    int32_t workRequest(uint8_t command, const uint8_t* data = nullptr, uint16_t length = 0);
    const uint8_t* workData() const { return work_; }
    uint16_t workLength() const { return workLength_; }
    uint16_t workCommand() const { return workCommand_; }

    static int32_t SetErrorBit(int32_t code, int32_t tag);
    static int32_t MapWin32Error(int32_t code);

    // --- the connection to the interface (see DiagDr32.h for each call) ---
    // Link states: 0 closed, 1 serial interface echoing DTR on DSR, 2 serial line with carrier
    // only, 3 USB.
    enum LinkState : uint8_t { kClosed = 0, kSerialEcho = 1, kSerialCarrier = 2, kUsb = 3 };
    static constexpr uint32_t kDefaultBaudrate = 19200;
    static constexpr uint32_t kReadTimeoutMs = 10000;
    static constexpr uint64_t kRestartWaitMs = 5000;
    // Once a reply has timed out, the frames that only end the communication and close the
    // connection wait this long at most: giving up on a silent interface must not hang.
    static constexpr uint32_t kClosingTimeoutMs = 200;

    int32_t OpenDiagDriver(const std::string& portName);
    int32_t CloseDiagDriver(uint8_t mode);
    int32_t AppStart(uint8_t selector);
    int32_t BiosStart();
    int32_t SetBaudrate(uint32_t baud, uint8_t parameter);
    uint32_t GetBaudrate() const { return baudrate_; }
    int32_t SetTransferblockSize(uint16_t& pcBlockSize, uint16_t& interfaceBlockSize);
    int32_t SetComTimeout(uint32_t& timeoutMs);
    int32_t SetResponseTimeout(uint32_t& timeoutMs);
    int32_t BIOSVersion(char* buffer, size_t size);
    int32_t AppVersion(char* buffer, size_t size);
    int32_t ScanUsbInterfaces(uint8_t* scanList);
    int32_t GetUsbDllVersion(char* buffer, size_t size);
    int32_t DebugTest(uint8_t subFunction, uint32_t& value);

    bool isOpen() const { return opened_; }
    const std::string& portName() const { return portName_; }
    uint8_t linkState() const { return linkState_; }
    bool isUsb() const { return linkState_ == kUsb; }
    const std::string& biosVersionText() const { return biosVersion_; }

    // The generation a port name stands for: "COM" and "Diagnostic Interface" 1,
    // "Diagnostic-Interface-2" 2, anything else 0.
    static uint8_t generationOfName(const std::string& portName);

    // --- interface application download (see Download in DiagDr32.h) ---
    // The interface applications a program may carry, one per kind. None is shipped: the
    // interface maker's firmware is not ours to ship, so each kind has its version text but no
    // bytes, and the choice of the newest application never falls on it. Tests hand in images.
    enum class BuiltInImageKind : uint8_t { Jed677Generation1 = 0, SaeGeneration1, Generation2 };
    struct BuiltInImage {
        std::vector<uint8_t> bytes;  // empty: not carried
        uint32_t loadAddress = 0;
        std::string version;         // up to kMaxImageVersion characters
    };
    static constexpr size_t kMaxImageVersion = 50;
    static constexpr const char* kJed677Generation1Version = "JED-677 V2.04";
    static constexpr const char* kSaeGeneration1Version = "SAE1587 V2.03";
    static constexpr const char* kGeneration2Version = "DI2_DiagApp_V1.06   ";
    // Replaces the image of a kind (the bytes are copied); the version text is cut to 50.
    void setBuiltInImage(BuiltInImageKind kind, const uint8_t* data, size_t length,
                         uint32_t loadAddress, std::string version);
    const BuiltInImage& builtInImage(BuiltInImageKind kind) const;
    // The protocol layer's choice before it calls Download: that kind becomes the current image.
    void selectBuiltInImage(BuiltInImageKind kind);
    // The current image; none chosen yet: an empty image with no version.
    const BuiltInImage& currentImage() const;
    // Its version with trailing blanks, tabs and line ends cut; empty when it has no bytes.
    std::string builtInCandidate() const;

    // flag 0 asks whether a download is due (set to 1 when it is); non-zero performs it.
    // compare 0 flashes the built-in image; fileOnly 1 leaves the interface's own application
    // out of the choice. "*.app" files are looked for in `folder` (empty: the current folder).
    int32_t Download(const std::filesystem::path& folder, const std::string& prefix,
                     uint8_t& flag, uint8_t compare, uint8_t fileOnly);
    // Flashes the interface from an application file (".app", or ".MHX" for generation 2).
    int32_t AppDownload(const std::filesystem::path& file);
    // The application file whose reading stopped the last Download / AppDownload (missing,
    // unreadable or malformed); empty when that call read its file or read none.
    const std::filesystem::path& unreadableApplication() const { return unreadableApplication_; }
    // Flashes the interface from memory.
    int32_t AppDownloadFromBuf(const uint8_t* image, size_t length, uint32_t loadAddress);

    // --- the JED677 layer (see JED677.h; every result carries the layer tag) ---
    int32_t jed677Open(const std::string& portName, const std::filesystem::path& folder,
                       uint8_t compare);
    int32_t jed677CheckIfDownload(const std::string& portName, const std::filesystem::path& folder,
                                  uint8_t& flag, uint8_t compare);
    int32_t jed677Close();
    int32_t jed677AppVersion(char* buffer, size_t size);
    int32_t jed677StartCommunication(uint8_t ecuAddress, uint16_t& baud, uint16_t& word);
    int32_t jed677StopCommunication();
    // `capacity` is the room of `message`.
    int32_t jed677SendData(uint16_t& length, uint8_t* message, size_t capacity);
    int32_t jed677BiosStart();
    int32_t jed677Config(uint16_t value1, uint16_t value2, uint16_t value3);
    int32_t jed677FreeRunning(uint16_t& length, uint8_t* buffer, size_t capacity);
    int32_t jed677ReizImpuls(uint16_t value, uint8_t byte);
    int32_t jed677Ident(JED677IdentData& ident, int32_t words[4]);

    // --- the SAE J1587 / KWP layer (see SaeJ1587.h) ---
    int32_t saeOpen(const std::string& portName, const std::filesystem::path& folder,
                    uint8_t compare, uint8_t fileOnly);
    int32_t saeClose();
    int32_t saeAppVersion(char* buffer, size_t size);
    int32_t saeSend(const uint8_t* message, size_t length);
    // `capacity` is the room of `buffer`, the terminating zero included.
    int32_t saeReceive(uint8_t* buffer, size_t capacity, uint16_t& length, uint32_t timeoutMs);
    int32_t saeChangePriority(uint8_t priority);
    int32_t saeSetVariantStandard();
    int32_t saeSetVariantNorva(uint16_t word1, uint16_t word2, uint16_t word3);
    int32_t saeSetVariantIso15765(const uint8_t parameters[5]);
    uint8_t saeVariant() const { return saeVariant_; }
    void saeSetCutOff(bool on) { saeCutOff_ = on; }
    bool saeCutOff() const { return saeCutOff_; }
    int32_t saeErrorCode() const { return saeError_; }
    int32_t saeStartTesterPresent();
    int32_t saeStopTesterPresent();
    int32_t saeSendData(uint8_t* buffer, uint16_t& length, size_t size, uint32_t timeoutMs,
                        uint16_t source);
    int32_t saeStartKwp();
    int32_t saeStopKwp();
    // The longest time one request with reply may take with its repetitions and waits.
    static constexpr uint64_t kSaeMaxCallMs = kMaxPendingWaitMs;

    // "NVersModul_X_V1.00_date()" gives "X V1.00": the second and third "_"-separated fields.
    static std::string bannerVersion(const std::string& banner);

    // Seams for tests and set-up: the USB library file, the modem lines of a serial port (a
    // pseudo-terminal has none) and the folder that holds the port links.
    void setUsbLibraryName(std::string fileName) { usbLibraryName_ = std::move(fileName); }
    void setModemLinesFactory(std::function<std::unique_ptr<ModemLines>()> factory) {
        modemLinesFactory_ = std::move(factory);
    }
    void setConfigHome(std::filesystem::path folder) { configHome_ = std::move(folder); }

    // The last reply the driver waited for timed out.
    bool interfaceSilent() const { return interfaceSilent_; }

private:
    // While it lives, and only when the interface has stopped answering, a reply is waited for
    // at most kClosingTimeoutMs; the time-outs in use before come back at its end.
    class ClosingTimeouts {
    public:
        explicit ClosingTimeouts(DiagDriver& driver);
        ~ClosingTimeouts();
        ClosingTimeouts(const ClosingTimeouts&) = delete;
        ClosingTimeouts& operator=(const ClosingTimeouts&) = delete;

    private:
        DiagDriver& driver_;
        Link* link_;
        SerialTimeouts saved_;
        bool usb_ = false;
        bool active_ = false;
    };

    int32_t openUsb(const std::string& portName);
    int32_t openSerial(const std::string& portName);
    void dropLink();
    int32_t versionText(uint8_t command, char* buffer, size_t size);
    int32_t restartInterface();
    int32_t flashGeneration1(const uint8_t* image, size_t length);
    int32_t flashGeneration2(const uint8_t* image, size_t length, uint32_t loadAddress);
    int32_t jed677Result(int32_t status);
    void jed677ChooseImage();

    // The SAE layer: each call starts from a clear status and layer error; a result is recorded
    // as the layer error and returned with the layer tag.
    void saeBegin();
    bool saeSetError(int32_t code);
    int32_t saeResult(int32_t code);
    int32_t saeSetOptions(const uint8_t* list, size_t length);
    // Command 0x17: the next message matching the filter words, left in the work frame.
    int32_t saeReceiveRequest(uint16_t word1, uint16_t word2, uint16_t word3, uint32_t timeoutMs);
    struct SaeRequest;
    enum class SaeReply : uint8_t;
    int32_t saeBuildRequest(const uint8_t* message, size_t length, uint32_t timeoutMs,
                            uint16_t source, SaeRequest& request);
    SaeReply saeKwpErrorHandler(const uint8_t* reply, size_t length, size_t headerLength);
    // The next message of the addressed ECU within timeoutMs (and before deadline), not judged:
    // the caller checks it as it checks a direct reply.
    int32_t saeWaitResponse(std::vector<uint8_t>& reply, size_t room, uint32_t timeoutMs,
                            uint64_t deadline);

    int32_t writeAll(const uint8_t* frame, size_t length);
    int32_t readExact(uint8_t* buffer, size_t count);
    int32_t readRawFrame(uint8_t* frame, size_t& frameLength, uint16_t& command,
                         size_t& headerSize, uint16_t& dataLength);
    int32_t blockTransfer(uint16_t command, uint16_t length, const uint8_t* data);
    int32_t sendAcknowledge(uint16_t command, uint8_t counter);
    void setTrace(DiagTrace& trace, const uint8_t* data, size_t count);

    Clock* clock_;
    std::unique_ptr<Link> link_;
    uint8_t generation_ = 0;
    uint16_t blockSize_ = kDefaultBlockSize;
    int32_t lastStatus_ = 0;
    std::filesystem::path unreadableApplication_;
    DiagTrace ownRequestTrace_{};
    DiagTrace ownResponseTrace_{};
    DiagTrace* requestTrace_;
    DiagTrace* responseTrace_;
    uint8_t work_[kWorkFrameSize]{};
    uint16_t workCommand_ = 0;
    uint16_t workLength_ = 0;

    bool opened_ = false;
    std::string portName_;
    uint8_t linkState_ = kClosed;
    uint32_t baudrate_ = 0;
    std::string biosVersion_;
    uint32_t readTimeoutConstantMs_ = kReadTimeoutMs;
    uint32_t usbTimeoutMs_ = kReadTimeoutMs;  // the USB request time-out the driver last set
    bool interfaceSilent_ = false;
    SerialLink* serial_ = nullptr;  // link_ when it is a serial port
    std::shared_ptr<UsbLibrary> usbLibrary_;
    std::string usbLibraryName_;
    std::function<std::unique_ptr<ModemLines>()> modemLinesFactory_;
    std::filesystem::path configHome_;

    // The SAE layer's state.
    uint8_t saeVariant_ = SAE_VARIANT_STANDARD;
    uint16_t saeWords_[3] = {0, 0, 0};
    bool saeCutOff_ = false;
    int32_t saeError_ = 0;

    BuiltInImage builtInImages_[3] = {
        {{}, 0, kJed677Generation1Version},
        {{}, 0, kSaeGeneration1Version},
        {{}, 0xC00000, kGeneration2Version},
    };
    const BuiltInImage* currentImage_ = nullptr;
};

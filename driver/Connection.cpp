// Opening and closing the connection to the interface, and the interface's own services.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "DiagDriver.h"
#include "InterfaceWait.h"
#include "UsbLibrary.h"

namespace {

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The Windows codes of a device that is no serial port with modem lines (a pseudo-terminal, a
// device behind a wrong link): "invalid function" and "invalid parameter".
constexpr int32_t kWinInvalidFunction = 1;
constexpr int32_t kWinInvalidParameter = 87;

// Such a device cannot be a diagnostic interface; say that, not "Incorrect function.".
int32_t modemLinesStatus(int32_t status) {
    return status == kWinInvalidFunction || status == kWinInvalidParameter ? DIAG_ERR_NO_INTERFACE : status;
}

constexpr uint8_t kCmdBios = 0x01;
constexpr uint8_t kCmdBiosVersion = 0x02;
constexpr uint8_t kCmdAppVersion = 0x04;
constexpr uint8_t kCmdAppStart = 0x05;
constexpr uint8_t kCmdBaudrate = 0x06;
constexpr uint8_t kCmdBlockSize = 0x07;
constexpr uint8_t kCmdDebug = 0x08;
constexpr uint8_t kCmdBootLoader = 0x10;
constexpr uint8_t kCmdUsbClose = 0x12;

constexpr uint32_t kUsbProbeTimeoutMs = 200;
constexpr int kUsbProbeTries = 10;
constexpr size_t kBiosVersionSize = 50;
constexpr size_t kScanCountOffset = USB_SCAN_ENTRIES * sizeof(UsbInterfaceEntry);

// "USB" followed by a decimal number, and nothing else.
bool usbIndex(const std::string& name, unsigned& index) {
    if (name.size() <= 3 || name.size() > 6 || !startsWith(name, "USB")) return false;
    index = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
        index = index * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return true;
}

}  // namespace

DiagDriver::ClosingTimeouts::ClosingTimeouts(DiagDriver& driver)
    : driver_(driver), link_(driver.link_.get()) {
    if (!driver_.interfaceSilent_ || !link_) return;
    if (driver_.serial_) {
        saved_ = driver_.serial_->timeouts();
        SerialTimeouts shortened = saved_;
        shortened.readTotalConstantMs = kClosingTimeoutMs;
        shortened.readTotalPerByteMs = 0;
        driver_.serial_->setTimeouts(shortened);
        active_ = true;
    } else if (driver_.linkState_ == kUsb) {
        auto* usb = static_cast<UsbLink*>(link_);
        usb->library().setRequestTimeout(usb->readHandle(), kClosingTimeoutMs);
        usb_ = true;
        active_ = true;
    }
}

DiagDriver::ClosingTimeouts::~ClosingTimeouts() {
    // A connection closed meanwhile has nothing to restore.
    if (!active_ || driver_.link_.get() != link_) return;
    if (usb_) {
        auto* usb = static_cast<UsbLink*>(link_);
        usb->library().setRequestTimeout(usb->readHandle(), driver_.usbTimeoutMs_);
    } else if (driver_.serial_) {
        driver_.serial_->setTimeouts(saved_);
    }
}

uint8_t DiagDriver::generationOfName(const std::string& portName) {
    if (startsWith(portName, "COM")) return 1;
    if (startsWith(portName, "Diagnostic Interface")) return 1;
    if (startsWith(portName, "Diagnostic-Interface-2")) return 2;
    return 0;
}

void DiagDriver::dropLink() {
    serial_ = nullptr;
    link_.reset();  // a UsbLink closes its device here
    usbLibrary_.reset();
    linkState_ = kClosed;
}

int32_t DiagDriver::OpenDiagDriver(const std::string& portName) {
    if (opened_) {
        if (portName == portName_) {
            if (baudrate_ != kDefaultBaudrate) SetBaudrate(kDefaultBaudrate, 10);
            return 0;
        }
        // Another port while one is open: never mix the two connections.
        CloseDiagDriver(1);
    }
    portName_.clear();
    generation_ = generationOfName(portName);
    linkState_ = kClosed;
    biosVersion_.clear();

    int32_t status;
    if (startsWith(portName, "USB") || startsWith(portName, "Diagnostic Interface") ||
        startsWith(portName, "Diagnostic-Interface-2")) {
        status = openUsb(portName);
    } else {
        status = openSerial(portName);
    }
    if (status != 0) {
        dropLink();
        return status;
    }

    baudrate_ = kDefaultBaudrate;
    char bios[kBiosVersionSize];
    if (BIOSVersion(bios, sizeof bios) == 0) biosVersion_ = bios;
    portName_ = portName;
    opened_ = true;
    return 0;
}

int32_t DiagDriver::openUsb(const std::string& portName) {
    // Linux always offers USB; the library is what may be missing.
    int32_t status = 0;
    std::shared_ptr<UsbLibrary> library =
        UsbLibrary::load(status, usbLibraryName_.empty() ? UsbLibrary::kFileName : usbLibraryName_);
    if (!library) return status;

    std::string path = portName;
    unsigned index = 0;
    if (usbIndex(portName, index)) {
        uint8_t list[USB_SCAN_LIST_SIZE] = {};
        library->scanDevices(list);
        const unsigned count = std::min<unsigned>(list[kScanCountOffset], USB_SCAN_ENTRIES);
        if (count != 0) {
            // A number beyond the devices found names no interface.
            if (index >= count) return 0x2001003f;
            const auto* entries = reinterpret_cast<const UsbInterfaceEntry*>(list);
            const std::string name(entries[index].name,
                                   strnlen(entries[index].name, USB_NAME_SIZE));
            generation_ = startsWith(name, "Diagnostic-Interface-2") ? 2
                          : startsWith(name, "Diagnostic Interface") ? 1
                                                                      : 0;
        }
        char device[64];
        std::snprintf(device, sizeof device, "\\\\.\\Diagnostic_Interface%u", index);
        path = device;
    }

    void* readHandle = nullptr;
    void* writeHandle = nullptr;
    status = library->open(path.c_str(), &readHandle, &writeHandle);
    if (status != 0) return status;
    link_ = std::make_unique<UsbLink>(library, readHandle, writeHandle);
    usbLibrary_ = library;

    library->setRequestTimeout(writeHandle, kUsbProbeTimeoutMs);
    usbTimeoutMs_ = kReadTimeoutMs;
    const uint8_t probe = generation_ == 1 ? kCmdBios : kCmdBiosVersion;
    for (int attempt = 0; attempt < kUsbProbeTries; ++attempt) {
        status = workRequest(probe);
        if (status == 0) break;
    }
    library->setRequestTimeout(writeHandle, kReadTimeoutMs);
    if (status != 0) return status;  // the caller drops the link, which closes the device
    linkState_ = kUsb;
    return 0;
}

int32_t DiagDriver::openSerial(const std::string& portName) {
    int32_t status = 0;
    const std::filesystem::path device =
        resolveSerialPort(portName, configHome_.empty() ? userConfigHome() : configHome_);
    // Only "COM1".."COM32" name serial ports; anything else is no port at all.
    if (device.empty()) return MapWin32Error(2);
    std::unique_ptr<SerialLink> port =
        SerialLink::open(device, status, modemLinesFactory_ ? modemLinesFactory_() : nullptr);
    if (!port) return status;
    serial_ = port.get();
    link_ = std::move(port);

    readTimeoutConstantMs_ = kReadTimeoutMs;
    SerialTimeouts timeouts;
    timeouts.readIntervalMs = 100;
    timeouts.readTotalPerByteMs = 10;
    timeouts.readTotalConstantMs = readTimeoutConstantMs_;
    timeouts.writeTotalPerByteMs = 0;
    timeouts.writeTotalConstantMs = 1000;
    serial_->setTimeouts(timeouts);
    if ((status = serial_->configure(kDefaultBaudrate)) != 0) return modemLinesStatus(status);

    clock_->sleepMs(50);
    if ((status = serial_->clearErrors()) != 0) return status;
    ModemState lines;
    if ((status = serial_->readModemLines(lines)) != 0) return modemLinesStatus(status);

    // An interface echoes DTR on DSR; toggle DTR and watch DSR follow.
    const bool dsrBefore = lines.dsr;
    if ((status = serial_->setDtr(!dsrBefore)) != 0) return modemLinesStatus(status);
    bool echoed = false;
    for (uint64_t waited = 0; waited < 2000; waited += 10) {
        clock_->sleepMs(10);
        if ((status = serial_->readModemLines(lines)) != 0) return modemLinesStatus(status);
        if (lines.dsr != dsrBefore) {
            echoed = true;
            break;
        }
    }
    if (echoed) {
        linkState_ = kSerialEcho;
    } else {
        int waits = 0;
        while (!lines.cd) {
            if (++waits == 12) return DIAG_ERR_NO_INTERFACE;
            clock_->sleepMs(500);
            if ((status = serial_->readModemLines(lines)) != 0) return status;
        }
        linkState_ = kSerialCarrier;
    }
    if ((status = serial_->setDtr(true)) != 0) return status;

    if (linkState_ == kSerialEcho) {
        SerialTimeouts probe = serial_->timeouts();
        probe.readTotalConstantMs = 1000;
        serial_->setTimeouts(probe);
        status = workRequest(kCmdBios);
        probe.readTotalConstantMs = readTimeoutConstantMs_;
        serial_->setTimeouts(probe);
        if (status != 0) return DIAG_ERR_NO_PROBE_ANSWER;
    }
    return 0;
}

int32_t DiagDriver::CloseDiagDriver(uint8_t mode) {
    portName_.clear();
    if (!opened_) return 0;
    opened_ = false;
    ClosingTimeouts closing(*this);

    if (generation_ == 1 && baudrate_ != kDefaultBaudrate) SetBaudrate(kDefaultBaudrate, 10);
    if (mode == 1) {
        if (generation_ == 1) {
            workRequest(kCmdBios);
        } else {
            const uint8_t stop[1] = {0};
            workRequest(kCmdAppStart, stop, 1);
        }
    }
    const bool usb = linkState_ == kUsb;
    linkState_ = kClosed;
    biosVersion_.clear();

    if (usb) {
        if (generation_ == 1) {
            // The generation-1 USB interface wants its close handshake; it is checked byte by
            // byte, so a short reply must not be read past its end.
            workRequest(kCmdUsbClose);
            uint8_t reply[DiagDriver::kWorkFrameSize] = {};
            uint16_t replyLength = workLength();
            std::memcpy(reply, workData(), replyLength);
            if (lastStatus_ == 0 && replyLength >= 65 && reply[4] == reply[5]) {
                workRequest(kCmdUsbClose, reply, 65);
                replyLength = workLength();
                std::memcpy(reply, workData(), replyLength);
            }
            if (!(replyLength > 5 && reply[5] == 0x13)) workRequest(kCmdUsbClose);
        }
        dropLink();
        return 0;
    }
    int32_t status = serial_ ? serial_->close() : 0;
    dropLink();
    return status;
}

int32_t DiagDriver::restartInterface() {
    // The interface restarts after a change of firmware: reopen it once it is back.
    const std::string name = portName_;
    CloseDiagDriver(2);
    {
        InterfaceWait wait(WaitKind::InterfaceRestart);
        InterfaceWait::announce();
        clock_->sleepMs(kRestartWaitMs);
    }
    return OpenDiagDriver(name);
}

int32_t DiagDriver::AppStart(uint8_t selector) {
    if (generation_ == 1) return workRequest(kCmdAppStart);
    const uint8_t bootLoader[2] = {0x21, 0xFE};
    const bool bootLoaderRunning = workRequest(kCmdBootLoader, bootLoader, 2) == 0;
    const uint8_t data[1] = {selector};
    int32_t status = workRequest(kCmdAppStart, data, 1);
    if (bootLoaderRunning && status == 0) status = restartInterface();
    return status;
}

int32_t DiagDriver::BiosStart() {
    if (generation_ == 1) return workRequest(kCmdBios);
    const uint8_t bootLoader[2] = {0x21, 0xFE};
    int32_t status = workRequest(kCmdBootLoader, bootLoader, 2);
    if (status != 0) {
        status = workRequest(kCmdBios);
        if (status == 0) status = restartInterface();
    }
    return status;
}

int32_t DiagDriver::SetBaudrate(uint32_t baud, uint8_t parameter) {
    if (linkState_ != kSerialEcho) return 0;
    if (!serial_) return DIAG_ERR_NOT_OPEN;
    serial_->purgeReceive();
    const uint8_t data[5] = {static_cast<uint8_t>(baud >> 24), static_cast<uint8_t>(baud >> 16),
                             static_cast<uint8_t>(baud >> 8), static_cast<uint8_t>(baud), parameter};
    int32_t status = writeShortFrame(kCmdBaudrate, data, sizeof data);
    if (status != 0) return status;
    clock_->sleepMs(500);
    if ((status = serial_->setBaudrate(baud)) != 0) return status;
    serial_->purgeReceive();
    uint16_t command = kCmdBaudrate;
    uint16_t length = 0;
    uint8_t reply[kWorkFrameSize];
    status = PCResponse(command, length, reply, sizeof reply);
    if (status == 0) baudrate_ = baud;
    return status;
}

int32_t DiagDriver::SetTransferblockSize(uint16_t& pcBlockSize, uint16_t& interfaceBlockSize) {
    if (pcBlockSize != 0) blockSize_ = pcBlockSize;
    pcBlockSize = blockSize_;
    const uint8_t data[2] = {static_cast<uint8_t>(interfaceBlockSize >> 8),
                             static_cast<uint8_t>(interfaceBlockSize)};
    if (workRequest(kCmdBlockSize, data, 2) == 0 && workLength() >= 2)
        interfaceBlockSize = static_cast<uint16_t>((workData()[0] << 8) | workData()[1]);
    else
        interfaceBlockSize = 128;
    return 0;
}

int32_t DiagDriver::SetComTimeout(uint32_t& timeoutMs) {
    std::swap(readTimeoutConstantMs_, timeoutMs);
    if (serial_) {
        SerialTimeouts timeouts = serial_->timeouts();
        timeouts.readTotalConstantMs = readTimeoutConstantMs_;
        serial_->setTimeouts(timeouts);
    }
    return 0;
}

int32_t DiagDriver::SetResponseTimeout(uint32_t& timeoutMs) {
    if (linkState_ == kUsb && link_) {
        auto* usb = static_cast<UsbLink*>(link_.get());
        usbTimeoutMs_ = timeoutMs;
        timeoutMs = static_cast<uint32_t>(
            usb->library().setRequestTimeout(usb->readHandle(), timeoutMs));
        return 0;
    }
    return SetComTimeout(timeoutMs);
}

int32_t DiagDriver::versionText(uint8_t command, char* buffer, size_t size) {
    if (!buffer || size == 0) return DIAG_ERR_BUFFER_TOO_SMALL;
    std::memset(buffer, 0, size);
    const int32_t status = workRequest(command);
    if (status != 0) return status;
    if (workLength() + 1u > size) return DIAG_ERR_BUFFER_TOO_SMALL;
    std::memcpy(buffer, workData(), workLength());
    return 0;
}

int32_t DiagDriver::BIOSVersion(char* buffer, size_t size) {
    return versionText(kCmdBiosVersion, buffer, size);
}

int32_t DiagDriver::AppVersion(char* buffer, size_t size) {
    return versionText(kCmdAppVersion, buffer, size);
}

int32_t DiagDriver::ScanUsbInterfaces(uint8_t* scanList) {
    if (!scanList) return DIAG_ERR_BUFFER_TOO_SMALL;
    scanList[kScanCountOffset] = 0;
    int32_t status = 0;
    std::unique_ptr<UsbLibrary> library =
        UsbLibrary::load(status, usbLibraryName_.empty() ? UsbLibrary::kFileName : usbLibraryName_);
    if (!library) return status;
    status = library->scanDevices(scanList);
    // Whatever the library wrote, the list holds at most ten terminated names.
    scanList[kScanCountOffset] = std::min<uint8_t>(scanList[kScanCountOffset], USB_SCAN_ENTRIES);
    auto* entries = reinterpret_cast<UsbInterfaceEntry*>(scanList);
    for (int i = 0; i < USB_SCAN_ENTRIES; ++i) entries[i].name[USB_NAME_SIZE - 1] = '\0';
    return status;
}

int32_t DiagDriver::GetUsbDllVersion(char* buffer, size_t size) {
    if (!buffer || size == 0) return DIAG_ERR_BUFFER_TOO_SMALL;
    std::memset(buffer, 0, size);
    int32_t status = 0;
    std::unique_ptr<UsbLibrary> library =
        UsbLibrary::load(status, usbLibraryName_.empty() ? UsbLibrary::kFileName : usbLibraryName_);
    if (!library) return status;
    library->dllVersion(buffer, static_cast<uint32_t>(size));
    buffer[size - 1] = '\0';
    return 0;
}

int32_t DiagDriver::DebugTest(uint8_t subFunction, uint32_t& value) {
    switch (subFunction) {
        case 1:
        case 2: {
            const uint8_t data[2] = {subFunction, static_cast<uint8_t>(value != 0)};
            return workRequest(kCmdDebug, data, 2);
        }
        case 3: {
            const uint8_t data[5] = {3, static_cast<uint8_t>(value >> 24),
                                     static_cast<uint8_t>(value >> 16),
                                     static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
            return workRequest(kCmdDebug, data, 5);
        }
        case 4: {
            const uint8_t data[1] = {4};
            value = 0;
            const int32_t status = workRequest(kCmdDebug, data, 1);
            if (status != 0) return status;
            // The answer is in reply bytes 1 to 4; a shorter reply is malformed.
            if (workLength() < 5) return lastStatus_ = DIAG_ERR_BAD_REPLY;
            const uint8_t* reply = workData();
            value = (reply[1] | reply[2] | reply[3] | reply[4]) != 0 ? 1 : 0;
            return 0;
        }
        default:
            return lastStatus_;
    }
}

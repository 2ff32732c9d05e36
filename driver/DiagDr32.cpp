// The exported functions and data; each forwards to the process-wide driver.
#include "DiagDr32.h"

#include <cstring>
#include <string>

#include "DiagDriver.h"

namespace {

// The module banners; the version text is their second and third "_"-separated fields.
constexpr const char* kLibBanner = "NVersLib_DiagLib_V3.41_2009-09-13()";
constexpr const char* kDriverBanner = "NVersModul_DiagDr32_V2.85_2009-08-28()";

int32_t copyText(const std::string& text, char* buffer, uint32_t size) {
    if (!buffer || size == 0) return 0;
    std::memset(buffer, 0, size);
    std::memcpy(buffer, text.data(), std::min<size_t>(text.size(), size - 1));
    return 0;
}

}  // namespace

extern "C" {

DiagTrace _msgRequest = {};
DiagTrace _msgResponse = {};
char _cFunction[DIAG_FUNCTION_TEXT] = {};
CanObjEntry _CANObj[15] = {
    {0x100, 0x88}, {0x101, 0x80}, {0x102, 0x88}, {0x103, 0x80}, {0x104, 0x88},
    {0x105, 0x80}, {0x106, 0x88}, {0x107, 0x80}, {0x108, 0x88}, {0x109, 0x80},
    {0x10A, 0x88}, {0x10B, 0x80}, {0x10C, 0x88}, {0x10D, 0x80}, {0x10E, 0x00},
};

int32_t PCRequestBuf(uint16_t* command, uint16_t* length, uint8_t* data, uint32_t capacity,
                     uint8_t noBlock, uint32_t /*reserved*/, uint8_t mode) {
    if (!command || !length || (!data && (*length != 0 || capacity != 0)))
        return DIAG_ERR_BUFFER_TOO_SMALL;
    return DiagDriver::instance().PCRequest(*command, *length, data, capacity, noBlock, mode);
}

int32_t PCRequest(uint16_t* command, uint16_t* length, uint8_t* data, uint8_t noBlock,
                  uint32_t reserved, uint8_t mode) {
    return PCRequestBuf(command, length, data, DIAG_MAX_FRAME_DATA, noBlock, reserved, mode);
}

int32_t PCResponse(uint16_t* command, uint16_t* length, uint8_t* buffer) {
    if (!command || !length || !buffer) return DIAG_ERR_BUFFER_TOO_SMALL;
    return DiagDriver::instance().PCResponse(*command, *length, buffer, DIAG_MAX_FRAME_DATA);
}

int32_t SetErrorBit(int32_t code, int32_t tag) { return DiagDriver::SetErrorBit(code, tag); }

int32_t MapWin32Error(int32_t code) { return DiagDriver::MapWin32Error(code); }

int32_t OpenDiagDriver(const char* portName) {
    return DiagDriver::instance().OpenDiagDriver(portName ? portName : "");
}
int32_t CloseDiagDriver(uint8_t mode) { return DiagDriver::instance().CloseDiagDriver(mode); }
int32_t AppStart(uint8_t selector) { return DiagDriver::instance().AppStart(selector); }
int32_t BiosStart(void) { return DiagDriver::instance().BiosStart(); }
int32_t SetBaudrate(uint32_t baud, uint8_t parameter) {
    return DiagDriver::instance().SetBaudrate(baud, parameter);
}
uint32_t GetBaudrate(void) { return DiagDriver::instance().GetBaudrate(); }

int32_t SetTransferblockSize(uint16_t* pcBlockSize, uint16_t* interfaceBlockSize) {
    uint16_t pc = pcBlockSize ? *pcBlockSize : 0;
    uint16_t di = interfaceBlockSize ? *interfaceBlockSize : 0;
    const int32_t status = DiagDriver::instance().SetTransferblockSize(pc, di);
    if (pcBlockSize) *pcBlockSize = pc;
    if (interfaceBlockSize) *interfaceBlockSize = di;
    return status;
}

int32_t SetComTimeout(uint32_t* timeout) {
    if (!timeout) return DIAG_ERR_BUFFER_TOO_SMALL;
    return DiagDriver::instance().SetComTimeout(*timeout);
}

int32_t SetResponseTimeout(uint32_t* timeout) {
    if (!timeout) return DIAG_ERR_BUFFER_TOO_SMALL;
    return DiagDriver::instance().SetResponseTimeout(*timeout);
}

int32_t BIOSVersion(char* buffer, uint32_t size) {
    return DiagDriver::instance().BIOSVersion(buffer, size);
}
int32_t AppVersion(char* buffer, uint32_t size) {
    return DiagDriver::instance().AppVersion(buffer, size);
}
int32_t DiagLibVersion(char* buffer, uint32_t size) {
    return copyText(DiagDriver::bannerVersion(kLibBanner), buffer, size);
}
int32_t DiagDriverVersion(char* buffer, uint32_t size) {
    return copyText(DiagDriver::bannerVersion(kDriverBanner), buffer, size);
}
const char* Diagdr32DiagDriverVer(void) {
    static const std::string text = DiagDriver::bannerVersion(kDriverBanner);
    return text.c_str();
}
int32_t ScanUsbInterfaces(uint8_t* scanList) {
    return DiagDriver::instance().ScanUsbInterfaces(scanList);
}
int32_t GetUsbDllVersion(char* buffer, uint32_t size) {
    return DiagDriver::instance().GetUsbDllVersion(buffer, size);
}
int32_t DebugTest(uint8_t subFunction, uint32_t* value) {
    if (!value) return DIAG_ERR_BUFFER_TOO_SMALL;
    return DiagDriver::instance().DebugTest(subFunction, *value);
}

int32_t Download(const char* folder, const char* prefix, uint8_t* flag, uint8_t compare,
                 uint8_t fileOnly) {
    if (!flag) return DIAG_ERR_BUFFER_TOO_SMALL;
    return DiagDriver::instance().Download(folder ? folder : "", prefix ? prefix : "", *flag,
                                           compare, fileOnly);
}
int32_t AppDownload(const char* path) {
    if (!path) return DIAG_ERR_NO_APPLICATION;
    return DiagDriver::instance().AppDownload(path);
}
int32_t AppDownloadFromBuf(const uint8_t* image, uint32_t length, uint32_t loadAddress) {
    return DiagDriver::instance().AppDownloadFromBuf(image, length, loadAddress);
}
int32_t UnreadableApplicationFile(char* buffer, uint32_t size) {
    return copyText(DiagDriver::instance().unreadableApplication().string(), buffer, size);
}

}  // extern "C"

DiagDriver& DiagDriver::instance() {
    // Never destroyed: at exit a connection still open would be closed through a USB library
    // whose own statics may be gone already. The system releases the device with the process.
    static DiagDriver& driver =
        *new DiagDriver(SteadyClock::instance(), &_msgRequest, &_msgResponse);
    return driver;
}

// The exported link-layer functions and data; each forwards to the process-wide driver.
#include "DiagDr32.h"

#include "DiagDriver.h"

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

}  // extern "C"

DiagDriver& DiagDriver::instance() {
    static DiagDriver driver(SteadyClock::instance(), &_msgRequest, &_msgResponse);
    return driver;
}

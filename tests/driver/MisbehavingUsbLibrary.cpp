// The misbehaving USB interface library (see MisbehavingUsb.h): the seven entry points over one
// device whose replies the test decides.
#include <algorithm>
#include <cstring>
#include <deque>

#include "MisbehavingUsb.h"
#include "UsbLibrary.h"

namespace {

constexpr int32_t kTimeout = 0x2001002a;
void* const kReadHandle = reinterpret_cast<void*>(0x10);
void* const kWriteHandle = reinterpret_cast<void*>(0x11);

MisbehavingUsb state;
std::deque<MisbehavingUsb::Bytes> replies;

}  // namespace

extern "C" {

MisbehavingUsb* MisbehavingUsbState(void) { return &state; }

int32_t UsbInterfaceOpen(const char* devicePath, void** readHandle, void** writeHandle) {
    state.opened.push_back(devicePath ? devicePath : "");
    replies.clear();
    *readHandle = kReadHandle;
    *writeHandle = kWriteHandle;
    return 0;
}

int32_t UsbInterfaceClose(void*, void*) { return 0; }

int32_t UsbInterfaceRead(void*, uint8_t* buffer, uint32_t size, uint32_t* bytesRead) {
    *bytesRead = 0;
    if (replies.empty()) return kTimeout;
    const MisbehavingUsb::Bytes frame = replies.front();
    replies.pop_front();
    const size_t n = std::min<size_t>(frame.size(), size);
    std::memcpy(buffer, frame.data(), n);
    *bytesRead = static_cast<uint32_t>(n);
    return 0;
}

int32_t UsbInterfaceWrite(void*, const uint8_t* frame, uint32_t length, uint32_t* bytesWritten) {
    const MisbehavingUsb::Bytes bytes(frame, frame + length);
    state.written.push_back(bytes);
    if (state.answer) {
        MisbehavingUsb::Bytes reply = state.answer(bytes);
        if (!reply.empty()) replies.push_back(std::move(reply));
    }
    *bytesWritten = length;
    return 0;
}

int32_t UsbInterfaceScanDevices(uint8_t* scanList) {
    std::memcpy(scanList, state.scanList.data(),
                std::min<size_t>(state.scanList.size(), USB_SCAN_LIST_SIZE));
    return state.scanResult;
}

int32_t UsbDllVersion(char* buffer, uint32_t size) {
    if (size != 0) buffer[0] = '\0';
    return 0;
}

int32_t UsbSetRequestTimeout(void*, uint32_t) { return 0; }

}  // extern "C"

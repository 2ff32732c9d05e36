// The test build of libndiusb3.so: the seven entry points of the USB interface library, each
// handed to the simulated bus in libkeltsim.so.
#include <type_traits>

#include "SimUsbBus.h"
#include "UsbLibrary.h"

extern "C" {

int32_t UsbInterfaceOpen(const char* devicePath, void** readHandle, void** writeHandle) {
    return SimUsbBus::instance().open(devicePath, readHandle, writeHandle);
}

int32_t UsbInterfaceClose(void* readHandle, void* writeHandle) {
    return SimUsbBus::instance().close(readHandle, writeHandle);
}

int32_t UsbInterfaceRead(void* readHandle, uint8_t* buffer, uint32_t size, uint32_t* bytesRead) {
    return SimUsbBus::instance().read(readHandle, buffer, size, bytesRead);
}

int32_t UsbInterfaceWrite(void* writeHandle, const uint8_t* frame, uint32_t length,
                          uint32_t* bytesWritten) {
    return SimUsbBus::instance().write(writeHandle, frame, length, bytesWritten);
}

int32_t UsbInterfaceScanDevices(uint8_t* scanList) {
    return SimUsbBus::instance().scan(scanList);
}

int32_t UsbDllVersion(char* buffer, uint32_t size) {
    return SimUsbBus::instance().version(buffer, size);
}

int32_t UsbSetRequestTimeout(void* handle, uint32_t milliseconds) {
    return SimUsbBus::instance().setRequestTimeout(handle, milliseconds);
}

}  // extern "C"

// The signatures must stay those of the driver's ABI.
static_assert(sizeof(UsbInterfaceEntry) == SimUsbBus::kNameSize + 1);
static_assert(USB_SCAN_LIST_SIZE == SimUsbBus::kScanListSize);
static_assert(std::is_same_v<decltype(&UsbInterfaceOpen), UsbInterfaceOpenFn>);
static_assert(std::is_same_v<decltype(&UsbInterfaceClose), UsbInterfaceCloseFn>);
static_assert(std::is_same_v<decltype(&UsbInterfaceRead), UsbInterfaceReadFn>);
static_assert(std::is_same_v<decltype(&UsbInterfaceWrite), UsbInterfaceWriteFn>);
static_assert(std::is_same_v<decltype(&UsbInterfaceScanDevices), UsbInterfaceScanDevicesFn>);
static_assert(std::is_same_v<decltype(&UsbDllVersion), UsbDllVersionFn>);
static_assert(std::is_same_v<decltype(&UsbSetRequestTimeout), UsbSetRequestTimeoutFn>);

#pragma once
/*
 * The USB interface library libndiusb3.so: its C ABI, and the driver's loader for it.
 *
 * Any library that exports these seven functions is a USB diagnostic interface to the driver
 * (the simulator's test build among them). Every function returns a status code of the driver's
 * scheme (0 = success, see DiagDr32.h).
 *
 *   UsbInterfaceOpen(devicePath, &read, &write)  opens a device; two opaque handles
 *   UsbInterfaceClose(read, write)                closes it
 *   UsbInterfaceRead(read, buffer, size, &n)      reads one whole frame, waiting up to the request
 *                                                 time-out; never more than size bytes
 *   UsbInterfaceWrite(write, frame, length, &n)   writes one frame; n = bytes written
 *   UsbInterfaceScanDevices(list)                 fills the scan list: 10 entries of
 *                                                 {char name[512]; uint8_t status;}, then a count
 *                                                 byte at offset 5130 (5131 bytes in all)
 *   UsbDllVersion(buffer, size)                   the library's version text, zero-terminated
 *   UsbSetRequestTimeout(handle, ms)              the time-out of later reads
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define USB_SCAN_ENTRIES 10
#define USB_NAME_SIZE 512
#define USB_SCAN_LIST_SIZE (USB_SCAN_ENTRIES * (USB_NAME_SIZE + 1) + 1)

#pragma pack(push, 1)
typedef struct UsbInterfaceEntry {
    char name[USB_NAME_SIZE];
    uint8_t status;
} UsbInterfaceEntry;
#pragma pack(pop)

typedef int32_t (*UsbInterfaceOpenFn)(const char* devicePath, void** readHandle, void** writeHandle);
typedef int32_t (*UsbInterfaceCloseFn)(void* readHandle, void* writeHandle);
typedef int32_t (*UsbInterfaceReadFn)(void* readHandle, uint8_t* buffer, uint32_t size,
                                      uint32_t* bytesRead);
typedef int32_t (*UsbInterfaceWriteFn)(void* writeHandle, const uint8_t* frame, uint32_t length,
                                       uint32_t* bytesWritten);
typedef int32_t (*UsbInterfaceScanDevicesFn)(uint8_t* scanList);
typedef int32_t (*UsbDllVersionFn)(char* buffer, uint32_t size);
typedef int32_t (*UsbSetRequestTimeoutFn)(void* handle, uint32_t milliseconds);

#ifdef __cplusplus
}

#include <memory>
#include <string>

#include "DynamicLibrary.h"
#include "Link.h"

// The loaded library with its seven entry points; unloaded when destroyed.
class UsbLibrary {
public:
    static constexpr const char* kFileName = "libndiusb3.so";
    // nullptr with `status` DIAG_ERR_USB_LIBRARY when the library or an entry point is missing.
    // `fileName` may name another library file (tests).
    static std::unique_ptr<UsbLibrary> load(int32_t& status, const std::string& fileName = kFileName);

    UsbInterfaceOpenFn open = nullptr;
    UsbInterfaceCloseFn close = nullptr;
    UsbInterfaceReadFn read = nullptr;
    UsbInterfaceWriteFn write = nullptr;
    UsbInterfaceScanDevicesFn scanDevices = nullptr;
    UsbDllVersionFn dllVersion = nullptr;
    UsbSetRequestTimeoutFn setRequestTimeout = nullptr;

private:
    explicit UsbLibrary(std::unique_ptr<DynamicLibrary> library) : library_(std::move(library)) {}
    std::unique_ptr<DynamicLibrary> library_;
};

// An open USB device as the driver's link: one frame per read.
class UsbLink final : public Link {
public:
    UsbLink(std::shared_ptr<UsbLibrary> library, void* readHandle, void* writeHandle)
        : library_(std::move(library)), readHandle_(readHandle), writeHandle_(writeHandle) {}
    ~UsbLink() override;  // closes the device

    void* readHandle() const { return readHandle_; }
    void* writeHandle() const { return writeHandle_; }
    UsbLibrary& library() const { return *library_; }

    bool isFramed() const override { return true; }
    int32_t write(const uint8_t* data, size_t length, size_t* written) override;
    int32_t read(uint8_t* buffer, size_t capacity, size_t* got) override;
    void purgeReceive() override {}

private:
    std::shared_ptr<UsbLibrary> library_;
    void* readHandle_;
    void* writeHandle_;
};
#endif

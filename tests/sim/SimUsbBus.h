#pragma once
// The simulated USB bus behind the test build of libndiusb3.so: the diagnostic interfaces that
// are plugged in, their open handles and what the PC did with them. There is one bus per
// process, in libkeltsim.so, so the test program and the USB library it loads share it.
//
// Reads never wait: the simulator answers while the request is written, so a read finds its
// reply ready or it never comes. With nothing ready a read returns kErrTimeout (the driver's
// time-out code, as if the request time-out had passed), at once unless setSilenceWaitMs makes
// it take real time; while the device restarts, or for a handle that is not open, it returns
// kErrRead.
//
// Device paths: "\\.\Diagnostic_Interface<n>" names the n-th device added (0 first); the device
// name itself is accepted too.
//
// Request time-out: one per open device, 10000 ms after the open; UsbSetRequestTimeout sets it
// through either handle and returns the previous value, so a caller can put it back later.
//
// Devices from the environment, so a whole program can run against the simulator: at its first
// use the bus reads KELT_SIM_USB, a comma-separated list of generations:
//   "1"    one generation-1 interface "Diagnostic Interface #1"
//   "2"    one generation-2 interface "Diagnostic-Interface-2 #1"
//   "1,2"  both, in that order (so "USB0" is the first, "USB1" the second)
// Each has the application the driver knows loaded and current ("JED-677 V2.04",
// "DI2_DiagApp_V1.06   "), is in its basic firmware, and has an ECU attached: the one the ECU
// factory makes (setEcuFactory), by default a SimMinimalEcu at address 0x10, or the simulated
// KELT ECU when KELT_SIM_ECU is "kelt" with its options (SimKeltEcu::fromDescription). Start
// the program with LD_LIBRARY_PATH=<build>/bin/sim and it finds them. reset() unplugs these too.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SimInterface.h"

class SimUsbBus {
public:
    static constexpr int32_t kErrTimeout = 0x2001002a;       // nothing arrived within the time-out
    static constexpr int32_t kErrRead = 0x2001003c;          // read failed: device gone or not open
    static constexpr int32_t kErrNoDevice = 0x2001003e;      // no such device, or a bad handle
    static constexpr int32_t kErrAlreadyOpen = 0x2001003f;   // the device is open already
    static constexpr int32_t kErrBufferTooSmall = 0x2001001f;
    static constexpr const char* kVersionText = "NDIUSB3 SIM 1.0";
    static constexpr size_t kScanEntries = 10;
    static constexpr size_t kNameSize = 512;
    static constexpr size_t kScanListSize = kScanEntries * (kNameSize + 1) + 1;

    static SimUsbBus& instance();

    static constexpr const char* kEnvironmentVariable = "KELT_SIM_USB";
    // "kelt ...": the devices from the environment get a SimKeltEcu unless a factory is set.
    static constexpr const char* kEcuEnvironmentVariable = "KELT_SIM_ECU";
    // Plugs in the devices a KELT_SIM_USB value names (unknown items are skipped); returns how
    // many were added.
    size_t addDevicesFromSpec(const std::string& spec);
    // The ECU behind each device plugged in from the environment, for its generation. Takes
    // effect for devices added later and, at once, for those already plugged in from the
    // environment. nullptr restores the default (a SimMinimalEcu). Callable before the bus is
    // first used, e.g. from a static initialiser of the library that brings the ECU.
    using EcuFactory = std::shared_ptr<SimEcu> (*)(uint8_t generation);
    static void setEcuFactory(EcuFactory factory);

    // Unplugs every device and clears the counters. References to earlier devices and their
    // handles are invalid afterwards.
    void reset();
    // Plugs in a device; `status` is the in-use mark the scan reports for it.
    SimInterface& addDevice(const std::string& name, SimConfig config = {}, uint8_t status = 0);
    // The n-th device added; nullptr when there is none.
    SimInterface* device(size_t index);
    size_t deviceCount() const;
    bool isOpen(size_t index) const;

    // What the PC did, over all devices since the last reset.
    struct Counters {
        int scans = 0;
        int opens = 0;                   // successful opens
        int closes = 0;                  // successful closes
        int framesWritten = 0;
        int framesRead = 0;
        uint32_t lastReadSize = 0;       // the buffer size of the last read
        std::vector<uint32_t> readTimeouts;  // the request time-out each read would wait
        std::vector<uint32_t> timeouts;  // every request time-out set, in order
    };
    Counters counters() const;
    static constexpr uint32_t kDefaultTimeoutMs = 10000;
    // The last request time-out set through this handle; 0 when none was set.
    uint32_t requestTimeout(void* handle) const;
    // A read that finds nothing waits this long in real time (at most its request time-out)
    // before kErrTimeout, as a real interface that went silent does; 0 (the default and after
    // reset) answers at once.
    void setSilenceWaitMs(uint32_t milliseconds);

    // --- the entry points of the library, one to one ---
    int32_t open(const char* devicePath, void** readHandle, void** writeHandle);
    int32_t close(void* readHandle, void* writeHandle);
    int32_t read(void* readHandle, uint8_t* buffer, uint32_t size, uint32_t* bytesRead);
    int32_t write(void* writeHandle, const uint8_t* frame, uint32_t length, uint32_t* bytesWritten);
    int32_t scan(uint8_t* scanList);
    int32_t version(char* buffer, uint32_t size) const;
    int32_t setRequestTimeout(void* handle, uint32_t milliseconds);

private:
    struct Device {
        std::string name;
        uint8_t status = 0;
        std::unique_ptr<SimInterface> sim;
        uintptr_t openId = 0;  // 0: closed
        uint32_t timeout = kDefaultTimeoutMs;  // the device's current request time-out
        uint32_t readTimeout = 0;              // last set through the read handle
        uint32_t writeTimeout = 0;             // last set through the write handle
        uint8_t environmentGeneration = 0;     // plugged in from KELT_SIM_USB: its generation
    };
    SimUsbBus() = default;
    Device* findHandle(void* handle, bool& isRead);
    const Device* findHandle(void* handle, bool& isRead) const;
    void attachEnvironmentEcus();

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Device>> devices_;
    uintptr_t nextOpenId_ = 1;
    Counters counters_;
    uint32_t silenceWaitMs_ = 0;
};

extern "C" {
// The file of the simulator library itself (libkeltsim.so).
const char* SimUsbBusPath(void);
}

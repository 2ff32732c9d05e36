#include "SimUsbBus.h"

#include <chrono>
#include <thread>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "SimKeltEcu.h"
#include "SimMinimalEcu.h"

namespace {

constexpr const char* kPathPrefix = "\\\\.\\Diagnostic_Interface";
// Handles are numbers, never addresses: a stale handle finds no device instead of freed memory.
constexpr uintptr_t kHandleBase = 0x51000;

void* makeHandle(uintptr_t openId, bool isRead) {
    return reinterpret_cast<void*>(kHandleBase + openId * 2 + (isRead ? 0 : 1));
}

// "\\.\Diagnostic_Interface<n>": the index n, or -1 for any other text.
long pathIndex(const char* path) {
    const size_t prefix = std::strlen(kPathPrefix);
    if (std::strncmp(path, kPathPrefix, prefix) != 0) return -1;
    const char* digits = path + prefix;
    if (*digits == '\0' || std::strlen(digits) > 6) return -1;
    long index = 0;
    for (const char* p = digits; *p; ++p) {
        if (*p < '0' || *p > '9') return -1;
        index = index * 10 + (*p - '0');
    }
    return index;
}

// The ECU of the devices from the environment when no factory is set: KELT_SIM_ECU="kelt ..."
// puts the simulated KELT ECU behind them (to run the whole program) with the fault memory,
// configuration and status values its options give (SimKeltEcu::fromDescription), anything else
// the minimal one.
std::shared_ptr<SimEcu> defaultEcu(uint8_t /*generation*/) {
    const char* description = std::getenv(SimUsbBus::kEcuEnvironmentVariable);
    std::string problems;
    std::shared_ptr<SimKeltEcu> kelt = SimKeltEcu::fromDescription(description ? description : "", problems);
    if (!problems.empty())
        std::fprintf(stderr, "%s: options left out:\n%s", SimUsbBus::kEcuEnvironmentVariable, problems.c_str());
    if (kelt) return kelt;
    return std::make_shared<SimMinimalEcu>();
}

// Set before or after the bus exists; constant-initialised, so a static initialiser elsewhere
// may set it first.
constinit std::atomic<SimUsbBus::EcuFactory> ecuFactory{nullptr};
constinit std::atomic<bool> busCreated{false};

}  // namespace

SimUsbBus& SimUsbBus::instance() {
    static SimUsbBus& bus = []() -> SimUsbBus& {
        static SimUsbBus created;
        if (const char* spec = std::getenv(kEnvironmentVariable)) created.addDevicesFromSpec(spec);
        busCreated = true;
        return created;
    }();
    return bus;
}

size_t SimUsbBus::addDevicesFromSpec(const std::string& spec) {
    size_t added = 0;
    std::stringstream items(spec);
    std::string item;
    while (std::getline(items, item, ',')) {
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        SimConfig config;
        std::string name;
        if (item == "1") {
            config.generation = 1;
            config.appVersion = "JED-677 V2.04";
            name = "Diagnostic Interface #1";
        } else if (item == "2") {
            config.generation = 2;
            config.biosVersion = "DI2 Boot V1.00";
            config.appVersion = "DI2_DiagApp_V1.06   ";
            name = "Diagnostic-Interface-2 #1";
        } else {
            continue;
        }
        const EcuFactory factory = ecuFactory.load();
        std::shared_ptr<SimEcu> ecu = (factory ? factory : defaultEcu)(config.generation);
        SimInterface& sim = addDevice(name, config);
        sim.attachEcu(std::move(ecu));
        std::lock_guard lock(mutex_);
        devices_.back()->environmentGeneration = config.generation;
        ++added;
    }
    return added;
}

void SimUsbBus::attachEnvironmentEcus() {
    const EcuFactory factory = ecuFactory.load();
    std::lock_guard lock(mutex_);
    for (auto& device : devices_) {
        if (device->environmentGeneration == 0) continue;
        device->sim->attachEcu((factory ? factory : defaultEcu)(device->environmentGeneration));
    }
}

void SimUsbBus::setEcuFactory(EcuFactory factory) {
    ecuFactory = factory;
    if (busCreated) instance().attachEnvironmentEcus();
}

void SimUsbBus::reset() {
    std::lock_guard lock(mutex_);
    devices_.clear();
    counters_ = {};
    silenceWaitMs_ = 0;
}

SimInterface& SimUsbBus::addDevice(const std::string& name, SimConfig config, uint8_t status) {
    std::lock_guard lock(mutex_);
    auto device = std::make_unique<Device>();
    device->name = name;
    device->status = status;
    device->sim = std::make_unique<SimInterface>(std::move(config));
    devices_.push_back(std::move(device));
    return *devices_.back()->sim;
}

SimInterface* SimUsbBus::device(size_t index) {
    std::lock_guard lock(mutex_);
    return index < devices_.size() ? devices_[index]->sim.get() : nullptr;
}

size_t SimUsbBus::deviceCount() const {
    std::lock_guard lock(mutex_);
    return devices_.size();
}

bool SimUsbBus::isOpen(size_t index) const {
    std::lock_guard lock(mutex_);
    return index < devices_.size() && devices_[index]->openId != 0;
}

SimUsbBus::Counters SimUsbBus::counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

SimUsbBus::Device* SimUsbBus::findHandle(void* handle, bool& isRead) {
    const auto value = reinterpret_cast<uintptr_t>(handle);
    if (value < kHandleBase + 2) return nullptr;
    const uintptr_t openId = (value - kHandleBase) / 2;
    isRead = (value - kHandleBase) % 2 == 0;
    for (auto& device : devices_)
        if (device->openId == openId) return device.get();
    return nullptr;
}

const SimUsbBus::Device* SimUsbBus::findHandle(void* handle, bool& isRead) const {
    return const_cast<SimUsbBus*>(this)->findHandle(handle, isRead);
}

uint32_t SimUsbBus::requestTimeout(void* handle) const {
    std::lock_guard lock(mutex_);
    bool isRead = false;
    const Device* device = findHandle(handle, isRead);
    if (!device) return 0;
    return isRead ? device->readTimeout : device->writeTimeout;
}

int32_t SimUsbBus::open(const char* devicePath, void** readHandle, void** writeHandle) {
    std::lock_guard lock(mutex_);
    if (readHandle) *readHandle = nullptr;
    if (writeHandle) *writeHandle = nullptr;
    if (!devicePath || !readHandle || !writeHandle) return kErrNoDevice;

    Device* device = nullptr;
    const long index = pathIndex(devicePath);
    if (index >= 0) {
        if (static_cast<size_t>(index) < devices_.size()) device = devices_[index].get();
    } else {
        for (auto& candidate : devices_) {
            if (candidate->name == devicePath) {
                device = candidate.get();
                break;
            }
        }
    }
    if (!device) return kErrNoDevice;
    if (device->openId != 0) return kErrAlreadyOpen;

    device->openId = nextOpenId_++;
    device->timeout = kDefaultTimeoutMs;
    device->readTimeout = 0;
    device->writeTimeout = 0;
    // A device opened afresh has nothing waiting; a restarted one is back.
    device->sim->discardOutput();
    device->sim->opened();
    ++counters_.opens;
    *readHandle = makeHandle(device->openId, true);
    *writeHandle = makeHandle(device->openId, false);
    return 0;
}

int32_t SimUsbBus::close(void* readHandle, void* writeHandle) {
    std::lock_guard lock(mutex_);
    bool readIsRead = false;
    bool writeIsRead = true;
    Device* device = findHandle(readHandle, readIsRead);
    if (!device || !readIsRead || findHandle(writeHandle, writeIsRead) != device || writeIsRead)
        return kErrNoDevice;
    device->openId = 0;
    ++counters_.closes;
    if (const std::shared_ptr<SimEcu> ecu = device->sim->ecu()) ecu->interfaceClosed();
    return 0;
}

int32_t SimUsbBus::read(void* readHandle, uint8_t* buffer, uint32_t size, uint32_t* bytesRead) {
    std::lock_guard lock(mutex_);
    if (bytesRead) *bytesRead = 0;
    bool isRead = false;
    Device* device = findHandle(readHandle, isRead);
    if (!device || !isRead || !buffer || !bytesRead) return kErrRead;
    counters_.lastReadSize = size;
    counters_.readTimeouts.push_back(device->timeout);
    if (!device->sim->hasOutput()) {
        if (device->sim->restarting()) return kErrRead;
        // Nothing comes while the read waits (the simulator answers only to writes); a silent
        // interface can be made to take real time, as a real one takes its whole time-out.
        const uint32_t waitMs = std::min(device->timeout, silenceWaitMs_);
        if (waitMs != 0) {
            mutex_.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
            mutex_.lock();
        }
        return kErrTimeout;
    }
    const SimBytes frame = device->sim->takeFrame();
    if (frame.size() > size) return kErrBufferTooSmall;  // the frame is lost, as on a real bus
    std::memcpy(buffer, frame.data(), frame.size());
    *bytesRead = static_cast<uint32_t>(frame.size());
    ++counters_.framesRead;
    return 0;
}

int32_t SimUsbBus::write(void* writeHandle, const uint8_t* frame, uint32_t length,
                         uint32_t* bytesWritten) {
    std::lock_guard lock(mutex_);
    if (bytesWritten) *bytesWritten = 0;
    bool isRead = true;
    Device* device = findHandle(writeHandle, isRead);
    if (!device || isRead || (!frame && length != 0) || !bytesWritten) return kErrNoDevice;
    device->sim->receive(frame, length);
    *bytesWritten = length;
    ++counters_.framesWritten;
    return 0;
}

int32_t SimUsbBus::scan(uint8_t* scanList) {
    std::lock_guard lock(mutex_);
    if (!scanList) return kErrBufferTooSmall;
    std::memset(scanList, 0, kScanListSize);
    const size_t count = std::min(devices_.size(), kScanEntries);
    for (size_t i = 0; i < count; ++i) {
        uint8_t* entry = scanList + i * (kNameSize + 1);
        const std::string& name = devices_[i]->name;
        std::memcpy(entry, name.data(), std::min(name.size(), kNameSize - 1));
        entry[kNameSize] = devices_[i]->status;
    }
    scanList[kScanEntries * (kNameSize + 1)] = static_cast<uint8_t>(count);
    ++counters_.scans;
    return 0;
}

int32_t SimUsbBus::version(char* buffer, uint32_t size) const {
    if (!buffer || size == 0) return kErrBufferTooSmall;
    const size_t length = std::strlen(kVersionText);
    const size_t copied = std::min<size_t>(length, size - 1);
    std::memcpy(buffer, kVersionText, copied);
    buffer[copied] = '\0';
    return copied == length ? 0 : kErrBufferTooSmall;
}

void SimUsbBus::setSilenceWaitMs(uint32_t milliseconds) {
    std::lock_guard lock(mutex_);
    silenceWaitMs_ = milliseconds;
}

int32_t SimUsbBus::setRequestTimeout(void* handle, uint32_t milliseconds) {
    std::lock_guard lock(mutex_);
    bool isRead = false;
    Device* device = findHandle(handle, isRead);
    if (!device) return kErrNoDevice;
    (isRead ? device->readTimeout : device->writeTimeout) = milliseconds;
    const uint32_t previous = device->timeout;
    device->timeout = milliseconds;
    counters_.timeouts.push_back(milliseconds);
    return static_cast<int32_t>(previous);
}

extern "C" const char* SimUsbBusPath(void) {
    static std::string path = [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&SimUsbBusPath), &info) == 0 || !info.dli_fname)
            return std::string();
        return std::string(info.dli_fname);
    }();
    return path.c_str();
}

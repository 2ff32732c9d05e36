#include "UsbLibrary.h"

#include <algorithm>
#include <chrono>
#include <future>

#include "DiagDr32.h"
#include "InterfaceWait.h"

namespace {

template <typename Fn>
bool lookUp(const DynamicLibrary& library, const char* name, Fn& entry) {
    entry = reinterpret_cast<Fn>(library.symbol(name));
    return entry != nullptr;
}

}  // namespace

std::unique_ptr<UsbLibrary> UsbLibrary::load(int32_t& status, const std::string& fileName) {
    status = DIAG_ERR_USB_LIBRARY;
    std::unique_ptr<DynamicLibrary> file = DynamicLibrary::load(fileName);
    if (!file) return nullptr;
    std::unique_ptr<UsbLibrary> library(new UsbLibrary(std::move(file)));
    const DynamicLibrary& lib = *library->library_;
    const bool complete = lookUp(lib, "UsbInterfaceOpen", library->open) &&
                          lookUp(lib, "UsbInterfaceClose", library->close) &&
                          lookUp(lib, "UsbInterfaceRead", library->read) &&
                          lookUp(lib, "UsbInterfaceWrite", library->write) &&
                          lookUp(lib, "UsbInterfaceScanDevices", library->scanDevices) &&
                          lookUp(lib, "UsbDllVersion", library->dllVersion) &&
                          lookUp(lib, "UsbSetRequestTimeout", library->setRequestTimeout);
    if (!complete) return nullptr;
    status = 0;
    return library;
}

UsbLink::~UsbLink() {
    if (library_ && library_->close) library_->close(readHandle_, writeHandle_);
}

int32_t UsbLink::write(const uint8_t* data, size_t length, size_t* written) {
    *written = 0;
    uint32_t count = 0;
    const int32_t status =
        library_->write(writeHandle_, data, static_cast<uint32_t>(length), &count);
    // Never believe a count beyond what was handed over.
    *written = std::min<size_t>(count, length);
    return status;
}

int32_t UsbLink::read(uint8_t* buffer, size_t capacity, size_t* got) {
    *got = 0;
    // The library reads one whole frame of at most the driver's work frame.
    constexpr size_t kMaxRead = 4100;
    const auto size = static_cast<uint32_t>(std::min(capacity, kMaxRead));
    uint32_t count = 0;
    int32_t status = 0;
    InterfaceWait wait;
    if (InterfaceWait::sliceMs(-1) < 0) {
        status = library_->read(readHandle_, buffer, size, &count);
    } else {
        // The library blocks for up to the request time-out: it reads on a thread of its own
        // while this one tells the windows in time. Nothing else uses the device meanwhile.
        auto reading = std::async(std::launch::async,
                                  [&] { return library_->read(readHandle_, buffer, size, &count); });
        for (int slice; (slice = InterfaceWait::sliceMs(-1)) >= 0;) {
            if (reading.wait_for(std::chrono::milliseconds(slice)) == std::future_status::ready) break;
            InterfaceWait::check();
        }
        status = reading.get();
    }
    if (status != 0) return status;
    *got = std::min<size_t>(count, size);
    return 0;
}

#include "PortSelection.h"

#include "DiagDr32.h"
#include "MessageBox.h"
#include "SettingsModel.h"
#include "StringTable.h"
#include "UsbLibrary.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::string_view kUsbGeneration1Prefix = "Diagnostic Interface #";
constexpr std::string_view kUsbGeneration2Prefix = "Diagnostic-Interface-2";

constexpr int kTextInUse = 11067;
constexpr int kTextAvailable = 11068;
constexpr int kTextNotConnected = 11072;

}  // namespace

std::vector<std::string> comPortNames() {
    std::vector<std::string> names;
    names.reserve(kComPortCount);
    for (int i = 1; i <= kComPortCount; ++i) names.push_back("COM" + std::to_string(i));
    return names;
}

bool isComPortName(std::string_view port) {
    return port.substr(0, 3) == "COM";
}

bool isUsbPortName(std::string_view port) {
    const std::string_view head = port.substr(0, 22);
    return head == kUsbGeneration1Prefix || head == kUsbGeneration2Prefix;
}

bool usbDeviceInUse(const UsbDevice& device) {
    if (device.name.find(kUsbGeneration2Prefix) != std::string::npos) return device.status != 0;
    return (device.status & 0x80) != 0;
}

std::string UsbStatusText(const UsbDevice& device) {
    return LoadStr(usbDeviceInUse(device) ? kTextInUse : kTextAvailable);
}

std::string usbNotConnectedText() {
    return LoadStr(kTextNotConnected);
}

std::vector<UsbDevice> readUsbScanList(std::span<const uint8_t> list) {
    std::vector<UsbDevice> devices;
    if (list.size() < USB_SCAN_LIST_SIZE) return devices;
    constexpr std::size_t entrySize = sizeof(UsbInterfaceEntry);
    const std::size_t count = std::min<std::size_t>(list[USB_SCAN_ENTRIES * entrySize], USB_SCAN_ENTRIES);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* entry = reinterpret_cast<const char*>(list.data() + i * entrySize);
        UsbDevice device;
        device.name.assign(entry, strnlen(entry, USB_NAME_SIZE));
        device.status = list[i * entrySize + USB_NAME_SIZE];
        devices.push_back(std::move(device));
    }
    return devices;
}

// --- UsbDeviceList ----------------------------------------------------------------------------

UsbDeviceList::UsbDeviceList(UsbScanFunction scan)
    : scan_(scan ? std::move(scan) : UsbScanFunction(ScanUsbInterfaces)) {}

UsbDeviceList::Scan UsbDeviceList::ScanUsbDevices(const std::string& givenPort) {
    Scan result;
    devices_.clear();
    std::array<uint8_t, USB_SCAN_LIST_SIZE> list{};
    result.status = scan_(list.data());
    if (result.status == DIAG_ERR_USB_UNAVAILABLE) {
        result.usbAvailable = false;
        return result;
    }
    if (result.status == DIAG_ERR_USB_LIBRARY) {
        // Without the library there is no USB at all, whether or not the message was shown.
        result.usbAvailable = false;
        result.showLibraryMessage = !libraryMessageShown_;
        libraryMessageShown_ = true;
        return result;
    }
    // After any other error the list may hold whatever the library left in it.
    if (result.status == 0) devices_ = readUsbScanList(list);

    for (const UsbDevice& device : devices_)
        result.rows.push_back({device.name, ::UsbStatusText(device)});
    const bool found = std::any_of(devices_.begin(), devices_.end(),
                                   [&](const UsbDevice& d) { return d.name == givenPort; });
    if (isUsbPortName(givenPort) && !found) result.rows.push_back({givenPort, usbNotConnectedText()});

    for (std::size_t i = 0; i < result.rows.size(); ++i) {
        if (result.rows[i].name == givenPort) {
            result.selected = static_cast<int>(i);
            break;
        }
    }
    if (result.selected < 0 && !devices_.empty()) result.selected = 0;
    return result;
}

std::string UsbDeviceList::statusOf(std::string_view name) const {
    if (name.empty()) return "---";
    for (const UsbDevice& device : devices_)
        if (device.name == name) return ::UsbStatusText(device);
    return usbNotConnectedText();
}

std::string UsbDeviceList::UsbStatusText(std::size_t index) const {
    return index < devices_.size() ? ::UsbStatusText(devices_[index]) : std::string();
}

// --- DiagnosticInterfaceOpening ---------------------------------------------------------------

DiagnosticInterfaceOpening::DiagnosticInterfaceOpening(PortSelectionDialog& portDialog,
                                                       InterfaceErrorDialog& errorDialog,
                                                       DiagAttrStruct& attr)
    : portDialog_(portDialog), errorDialog_(errorDialog), attr_(attr) {}

int DiagnosticInterfaceOpening::InitDiagnosticInterface(const OpenInterfaceCallback& callback) {
    newInterface_ = false;
    for (;;) {
        if (GetInterfacePort(newInterface_) == 0) return 0;
        for (;;) {
            const int32_t status = callback(chosenPort_);
            if (status == 0) return 1;
            errorChoice_ = errorDialog_.showInterfaceError(status);
            if (errorChoice_ == static_cast<uint8_t>(InterfaceErrorChoice::Repeat)) continue;
            if (errorChoice_ == static_cast<uint8_t>(InterfaceErrorChoice::SelectNewInterface)) {
                newInterface_ = true;
                break;
            }
            return 0;
        }
    }
}

int DiagnosticInterfaceOpening::GetInterfacePort(bool force) {
    return choosePort(&portDialog_, attr_, force, chosenPort_);
}

int choosePort(PortSelectionDialog* dialog, DiagAttrStruct& attr, bool force, std::string& port) {
    ProfileFile ini(attr.AppIni);
    // Read whole: a USB device name may be longer than the old 400-character buffer.
    port = readSetting(ini, AppIniKeys::InterfacePort);
    if (port.empty()) force = true;
    if (!force) return 1;
    std::string chosen = port;
    if (!dialog || dialog->ShowPortDialog(chosen) != 1) return 0;
    port = chosen;
    const ProfileWriteResult written = writeSetting(ini, AppIniKeys::InterfacePort, port);
    if (!written.ok())
        MsgBox(settingNotSavedMessage(AppIniKeys::InterfacePort.section, AppIniKeys::InterfacePort.key,
                                      written),
               attr.Anwendungstitel, MB_OK | MB_ICONERROR);
    attr.Schnittstellenname = port;
    return 1;
}

#pragma once
// Choosing the connection to the diagnostic interface (a serial port or a USB device) and
// opening the interface with retry - the logic behind TfrmDIPort, without windows.
//
// The port is kept in the application INI file (DiagAttr.AppIni), [SelectPort] "InterfacePort".
// It is written there, and into DiagAttr.Schnittstellenname, only when the selection dialog was
// shown and confirmed.
//
// The loop reaches its windows through two small interfaces, so tests script them:
//   PortSelectionDialog   the port dialog (TfrmDIPort::ShowPortDialog)
//   InterfaceErrorDialog  the "initialization failed" dialog (TfrmInitDIErrorHandler)

#include "NData.h"
#include "ProfileFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// --- port names -------------------------------------------------------------------------------

inline constexpr int kComPortCount = 32;
// "COM1" .. "COM32", the entries of the serial-port list.
std::vector<std::string> comPortNames();
// A serial port: the first three characters are "COM".
bool isComPortName(std::string_view port);
// A USB device name: the first 22 characters are "Diagnostic Interface #" or
// "Diagnostic-Interface-2".
bool isUsbPortName(std::string_view port);

// --- the USB scan -----------------------------------------------------------------------------

struct UsbDevice {
    std::string name;
    uint8_t status = 0;  // the library's in-use mark
};

// In use: a "Diagnostic-Interface-2" device with a non-zero status, any other device with bit 7
// of its status set.
bool usbDeviceInUse(const UsbDevice& device);
// "Device in use" or "Device available" (string table).
std::string UsbStatusText(const UsbDevice& device);
// "Device not connected": a stored device that the scan did not find.
std::string usbNotConnectedText();

// The devices of a scan list as the library filled it (UsbLibrary.h layout, USB_SCAN_LIST_SIZE
// bytes). The list is not trusted: the count is cut to 10 and each name is read up to its first
// NUL within its 512 bytes. A list shorter than the layout gives no devices.
std::vector<UsbDevice> readUsbScanList(std::span<const uint8_t> list);

// Fills a scan list of USB_SCAN_LIST_SIZE bytes and returns the driver's status
// (ScanUsbInterfaces of the driver by default).
using UsbScanFunction = std::function<int32_t(uint8_t* scanList)>;

// One row of the device list, and one entry of the USB combo box, in the same order.
struct UsbListRow {
    std::string name;
    std::string status;
};

// ScanUsbDevices and UpdateUsbStatus without the window. One object lives as long as the
// dialog, so the missing-library message appears once per run.
class UsbDeviceList {
public:
    explicit UsbDeviceList(UsbScanFunction scan = {});

    struct Scan {
        int32_t status = 0;               // the driver's answer
        bool usbAvailable = true;         // false: only the serial ports can be chosen
        bool showLibraryMessage = false;  // show 11071 now (the first missing library of the run)
        std::vector<UsbListRow> rows;     // the device list and the combo box entries
        int selected = -1;                // the combo box entry to select; -1 none
    };
    // Scans and builds the rows: every device found; then, when givenPort is a USB name the scan
    // did not find, a row for it with "Device not connected". selected is givenPort's row, else
    // the first device when there is one. A missing library or a system without USB gives
    // usbAvailable false and no rows; any other error gives no devices.
    Scan ScanUsbDevices(const std::string& givenPort);

    // UpdateUsbStatus: "---" for an empty name, the status text of the scanned device of that
    // name, else "Device not connected".
    std::string statusOf(std::string_view name) const;

    // The devices of the last scan.
    const std::vector<UsbDevice>& devices() const { return devices_; }
    // The status text of the index-th device of the last scan; empty for an index outside.
    std::string UsbStatusText(std::size_t index) const;
    bool libraryMessageShown() const { return libraryMessageShown_; }

private:
    UsbScanFunction scan_;
    std::vector<UsbDevice> devices_;
    bool libraryMessageShown_ = false;
};

// --- opening the interface with retry ---------------------------------------------------------

// The port-selection dialog.
class PortSelectionDialog {
public:
    virtual ~PortSelectionDialog() = default;
    // Shows the dialog preset from port. Returns the modal result: 1 when the user confirmed a
    // port, which port then holds; any other result leaves port unchanged.
    virtual int ShowPortDialog(std::string& port) = 0;
};

// The answers of the "initialization failed" dialog.
enum class InterfaceErrorChoice : uint8_t {
    Cancel = 1,
    Repeat = 2,
    SelectNewInterface = 3,
};

// The dialog shown when the interface could not be opened.
class InterfaceErrorDialog {
public:
    virtual ~InterfaceErrorDialog() = default;
    // Shows the code with the driver's texts and returns the user's choice (1, 2 or 3); a value
    // outside those counts as Cancel.
    virtual uint8_t showInterfaceError(int32_t code) = 0;
};

// The one way the port is chosen, at start-up and later: the stored port ([SelectPort]
// "InterfacePort") into port; with force, or with none stored, the dialog (null: none to show)
// preset with it. A confirmed choice is written back and into attr.Schnittstellenname; a write
// that fails is told to the user, and the choice still serves this run. Returns 1 with port set,
// 0 when the dialog was not confirmed (port then holds the stored one).
int choosePort(PortSelectionDialog* dialog, DiagAttrStruct& attr, bool force, std::string& port);

// Opens the interface on the given port and returns the driver's status (0 = opened).
using OpenInterfaceCallback = std::function<int32_t(const std::string& port)>;

class DiagnosticInterfaceOpening {
public:
    // The dialogs and attr must outlive the object; the INI file is attr.AppIni at each call.
    DiagnosticInterfaceOpening(PortSelectionDialog& portDialog, InterfaceErrorDialog& errorDialog,
                               DiagAttrStruct& attr = DiagAttr);

    // Opens the interface: the stored port (the dialog when none is stored), then the callback;
    // on failure the error dialog decides: Repeat calls the callback again on the same port,
    // "Select a new interface" shows the port dialog, Cancel gives up.
    // Returns 1 when the interface was opened, 0 when the user gave up.
    int InitDiagnosticInterface(const OpenInterfaceCallback& callback);

    // choosePort into chosenPort(). Returns 1 with a port, 0 when the dialog was cancelled.
    int GetInterfacePort(bool force);

    const std::string& chosenPort() const { return chosenPort_; }
    // The last answer of the error dialog, 0 before the first.
    uint8_t errorChoice() const { return errorChoice_; }
    bool newInterfaceRequested() const { return newInterface_; }

private:
    PortSelectionDialog& portDialog_;
    InterfaceErrorDialog& errorDialog_;
    DiagAttrStruct& attr_;
    std::string chosenPort_;
    uint8_t errorChoice_ = 0;
    bool newInterface_ = false;
};

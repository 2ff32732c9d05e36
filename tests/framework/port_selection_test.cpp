// Choosing the interface port and opening the interface with retry, without windows: the loop
// against scripted dialogs and a real INI file, the USB scan list and its status texts.
#include "PortSelection.h"

#include "DiagDr32.h"
#include "ScriptedMessageBoxes.h"
#include "SettingsModel.h"
#include "StringTable.h"
#include "TempDir.h"
#include "UsbLibrary.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

// --- scripted windows -------------------------------------------------------------------------

struct PortAnswer {
    int result;        // the dialog's modal result
    std::string port;  // the port chosen (for result 1)
};

class ScriptedPortDialog final : public PortSelectionDialog {
public:
    std::deque<PortAnswer> answers;
    std::vector<std::string> shownWith;  // the port each showing was preset from

    int ShowPortDialog(std::string& port) override {
        shownWith.push_back(port);
        if (answers.empty()) return 2;  // a runaway loop gives up
        const PortAnswer answer = answers.front();
        answers.pop_front();
        if (answer.result == 1) port = answer.port;
        return answer.result;
    }
};

class ScriptedInterfaceErrors final : public InterfaceErrorDialog {
public:
    std::deque<uint8_t> choices;
    std::vector<int32_t> shownCodes;

    uint8_t showInterfaceError(int32_t code) override {
        shownCodes.push_back(code);
        if (choices.empty()) return 1;
        const uint8_t choice = choices.front();
        choices.pop_front();
        return choice;
    }
};

constexpr uint8_t kCancel = 1;
constexpr uint8_t kRepeat = 2;
constexpr uint8_t kSelectNew = 3;

const std::string kUsb1 = "Diagnostic Interface #1";
const std::string kUsb2 = "Diagnostic-Interface-2 #0815";

// --- the retry loop as a table ----------------------------------------------------------------

struct OpeningCase {
    const char* name;
    std::string storedPort;              // [SelectPort] InterfacePort before; "" = no key
    std::vector<int32_t> openResults;    // what the callback answers, in turn
    std::vector<uint8_t> errorChoices;   // what the error dialog answers, in turn
    std::vector<PortAnswer> portAnswers; // what the port dialog answers, in turn
    int expectedResult;
    std::vector<std::string> expectedPortsTried;   // the callback's argument, per call
    std::vector<int32_t> expectedErrorsShown;      // codes the error dialog showed
    std::vector<std::string> expectedPortDialogs;  // the port each port dialog was preset from
    std::string expectedStoredPort;                // InterfacePort after
    std::string expectedAttrPort;                  // DiagAttr.Schnittstellenname after
};

const char* const kUntouched = "untouched";

const OpeningCase kOpeningCases[] = {
    {"StoredPortOpensAtOnce", "COM3", {0}, {}, {},
     1, {"COM3"}, {}, {}, "COM3", kUntouched},
    {"NoStoredPortShowsTheDialogAndCancelCallsNothing", "", {}, {}, {{2, ""}},
     0, {}, {}, {""}, "", kUntouched},
    {"NoStoredPortDialogClosedWithoutButton", "", {}, {}, {{0, ""}},
     0, {}, {}, {""}, "", kUntouched},
    {"NoStoredPortChosenInTheDialogIsKept", "", {0}, {}, {{1, "COM2"}},
     1, {"COM2"}, {}, {""}, "COM2", "COM2"},
    {"RepeatTriesTheSamePortWithoutTheDialog", "COM3", {-1, 0}, {kRepeat}, {},
     1, {"COM3", "COM3"}, {-1}, {}, "COM3", kUntouched},
    {"RepeatTwiceThenCancel", "COM3", {-2, DIAG_ERR_NO_INTERFACE, -2}, {kRepeat, kRepeat, kCancel}, {},
     0, {"COM3", "COM3", "COM3"}, {-2, DIAG_ERR_NO_INTERFACE, -2}, {}, "COM3", kUntouched},
    {"CancelGivesUp", "COM3", {-1}, {kCancel}, {},
     0, {"COM3"}, {-1}, {}, "COM3", kUntouched},
    {"NewInterfaceShowsTheDialogWithTheCurrentPort", "COM3", {-1, 0}, {kSelectNew}, {{1, kUsb1}},
     1, {"COM3", kUsb1}, {-1}, {"COM3"}, kUsb1, kUsb1},
    {"NewInterfaceCancelledKeepsTheStoredPort", "COM3", {-1}, {kSelectNew}, {{2, ""}},
     0, {"COM3"}, {-1}, {"COM3"}, "COM3", kUntouched},
    {"NewInterfaceDialogClosedWithResultZeroGivesUp", "COM3", {-1}, {kSelectNew}, {{0, ""}},
     0, {"COM3"}, {-1}, {"COM3"}, "COM3", kUntouched},
    {"NewInterfaceTwiceThenRepeat", "COM3", {-1, DIAG_ERR_USB_LIBRARY, -2, 0},
     {kSelectNew, kSelectNew, kRepeat}, {{1, kUsb2}, {1, "COM4"}},
     1, {"COM3", kUsb2, "COM4", "COM4"}, {-1, DIAG_ERR_USB_LIBRARY, -2}, {"COM3", kUsb2}, "COM4", "COM4"},
    {"ChoiceZeroIsAGiveUp", "COM3", {-1}, {0}, {},
     0, {"COM3"}, {-1}, {}, "COM3", kUntouched},
    {"UnknownChoiceIsAGiveUp", "COM3", {-1}, {7}, {},
     0, {"COM3"}, {-1}, {}, "COM3", kUntouched},
    {"WindowsErrorCodeIsShownToo", "COM1", {5, 0}, {kRepeat}, {},
     1, {"COM1", "COM1"}, {5}, {}, "COM1", kUntouched},
};

class Opening : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(Opening, FollowsTheUsersChoices) {
    const OpeningCase& c = GetParam();
    TempDir dir;
    DiagAttrStruct attr;
    attr.AppIni = (dir / "App.INI").string();
    attr.Schnittstellenname = kUntouched;
    ProfileFile ini(attr.AppIni);
    if (!c.storedPort.empty()) {
        ASSERT_TRUE(ini.writeString("SelectPort", "InterfacePort", c.storedPort));
    }

    ScriptedPortDialog ports;
    ports.answers.assign(c.portAnswers.begin(), c.portAnswers.end());
    ScriptedInterfaceErrors errors;
    errors.choices.assign(c.errorChoices.begin(), c.errorChoices.end());
    std::deque<int32_t> results(c.openResults.begin(), c.openResults.end());
    std::vector<std::string> tried;
    auto open = [&](const std::string& port) {
        tried.push_back(port);
        if (results.empty()) return int32_t{-1};
        const int32_t r = results.front();
        results.pop_front();
        return r;
    };

    DiagnosticInterfaceOpening opening(ports, errors, attr);
    EXPECT_EQ(opening.InitDiagnosticInterface(open), c.expectedResult);
    EXPECT_EQ(tried, c.expectedPortsTried);
    EXPECT_EQ(errors.shownCodes, c.expectedErrorsShown);
    EXPECT_EQ(ports.shownWith, c.expectedPortDialogs);
    EXPECT_EQ(ini.readString("SelectPort", "InterfacePort"), c.expectedStoredPort);
    EXPECT_EQ(attr.Schnittstellenname, c.expectedAttrPort);
    // Every scripted answer was used: the loop took exactly the steps of the case.
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(errors.choices.empty());
    EXPECT_TRUE(ports.answers.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, Opening, ::testing::ValuesIn(kOpeningCases),
                         [](const auto& info) { return std::string(info.param.name); });

class PortChoice : public ::testing::Test {
protected:
    TempDir dir;
    DiagAttrStruct attr;
    ScriptedPortDialog ports;
    ScriptedInterfaceErrors errors;
    ScriptedMessageBoxes boxes;
    void SetUp() override { attr.AppIni = (dir / "App.INI").string(); }
    ProfileFile ini() const { return ProfileFile(attr.AppIni); }
};

TEST_F(PortChoice, ForceShowsTheDialogPresetWithTheStoredPort) {
    ASSERT_TRUE(ini().writeString("SelectPort", "InterfacePort", "COM7"));
    ports.answers = {{1, "COM8"}};
    DiagnosticInterfaceOpening opening(ports, errors, attr);
    EXPECT_EQ(opening.GetInterfacePort(true), 1);
    EXPECT_EQ(ports.shownWith, std::vector<std::string>{"COM7"});
    EXPECT_EQ(opening.chosenPort(), "COM8");
    EXPECT_EQ(ini().readString("SelectPort", "InterfacePort"), "COM8");
    EXPECT_EQ(attr.Schnittstellenname, "COM8");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PortChoice, WithoutForceTheStoredPortIsTakenAsItIs) {
    ASSERT_TRUE(ini().writeString("SelectPort", "InterfacePort", "COM7"));
    attr.Schnittstellenname = "COM1";
    DiagnosticInterfaceOpening opening(ports, errors, attr);
    EXPECT_EQ(opening.GetInterfacePort(false), 1);
    EXPECT_EQ(opening.chosenPort(), "COM7");
    EXPECT_TRUE(ports.shownWith.empty());
    EXPECT_EQ(attr.Schnittstellenname, "COM1");  // only a dialog choice reaches DiagAttr
}

TEST_F(PortChoice, LongUsbNameIsKeptWholeEverywhere) {
    // A USB device name may fill the library's 512 bytes; nothing is cut to 100 or 400.
    const std::string longName = "Diagnostic-Interface-2 " + std::string(488, 'x');
    ASSERT_EQ(longName.size(), 511u);
    ports.answers = {{1, longName}};
    std::string opened;
    DiagnosticInterfaceOpening opening(ports, errors, attr);
    EXPECT_EQ(opening.InitDiagnosticInterface([&](const std::string& p) {
        opened = p;
        return int32_t{0};
    }), 1);
    EXPECT_EQ(opened, longName);
    EXPECT_EQ(attr.Schnittstellenname, longName);
    EXPECT_EQ(ini().readString("SelectPort", "InterfacePort"), longName);

    // The next start reads it back whole without a dialog.
    DiagnosticInterfaceOpening again(ports, errors, attr);
    EXPECT_EQ(again.GetInterfacePort(false), 1);
    EXPECT_EQ(again.chosenPort(), longName);
}

TEST_F(PortChoice, FailedIniWriteIsReportedAndTheChoiceStillUsed) {
    attr.AppIni = (dir / "missing-folder" / "App.INI").string();
    attr.Anwendungstitel = "Tarvik Diagnostic Software";
    ports.answers = {{1, "COM2"}};
    DiagnosticInterfaceOpening opening(ports, errors, attr);
    EXPECT_EQ(opening.GetInterfacePort(false), 1);
    // The technician is told that the port was not stored, and why.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(LoadStr(kSettingsNotSavedText), 0), 0u);
    EXPECT_NE(boxes.shown[0].text.find("[SelectPort] InterfacePort: "), std::string::npos);
    EXPECT_EQ(boxes.shown[0].caption, "Tarvik Diagnostic Software");
    EXPECT_EQ(boxes.shown[0].flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    // This run goes on with the choice.
    EXPECT_EQ(opening.chosenPort(), "COM2");
    EXPECT_EQ(attr.Schnittstellenname, "COM2");
}

TEST_F(PortChoice, ErrorChoiceAndNewInterfaceFlagAreKept) {
    ASSERT_TRUE(ini().writeString("SelectPort", "InterfacePort", "COM3"));
    errors.choices = {kSelectNew, kCancel};
    ports.answers = {{1, "COM4"}};
    DiagnosticInterfaceOpening opening(ports, errors, attr);
    EXPECT_EQ(opening.InitDiagnosticInterface([](const std::string&) { return int32_t{-1}; }), 0);
    EXPECT_EQ(opening.errorChoice(), kCancel);
    EXPECT_TRUE(opening.newInterfaceRequested());
    // A new run starts without the flag: the stored port is tried first.
    errors.choices = {kCancel};
    std::vector<std::string> tried;
    EXPECT_EQ(opening.InitDiagnosticInterface([&](const std::string& p) {
        tried.push_back(p);
        return int32_t{-1};
    }), 0);
    EXPECT_EQ(tried, std::vector<std::string>{"COM4"});
    EXPECT_EQ(ports.shownWith.size(), 1u);
}

// --- port names -------------------------------------------------------------------------------

TEST(PortNames, SerialListAndKinds) {
    const std::vector<std::string> com = comPortNames();
    ASSERT_EQ(com.size(), 32u);
    EXPECT_EQ(com.front(), "COM1");
    EXPECT_EQ(com.back(), "COM32");

    struct Case {
        const char* port;
        bool com;
        bool usb;
    } cases[] = {
        {"COM1", true, false},
        {"COM", true, false},
        {"COMPUTER", true, false},  // only the first three characters count
        {"com1", false, false},
        {"Diagnostic Interface #1", false, true},
        {"Diagnostic Interface #", false, true},
        {"Diagnostic Interface 1", false, false},
        {"Diagnostic-Interface-2", false, true},
        {"Diagnostic-Interface-2 #77", false, true},
        {"Diagnostic-Interface-", false, false},
        {"USB0", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        EXPECT_EQ(isComPortName(c.port), c.com);
        EXPECT_EQ(isUsbPortName(c.port), c.usb);
    }
}

// --- USB status texts -------------------------------------------------------------------------

TEST(UsbStatus, InUseRuleDependsOnTheGeneration) {
    struct Case {
        const char* name;
        uint8_t status;
        const char* expected;
    } cases[] = {
        {"Diagnostic-Interface-2 #1", 0x00, "Device available"},
        {"Diagnostic-Interface-2 #1", 0x01, "Device in use"},
        {"Diagnostic-Interface-2 #1", 0x80, "Device in use"},
        {"Diagnostic Interface #1", 0x01, "Device available"},
        {"Diagnostic Interface #1", 0x7F, "Device available"},
        {"Diagnostic Interface #1", 0x80, "Device in use"},
        {"Diagnostic Interface #1", 0xFF, "Device in use"},
        {"Other Diagnostic-Interface-2 box", 0x02, "Device in use"},  // "contains", not "starts with"
        {"", 0x00, "Device available"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " / " + std::to_string(c.status));
        EXPECT_EQ(UsbStatusText(UsbDevice{c.name, c.status}), c.expected);
    }
    EXPECT_EQ(usbNotConnectedText(), "Device not connected");
}

// --- the scan list ----------------------------------------------------------------------------

class ScanList {
public:
    std::array<uint8_t, USB_SCAN_LIST_SIZE> bytes{};
    void set(std::size_t index, const std::string& name, uint8_t status) {
        auto* entry = reinterpret_cast<UsbInterfaceEntry*>(bytes.data()) + index;
        std::memset(entry->name, 0, USB_NAME_SIZE);
        std::memcpy(entry->name, name.data(), std::min<std::size_t>(name.size(), USB_NAME_SIZE));
        entry->status = status;
    }
    void count(uint8_t n) { bytes[USB_SCAN_LIST_SIZE - 1] = n; }
};

TEST(UsbScanList, CountAndNamesAreBounded) {
    ScanList list;
    for (std::size_t i = 0; i < USB_SCAN_ENTRIES; ++i) list.set(i, "Diagnostic Interface #" + std::to_string(i), 0);
    // A name that fills all 512 bytes without a terminator.
    list.set(3, std::string(USB_NAME_SIZE, 'N'), 0x80);
    list.count(255);  // a library that claims more than the list holds

    const std::vector<UsbDevice> devices = readUsbScanList(list.bytes);
    ASSERT_EQ(devices.size(), 10u);
    EXPECT_EQ(devices[0].name, "Diagnostic Interface #0");
    EXPECT_EQ(devices[3].name, std::string(USB_NAME_SIZE, 'N'));
    EXPECT_EQ(devices[3].status, 0x80);
    EXPECT_EQ(devices[4].name, "Diagnostic Interface #4");  // the long name did not run into it
    EXPECT_EQ(devices[9].name, "Diagnostic Interface #9");
}

TEST(UsbScanList, CountDecidesHowManyEntriesAreRead) {
    ScanList list;
    list.set(0, kUsb1, 0);
    list.set(1, kUsb2, 1);
    list.set(2, "left over", 0);
    list.count(2);
    const std::vector<UsbDevice> devices = readUsbScanList(list.bytes);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1].name, kUsb2);
    EXPECT_EQ(devices[1].status, 1);

    list.count(0);
    EXPECT_TRUE(readUsbScanList(list.bytes).empty());
    EXPECT_TRUE(readUsbScanList(std::span<const uint8_t>(list.bytes.data(), USB_SCAN_LIST_SIZE - 1)).empty());
}

// A scan function that fills the list from a script.
struct ScriptedScan {
    int32_t status = 0;
    std::vector<UsbDevice> devices;
    uint8_t claimedCount = 0xFF;  // 0xFF: the number of devices
    int calls = 0;

    UsbScanFunction function() {
        return [this](uint8_t* raw) {
            ++calls;
            std::memset(raw, 0, USB_SCAN_LIST_SIZE);
            auto* entries = reinterpret_cast<UsbInterfaceEntry*>(raw);
            for (std::size_t i = 0; i < devices.size() && i < USB_SCAN_ENTRIES; ++i) {
                std::memcpy(entries[i].name, devices[i].name.data(),
                            std::min<std::size_t>(devices[i].name.size(), USB_NAME_SIZE - 1));
                entries[i].status = devices[i].status;
            }
            raw[USB_SCAN_LIST_SIZE - 1] =
                claimedCount == 0xFF ? static_cast<uint8_t>(devices.size()) : claimedCount;
            return status;
        };
    }
};

TEST(UsbScan, RowsSelectionAndUnpluggedStoredDevice) {
    struct Case {
        const char* name;
        std::vector<UsbDevice> devices;
        std::string givenPort;
        std::vector<UsbListRow> expectedRows;
        int expectedSelected;
    } cases[] = {
        {"StoredDeviceFound", {{kUsb1, 0}, {kUsb2, 1}}, kUsb2,
         {{kUsb1, "Device available"}, {kUsb2, "Device in use"}}, 1},
        {"StoredDeviceUnplugged", {{kUsb1, 0}}, "Diagnostic Interface #9",
         {{kUsb1, "Device available"}, {"Diagnostic Interface #9", "Device not connected"}}, 1},
        {"StoredDeviceUnpluggedNoneFound", {}, kUsb2, {{kUsb2, "Device not connected"}}, 0},
        {"SerialPortSelectsTheFirstDevice", {{kUsb1, 0}, {kUsb2, 0}}, "COM3",
         {{kUsb1, "Device available"}, {kUsb2, "Device available"}}, 0},
        {"NothingFoundNothingSelected", {}, "COM3", {}, -1},
        {"OtherNameIsNoUsbName", {{kUsb1, 0x80}}, "MyPort",
         {{kUsb1, "Device in use"}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedScan scan;
        scan.devices = c.devices;
        UsbDeviceList list(scan.function());
        const UsbDeviceList::Scan result = list.ScanUsbDevices(c.givenPort);
        EXPECT_TRUE(result.usbAvailable);
        EXPECT_FALSE(result.showLibraryMessage);
        ASSERT_EQ(result.rows.size(), c.expectedRows.size());
        for (std::size_t i = 0; i < result.rows.size(); ++i) {
            EXPECT_EQ(result.rows[i].name, c.expectedRows[i].name);
            EXPECT_EQ(result.rows[i].status, c.expectedRows[i].status);
        }
        EXPECT_EQ(result.selected, c.expectedSelected);
        EXPECT_EQ(list.devices().size(), c.devices.size());
    }
}

TEST(UsbScan, StatusOfTheComboText) {
    ScriptedScan scan;
    scan.devices = {{kUsb1, 0}, {kUsb2, 1}};
    UsbDeviceList list(scan.function());
    list.ScanUsbDevices("");
    EXPECT_EQ(list.statusOf(""), "---");
    EXPECT_EQ(list.statusOf(kUsb1), "Device available");
    EXPECT_EQ(list.statusOf(kUsb2), "Device in use");
    EXPECT_EQ(list.statusOf("Diagnostic Interface #5"), "Device not connected");
    EXPECT_EQ(list.UsbStatusText(1), "Device in use");
    EXPECT_EQ(list.UsbStatusText(2), "");
}

TEST(UsbScan, MissingLibraryLeavesOnlySerialPortsAndIsToldOnce) {
    ScriptedScan scan;
    scan.status = DIAG_ERR_USB_LIBRARY;
    UsbDeviceList list(scan.function());
    const UsbDeviceList::Scan first = list.ScanUsbDevices(kUsb1);
    EXPECT_FALSE(first.usbAvailable);
    EXPECT_TRUE(first.showLibraryMessage);
    EXPECT_TRUE(first.rows.empty());
    EXPECT_EQ(first.selected, -1);
    EXPECT_TRUE(list.libraryMessageShown());

    const UsbDeviceList::Scan second = list.ScanUsbDevices(kUsb1);
    EXPECT_FALSE(second.usbAvailable);  // still no USB, only no second message
    EXPECT_FALSE(second.showLibraryMessage);
    EXPECT_TRUE(second.rows.empty());
    EXPECT_EQ(scan.calls, 2);
}

TEST(UsbScan, SystemWithoutUsbAndOtherErrors) {
    ScriptedScan noUsb;
    noUsb.status = DIAG_ERR_USB_UNAVAILABLE;
    UsbDeviceList a(noUsb.function());
    const UsbDeviceList::Scan none = a.ScanUsbDevices(kUsb1);
    EXPECT_FALSE(none.usbAvailable);
    EXPECT_FALSE(none.showLibraryMessage);
    EXPECT_TRUE(none.rows.empty());

    // Another error: USB stays offered, but whatever the list holds is not taken.
    ScriptedScan failing;
    failing.status = 0x2001003C;
    failing.devices = {{kUsb2, 0}};
    UsbDeviceList b(failing.function());
    const UsbDeviceList::Scan failed = b.ScanUsbDevices(kUsb1);
    EXPECT_TRUE(failed.usbAvailable);
    EXPECT_TRUE(b.devices().empty());
    ASSERT_EQ(failed.rows.size(), 1u);
    EXPECT_EQ(failed.rows[0].name, kUsb1);
    EXPECT_EQ(failed.rows[0].status, "Device not connected");
}

TEST(UsbScan, UntrustedCountFromTheLibraryIsCut) {
    ScriptedScan scan;
    for (int i = 0; i < 10; ++i) scan.devices.push_back({"Diagnostic Interface #" + std::to_string(i), 0});
    scan.claimedCount = 200;
    UsbDeviceList list(scan.function());
    EXPECT_EQ(list.ScanUsbDevices("").rows.size(), 10u);
}

}  // namespace

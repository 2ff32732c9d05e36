// The port dialog over the test build of the USB library (devices plugged in on the simulated
// bus), and the opening loop with its real error dialog.
#include "PortDialog.h"

#include "Clock.h"
#include "DiagDriver.h"
#include "ProfileFile.h"
#include "ErrorHandler.h"
#include "MessageBox.h"
#include "NData.h"
#include "ScriptedMessageBoxes.h"
#include "SettingsModel.h"
#include "SimUsbBus.h"
#include "StringTable.h"
#include "TempDir.h"
#include "TextCodec.h"
#include "UiTestSupport.h"
#include "LayoutCheck.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <deque>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kUsb1 = "Diagnostic Interface #1";
const std::string kUsb2 = "Diagnostic-Interface-2 #5";

class PortDialogTest : public ::testing::Test {
protected:
    SimUsbBus& bus = SimUsbBus::instance();
    ScriptedMessageBoxes boxes;
    DiagAttrStruct savedAttr;
    TempDir dir;

    void SetUp() override {
        bus.reset();
        DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
        savedAttr = DiagAttr;
        DiagAttr.Anwendungstitel = "Tarvik Diagnostic Software";
        DiagAttr.AppIni = (dir / "Tarvik.INI").string();
    }
    void TearDown() override {
        DiagDriver::instance().setUsbLibraryName("");
        DiagAttr = savedAttr;
        bus.reset();
    }

    static std::vector<std::pair<std::string, std::string>> rows(const TfrmDIPort& dialog) {
        std::vector<std::pair<std::string, std::string>> out;
        for (int i = 0; i < dialog.lvUSBListe->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = dialog.lvUSBListe->topLevelItem(i);
            out.emplace_back(toAnsi(item->text(0)), toAnsi(item->text(1)));
        }
        return out;
    }
    static std::vector<std::string> usbEntries(const TfrmDIPort& dialog) {
        std::vector<std::string> out;
        for (int i = 0; i < dialog.cbUSBPort->count(); ++i) out.push_back(toAnsi(dialog.cbUSBPort->itemText(i)));
        return out;
    }
    using Rows = std::vector<std::pair<std::string, std::string>>;
};

TEST_F(PortDialogTest, Layout) {
    TfrmDIPort dialog;
    EXPECT_EQ(dialog.windowTitle(), "Connection selection of the Diagnostic Interface");
    EXPECT_TRUE(dialog.Label2->text().startsWith("Select a port. If the required USB device does not appear"));
    EXPECT_TRUE(dialog.Label2->font().bold());
    EXPECT_EQ(dialog.GroupBox1->title(), "Connection");
    EXPECT_EQ(dialog.rbCOMPort->text(), "Serial port");
    EXPECT_EQ(dialog.rbUSBPort->text(), "USB");
    ASSERT_EQ(dialog.cbCOMPort->count(), 32);
    EXPECT_EQ(dialog.cbCOMPort->itemText(0), "COM1");
    EXPECT_EQ(dialog.cbCOMPort->itemText(31), "COM32");
    EXPECT_FALSE(dialog.cbCOMPort->isEditable());
    EXPECT_EQ(dialog.lblUSBStatus->text(), "---");
    EXPECT_EQ(dialog.lvUSBListe->headerItem()->text(0), "USB device list");
    EXPECT_EQ(dialog.lvUSBListe->headerItem()->text(1), "USB status");
    EXPECT_EQ(dialog.lvUSBListe->columnWidth(0), 200);
    EXPECT_EQ(dialog.lvUSBListe->columnWidth(1), 195);
    EXPECT_FALSE(dialog.lvUSBListe->header()->sectionsClickable());
    EXPECT_EQ(dialog.btnScanUSBDevices->text(), "Update USB device list");
    EXPECT_EQ(dialog.btn2->text(), "&OK");
    EXPECT_EQ(dialog.btn1->text(), "&Cancel");
    EXPECT_TRUE(dialog.btn3->isHidden());
    dialog.prepareShowPortDialog("COM1");
    dialog.show();
    EXPECT_EQ(layoutFaults(&dialog), "");
}

TEST_F(PortDialogTest, DevicesOnTheBusWithTheirStatus) {
    bus.addDevice(kUsb1, {}, 0x00);
    bus.addDevice(kUsb2, {}, 0x01);                    // generation 2: any mark means in use
    bus.addDevice("Diagnostic Interface #7", {}, 0x01);  // generation 1: only bit 7 counts
    bus.addDevice("Diagnostic Interface #8", {}, 0x80);
    TfrmDIPort dialog;
    dialog.prepareShowPortDialog(kUsb2);

    EXPECT_EQ(rows(dialog), (Rows{{kUsb1, "Device available"},
                                  {kUsb2, "Device in use"},
                                  {"Diagnostic Interface #7", "Device available"},
                                  {"Diagnostic Interface #8", "Device in use"}}));
    EXPECT_EQ(usbEntries(dialog), (std::vector<std::string>{kUsb1, kUsb2, "Diagnostic Interface #7",
                                                            "Diagnostic Interface #8"}));
    EXPECT_EQ(dialog.UsbStatusText(1), "Device in use");
    EXPECT_TRUE(dialog.rbUSBPort->isEnabled());
    EXPECT_TRUE(dialog.rbUSBPort->isChecked());
    EXPECT_EQ(toAnsi(dialog.cbUSBPort->currentText()), kUsb2);
    EXPECT_EQ(toAnsi(dialog.lblUSBStatus->text()), "Device in use");
    EXPECT_TRUE(dialog.cbUSBPort->isEnabled());
    EXPECT_FALSE(dialog.cbCOMPort->isEnabled());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PortDialogTest, UnpluggedStoredDeviceStaysSelected) {
    bus.addDevice(kUsb1);
    TfrmDIPort dialog;
    dialog.prepareShowPortDialog("Diagnostic-Interface-2 #99");
    EXPECT_EQ(rows(dialog), (Rows{{kUsb1, "Device available"},
                                  {"Diagnostic-Interface-2 #99", "Device not connected"}}));
    EXPECT_TRUE(dialog.rbUSBPort->isChecked());
    EXPECT_EQ(dialog.cbUSBPort->currentText(), "Diagnostic-Interface-2 #99");
    EXPECT_EQ(dialog.lblUSBStatus->text(), "Device not connected");
}

TEST_F(PortDialogTest, PresetFromThePort) {
    bus.addDevice(kUsb1);
    struct Case {
        const char* port;
        bool usbChecked;
        const char* com;
        const char* usb;
    } cases[] = {
        {"COM7", false, "COM7", "Diagnostic Interface #1"},
        {"COM99", false, "COM1", "Diagnostic Interface #1"},  // not in the list: the first
        {"Diagnostic Interface #1", true, "COM1", "Diagnostic Interface #1"},
        {"/dev/ttyUSB0", false, "COM1", "Diagnostic Interface #1"},
        {"", true, "COM1", "Diagnostic Interface #1"},  // nothing stored: the one interface found
    };
    TfrmDIPort dialog;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        dialog.cbCOMPort->setCurrentIndex(20);  // what an earlier showing left
        dialog.prepareShowPortDialog(c.port);
        EXPECT_EQ(dialog.givenPort(), c.port);
        EXPECT_EQ(dialog.rbUSBPort->isChecked(), c.usbChecked);
        EXPECT_EQ(dialog.rbCOMPort->isChecked(), !c.usbChecked);
        EXPECT_EQ(dialog.cbCOMPort->currentText(), c.com);
        EXPECT_EQ(dialog.cbUSBPort->currentText(), c.usb);
        EXPECT_EQ(dialog.cbCOMPort->isEnabled(), !c.usbChecked);
        EXPECT_EQ(dialog.cbUSBPort->isEnabled(), c.usbChecked);
        EXPECT_EQ(dialog.lblUSBStatus->isEnabled(), c.usbChecked);
    }
}

// With no port stored, one USB interface found is the obvious choice; with none or several
// the technician chooses, from the serial ports first.
TEST_F(PortDialogTest, NoStoredPortPreselectsTheOnlyUsbInterface) {
    struct Case {
        std::vector<std::string> devices;
        bool usbChecked;
    } cases[] = {
        {{}, false},
        {{kUsb2}, true},
        {{kUsb1, kUsb2}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.devices.size());
        bus.reset();
        for (const std::string& name : c.devices) bus.addDevice(name);
        TfrmDIPort dialog;
        dialog.prepareShowPortDialog("");
        EXPECT_EQ(dialog.rbUSBPort->isChecked(), c.usbChecked);
        EXPECT_EQ(dialog.cbUSBPort->isEnabled(), c.usbChecked);
        EXPECT_EQ(dialog.cbCOMPort->currentText(), "COM1");
        if (c.usbChecked) {
            EXPECT_EQ(toAnsi(dialog.cbUSBPort->currentText()), c.devices[0]);
            dialog.btn2->click();
            std::string port;
            EXPECT_EQ(dialog.finishShowPortDialog(port), 1);
            EXPECT_EQ(port, c.devices[0]);
        }
    }
}

TEST_F(PortDialogTest, MissingLibraryLeavesOnlySerialPortsAndTellsOnce) {
    DiagDriver::instance().setUsbLibraryName((dir / "libndiusb3.so").string());
    TfrmDIPort dialog;
    dialog.prepareShowPortDialog(kUsb1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    // The message says where the library must be put.
    const std::string programFolder = fs::read_symlink("/proc/self/exe").parent_path().string();
    EXPECT_EQ(boxes.shown[0].text, LoadStr(11071) + "\n\nPut the file libndiusb3.so beside the program, into the folder " +
                                       programFolder +
                                       ", or into a folder of the library search path (LD_LIBRARY_PATH, "
                                       "/usr/local/lib), then start the program again.");
    EXPECT_EQ(boxes.shown[0].caption, "Tarvik Diagnostic Software");
    EXPECT_EQ(boxes.shown[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_TRUE(dialog.libraryMessageShown());
    EXPECT_FALSE(dialog.rbUSBPort->isEnabled());
    EXPECT_TRUE(dialog.rbCOMPort->isChecked());
    EXPECT_EQ(dialog.cbCOMPort->currentText(), "COM1");
    EXPECT_EQ(dialog.lvUSBListe->topLevelItemCount(), 0);

    // Shown again and updated: still serial only, and no second message.
    dialog.prepareShowPortDialog(kUsb1);
    dialog.btnScanUSBDevices->click();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(dialog.rbUSBPort->isEnabled());
    EXPECT_TRUE(dialog.rbCOMPort->isChecked());
}

TEST_F(PortDialogTest, UpdateKeepsTheSerialChoiceAndFindsNewDevices) {
    TfrmDIPort dialog;
    dialog.prepareShowPortDialog("COM3");
    EXPECT_EQ(dialog.lvUSBListe->topLevelItemCount(), 0);
    EXPECT_EQ(dialog.lblUSBStatus->text(), "---");
    dialog.cbCOMPort->setCurrentIndex(11);  // the user picks COM12
    bus.addDevice(kUsb2);
    dialog.btnScanUSBDevices->click();
    EXPECT_EQ(dialog.cbCOMPort->currentText(), "COM12");
    EXPECT_TRUE(dialog.rbCOMPort->isChecked());
    EXPECT_EQ(rows(dialog), (Rows{{kUsb2, "Device available"}}));
    EXPECT_EQ(toAnsi(dialog.cbUSBPort->currentText()), kUsb2);

    // The library lost meanwhile: USB is switched off and the serial port stays chosen.
    DiagDriver::instance().setUsbLibraryName((dir / "gone.so").string());
    dialog.rbUSBPort->setChecked(true);
    dialog.btnScanUSBDevices->click();
    EXPECT_FALSE(dialog.rbUSBPort->isEnabled());
    EXPECT_TRUE(dialog.rbCOMPort->isChecked());
    EXPECT_EQ(dialog.cbCOMPort->currentText(), "COM12");
}

TEST_F(PortDialogTest, ListSelectionChoosesTheDevice) {
    bus.addDevice(kUsb1, {}, 0);
    bus.addDevice(kUsb2, {}, 1);
    TfrmDIPort dialog;
    dialog.prepareShowPortDialog("COM2");
    EXPECT_TRUE(dialog.rbCOMPort->isChecked());
    dialog.lvUSBListe->setCurrentItem(dialog.lvUSBListe->topLevelItem(1));
    EXPECT_TRUE(dialog.rbUSBPort->isChecked());
    EXPECT_EQ(toAnsi(dialog.cbUSBPort->currentText()), kUsb2);
    EXPECT_EQ(dialog.lblUSBStatus->text(), "Device in use");
    dialog.cbUSBPort->setCurrentIndex(0);
    EXPECT_EQ(dialog.lblUSBStatus->text(), "Device available");
}

// Tabbing into the list gives it a current row without selecting one: no choice of USB.
TEST_F(PortDialogTest, FocusOnTheDeviceListIsNoChoice) {
    bus.addDevice(kUsb1, {}, 0);
    bus.addDevice(kUsb2, {}, 1);
    TfrmDIPort dialog;
    dialog.prepareShowPortDialog("COM2");
    QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(dialog.lvUSBListe, &tabbedIn);
    ASSERT_NE(dialog.lvUSBListe->currentItem(), nullptr);  // the list did take a current row
    EXPECT_TRUE(dialog.rbCOMPort->isChecked());
    EXPECT_TRUE(dialog.cbCOMPort->isEnabled());
    EXPECT_EQ(dialog.cbCOMPort->currentText(), "COM2");
    // The user's selection does choose.
    dialog.lvUSBListe->topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(dialog.rbUSBPort->isChecked());
    EXPECT_EQ(toAnsi(dialog.cbUSBPort->currentText()), kUsb2);
}

// Shows the dialog modally with the port and runs the action on it.
int showWith(TfrmDIPort& dialog, std::string& port, const std::function<void(TfrmDIPort&)>& action) {
    ModalScript script([&](QWidget* modal) {
        ASSERT_EQ(modal, &dialog);
        action(dialog);
    });
    const int result = dialog.ShowPortDialog(port);
    EXPECT_TRUE(script.ran());
    return result;
}

TEST_F(PortDialogTest, OkAndCancel) {
    bus.addDevice(kUsb1);
    bus.addDevice(kUsb2);
    struct Case {
        const char* name;
        std::string port;
        std::function<void(TfrmDIPort&)> action;
        int result;
        std::string portAfter;
    } cases[] = {
        {"SerialOk", "COM3", [](TfrmDIPort& d) { d.cbCOMPort->setCurrentIndex(4); d.btn2->click(); }, 1, "COM5"},
        {"UsbOk", "COM3",
         [](TfrmDIPort& d) {
             d.rbUSBPort->setChecked(true);
             d.cbUSBPort->setCurrentIndex(1);
             d.btn2->click();
         },
         1, kUsb2},
        {"Cancel", "COM3", [](TfrmDIPort& d) { d.cbCOMPort->setCurrentIndex(4); d.btn1->click(); }, 2, "COM3"},
        {"CloseBox", kUsb1, [](TfrmDIPort& d) { d.close(); }, 2, kUsb1},
        {"Escape", kUsb1, [](TfrmDIPort& d) { pressEscape(&d); }, 2, kUsb1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TfrmDIPort dialog;
        std::string port = c.port;
        EXPECT_EQ(showWith(dialog, port, c.action), c.result);
        EXPECT_EQ(port, c.portAfter);
        EXPECT_TRUE(boxes.shown.empty());
    }
}

TEST_F(PortDialogTest, UsbWithoutSelectionIsRefusedAndTheDialogStaysOpen) {
    TfrmDIPort dialog;  // no devices on the bus
    std::string port = "COM3";
    bool stayedOpen = false;
    const int result = showWith(dialog, port, [&](TfrmDIPort& d) {
        d.rbUSBPort->setChecked(true);
        ASSERT_EQ(d.cbUSBPort->currentIndex(), -1);
        d.btn2->click();
        stayedOpen = d.isVisible();
        d.btn1->click();
    });
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "No valid connection has been selected. Select a valid connection or press the Cancel button");
    EXPECT_EQ(boxes.shown[0].caption, "Tarvik Diagnostic Software");
    EXPECT_EQ(result, 2);
    EXPECT_EQ(port, "COM3");
}

TEST_F(PortDialogTest, LongDeviceNameIsChosenWhole) {
    const std::string longName = "Diagnostic-Interface-2 " + std::string(480, 'L');
    bus.addDevice(longName);
    TfrmDIPort dialog;
    std::string port = "COM1";
    EXPECT_EQ(showWith(dialog, port, [](TfrmDIPort& d) {
        d.rbUSBPort->setChecked(true);
        d.btn2->click();
    }), 1);
    EXPECT_EQ(port, longName);
}

// --- opening with the real error dialog -------------------------------------------------------

TEST_F(PortDialogTest, RepeatInTheErrorDialogCallsTheCallbackAgain) {
    ProfileFile(DiagAttr.AppIni).writeString("SelectPort", "InterfacePort", "COM3");
    TfrmDIPort dialog;
    std::deque<int32_t> results{-1, 0};
    std::vector<std::string> tried;
    QWidget* errorOwner = nullptr;
    std::string errorText;
    ModalScript script([&](QWidget* modal) {
        auto* error = qobject_cast<TfrmInitDIErrorHandler*>(modal);
        ASSERT_NE(error, nullptr);
        errorOwner = error->parentWidget();
        errorText = toAnsi(error->lblFehlertext->text());
        error->btn2->click();  // "&Repeat"
    });
    EXPECT_EQ(dialog.InitDiagnosticInterface([&](const std::string& p) {
        tried.push_back(p);
        const int32_t r = results.front();
        results.pop_front();
        return r;
    }), 1);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(errorOwner, &dialog);
    EXPECT_EQ(errorText, LoadStr(11149));
    EXPECT_EQ(tried, (std::vector<std::string>{"COM3", "COM3"}));
    EXPECT_EQ(dialog.errorChoice(), TfrmInitDIErrorHandler::ChoiceRepeat);
    EXPECT_EQ(dialog.chosenPort(), "COM3");
}

// A port whose device has no modem lines (here a pseudo-terminal, opened through the real
// driver and its serial port) holds no diagnostic interface: the error dialog says that and asks
// to check the port, not "Incorrect function.".
TEST_F(PortDialogTest, APortWithoutModemLinesHoldsNoInterface) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const fs::path ports = dir / "config" / "NORVA" / "ports";
    fs::create_directories(ports);
    fs::create_symlink(::ptsname(master), ports / "COM3");
    ProfileFile(DiagAttr.AppIni).writeString("SelectPort", "InterfacePort", "COM3");

    FakeClock clock;
    DiagDriver driver(clock);
    driver.setConfigHome(dir / "config");
    TfrmDIPort dialog;
    std::string errorText;
    ModalScript script([&](QWidget* modal) {
        auto* error = qobject_cast<TfrmInitDIErrorHandler*>(modal);
        ASSERT_NE(error, nullptr);
        errorText = toAnsi(error->lblFehlertext->text());
        error->btn1->click();  // "&Cancel"
    });
    EXPECT_EQ(dialog.InitDiagnosticInterface([&](const std::string& port) { return driver.OpenDiagDriver(port); }), 0);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(errorText, LoadStr(11179));
    ::close(master);
}

TEST_F(PortDialogTest, ErrorDialogClosedWithoutAButtonGivesUp) {
    ProfileFile(DiagAttr.AppIni).writeString("SelectPort", "InterfacePort", "COM3");
    TfrmDIPort dialog;
    int calls = 0;
    ModalScript script([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(dialog.InitDiagnosticInterface([&](const std::string&) {
        ++calls;
        return int32_t{-2};
    }), 0);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(dialog.errorChoice(), TfrmInitDIErrorHandler::ChoiceCancel);
}

class AlwaysNewInterface final : public InterfaceErrorDialog {
public:
    int shown = 0;
    uint8_t showInterfaceError(int32_t) override {
        ++shown;
        return 3;
    }
};

TEST_F(PortDialogTest, NewInterfaceShowsThisDialogAndStoresTheChoice) {
    bus.addDevice(kUsb1);
    ProfileFile(DiagAttr.AppIni).writeString("SelectPort", "InterfacePort", "COM3");
    DiagAttr.Schnittstellenname = "COM3";
    TfrmDIPort dialog;
    AlwaysNewInterface errors;
    dialog.setInterfaceErrorDialog(&errors);
    std::vector<std::string> tried;
    std::string presetWith;
    ModalScript script([&](QWidget* modal) {
        ASSERT_EQ(modal, &dialog);
        presetWith = dialog.givenPort();
        dialog.lvUSBListe->setCurrentItem(dialog.lvUSBListe->topLevelItem(0));
        dialog.btn2->click();
    });
    EXPECT_EQ(dialog.InitDiagnosticInterface([&](const std::string& p) {
        tried.push_back(p);
        return p == kUsb1 ? int32_t{0} : int32_t{-1};
    }), 1);
    EXPECT_EQ(errors.shown, 1);
    EXPECT_EQ(presetWith, "COM3");
    EXPECT_EQ(tried, (std::vector<std::string>{"COM3", kUsb1}));
    EXPECT_EQ(ProfileFile(DiagAttr.AppIni).readString("SelectPort", "InterfacePort"), kUsb1);
    EXPECT_EQ(DiagAttr.Schnittstellenname, kUsb1);
    EXPECT_EQ(dialog.chosenPort(), kUsb1);
}

// A new interface chosen after a failed opening is stored like one chosen at start-up, and a
// store that fails is told the same way.
TEST_F(PortDialogTest, NewInterfaceThatCannotBeStoredIsTold) {
    bus.addDevice(kUsb1);
    DiagAttr.AppIni = (dir / "settings" / "Tarvik.INI").string();
    std::filesystem::create_directories(dir / "settings");
    ProfileFile(DiagAttr.AppIni).writeString("SelectPort", "InterfacePort", "COM3");
    TfrmDIPort dialog;
    AlwaysNewInterface errors;
    dialog.setInterfaceErrorDialog(&errors);
    ModalScript script([&](QWidget*) {
        // The settings folder went away meanwhile (a removed stick, a network folder).
        std::filesystem::remove_all(dir / "settings");
        dialog.lvUSBListe->topLevelItem(0)->setSelected(true);
        dialog.btn2->click();
    });
    std::vector<std::string> tried;
    EXPECT_EQ(dialog.InitDiagnosticInterface([&](const std::string& p) {
        tried.push_back(p);
        return p == kUsb1 ? int32_t{0} : int32_t{-1};
    }), 1);
    EXPECT_EQ(tried, (std::vector<std::string>{"COM3", kUsb1}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(LoadStr(kSettingsNotSavedText), 0), 0u);
    EXPECT_NE(boxes.shown[0].text.find("[SelectPort] InterfacePort: "), std::string::npos);
    EXPECT_EQ(boxes.shown[0].flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(DiagAttr.Schnittstellenname, kUsb1);
}

TEST_F(PortDialogTest, NoStoredPortAndCancelCallsNothing) {
    TfrmDIPort dialog;
    int calls = 0;
    ModalScript script([&](QWidget*) { dialog.btn1->click(); });
    EXPECT_EQ(dialog.InitDiagnosticInterface([&](const std::string&) {
        ++calls;
        return int32_t{0};
    }), 0);
    EXPECT_TRUE(script.ran());
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(ProfileFile(DiagAttr.AppIni).value("SelectPort", "InterfacePort").has_value());
}

}  // namespace

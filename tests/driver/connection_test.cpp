// Opening and closing the interface and its services, against the simulated interface: on a
// pseudo-terminal through the real serial port code, and through the test build of the USB
// library.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "DiagDr32.h"
#include "DiagDriver.h"
#include "MisbehavingUsb.h"
#include "RunAsNobody.h"
#include "ScriptedLink.h"
#include "SimPty.h"
#include "SimRequests.h"
#include "SimUsbBus.h"
#include "SimUsbFixture.h"
#include "TempDir.h"
#include "UsbLibrary.h"

namespace {

// --- serial -----------------------------------------------------------------------------------

class SerialConnection : public ::testing::Test {
protected:
    TempDir config;
    FakeClock clock;
    DiagDriver driver{clock};
    SimInterface sim;
    std::unique_ptr<SimPty> pty;

    void startPty(SimHandshake handshake = SimHandshake::DsrEchoesDtr) {
        sim.handshake = handshake;
        std::string error;
        pty = SimPty::start(sim, &error);
        ASSERT_TRUE(pty) << error;
        pointPort("COM3", pty->slavePath());
        driver.setConfigHome(config.path());
        driver.setModemLinesFactory([this] { return pty->modemLines(); });
    }
    void pointPort(const std::string& name, const std::filesystem::path& target) {
        std::filesystem::create_directories(config / "NORVA/ports");
        std::filesystem::create_symlink(target, config / ("NORVA/ports/" + name));
    }
    void TearDown() override {
        driver.CloseDiagDriver(2);
        if (pty) pty->stop();
    }
};

TEST_F(SerialConnection, InterfaceEchoingDsrOpensAsGeneration1) {
    startPty();
    ASSERT_EQ(driver.OpenDiagDriver("COM3"), 0);
    EXPECT_TRUE(driver.isOpen());
    EXPECT_EQ(driver.portName(), "COM3");
    EXPECT_EQ(driver.generation(), 1);
    EXPECT_EQ(driver.linkState(), DiagDriver::kSerialEcho);
    EXPECT_EQ(driver.GetBaudrate(), 19200u);
    EXPECT_EQ(driver.biosVersionText(), sim.config().biosVersion);
    EXPECT_EQ(countCommand(sim, 0x01), 1);  // the probe
    EXPECT_TRUE(sim.dtr());
}

TEST_F(SerialConnection, LineWithCarrierOnlyOpensWithoutProbe) {
    startPty(SimHandshake::CarrierOnly);
    ASSERT_EQ(driver.OpenDiagDriver("COM3"), 0);
    EXPECT_EQ(driver.linkState(), DiagDriver::kSerialCarrier);
    EXPECT_EQ(countCommand(sim, 0x01), 0);
    // No baud change on such a line.
    EXPECT_EQ(driver.SetBaudrate(57600, 10), 0);
    EXPECT_EQ(driver.GetBaudrate(), 19200u);
    EXPECT_EQ(countCommand(sim, 0x06), 0);
}

TEST_F(SerialConnection, NothingConnectedGivesNoInterfaceAfterTheCarrierWait) {
    startPty(SimHandshake::None);
    EXPECT_EQ(driver.OpenDiagDriver("COM3"), DIAG_ERR_NO_INTERFACE);
    EXPECT_FALSE(driver.isOpen());
    EXPECT_EQ(driver.linkState(), DiagDriver::kClosed);
    // 50 ms settle, 2 s of DSR polling, then eleven 500 ms waits for carrier.
    EXPECT_EQ(clock.sleptMs(), 50u + 2000u + 11u * 500u);
    // The port is free again.
    int32_t status = 0;
    EXPECT_TRUE(SerialLink::open(pty->slavePath(), status)) << status;
}

TEST_F(SerialConnection, InterfaceThatDoesNotAnswerTheProbe) {
    startPty();
    sim.setSilent(true);
    EXPECT_EQ(driver.OpenDiagDriver("COM3"), DIAG_ERR_NO_PROBE_ANSWER);
    EXPECT_FALSE(driver.isOpen());
    EXPECT_EQ(driver.linkState(), DiagDriver::kClosed);
}

TEST_F(SerialConnection, PortInUseAndMissingPort) {
    startPty();
    int32_t status = 0;
    auto other = SerialLink::open(pty->slavePath(), status);
    ASSERT_TRUE(other);
    EXPECT_EQ(driver.OpenDiagDriver("COM3"), -2);
    pointPort("COM4", config / "no-such-device");
    EXPECT_EQ(driver.OpenDiagDriver("COM4"), -1);
    EXPECT_FALSE(driver.isOpen());
}

// Only "COM1".."COM32" are serial ports: other names never open a file of that name in the
// working directory.
TEST_F(SerialConnection, NamesOutsideTheComRangeAreNoPort) {
    startPty();
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(config.path());
    for (const char* name : {"COM0", "COM01", "COM33", "ttyDiag"}) {
        std::filesystem::create_symlink(pty->slavePath(), config / name);
        EXPECT_EQ(driver.OpenDiagDriver(name), -1) << name;
        EXPECT_FALSE(driver.isOpen());
    }
    std::filesystem::current_path(before);
    EXPECT_TRUE(sim.receivedFrames().empty());
}

TEST_F(SerialConnection, PortTheUserMayNotOpen) {
    startPty();
    const std::string device = pty->slavePath();
    if (::geteuid() != 0) {
        // An ordinary user: a mode of 0 keeps even the owner out.
        ASSERT_EQ(::chmod(device.c_str(), 0), 0);
        EXPECT_EQ(driver.OpenDiagDriver("COM3"), DIAG_ERR_PORT_NO_PERMISSION);
        return;
    }
    // Root passes every permission check, so an unprivileged child tries a root-only port.
    ASSERT_EQ(::chown(device.c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(device.c_str(), 0600), 0);
    // The child must reach the port's link in the configuration folder.
    ASSERT_EQ(::chmod(config.path().c_str(), 0755), 0);
    std::optional<int32_t> status = runAsNobody([this] { return driver.OpenDiagDriver("COM3"); });
    if (!status) GTEST_SKIP() << "cannot run a child process as an ordinary user here";
    EXPECT_EQ(*status, DIAG_ERR_PORT_NO_PERMISSION);
}

TEST_F(SerialConnection, BaudChangeAndBackOnClose) {
    startPty();
    ASSERT_EQ(driver.OpenDiagDriver("COM3"), 0);
    ASSERT_EQ(driver.SetBaudrate(57600, 10), 0);
    EXPECT_EQ(driver.GetBaudrate(), 57600u);
    EXPECT_EQ(sim.baudrate(), 57600u);
    // Opening the same port again sets the rate back and keeps the connection.
    ASSERT_EQ(driver.OpenDiagDriver("COM3"), 0);
    EXPECT_EQ(driver.GetBaudrate(), 19200u);
    ASSERT_EQ(driver.SetBaudrate(38400, 10), 0);
    EXPECT_EQ(driver.CloseDiagDriver(1), 0);
    EXPECT_EQ(sim.baudrate(), 19200u);
    EXPECT_FALSE(driver.isOpen());
    EXPECT_EQ(driver.portName(), "");
}

TEST_F(SerialConnection, CloseModes) {
    startPty();
    ASSERT_EQ(driver.OpenDiagDriver("COM3"), 0);
    const int probes = countCommand(sim, 0x01);
    EXPECT_EQ(driver.CloseDiagDriver(1), 0);
    EXPECT_EQ(countCommand(sim, 0x01), probes + 1);  // back to the basic firmware
    ASSERT_EQ(driver.OpenDiagDriver("COM3"), 0);
    const size_t before = sim.requests().size();
    EXPECT_EQ(driver.CloseDiagDriver(2), 0);
    EXPECT_EQ(sim.requests().size(), before);  // mode 2 sends nothing
    EXPECT_EQ(driver.CloseDiagDriver(1), 0);   // closing twice is harmless
    EXPECT_EQ(driver.workRequest(0x02), DIAG_ERR_NOT_OPEN);
}

// After a time-out the stop and the return to the basic firmware wait 200 ms each, not the
// port's 10 s; the port's own time-outs come back for whatever follows.
TEST_F(SerialConnection, SilentInterfaceIsClosedWithoutWaitingItsTimeOuts) {
    startPty();
    ASSERT_EQ(driver.OpenDiagDriver("COM3"), 0);
    sim.setSilent(true);
    uint32_t timeout = 50;
    driver.SetComTimeout(timeout);
    ASSERT_EQ(driver.workRequest(0x02), DIAG_ERR_TIMEOUT);
    driver.SetComTimeout(timeout);  // 10 s again
    ASSERT_TRUE(driver.interfaceSilent());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(driver.jed677StopCommunication(), DIAG_ERR_TIMEOUT);
    uint32_t kept = 0;
    driver.SetComTimeout(kept);
    EXPECT_EQ(kept, DiagDriver::kReadTimeoutMs);
    driver.SetComTimeout(kept);
    EXPECT_EQ(driver.CloseDiagDriver(1), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::seconds(5));  // each of the two would wait 10 s
    EXPECT_FALSE(driver.isOpen());
}

TEST_F(SerialConnection, InterfaceServicesOverTheSerialPort) {
    startPty();
    ASSERT_EQ(driver.OpenDiagDriver("COM3"), 0);
    char text[64];
    ASSERT_EQ(driver.AppVersion(text, sizeof text), 0);
    EXPECT_STREQ(text, sim.config().appVersion.c_str());
    EXPECT_EQ(driver.AppStart(3), 0);
    EXPECT_TRUE(sim.applicationRunning());
    EXPECT_EQ(driver.BiosStart(), 0);
    EXPECT_FALSE(sim.applicationRunning());
    uint32_t timeout = 2500;
    EXPECT_EQ(driver.SetComTimeout(timeout), 0);
    EXPECT_EQ(timeout, 10000u);
    timeout = 0;
    EXPECT_EQ(driver.SetResponseTimeout(timeout), 0);
    EXPECT_EQ(timeout, 2500u);
}

// --- USB --------------------------------------------------------------------------------------

using UsbConnection = SimUsbFixture;

struct UsbNameCase {
    const char* name;
    bool secondIsGen2;
    uint8_t generation;
    uint8_t probe;
    size_t device;
};

class UsbNames : public UsbConnection, public ::testing::WithParamInterface<UsbNameCase> {};

TEST_P(UsbNames, PickDeviceGenerationAndProbe) {
    const UsbNameCase& c = GetParam();
    addGen1();
    if (c.secondIsGen2)
        addGen2();
    else
        addGen1();
    ASSERT_EQ(driver.OpenDiagDriver(c.name), 0);
    EXPECT_EQ(driver.linkState(), DiagDriver::kUsb);
    EXPECT_EQ(driver.generation(), c.generation);
    EXPECT_TRUE(bus.isOpen(c.device));
    EXPECT_GE(countCommand(*bus.device(c.device), c.probe), 1);
    // The probe runs with a short time-out, then the normal one is back.
    const auto timeouts = bus.counters().timeouts;
    ASSERT_GE(timeouts.size(), 2u);
    EXPECT_EQ(timeouts[0], 200u);
    EXPECT_EQ(timeouts[1], 10000u);
}

INSTANTIATE_TEST_SUITE_P(
    Names, UsbNames,
    ::testing::Values(UsbNameCase{"USB0", true, 1, 0x01, 0}, UsbNameCase{"USB1", true, 2, 0x02, 1},
                      UsbNameCase{"Diagnostic Interface #1", false, 1, 0x01, 0},
                      UsbNameCase{"Diagnostic-Interface-2 #1", true, 2, 0x02, 1}));

TEST_F(UsbConnection, NumberBeyondTheDevicesFoundIsRefused) {
    addGen1();
    EXPECT_EQ(driver.OpenDiagDriver("USB5"), 0x2001003f);
    EXPECT_FALSE(driver.isOpen());
    EXPECT_EQ(bus.counters().opens, 0);
}

TEST_F(UsbConnection, MissingLibraryMeansNoUsb) {
    driver.setUsbLibraryName("/nonexistent/libndiusb3.so");
    EXPECT_EQ(driver.OpenDiagDriver("USB0"), DIAG_ERR_USB_LIBRARY);
    uint8_t list[USB_SCAN_LIST_SIZE];
    std::memset(list, 0x55, sizeof list);
    EXPECT_EQ(driver.ScanUsbInterfaces(list), DIAG_ERR_USB_LIBRARY);
    EXPECT_EQ(list[USB_SCAN_LIST_SIZE - 1], 0);
    char version[32];
    std::memset(version, 'x', sizeof version);
    EXPECT_EQ(driver.GetUsbDllVersion(version, sizeof version), DIAG_ERR_USB_LIBRARY);
    EXPECT_EQ(version[0], 0);
}

TEST_F(UsbConnection, SilentDeviceFailsTheProbeAndIsClosedAgain) {
    addGen1().setSilent(true);
    EXPECT_EQ(driver.OpenDiagDriver("USB0"), SimUsbBus::kErrTimeout);
    EXPECT_FALSE(driver.isOpen());
    EXPECT_FALSE(bus.isOpen(0));
    EXPECT_EQ(bus.counters().framesWritten, 10);  // ten tries
}

TEST_F(UsbConnection, Generation1CloseSequence) {
    SimInterface& sim = addGen1();
    ASSERT_EQ(driver.OpenDiagDriver("USB0"), 0);
    ASSERT_EQ(driver.CloseDiagDriver(1), 0);
    EXPECT_FALSE(bus.isOpen(0));
    std::vector<SimRequest> closes;
    for (const SimRequest& r : sim.requests())
        if (r.command == 0x12) closes.push_back(r);
    // The echo of the first reply was answered with 0x13: no third request.
    ASSERT_EQ(closes.size(), 2u);
    EXPECT_TRUE(closes[0].data.empty());
    EXPECT_EQ(closes[1].data.size(), 65u);
}

TEST_F(UsbConnection, SecondOpenKeepsTheConnectionAnotherPortReplacesIt) {
    addGen1();
    addGen2();
    ASSERT_EQ(driver.OpenDiagDriver("USB0"), 0);
    ASSERT_EQ(driver.OpenDiagDriver("USB0"), 0);
    EXPECT_EQ(bus.counters().opens, 1);
    ASSERT_EQ(driver.OpenDiagDriver("USB1"), 0);
    EXPECT_FALSE(bus.isOpen(0));
    EXPECT_TRUE(bus.isOpen(1));
    EXPECT_EQ(driver.generation(), 2);
    EXPECT_EQ(driver.portName(), "USB1");
}

TEST_F(UsbConnection, Generation2RestartsWhenTheApplicationStarts) {
    SimInterface& sim = addGen2();
    ASSERT_EQ(driver.OpenDiagDriver("USB0"), 0);
    const uint64_t before = clock.sleptMs();
    EXPECT_EQ(driver.AppStart(3), 0);
    EXPECT_EQ(clock.sleptMs() - before, DiagDriver::kRestartWaitMs);
    EXPECT_EQ(sim.restartCount(), 1);
    EXPECT_EQ(bus.counters().opens, 2);
    EXPECT_TRUE(driver.isOpen());
    EXPECT_EQ(driver.portName(), "USB0");
    EXPECT_TRUE(sim.applicationRunning());
    EXPECT_EQ(sim.startedSelector(), 3);
    // Starting again while it runs: no boot loader, no restart.
    EXPECT_EQ(driver.AppStart(3), 0);
    EXPECT_EQ(sim.restartCount(), 1);
    // Back to the boot loader restarts it once more.
    EXPECT_EQ(driver.BiosStart(), 0);
    EXPECT_EQ(sim.restartCount(), 2);
    EXPECT_FALSE(sim.applicationRunning());
    EXPECT_TRUE(driver.isOpen());
}

// A clock whose long wait runs an action, standing for something that happens meanwhile.
class EventClock : public Clock {
public:
    uint64_t nowMs() const override { return now_; }
    void sleepMs(uint64_t ms) override {
        now_ += ms;
        if (ms >= DiagDriver::kRestartWaitMs && onLongWait) onLongWait();
    }
    std::function<void()> onLongWait;

private:
    uint64_t now_ = 0;
};

TEST(UsbRestart, FailedReopenAfterTheRestartIsReported) {
    EventClock clock;
    DiagDriver driver(clock);
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    driver.setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    SimConfig c;
    c.generation = 2;
    bus.addDevice("Diagnostic-Interface-2 #1", c);
    ASSERT_EQ(driver.OpenDiagDriver("USB0"), 0);
    clock.onLongWait = [&bus] { bus.reset(); };  // the interface does not come back
    EXPECT_NE(driver.AppStart(3), 0);
    EXPECT_FALSE(driver.isOpen());
    bus.reset();
}

TEST_F(UsbConnection, BaudChangeDoesNothingOverUsb) {
    SimInterface& sim = addGen1();
    ASSERT_EQ(driver.OpenDiagDriver("USB0"), 0);
    EXPECT_EQ(driver.SetBaudrate(57600, 10), 0);
    EXPECT_EQ(driver.GetBaudrate(), 19200u);
    EXPECT_EQ(countCommand(sim, 0x06), 0);
}

TEST_F(UsbConnection, ResponseTimeoutGoesToTheLibrary) {
    addGen1();
    ASSERT_EQ(driver.OpenDiagDriver("USB0"), 0);
    uint32_t timeout = 3000;
    EXPECT_EQ(driver.SetResponseTimeout(timeout), 0);
    EXPECT_EQ(timeout, 10000u);  // what the library handed back: the previous value
    EXPECT_EQ(bus.counters().timeouts.back(), 3000u);
}

TEST_F(UsbConnection, VersionTextsNeedRoomForTheirZero) {
    SimInterface& sim = addGen1();
    ASSERT_EQ(driver.OpenDiagDriver("USB0"), 0);
    const std::string app = sim.config().appVersion;
    std::vector<char> exact(app.size(), 'x');
    EXPECT_EQ(driver.AppVersion(exact.data(), exact.size()), DIAG_ERR_BUFFER_TOO_SMALL);
    EXPECT_TRUE(std::all_of(exact.begin(), exact.end(), [](char ch) { return ch == 0; }));
    std::vector<char> fits(app.size() + 1, 'x');
    EXPECT_EQ(driver.AppVersion(fits.data(), fits.size()), 0);
    EXPECT_EQ(std::string(fits.data()), app);
    char bios[64];
    EXPECT_EQ(driver.BIOSVersion(bios, sizeof bios), 0);
    EXPECT_EQ(std::string(bios), sim.config().biosVersion);
    sim.injectStatus(0x11);
    std::memset(bios, 'x', sizeof bios);
    EXPECT_EQ(driver.BIOSVersion(bios, sizeof bios), 0x20000011);
    EXPECT_EQ(bios[0], 0);
}

TEST_F(UsbConnection, TransferBlockSize) {
    SimInterface& sim = addGen1();
    ASSERT_EQ(driver.OpenDiagDriver("USB0"), 0);
    uint16_t pc = 0;
    uint16_t di = 512;
    EXPECT_EQ(driver.SetTransferblockSize(pc, di), 0);
    EXPECT_EQ(pc, DiagDriver::kDefaultBlockSize);  // 0 keeps the PC's size
    EXPECT_EQ(di, 512);
    EXPECT_EQ(sim.blockSize(), 512);
    pc = 128;
    di = 4000;
    EXPECT_EQ(driver.SetTransferblockSize(pc, di), 0);
    EXPECT_EQ(pc, 128);
    EXPECT_EQ(driver.blockSize(), 128);
    EXPECT_EQ(di, sim.config().maxBlockSize);
    sim.injectSilence();
    di = 300;
    EXPECT_EQ(driver.SetTransferblockSize(pc, di), 0);
    EXPECT_EQ(di, 128);  // no answer
}

TEST_F(UsbConnection, DebugService) {
    SimConfig c;
    c.debugValue[2] = 0x40;
    SimInterface& sim = bus.addDevice("Diagnostic Interface #1", c);
    ASSERT_EQ(driver.OpenDiagDriver("USB0"), 0);
    uint32_t value = 0;
    EXPECT_EQ(driver.DebugTest(4, value), 0);
    EXPECT_EQ(value, 1u);
    value = 7;
    EXPECT_EQ(driver.DebugTest(1, value), 0);
    value = 0x01020304;
    EXPECT_EQ(driver.DebugTest(3, value), 0);
    const SimRequest last = sim.requests().back();
    EXPECT_EQ(last.data, (SimBytes{3, 1, 2, 3, 4}));
    sim.injectStatus(0x07);
    value = 9;
    EXPECT_EQ(driver.DebugTest(4, value), 0x20000007);
    EXPECT_EQ(value, 0u);
    // An unknown sub-function sends nothing and reports the last status.
    const size_t before = sim.requests().size();
    EXPECT_EQ(driver.DebugTest(9, value), 0x20000007);
    EXPECT_EQ(sim.requests().size(), before);
}

// --- the exported functions -------------------------------------------------------------------

TEST(ExportedConnection, VersionTextsOfTheDriver) {
    char text[32];
    EXPECT_EQ(DiagLibVersion(text, sizeof text), 0);
    EXPECT_STREQ(text, "DiagLib V3.41");
    EXPECT_EQ(DiagDriverVersion(text, sizeof text), 0);
    EXPECT_STREQ(text, "DiagDr32 V2.85");
    EXPECT_STREQ(Diagdr32DiagDriverVer(), "DiagDr32 V2.85");
    char small[6];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(DiagDriverVersion(small, sizeof small), 0);
    EXPECT_STREQ(small, "DiagD");
}

TEST(ExportedConnection, ScanClampsTheListAndTerminatesNames) {
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    for (int i = 0; i < 12; ++i) bus.addDevice(std::string(600, 'A' + i), {}, 0x80);
    uint8_t list[USB_SCAN_LIST_SIZE] = {};
    EXPECT_EQ(ScanUsbInterfaces(list), 0);
    EXPECT_EQ(list[USB_SCAN_LIST_SIZE - 1], 10);
    const auto* entries = reinterpret_cast<const UsbInterfaceEntry*>(list);
    EXPECT_EQ(strnlen(entries[0].name, USB_NAME_SIZE), USB_NAME_SIZE - 1u);
    EXPECT_EQ(entries[0].status, 0x80);
    char version[64];
    EXPECT_EQ(GetUsbDllVersion(version, sizeof version), 0);
    EXPECT_STREQ(version, SimUsbBus::kVersionText);
    bus.reset();
}

TEST(ExportedConnection, OpenAndCloseThroughTheCInterface) {
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    bus.addDevice("Diagnostic Interface #1", {});
    ASSERT_EQ(OpenDiagDriver("USB0"), 0);
    EXPECT_EQ(GetBaudrate(), 19200u);
    char text[64];
    EXPECT_EQ(AppVersion(text, sizeof text), 0);
    EXPECT_EQ(CloseDiagDriver(1), 0);
    EXPECT_FALSE(bus.isOpen(0));
    bus.reset();
}

// --- a USB library that misbehaves ------------------------------------------------------------

class MisbehavingLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        library = ::dlopen(KELT_MISBEHAVING_USB_LIBRARY, RTLD_NOW);
        ASSERT_NE(library, nullptr) << ::dlerror();
        auto state = reinterpret_cast<MisbehavingUsb* (*)()>(::dlsym(library, "MisbehavingUsbState"));
        ASSERT_NE(state, nullptr);
        usb = state();
        usb->reset();
        driver.setUsbLibraryName(KELT_MISBEHAVING_USB_LIBRARY);
    }
    void TearDown() override {
        driver.CloseDiagDriver(2);
        if (library) ::dlclose(library);
    }
    // Every name byte set and a count far beyond the ten entries.
    static Bytes overfullScan() {
        Bytes list(USB_SCAN_LIST_SIZE, 'D');
        list.back() = 200;
        return list;
    }

    FakeClock clock;
    DiagDriver driver{clock};
    void* library = nullptr;
    MisbehavingUsb* usb = nullptr;
};

TEST_F(MisbehavingLibrary, ScanHoldsTenEntriesWithTheirNamesEnded) {
    usb->scanList = overfullScan();
    uint8_t list[USB_SCAN_LIST_SIZE];
    EXPECT_EQ(driver.ScanUsbInterfaces(list), 0);
    EXPECT_EQ(list[USB_SCAN_LIST_SIZE - 1], USB_SCAN_ENTRIES);
    const auto* entries = reinterpret_cast<const UsbInterfaceEntry*>(list);
    for (int i = 0; i < USB_SCAN_ENTRIES; ++i)
        EXPECT_EQ(strnlen(entries[i].name, USB_NAME_SIZE), USB_NAME_SIZE - 1u) << "entry " << i;
}

TEST_F(MisbehavingLibrary, UsbNumberBeyondTheTenEntriesNamesNoDevice) {
    usb->scanList = overfullScan();
    EXPECT_EQ(driver.OpenDiagDriver("USB15"), 0x2001003f);
    EXPECT_TRUE(usb->opened.empty());
}

// The close handshake echoes 65 bytes of the first reply, and only when there are 65 of them.
TEST_F(MisbehavingLibrary, ShortCloseReplyIsNotEchoed) {
    usb->answer = [](const Bytes& frame) -> Bytes {
        switch (frame[0]) {
            case 0x01: return frame8(0x01, {});
            case 0x02: return frame8(0x02, {'B'});
            case 0x12: return frame8(0x12, {});
            default: return {};
        }
    };
    ASSERT_EQ(driver.OpenDiagDriver("Diagnostic Interface #1"), 0);
    EXPECT_EQ(driver.CloseDiagDriver(1), 0);
    std::vector<Bytes> closes;
    for (const Bytes& frame : usb->written)
        if (frame[0] == 0x12) closes.push_back(frame);
    EXPECT_EQ(closes, std::vector<Bytes>(2, frame8(0x12, {})));
}

}  // namespace

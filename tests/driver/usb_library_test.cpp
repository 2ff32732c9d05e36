// Loading the USB interface library and talking through it: the loader's search, the seven entry
// points, the scan list and the framed link, against the simulator's test build of the library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "DiagDriver.h"
#include "DynamicLibrary.h"
#include "ScriptedLink.h"
#include "SimUsbBus.h"
#include "UsbLibrary.h"

namespace {

// --- the dynamic loader ---------------------------------------------------------------------------

TEST(DynamicLibraryLoad, BesideTheProgramFirst) {
    std::string error;
    auto library = DynamicLibrary::load("libkeltsim.so", &error);
    ASSERT_TRUE(library) << error;
    EXPECT_EQ(library->path(), programFolder() / "libkeltsim.so");
    EXPECT_NE(library->symbol("SimUsbBusPath"), nullptr);
    EXPECT_EQ(library->symbol("NoSuchSymbol"), nullptr);
}

TEST(DynamicLibraryLoad, SystemSearchAndPaths) {
    std::string error;
    auto libc = DynamicLibrary::load("libc.so.6", &error);
    ASSERT_TRUE(libc) << error;
    EXPECT_NE(libc->symbol("strlen"), nullptr);
    EXPECT_TRUE(libc->path().is_absolute()) << libc->path();

    auto byPath = DynamicLibrary::load(KELT_SIM_USB_LIBRARY, &error);
    ASSERT_TRUE(byPath) << error;
    EXPECT_EQ(byPath->path(), std::filesystem::path(KELT_SIM_USB_LIBRARY));

    EXPECT_FALSE(DynamicLibrary::load("libno-such-library.so", &error));
    EXPECT_NE(error.find("libno-such-library.so"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(DynamicLibrary::load("/no/such/folder/libx.so", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(DynamicLibrary::load("", &error));
    EXPECT_FALSE(DynamicLibrary::loadPath("", &error));
}

TEST(DynamicLibraryLoad, TheSimulatorIsNotBesideThePrograms) {
    // A real program must never find the test build by accident.
    EXPECT_FALSE(std::filesystem::exists(programFolder() / UsbLibrary::kFileName));
    EXPECT_NE(std::filesystem::path(KELT_SIM_USB_LIBRARY).parent_path(), programFolder());
}

// --- UsbLibrary::load -------------------------------------------------------------------------------

TEST(UsbLibraryLoad, SimulatorBuildHasAllSevenEntryPoints) {
    int32_t status = -5;
    auto library = UsbLibrary::load(status, KELT_SIM_USB_LIBRARY);
    ASSERT_TRUE(library);
    EXPECT_EQ(status, 0);
    EXPECT_NE(library->open, nullptr);
    EXPECT_NE(library->close, nullptr);
    EXPECT_NE(library->read, nullptr);
    EXPECT_NE(library->write, nullptr);
    EXPECT_NE(library->scanDevices, nullptr);
    EXPECT_NE(library->dllVersion, nullptr);
    EXPECT_NE(library->setRequestTimeout, nullptr);

    char version[32];
    EXPECT_EQ(library->dllVersion(version, sizeof version), 0);
    EXPECT_STREQ(version, "NDIUSB3 SIM 1.0");
}

TEST(UsbLibraryLoad, MissingLibraryOrEntryPoints) {
    const std::string files[] = {
        "libno-such-usb-library.so",  // missing
        SimUsbBusPath(),              // loads, but has none of the entry points
        KELT_SIM_LIBRARY,
        "libc.so.6",
    };
    for (const std::string& file : files) {
        int32_t status = 0;
        EXPECT_EQ(UsbLibrary::load(status, file), nullptr) << file;
        EXPECT_EQ(status, DIAG_ERR_USB_LIBRARY) << file;
    }
    // The ordinary name is not found in the build tree: the simulator stays out of the way.
    int32_t status = 0;
    EXPECT_EQ(UsbLibrary::load(status), nullptr);
    EXPECT_EQ(status, DIAG_ERR_USB_LIBRARY);
}

// --- through the loaded library -----------------------------------------------------------------------

class ThroughLibrary : public ::testing::Test {
protected:
    SimUsbBus& bus = SimUsbBus::instance();
    std::shared_ptr<UsbLibrary> library;

    void SetUp() override {
        bus.reset();
        int32_t status = 0;
        library = UsbLibrary::load(status, KELT_SIM_USB_LIBRARY);
        ASSERT_TRUE(library) << std::hex << status;
    }
    void TearDown() override { bus.reset(); }
};

TEST_F(ThroughLibrary, ScanSeesTheDevicesTheTestAdded) {
    uint8_t list[USB_SCAN_LIST_SIZE];
    std::memset(list, 0xAA, sizeof list);
    ASSERT_EQ(library->scanDevices(list), 0);
    EXPECT_EQ(list[USB_SCAN_LIST_SIZE - 1], 0);

    SimConfig gen2;
    gen2.generation = 2;
    bus.addDevice("Diagnostic Interface 1", {}, 0x80);
    bus.addDevice("Diagnostic-Interface-2 7", gen2, 0x00);
    ASSERT_EQ(library->scanDevices(list), 0);
    const auto* entries = reinterpret_cast<const UsbInterfaceEntry*>(list);
    EXPECT_EQ(list[USB_SCAN_LIST_SIZE - 1], 2);
    EXPECT_STREQ(entries[0].name, "Diagnostic Interface 1");
    EXPECT_EQ(entries[0].status, 0x80);
    EXPECT_STREQ(entries[1].name, "Diagnostic-Interface-2 7");
    EXPECT_EQ(entries[1].status, 0x00);
    EXPECT_STREQ(entries[2].name, "");
    // One bus for the library and the test.
    EXPECT_EQ(bus.counters().scans, 2);
}

struct GenerationCase {
    const char* name;
    uint8_t generation;
    const char* device;
};

class UsbLinkRoundTrip : public ThroughLibrary,
                         public ::testing::WithParamInterface<GenerationCase> {};

TEST_P(UsbLinkRoundTrip, DriverRequestsGoThroughTheLibrary) {
    SimConfig config;
    config.generation = GetParam().generation;
    SimInterface& sim = bus.addDevice(GetParam().device, config);
    void* readHandle = nullptr;
    void* writeHandle = nullptr;
    ASSERT_EQ(library->open("\\\\.\\Diagnostic_Interface0", &readHandle, &writeHandle), 0);

    FakeClock clock;
    DiagDriver driver(clock);
    driver.setGeneration(config.generation);
    driver.attachLink(std::make_unique<UsbLink>(library, readHandle, writeHandle));
    ASSERT_TRUE(driver.link()->isFramed());

    ASSERT_EQ(driver.workRequest(0x02), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(driver.workData()), driver.workLength()),
              sim.config().biosVersion);
    EXPECT_EQ(bus.counters().lastReadSize, 4100u);

    sim.injectStatus(0x07);
    EXPECT_EQ(driver.workRequest(0x04), 0x20000007);
    sim.injectSilence();
    EXPECT_EQ(driver.workRequest(0x04), SimUsbBus::kErrTimeout);
    EXPECT_EQ(driver.lastStatus(), SimUsbBus::kErrTimeout);

    EXPECT_EQ(bus.counters().framesWritten, 3);
    // Dropping the link closes the device.
    driver.attachLink(nullptr);
    EXPECT_FALSE(bus.isOpen(0));
    EXPECT_EQ(bus.counters().closes, 1);
}

INSTANTIATE_TEST_SUITE_P(Generations, UsbLinkRoundTrip,
                         ::testing::Values(GenerationCase{"Gen1", 1, "Diagnostic Interface"},
                                           GenerationCase{"Gen2", 2, "Diagnostic-Interface-2"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ThroughLibrary, UsbLinkReadsAtMostTheWorkFrameAndTheCallersRoom) {
    bus.addDevice("Diagnostic Interface");
    void* readHandle = nullptr;
    void* writeHandle = nullptr;
    ASSERT_EQ(library->open("Diagnostic Interface", &readHandle, &writeHandle), 0);
    UsbLink link(library, readHandle, writeHandle);
    EXPECT_EQ(link.readHandle(), readHandle);

    const Bytes probe = frame8(0x02, {});
    size_t written = 0;
    ASSERT_EQ(link.write(probe.data(), probe.size(), &written), 0);
    EXPECT_EQ(written, probe.size());
    uint8_t big[10000];
    size_t got = 0;
    ASSERT_EQ(link.read(big, sizeof big, &got), 0);
    EXPECT_EQ(bus.counters().lastReadSize, 4100u);
    EXPECT_EQ(Bytes(big, big + got), frame8(0x02, Bytes{'D', 'I', ' ', 'B', 'I', 'O', 'S', ' ',
                                                         'V', '1', '.', '2', '0'}));

    ASSERT_EQ(link.write(probe.data(), probe.size(), &written), 0);
    uint8_t small[6];
    EXPECT_EQ(link.read(small, sizeof small, &got), SimUsbBus::kErrBufferTooSmall);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(bus.counters().lastReadSize, 6u);
}

}  // namespace

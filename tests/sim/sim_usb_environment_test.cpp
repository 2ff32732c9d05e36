// Devices from KELT_SIM_USB: the list the variable names, the ECU factory, and a whole process
// started with the variable that finds the interfaces and talks to the ECU behind one.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "DiagDriver.h"
#include "SimKeltEcu.h"
#include "SimMinimalEcu.h"
#include "SimUsbBus.h"

namespace {

constexpr const char* kProbe = "KELT_SIM_USB_PROBE";

// Started again with KELT_SIM_USB_PROBE set, this program only reports what the bus found at its
// first use, and what a driver makes of the first device, then ends before any test runs.
const bool probeChild = [] {
    if (!std::getenv(kProbe)) return false;
    SimUsbBus& bus = SimUsbBus::instance();
    uint8_t list[SimUsbBus::kScanListSize];
    bus.scan(list);
    for (size_t i = 0; i < bus.deviceCount(); ++i) {
        SimInterface* sim = bus.device(i);
        const std::shared_ptr<SimEcu> ecu = sim->ecu();
        std::printf("%s|%d|%s|%s\n", reinterpret_cast<const char*>(list + i * 513),
                    sim->config().generation, sim->appVersion().c_str(),
                    ecu && ecu->answersAt(0x10) ? "ecu" : "none");
    }
    FakeClock clock;
    DiagDriver driver(clock);
    driver.setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    uint16_t baud = 0;
    uint16_t word = 0;
    const int32_t open = driver.jed677Open("USB0", "", 1);
    const int32_t start = driver.jed677StartCommunication(0x10, baud, word);
    std::printf("open %d start %d baud %u\n", open, start, baud);
    driver.CloseDiagDriver(2);
    std::fflush(stdout);
    std::_Exit(0);
}();

TEST(SimUsbEnvironment, AProgramStartedWithTheVariableFindsTheInterfaces) {
    ASSERT_FALSE(probeChild);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command =
        std::string("KELT_SIM_USB=' 1, x ,2' ") + kProbe + "=1 '" + self + "' 2>&1";
    FILE* child = ::popen(command.c_str(), "r");
    ASSERT_NE(child, nullptr);
    std::string output;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, child)) output += chunk;
    ASSERT_EQ(::pclose(child), 0) << output;
    EXPECT_EQ(output,
              "Diagnostic Interface #1|1|JED-677 V2.04|ecu\n"
              "Diagnostic-Interface-2 #1|2|DI2_DiagApp_V1.06   |ecu\n"
              "open 0 start 0 baud 9596\n");
}

TEST(SimUsbEnvironment, WithoutTheVariableTheBusIsEmpty) {
    ASSERT_EQ(std::getenv(SimUsbBus::kEnvironmentVariable), nullptr)
        << "the tests run without KELT_SIM_USB";
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    EXPECT_EQ(bus.addDevicesFromSpec(""), 0u);
    EXPECT_EQ(bus.addDevicesFromSpec("3,gen1"), 0u);
    EXPECT_EQ(bus.deviceCount(), 0u);
}

std::shared_ptr<SimEcu> ecuByGeneration(uint8_t generation) {
    return std::make_shared<SimMinimalEcu>(static_cast<uint8_t>(0x40 + generation));
}

TEST(SimUsbEnvironment, KeltEcuBehindTheEnvironmentDevicesOnRequest) {
    SimUsbBus& bus = SimUsbBus::instance();
    SimUsbBus::setEcuFactory(nullptr);
    struct Case {
        const char* value;
        bool kelt;
    };
    for (const Case& c : {Case{"kelt", true}, Case{"kelt faults=4:0x40", true}, Case{"minimal", false},
                          Case{"", false}}) {
        bus.reset();
        ::setenv(SimUsbBus::kEcuEnvironmentVariable, c.value, 1);
        ASSERT_EQ(bus.addDevicesFromSpec("1"), 1u);
        auto* kelt = dynamic_cast<SimKeltEcu*>(bus.device(0)->ecu().get());
        EXPECT_EQ(kelt != nullptr, c.kelt) << "KELT_SIM_ECU=" << c.value;
        if (kelt) {
            EXPECT_EQ(kelt->faultStatus()[4], c.value == std::string("kelt") ? 0 : 0x40) << c.value;
        }
    }
    ::unsetenv(SimUsbBus::kEcuEnvironmentVariable);
    bus.reset();
}

TEST(SimUsbEnvironment, EcuFactoryFitsTheEnvironmentDevices) {
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    SimUsbBus::setEcuFactory(&ecuByGeneration);
    ASSERT_EQ(bus.addDevicesFromSpec("2,1"), 2u);
    SimInterface& own = bus.addDevice("Diagnostic Interface #9");
    EXPECT_EQ(bus.device(0)->config().generation, 2);
    EXPECT_TRUE(bus.device(0)->ecu()->answersAt(0x42));
    EXPECT_TRUE(bus.device(1)->ecu()->answersAt(0x41));
    EXPECT_EQ(own.ecu(), nullptr);  // a test's own device keeps what the test gives it

    // Back to the default: the devices from the environment get it at once.
    SimUsbBus::setEcuFactory(nullptr);
    EXPECT_TRUE(bus.device(0)->ecu()->answersAt(SimMinimalEcu::kDefaultAddress));
    EXPECT_TRUE(bus.device(1)->ecu()->answersAt(SimMinimalEcu::kDefaultAddress));
    EXPECT_EQ(own.ecu(), nullptr);
    bus.reset();
}

}  // namespace

// The simulated USB bus: device paths, open and close bookkeeping, whole-frame reads, request
// time-outs, the scan list and the version text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ScriptedLink.h"
#include "SimUsbBus.h"

namespace {

class UsbBus : public ::testing::Test {
protected:
    SimUsbBus& bus = SimUsbBus::instance();
    void SetUp() override { bus.reset(); }
    void TearDown() override { bus.reset(); }

    struct Opened {
        int32_t status;
        void* read;
        void* write;
    };
    Opened open(const char* path) {
        Opened o{0, nullptr, nullptr};
        o.status = bus.open(path, &o.read, &o.write);
        return o;
    }
    static SimConfig gen2() {
        SimConfig config;
        config.generation = 2;
        return config;
    }
};

TEST_F(UsbBus, DevicePathsAndNames) {
    bus.addDevice("Diagnostic Interface A");
    bus.addDevice("Diagnostic-Interface-2 B", gen2());
    struct PathCase {
        const char* path;
        int32_t status;
        long device;  // index opened, -1 none
    };
    const PathCase cases[] = {
        {"\\\\.\\Diagnostic_Interface0", 0, 0},
        {"\\\\.\\Diagnostic_Interface1", 0, 1},
        {"Diagnostic Interface A", 0, 0},
        {"Diagnostic-Interface-2 B", 0, 1},
        {"\\\\.\\Diagnostic_Interface2", SimUsbBus::kErrNoDevice, -1},
        {"\\\\.\\Diagnostic_Interface", SimUsbBus::kErrNoDevice, -1},
        {"\\\\.\\Diagnostic_Interface0x", SimUsbBus::kErrNoDevice, -1},
        {"Diagnostic Interface", SimUsbBus::kErrNoDevice, -1},
        {"", SimUsbBus::kErrNoDevice, -1},
    };
    for (const PathCase& c : cases) {
        const Opened o = open(c.path);
        EXPECT_EQ(o.status, c.status) << c.path;
        if (c.device < 0) {
            EXPECT_EQ(o.read, nullptr) << c.path;
            EXPECT_EQ(o.write, nullptr) << c.path;
            continue;
        }
        EXPECT_TRUE(bus.isOpen(static_cast<size_t>(c.device))) << c.path;
        EXPECT_NE(o.read, o.write);
        EXPECT_EQ(bus.close(o.read, o.write), 0) << c.path;
        EXPECT_FALSE(bus.isOpen(static_cast<size_t>(c.device))) << c.path;
    }
    EXPECT_EQ(bus.open(nullptr, nullptr, nullptr), SimUsbBus::kErrNoDevice);
}

TEST_F(UsbBus, OpenTwiceAndStaleHandles) {
    bus.addDevice("Diagnostic Interface");
    const Opened first = open("Diagnostic Interface");
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(open("\\\\.\\Diagnostic_Interface0").status, SimUsbBus::kErrAlreadyOpen);
    // The handles must be given in their roles.
    EXPECT_EQ(bus.close(first.write, first.read), SimUsbBus::kErrNoDevice);
    ASSERT_EQ(bus.close(first.read, first.write), 0);
    EXPECT_EQ(bus.close(first.read, first.write), SimUsbBus::kErrNoDevice);

    const Opened second = open("Diagnostic Interface");
    ASSERT_EQ(second.status, 0);
    EXPECT_NE(second.read, first.read);
    const Bytes probe = frame8(0x01, {});
    uint32_t n = 99;
    EXPECT_EQ(bus.write(first.write, probe.data(), probe.size(), &n), SimUsbBus::kErrNoDevice);
    EXPECT_EQ(n, 0u);
    uint8_t buffer[64];
    EXPECT_EQ(bus.read(first.read, buffer, sizeof buffer, &n), SimUsbBus::kErrRead);
    // A write handle does not read, a read handle does not write.
    EXPECT_EQ(bus.read(second.write, buffer, sizeof buffer, &n), SimUsbBus::kErrRead);
    EXPECT_EQ(bus.write(second.read, probe.data(), probe.size(), &n), SimUsbBus::kErrNoDevice);

    const SimUsbBus::Counters counters = bus.counters();
    EXPECT_EQ(counters.opens, 2);
    EXPECT_EQ(counters.closes, 1);
    EXPECT_EQ(counters.framesWritten, 0);
}

TEST_F(UsbBus, ReadsDeliverOneWholeFrame) {
    SimInterface& sim = bus.addDevice("Diagnostic-Interface-2", gen2());
    const Opened o = open("Diagnostic-Interface-2");
    ASSERT_EQ(o.status, 0);
    uint8_t buffer[4100];
    uint32_t n = 0;
    EXPECT_EQ(bus.read(o.read, buffer, sizeof buffer, &n), SimUsbBus::kErrTimeout);

    sim.injectPending(1);
    const Bytes request = frame16(0x02, {});
    ASSERT_EQ(bus.write(o.write, request.data(), request.size(), &n), 0);
    EXPECT_EQ(n, request.size());
    ASSERT_EQ(bus.read(o.read, buffer, sizeof buffer, &n), 0);
    EXPECT_EQ(Bytes(buffer, buffer + n), frame16(0x00, {0x78}));
    ASSERT_EQ(bus.read(o.read, buffer, sizeof buffer, &n), 0);
    const std::string& bios = sim.config().biosVersion;
    EXPECT_EQ(Bytes(buffer, buffer + n), frame16(0x02, Bytes(bios.begin(), bios.end())));
    EXPECT_EQ(bus.read(o.read, buffer, sizeof buffer, &n), SimUsbBus::kErrTimeout);

    // Never more than the buffer takes.
    ASSERT_EQ(bus.write(o.write, request.data(), request.size(), &n), 0);
    EXPECT_EQ(bus.read(o.read, buffer, 5, &n), SimUsbBus::kErrBufferTooSmall);
    EXPECT_EQ(n, 0u);

    const SimUsbBus::Counters counters = bus.counters();
    EXPECT_EQ(counters.framesWritten, 2);
    EXPECT_EQ(counters.framesRead, 2);
    EXPECT_EQ(counters.lastReadSize, 5u);
}

TEST_F(UsbBus, RestartingDeviceFailsReadsUntilReopened) {
    SimInterface& sim = bus.addDevice("Diagnostic-Interface-2", gen2());
    Opened o = open("Diagnostic-Interface-2");
    ASSERT_EQ(o.status, 0);
    uint8_t buffer[64];
    uint32_t n = 0;
    const Bytes start = frame16(0x05, {0x03});
    ASSERT_EQ(bus.write(o.write, start.data(), start.size(), &n), 0);
    ASSERT_EQ(bus.read(o.read, buffer, sizeof buffer, &n), 0);
    EXPECT_EQ(Bytes(buffer, buffer + n), frame16(0x05, {}));
    EXPECT_TRUE(sim.restarting());
    const Bytes probe = frame16(0x02, {});
    ASSERT_EQ(bus.write(o.write, probe.data(), probe.size(), &n), 0);
    EXPECT_EQ(bus.read(o.read, buffer, sizeof buffer, &n), SimUsbBus::kErrRead);

    ASSERT_EQ(bus.close(o.read, o.write), 0);
    o = open("\\\\.\\Diagnostic_Interface0");
    ASSERT_EQ(o.status, 0);
    EXPECT_FALSE(sim.restarting());
    ASSERT_EQ(bus.write(o.write, probe.data(), probe.size(), &n), 0);
    EXPECT_EQ(bus.read(o.read, buffer, sizeof buffer, &n), 0);
}

TEST_F(UsbBus, RequestTimeoutPerHandleAndPreviousValueReturned) {
    bus.addDevice("Diagnostic Interface");
    const Opened o = open("Diagnostic Interface");
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(bus.requestTimeout(o.write), 0u);
    EXPECT_EQ(bus.setRequestTimeout(o.write, 200), static_cast<int32_t>(SimUsbBus::kDefaultTimeoutMs));
    EXPECT_EQ(bus.setRequestTimeout(o.write, 10000), 200);
    EXPECT_EQ(bus.setRequestTimeout(o.read, 3000), 10000);
    EXPECT_EQ(bus.requestTimeout(o.write), 10000u);
    EXPECT_EQ(bus.requestTimeout(o.read), 3000u);
    EXPECT_EQ(bus.counters().timeouts, (std::vector<uint32_t>{200, 10000, 3000}));
    ASSERT_EQ(bus.close(o.read, o.write), 0);
    EXPECT_EQ(bus.setRequestTimeout(o.read, 1), SimUsbBus::kErrNoDevice);
}

TEST_F(UsbBus, ScanListsNamesStatusAndCountClampedToTen) {
    const std::string longName(600, 'x');
    bus.addDevice("Diagnostic Interface", {}, 0x80);
    bus.addDevice("Diagnostic-Interface-2", gen2(), 0x01);
    bus.addDevice(longName);
    for (int i = 3; i < 12; ++i) bus.addDevice("Other " + std::to_string(i));

    uint8_t list[SimUsbBus::kScanListSize + 16];
    std::memset(list, 0xEE, sizeof list);
    ASSERT_EQ(bus.scan(list), 0);
    EXPECT_EQ(list[SimUsbBus::kScanListSize - 1], 10);
    auto name = [&](size_t i) { return std::string(reinterpret_cast<const char*>(list + i * 513)); };
    auto status = [&](size_t i) { return list[i * 513 + 512]; };
    EXPECT_EQ(name(0), "Diagnostic Interface");
    EXPECT_EQ(status(0), 0x80);
    EXPECT_EQ(name(1), "Diagnostic-Interface-2");
    EXPECT_EQ(status(1), 0x01);
    EXPECT_EQ(name(2), std::string(511, 'x'));  // cut, with its terminating zero
    EXPECT_EQ(name(9), "Other 9");
    EXPECT_EQ(status(9), 0);
    for (size_t i = SimUsbBus::kScanListSize; i < sizeof list; ++i) EXPECT_EQ(list[i], 0xEE) << i;

    bus.reset();
    ASSERT_EQ(bus.scan(list), 0);
    EXPECT_EQ(list[SimUsbBus::kScanListSize - 1], 0);
    EXPECT_EQ(name(0), "");
}

TEST_F(UsbBus, VersionTextIsCutToTheBuffer) {
    char buffer[32];
    EXPECT_EQ(bus.version(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "NDIUSB3 SIM 1.0");
    char small[8];
    EXPECT_EQ(bus.version(small, sizeof small), SimUsbBus::kErrBufferTooSmall);
    EXPECT_STREQ(small, "NDIUSB3");
    EXPECT_EQ(bus.version(small, 0), SimUsbBus::kErrBufferTooSmall);
}

}  // namespace

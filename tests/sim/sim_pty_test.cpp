// The simulator served on a pseudo-terminal: a plain file descriptor on the slave side talks
// to it as the serial port would.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "DiagDriver.h"
#include "ScriptedLink.h"
#include "SerialLink.h"
#include "SimPty.h"

namespace {

using namespace std::chrono_literals;

// Waits for the server thread to get somewhere; gives up after two seconds.
bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

class PtyServer : public ::testing::Test {
protected:
    SimInterface sim;
    std::unique_ptr<SimPty> pty;
    int fd = -1;

    void SetUp() override {
        std::string error;
        pty = SimPty::start(sim, &error);
        ASSERT_TRUE(pty) << error;
        fd = ::open(pty->slavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0) << pty->slavePath();
    }
    void TearDown() override {
        if (fd >= 0) ::close(fd);
    }

    void send(const Bytes& bytes) {
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads exactly `count` bytes, waiting up to two seconds for them.
    Bytes receive(size_t count) {
        Bytes bytes;
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            uint8_t buffer[512];
            const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n > 0) bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }
    bool readable() {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, 0) > 0;
    }
};

TEST_F(PtyServer, FrameRoundTrip) {
    send(frame8(0x02, {}));
    const Bytes expected = frame8(0x02, Bytes(sim.config().biosVersion.begin(),
                                              sim.config().biosVersion.end()));
    EXPECT_EQ(receive(expected.size()), expected);
}

TEST_F(PtyServer, TwoRequestsInOneWrite) {
    Bytes requests = frame8(0x07, {0x01, 0x00});
    const Bytes probe = frame8(0x01, {});
    requests.insert(requests.end(), probe.begin(), probe.end());
    send(requests);
    Bytes expected = frame8(0x07, {0x01, 0x00});
    expected.insert(expected.end(), probe.begin(), probe.end());
    EXPECT_EQ(receive(expected.size()), expected);
}

TEST_F(PtyServer, BaudAnswerWaitsForTheSwitchAndPurge) {
    send(frame8(0x06, {0x00, 0x00, 0xE1, 0x00, 10}));
    ASSERT_TRUE(eventually([&] { return sim.hasHeldReply(); }));
    EXPECT_FALSE(readable());

    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    cfsetspeed(&tio, B57600);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &tio), 0);
    ASSERT_EQ(tcflush(fd, TCIFLUSH), 0);
    EXPECT_EQ(receive(3), frame8(0x06, {}));
    EXPECT_EQ(sim.baudrate(), 57600u);
}

TEST_F(PtyServer, ModemLinesReachTheInterface) {
    std::unique_ptr<ModemLines> lines = pty->modemLines();
    ModemState state;
    ASSERT_EQ(lines->setDtr(true), 0);
    ASSERT_EQ(lines->read(state), 0);
    EXPECT_TRUE(state.dsr);
    EXPECT_TRUE(sim.dtr());
}

TEST_F(PtyServer, StopsWhileThePcStillHoldsThePort) {
    send(frame8(0x01, {}));
    EXPECT_EQ(receive(3), frame8(0x01, {}));
    pty->stop();
    pty->stop();  // harmless twice
    // The master is closed: the PC's side sees the hang-up.
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_NE(p.revents & POLLHUP, 0);
    pty.reset();
}

// The driver's link protocol through the real serial port code, with the baud change in the
// order the driver runs it: purge, frame, switch, purge, read.
TEST_F(PtyServer, DriverOverTheSerialPort) {
    int32_t status = 0;
    std::unique_ptr<SerialLink> port = SerialLink::open(pty->slavePath(), status, pty->modemLines());
    ASSERT_TRUE(port) << status;
    ASSERT_EQ(port->configure(19200), 0);
    SerialLink& serial = *port;
    FakeClock clock;
    DiagDriver driver(clock);
    driver.setGeneration(1);
    driver.attachLink(std::move(port));

    ASSERT_EQ(driver.workRequest(0x02), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(driver.workData()), driver.workLength()),
              sim.config().biosVersion);

    serial.purgeReceive();
    const uint8_t baud[5] = {0x00, 0x01, 0xC2, 0x00, 10};
    ASSERT_EQ(driver.writeShortFrame(0x06, baud, 5), 0);
    ASSERT_EQ(serial.setBaudrate(115200), 0);
    serial.purgeReceive();
    uint8_t reply[DiagDriver::kWorkFrameSize];
    uint16_t command = 0x06;
    uint16_t length = 0;
    EXPECT_EQ(driver.PCResponse(command, length, reply, sizeof reply), 0);
    EXPECT_EQ(command, 0x06);
    EXPECT_EQ(sim.baudrate(), 115200u);

    // The block transfer goes through the stream in pieces of any size.
    uint8_t data[DIAG_MAX_FRAME_DATA] = {0x04};
    command = 0x08;
    length = 700;
    EXPECT_EQ(driver.PCRequest(command, length, data, sizeof data, 0, 1), 0);
    EXPECT_EQ(length, 5);
    driver.attachLink(nullptr);
}

}  // namespace

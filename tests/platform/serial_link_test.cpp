#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "InterfaceWait.h"
#include "RunAsNobody.h"
#include "SerialLink.h"
#include "TempDir.h"

namespace fs = std::filesystem;
using Octets = std::vector<uint8_t>;
using SteadyClockTime = std::chrono::steady_clock;

namespace {

constexpr int32_t kInvalidHandle = 6;
constexpr int32_t kInvalidParameter = 87;
constexpr int32_t kIoDeviceError = 1117;
constexpr int32_t kDeviceNotConnected = 1167;

// A pseudo-terminal: SerialLink opens the slave, the test plays the interface on the master.
class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        char name[128];
        if (::ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("no slave name");
        slave_ = name;
    }
    ~PseudoTerminal() { closeMaster(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const fs::path& slave() const { return slave_; }
    int master() const { return master_; }

    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

    void send(const Octets& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            ASSERT_GT(n, 0) << "writing the master failed, errno " << errno;
            done += static_cast<size_t>(n);
        }
    }

    // What the slave wrote, up to `count` bytes; stops early after `limitMs` without data.
    Octets receive(size_t count, int limitMs = 2000) const {
        Octets bytes;
        while (bytes.size() < count) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, limitMs) <= 0) break;
            uint8_t chunk[4096];
            ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n <= 0) break;
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        return bytes;
    }

private:
    int master_ = -1;
    fs::path slave_;
};

// Waits until bytes sent by the master are readable on the slave: the pty hands them over
// asynchronously.
bool waitReadable(int fd, int limitMs = 2000) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, limitMs) == 1 && (p.revents & POLLIN);
}

int pendingInput(int fd) {
    int count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 ? count : -1;
}

Octets pattern(size_t length, uint8_t seed = 0) {
    Octets bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

long long msSince(SteadyClockTime::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClockTime::now() - start)
        .count();
}

// ---- opening ----

// Opens `device` in a child process, as "nobody" or with the caller's rights; the child closes
// the port again before it ends.
std::optional<int32_t> openInChild(const fs::path& device, bool asNobody) {
    auto body = [&device] {
        int32_t status = 0x7fffffff;
        SerialLink::open(device, status).reset();
        return status;
    };
    return asNobody ? runAsNobody(body) : runInChild(body);
}

struct BadPathCase {
    const char* name;
    // Builds the path inside a temp folder.
    fs::path (*make)(const TempDir& dir);
};

const BadPathCase kBadPaths[] = {
    {"Missing", [](const TempDir& dir) { return dir / "no-such-port"; }},
    {"BelowAFile",
     [](const TempDir& dir) {
         TempDir::writeFile(dir / "plain", "x");
         return dir / "plain" / "ttyS0";
     }},
    {"Directory", [](const TempDir& dir) { return dir.path(); }},
    {"RegularFile",
     [](const TempDir& dir) {
         TempDir::writeFile(dir / "notatty", "AT\r\n");
         return dir / "notatty";
     }},
    {"CharacterDeviceNotATty", [](const TempDir&) { return fs::path("/dev/null"); }},
};

void PrintTo(const BadPathCase& c, std::ostream* os) { *os << c.name; }

class SerialOpenBadPath : public ::testing::TestWithParam<BadPathCase> {};

TEST_P(SerialOpenBadPath, IsReportedAsMissingPort) {
    TempDir dir;
    int32_t status = 0;
    auto link = SerialLink::open(GetParam().make(dir), status);
    EXPECT_EQ(link, nullptr);
    EXPECT_EQ(status, kSerialPortMissing);
}

INSTANTIATE_TEST_SUITE_P(Paths, SerialOpenBadPath, ::testing::ValuesIn(kBadPaths),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SerialOpen, PseudoTerminalOpens) {
    PseudoTerminal pty;
    int32_t status = -99;
    auto link = SerialLink::open(pty.slave(), status);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(status, 0);
    EXPECT_GE(link->fd(), 0);
    EXPECT_FALSE(link->isFramed());
}

TEST(SerialOpen, SecondOpenerIsRefusedUntilTheFirstCloses) {
    PseudoTerminal pty;
    int32_t status = -99;
    auto first = SerialLink::open(pty.slave(), status);
    ASSERT_NE(first, nullptr);

    auto second = SerialLink::open(pty.slave(), status);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(status, kSerialPortInUse) << "same process";

    std::optional<int32_t> other = openInChild(pty.slave(), false);
    ASSERT_TRUE(other);
    EXPECT_EQ(*other, kSerialPortInUse) << "another process";

    // The refused openers must not have disturbed the owner.
    EXPECT_EQ(first->configure(19200), 0);

    EXPECT_EQ(first->close(), 0);
    auto again = SerialLink::open(pty.slave(), status);
    EXPECT_NE(again, nullptr);
    EXPECT_EQ(status, 0);
}

// Other programs guard a port with one of the two locks only; either must keep us out.
struct ForeignHolderCase {
    const char* name;
    bool (*hold)(int fd);
};

const ForeignHolderCase kForeignHolders[] = {
    {"Flock", [](int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }},
    {"ExclusiveMode", [](int fd) { return ::ioctl(fd, TIOCEXCL) == 0; }},
};

void PrintTo(const ForeignHolderCase& c, std::ostream* os) { *os << c.name; }

class SerialOpenForeignHolder : public ::testing::TestWithParam<ForeignHolderCase> {};

TEST_P(SerialOpenForeignHolder, PortIsInUse) {
    PseudoTerminal pty;
    int holder = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_TRUE(GetParam().hold(holder));
    int32_t status = 0;
    auto link = SerialLink::open(pty.slave(), status);
    EXPECT_EQ(link, nullptr);
    EXPECT_EQ(status, kSerialPortInUse);
    ::ioctl(holder, TIOCNXCL);
    ::close(holder);
}

INSTANTIATE_TEST_SUITE_P(Holders, SerialOpenForeignHolder, ::testing::ValuesIn(kForeignHolders),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SerialOpen, DestroyingTheLinkReleasesThePort) {
    PseudoTerminal pty;
    int32_t status = -99;
    SerialLink::open(pty.slave(), status).reset();
    ASSERT_EQ(status, 0);
    std::optional<int32_t> other = openInChild(pty.slave(), false);
    ASSERT_TRUE(other);
    EXPECT_EQ(*other, 0);
}

TEST(SerialOpen, PortClosedByRootCanBeOpenedByAnOrdinaryUser) {
    // The exclusive-use flag lives on in a pseudo-terminal slave while its master is open, so
    // close must clear it; root ignores the flag, so only an ordinary user can show it.
    PseudoTerminal pty;
    ::chmod(pty.slave().c_str(), 0666);
    int32_t status = -99;
    auto link = SerialLink::open(pty.slave(), status);
    ASSERT_NE(link, nullptr);
    ASSERT_EQ(link->close(), 0);

    if (::geteuid() != 0) {
        auto again = SerialLink::open(pty.slave(), status);
        EXPECT_NE(again, nullptr);
        EXPECT_EQ(status, 0);
        return;
    }
    std::optional<int32_t> other = openInChild(pty.slave(), true);
    if (!other) GTEST_SKIP() << "cannot drop root privileges in a child process here";
    EXPECT_EQ(*other, 0);
}

TEST(SerialOpen, PortTheUserMayNotOpenHasItsOwnCode) {
    PseudoTerminal pty;
    if (::geteuid() != 0) {
        // Not root: a mode of 0 keeps even the owner out.
        ASSERT_EQ(::chmod(pty.slave().c_str(), 0), 0);
        int32_t status = 0;
        auto link = SerialLink::open(pty.slave(), status);
        EXPECT_EQ(link, nullptr);
        EXPECT_EQ(status, kSerialPortNoPermission);
        return;
    }
    // Root passes every permission check, so an unprivileged child tries a root-only port.
    ASSERT_EQ(::chown(pty.slave().c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(pty.slave().c_str(), 0600), 0);
    std::optional<int32_t> other = openInChild(pty.slave(), true);
    if (!other) GTEST_SKIP() << "cannot drop root privileges in a child process here";
    EXPECT_EQ(*other, kSerialPortNoPermission);
}

// ---- an open port ----

class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        int32_t status = -99;
        link = SerialLink::open(pty.slave(), status);
        ASSERT_NE(link, nullptr) << "status " << status;
        ASSERT_EQ(link->configure(19200), 0);
    }

    // Short time-outs keep the waits of the tests small.
    void useTimeouts(uint32_t intervalMs, uint32_t perByteMs, uint32_t constantMs) {
        SerialTimeouts t = link->timeouts();
        t.readIntervalMs = intervalMs;
        t.readTotalPerByteMs = perByteMs;
        t.readTotalConstantMs = constantMs;
        link->setTimeouts(t);
    }

    void sendAndWait(const Octets& bytes) {
        pty.send(bytes);
        ASSERT_TRUE(waitReadable(link->fd())) << "the slave never saw the bytes";
    }

    PseudoTerminal pty;
    std::unique_ptr<SerialLink> link;
};

TEST_F(SerialLinkTest, ConfigureSetsRaw8N1WithHardwareFlowControl) {
    termios t{};
    ASSERT_EQ(::tcgetattr(link->fd(), &t), 0);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(::cfgetispeed(&t), static_cast<speed_t>(B19200));
}

TEST_F(SerialLinkTest, ConfigureRejectsARateThePortCannotTake) {
    EXPECT_EQ(link->configure(14400), kInvalidParameter);
}

struct RateCase {
    uint32_t baud;
    speed_t speed;  // 0: not taken
};

class SerialBaudrate : public SerialLinkTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(SerialBaudrate, SetsTheRateOrRefusesIt) {
    const RateCase& c = GetParam();
    int32_t result = link->setBaudrate(c.baud);
    termios t{};
    ASSERT_EQ(::tcgetattr(link->fd(), &t), 0);
    if (c.speed != 0) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(::cfgetospeed(&t), c.speed);
        EXPECT_EQ(::cfgetispeed(&t), c.speed);
    } else {
        EXPECT_EQ(result, kInvalidParameter);
        EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200)) << "rate kept";
    }
    // The other settings stay as configured.
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_lflag & ICANON, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, SerialBaudrate,
    ::testing::Values(RateCase{1200, B1200}, RateCase{2400, B2400}, RateCase{4800, B4800},
                      RateCase{9600, B9600}, RateCase{19200, B19200}, RateCase{38400, B38400},
                      RateCase{57600, B57600}, RateCase{115200, B115200},
                      RateCase{230400, B230400}, RateCase{0, 0}, RateCase{300, 0},
                      RateCase{14400, 0}, RateCase{19201, 0}, RateCase{460800, 0}),
    [](const auto& info) { return std::to_string(info.param.baud); });

TEST_F(SerialLinkTest, ReadDeliversAFrameTheMasterSent) {
    const Octets frame = {0x02, 0x04, 'V', '1', '.', '0', 0x3c};
    pty.send(frame);
    Octets got(frame.size());
    size_t count = 99;
    EXPECT_EQ(link->read(got.data(), got.size(), &count), 0);
    EXPECT_EQ(count, frame.size());
    EXPECT_EQ(got, frame);
}

TEST_F(SerialLinkTest, ReadCollectsALargeBlockWhileTheMasterIsStillWriting) {
    useTimeouts(1000, 10, 10000);
    // More than the line discipline buffers, so the writer blocks until the link reads.
    const Octets block = pattern(20000, 3);
    std::thread writer([&] { pty.send(block); });
    Octets got(block.size());
    size_t count = 0;
    int32_t result = link->read(got.data(), got.size(), &count);
    writer.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(count, block.size());
    EXPECT_EQ(got, block);
}

TEST_F(SerialLinkTest, ReadOfNothingEndsAfterTheTotalTimeout) {
    useTimeouts(10, 1, 50);
    uint8_t buffer[4] = {};
    size_t count = 99;
    auto start = SteadyClockTime::now();
    EXPECT_EQ(link->read(buffer, sizeof buffer, &count), 0);
    long long took = msSince(start);
    EXPECT_EQ(count, 0u);
    EXPECT_GE(took, 54) << "the whole budget (50 + 4 * 1 ms) is waited for";
    EXPECT_LT(took, 5000) << "the read must not hang";
}

// A read that nothing answers tells the windows after the notice time, while it still waits,
// and keeps its whole time-out.
TEST_F(SerialLinkTest, ASilentReadIsNoticedWhileItWaits) {
    struct Listener final : LongWaitListener {
        Listener() { setLongWaitListener(this); }
        ~Listener() override { setLongWaitListener(nullptr); }
        void longWaitBegins(WaitKind) override { began.push_back(SteadyClockTime::now()); }
        void longWaitEnds() override { ++ended; }
        std::vector<SteadyClockTime::time_point> began;
        int ended = 0;
    } listener;
    useTimeouts(10, 1, 1200);
    uint8_t buffer[2] = {};
    size_t count = 99;
    const auto start = SteadyClockTime::now();
    EXPECT_EQ(link->read(buffer, sizeof buffer, &count), 0);
    const long long took = msSince(start);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(listener.began.size(), 1u);
    EXPECT_EQ(listener.ended, 1);
    const auto noticedAfter =
        std::chrono::duration_cast<std::chrono::milliseconds>(listener.began[0] - start).count();
    EXPECT_GE(noticedAfter, InterfaceWait::kNoticeMs);
    EXPECT_LT(noticedAfter, took);
    EXPECT_GE(took, 1202) << "the whole budget (1200 + 2 * 1 ms) is waited for";
}

TEST_F(SerialLinkTest, SilenceAfterTheFirstBytesEndsTheReadEarly) {
    useTimeouts(30, 0, 3000);
    sendAndWait({0x10, 0x20, 0x30});
    uint8_t buffer[10] = {};
    size_t count = 0;
    auto start = SteadyClockTime::now();
    EXPECT_EQ(link->read(buffer, sizeof buffer, &count), 0);
    EXPECT_LT(msSince(start), 3000) << "ended by the interval, not by the total budget";
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(Octets(buffer, buffer + 3), (Octets{0x10, 0x20, 0x30}));
}

TEST_F(SerialLinkTest, ReadJoinsBytesArrivingInSeveralChunks) {
    useTimeouts(2000, 0, 5000);
    const Octets first = {0xA1, 0xA2};
    const Octets second = {0xB1, 0xB2, 0xB3};
    sendAndWait(first);
    // The second chunk goes out only after the link has taken the first, so the read has to
    // wait for more and join the parts.
    std::atomic<bool> gaveUp{false};
    std::thread writer([&] {
        auto limit = SteadyClockTime::now() + std::chrono::seconds(5);
        while (pendingInput(link->fd()) > 0) {
            if (SteadyClockTime::now() > limit) {
                gaveUp = true;
                return;
            }
            std::this_thread::yield();
        }
        pty.send(second);
    });
    uint8_t buffer[5] = {};
    size_t count = 0;
    int32_t result = link->read(buffer, sizeof buffer, &count);
    writer.join();
    ASSERT_FALSE(gaveUp);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(count, 5u);
    EXPECT_EQ(Octets(buffer, buffer + 5), (Octets{0xA1, 0xA2, 0xB1, 0xB2, 0xB3}));
}

TEST_F(SerialLinkTest, ReadStopsAtCapacityAndLeavesTheRest) {
    useTimeouts(30, 0, 1000);
    sendAndWait({1, 2, 3, 4, 5});
    uint8_t buffer[2] = {};
    size_t count = 0;
    EXPECT_EQ(link->read(buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(count, 2u);
    uint8_t rest[8] = {};
    EXPECT_EQ(link->read(rest, sizeof rest, &count), 0);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(Octets(rest, rest + 3), (Octets{3, 4, 5}));
}

TEST_F(SerialLinkTest, ReadIntoNoRoomReturnsAtOnce) {
    sendAndWait({7});
    uint8_t buffer[1] = {};
    size_t count = 99;
    EXPECT_EQ(link->read(buffer, 0, &count), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(pendingInput(link->fd()), 1) << "nothing taken";
}

TEST_F(SerialLinkTest, PurgeDiscardsWhatArrivedBefore) {
    useTimeouts(30, 0, 1000);
    sendAndWait({0xEE, 0xEE, 0xEE});
    link->purgeReceive();
    EXPECT_EQ(pendingInput(link->fd()), 0);
    pty.send({0x01, 0x02});
    uint8_t buffer[8] = {};
    size_t count = 0;
    EXPECT_EQ(link->read(buffer, sizeof buffer, &count), 0);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(Octets(buffer, buffer + 2), (Octets{0x01, 0x02}));
}

TEST_F(SerialLinkTest, WrittenFrameReachesTheMaster) {
    const Octets frame = {0x01, 0x00, 0x01};
    size_t written = 0;
    EXPECT_EQ(link->write(frame.data(), frame.size(), &written), 0);
    EXPECT_EQ(written, frame.size());
    EXPECT_EQ(pty.receive(frame.size()), frame);
}

TEST_F(SerialLinkTest, WriteThatCannotFinishReportsTheShortCount) {
    // Nobody reads the master, so the pty's buffers fill and the rest waits out the budget.
    SerialTimeouts t = link->timeouts();
    t.writeTotalConstantMs = 50;
    t.writeTotalPerByteMs = 0;
    link->setTimeouts(t);
    const Octets block = pattern(4 * 1024 * 1024);
    size_t written = 0;
    auto start = SteadyClockTime::now();
    EXPECT_EQ(link->write(block.data(), block.size(), &written), 0);
    EXPECT_LT(msSince(start), 5000);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, block.size());
    // What was counted went out unchanged.
    EXPECT_EQ(pty.receive(64), Octets(block.begin(), block.begin() + 64));
}

TEST_F(SerialLinkTest, VanishedMasterIsAnErrorNotSilence) {
    useTimeouts(30, 0, 2000);
    pty.closeMaster();
    uint8_t buffer[4] = {};
    size_t count = 99;
    auto start = SteadyClockTime::now();
    // Current kernels hang the slave up (end of file), older ones fail the read with EIO.
    EXPECT_THAT(link->read(buffer, sizeof buffer, &count),
                ::testing::AnyOf(kDeviceNotConnected, kIoDeviceError));
    EXPECT_LT(msSince(start), 2000) << "reported at once, not after the time-out";
    EXPECT_EQ(count, 0u);

    const uint8_t frame[] = {0x01, 0x00, 0x01};
    size_t written = 99;
    EXPECT_EQ(link->write(frame, sizeof frame, &written), kIoDeviceError);
    EXPECT_EQ(written, 0u);
}

TEST_F(SerialLinkTest, PseudoTerminalHasNoModemLines) {
    ModemState state{true, true, true};
    int32_t result = link->readModemLines(state);
    EXPECT_NE(result, 0) << "no invented line states";
    EXPECT_FALSE(state.dsr || state.cd || state.cts) << "outputs cleared on failure";
    EXPECT_NE(link->setDtr(true), 0);
    EXPECT_NE(link->setDtr(false), 0);
}

// Clearing the line's error state is no purge: what arrived stays readable, and the port goes
// on carrying frames both ways.
TEST_F(SerialLinkTest, ClearErrorsKeepsWhatArrivedAndThePortWorking) {
    useTimeouts(30, 0, 1000);
    sendAndWait({0x01, 0x02, 0x03});
    EXPECT_EQ(link->clearErrors(), 0);
    EXPECT_EQ(pendingInput(link->fd()), 3);
    uint8_t buffer[8] = {};
    size_t count = 0;
    EXPECT_EQ(link->read(buffer, sizeof buffer, &count), 0);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(Octets(buffer, buffer + 3), (Octets{0x01, 0x02, 0x03}));

    const Octets frame = {0x01, 0x00, 0x01};
    size_t written = 0;
    EXPECT_EQ(link->write(frame.data(), frame.size(), &written), 0);
    EXPECT_EQ(pty.receive(frame.size()), frame);
}

TEST_F(SerialLinkTest, ClosedPortAnswersEveryCallWithInvalidHandle) {
    ASSERT_EQ(link->close(), 0);
    EXPECT_EQ(link->fd(), -1);
    EXPECT_EQ(link->close(), 0) << "closing twice is harmless";

    uint8_t buffer[4] = {1, 2, 3, 4};
    size_t count = 99;
    EXPECT_EQ(link->read(buffer, sizeof buffer, &count), kInvalidHandle);
    EXPECT_EQ(count, 0u);
    count = 99;
    EXPECT_EQ(link->write(buffer, sizeof buffer, &count), kInvalidHandle);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(link->configure(19200), kInvalidHandle);
    EXPECT_EQ(link->setBaudrate(9600), kInvalidHandle);
    EXPECT_EQ(link->clearErrors(), kInvalidHandle);
    ModemState state{true, true, true};
    EXPECT_EQ(link->readModemLines(state), kInvalidHandle);
    EXPECT_EQ(link->setDtr(true), kInvalidHandle);
    link->purgeReceive();  // no effect, no crash
}

// ---- injected modem lines ----

class ScriptedModemLines final : public ModemLines {
public:
    int32_t read(ModemState& out) override {
        ++reads;
        out = state;
        return readResult;
    }
    int32_t setDtr(bool on) override {
        dtrCalls.push_back(on);
        if (dtrResult == 0) state.dsr = on;  // an interface that echoes DTR on DSR
        return dtrResult;
    }

    ModemState state{};
    int32_t readResult = 0;
    int32_t dtrResult = 0;
    int reads = 0;
    std::vector<bool> dtrCalls;
};

TEST(SerialModemLines, InjectedLinesAreUsed) {
    PseudoTerminal pty;
    auto lines = std::make_unique<ScriptedModemLines>();
    ScriptedModemLines* seen = lines.get();
    seen->state.cd = true;
    int32_t status = -99;
    auto link = SerialLink::open(pty.slave(), status, std::move(lines));
    ASSERT_NE(link, nullptr);

    ModemState state{};
    EXPECT_EQ(link->readModemLines(state), 0);
    EXPECT_FALSE(state.dsr);
    EXPECT_TRUE(state.cd);
    EXPECT_EQ(link->setDtr(true), 0);
    EXPECT_EQ(link->readModemLines(state), 0);
    EXPECT_TRUE(state.dsr);
    EXPECT_EQ(link->setDtr(false), 0);
    EXPECT_EQ(seen->dtrCalls, (std::vector<bool>{true, false}));
    EXPECT_EQ(seen->reads, 2);

    seen->readResult = 1117;
    seen->dtrResult = 31;
    EXPECT_EQ(link->readModemLines(state), 1117);
    EXPECT_EQ(link->setDtr(true), 31);
}

// ---- port names ----

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class SerialPortNames : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(ports());
        fs::create_symlink(pty.slave(), ports() / "COM3");
        fs::create_symlink(config / "gone" / "ttyUSB9", ports() / "COM4");
    }
    fs::path ports() const { return config.path() / "NORVA" / "ports"; }

    TempDir config;
    PseudoTerminal pty;
};

TEST_F(SerialPortNames, NamesResolveByTheComRules) {
    enum class Is { Device, Link, NoPort };
    struct Case {
        std::string name;
        Is is;
        fs::path device = {};
    };
    const Case cases[] = {
        {"COM1", Is::Device, "/dev/ttyS0"},
        {"COM2", Is::Device, "/dev/ttyS1"},
        {"COM10", Is::Device, "/dev/ttyS9"},
        {"COM32", Is::Device, "/dev/ttyS31"},
        {"COM3", Is::Link},
        // A dangling link still decides: the user pointed COM4 at an adapter that is unplugged.
        {"COM4", Is::Link},
        // Anything else names no port, never a file in the working directory.
        {"COM33", Is::NoPort},
        {"COM0", Is::NoPort},
        {"COM01", Is::NoPort},
        {"COM1x", Is::NoPort},
        {"COM 1", Is::NoPort},
        {"COM", Is::NoPort},
        {"COM-1", Is::NoPort},
        {"COM100", Is::NoPort},
        {"com1", Is::NoPort},
        {"/dev/ttyUSB0", Is::NoPort},
        {"USB1", Is::NoPort},
        {"", Is::NoPort},
    };
    for (const auto& c : cases) {
        const fs::path expected = c.is == Is::Link ? ports() / c.name : c.device;
        EXPECT_EQ(resolveSerialPort(c.name, config.path()), expected) << "name \"" << c.name << "\"";
    }
}

TEST_F(SerialPortNames, LinkedNameOpensTheDeviceBehindIt) {
    int32_t status = -99;
    auto link = SerialLink::open(resolveSerialPort("COM3", config.path()), status);
    EXPECT_NE(link, nullptr);
    EXPECT_EQ(status, 0);
    auto unplugged = SerialLink::open(resolveSerialPort("COM4", config.path()), status);
    EXPECT_EQ(unplugged, nullptr);
    EXPECT_EQ(status, kSerialPortMissing);
}

TEST_F(SerialPortNames, DefaultConfigHomeComesFromTheEnvironment) {
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", config.path().string());
        EXPECT_EQ(userConfigHome(), config.path());
        EXPECT_EQ(resolveSerialPort("COM3"), ports() / "COM3");
        EXPECT_EQ(resolveSerialPort("COM5"), fs::path("/dev/ttyS4"));
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnv home("HOME", "/home/tester");
        EXPECT_EQ(userConfigHome(), fs::path("/home/tester/.config"));
    }
}

}  // namespace

#include "SerialLink.h"

#include "InterfaceWait.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <functional>
#include <system_error>

#include "Environment.h"
#include "ShellFolders.h"

namespace fs = std::filesystem;

namespace {

// Windows error codes the port reports (the driver passes them on unchanged; the error dialogs
// hold texts for each).
constexpr int32_t kWinInvalidFunction = 1;
constexpr int32_t kWinTooManyOpenFiles = 4;
constexpr int32_t kWinInvalidHandle = 6;
constexpr int32_t kWinNotEnoughMemory = 8;
constexpr int32_t kWinGenFailure = 31;
constexpr int32_t kWinInvalidParameter = 87;
constexpr int32_t kWinIoDevice = 1117;
constexpr int32_t kWinDeviceNotConnected = 1167;

struct ErrnoCode {
    int error;
    int32_t code;
};

// errno of a call on an open port. EACCES/EPERM deliberately fall through to "device not
// functioning": Windows error 5 would read as "port in use" to the driver.
constexpr ErrnoCode kErrnoCodes[] = {
    {EIO, kWinIoDevice},
    {ENXIO, kWinDeviceNotConnected},
    {ENODEV, kWinDeviceNotConnected},
    {EBADF, kWinInvalidHandle},
    {ENOMEM, kWinNotEnoughMemory},
    {EINVAL, kWinInvalidParameter},
    {ENOTTY, kWinInvalidFunction},
    {EMFILE, kWinTooManyOpenFiles},
    {ENFILE, kWinTooManyOpenFiles},
};

int32_t windowsErrorFromErrno(int error) {
    for (const auto& row : kErrnoCodes)
        if (row.error == error) return row.code;
    return kWinGenFailure;
}

// errno of open() itself: these say something about the port, not about a transfer.
int32_t openErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
        case EISDIR:
        // A legacy /dev/ttyS node without a UART behind it fails its open with EIO.
        case EIO:
            return kSerialPortMissing;
        case EBUSY:
            return kSerialPortInUse;
        case EACCES:
        case EPERM:
        case EROFS:
            return kSerialPortNoPermission;
        default:
            return windowsErrorFromErrno(error);
    }
}

int ioctlRetrying(int fd, unsigned long request, void* argument) {
    int r;
    do {
        r = ::ioctl(fd, request, argument);
    } while (r != 0 && errno == EINTR);
    return r;
}

// The port's own modem lines. Holds the link's descriptor by reference, so a closed link
// reports an invalid handle instead of touching a reused descriptor.
class PortModemLines final : public ModemLines {
public:
    explicit PortModemLines(const int& fd) : fd_(fd) {}

    int32_t read(ModemState& state) override {
        state = {};
        if (fd_ < 0) return kWinInvalidHandle;
        int bits = 0;
        if (ioctlRetrying(fd_, TIOCMGET, &bits) != 0) return windowsErrorFromErrno(errno);
        state.dsr = (bits & TIOCM_DSR) != 0;
        state.cd = (bits & TIOCM_CAR) != 0;
        state.cts = (bits & TIOCM_CTS) != 0;
        return 0;
    }

    int32_t setDtr(bool on) override {
        if (fd_ < 0) return kWinInvalidHandle;
        int bit = TIOCM_DTR;
        if (ioctlRetrying(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) != 0)
            return windowsErrorFromErrno(errno);
        return 0;
    }

private:
    const int& fd_;
};

bool speedFor(uint32_t baud, speed_t& speed) {
    struct Rate {
        uint32_t baud;
        speed_t speed;
    };
    static constexpr Rate kRates[] = {
        {1200, B1200},   {1800, B1800},   {2400, B2400},     {4800, B4800},
        {9600, B9600},   {19200, B19200}, {38400, B38400},   {57600, B57600},
        {115200, B115200}, {230400, B230400},
    };
    for (const auto& rate : kRates)
        if (rate.baud == baud) {
            speed = rate.speed;
            return true;
        }
    return false;
}

using SteadyTime = std::chrono::steady_clock::time_point;

// The end of a COMMTIMEOUTS-style budget; saturates instead of overflowing.
SteadyTime budgetEnd(SteadyTime start, uint32_t constantMs, uint32_t perByteMs, size_t bytes) {
    constexpr uint64_t kLongestMs = uint64_t{1} << 40;  // some decades: "wait for ever"
    uint64_t total = constantMs;
    if (perByteMs != 0) {
        uint64_t perBytes = bytes > kLongestMs / perByteMs ? kLongestMs : bytes * uint64_t{perByteMs};
        total = std::min(kLongestMs, total + perBytes);
    }
    return start + std::chrono::milliseconds(total);
}

// Milliseconds for poll() until `until`, rounded up so the wait does not end just short of it.
int pollTimeout(SteadyTime until) {
    auto left = until - std::chrono::steady_clock::now();
    if (left <= left.zero()) return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
}

}  // namespace

SerialLink::SerialLink(int fd, std::unique_ptr<ModemLines> lines)
    : fd_(fd), lines_(lines ? std::move(lines) : std::make_unique<PortModemLines>(fd_)) {}

SerialLink::~SerialLink() { close(); }

std::unique_ptr<SerialLink> SerialLink::open(const fs::path& device, int32_t& status,
                                             std::unique_ptr<ModemLines> lines) {
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        status = openErrorFromErrno(errno);
        return nullptr;
    }
    auto refuse = [fd, &status](int32_t code) -> std::unique_ptr<SerialLink> {
        ::close(fd);
        status = code;
        return nullptr;
    };
    if (!::isatty(fd)) return refuse(kSerialPortMissing);

    // flock first: a second opener that got past TIOCEXCL (root may) stops here before it
    // touches the first owner's settings.
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) return refuse(errno == EWOULDBLOCK ? kSerialPortInUse : windowsErrorFromErrno(errno));

#ifdef TIOCGEXCL
    // Another program holding the port with TIOCEXCL alone; only root gets this far then.
    int exclusive = 0;
    if (ioctlRetrying(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0)
        return refuse(kSerialPortInUse);
#endif
    if (ioctlRetrying(fd, TIOCEXCL, nullptr) != 0) {
        int error = errno;
        return refuse(error == EACCES || error == EBUSY ? kSerialPortInUse
                                                        : windowsErrorFromErrno(error));
    }

    status = 0;
    return std::unique_ptr<SerialLink>(new SerialLink(fd, std::move(lines)));
}

int32_t SerialLink::configure(uint32_t baud) {
    // 8N1, hardware flow control; reads never block in the kernel: poll() keeps the time-outs.
    return applySettings(baud, [](termios& settings) {
        ::cfmakeraw(&settings);
        settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
        settings.c_cflag |= CS8 | CLOCAL | CREAD | CRTSCTS;
        settings.c_iflag &= ~(IXON | IXOFF | IXANY);
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 0;
    });
}

int32_t SerialLink::setBaudrate(uint32_t baud) {
    return applySettings(baud, [](termios&) {});
}

int32_t SerialLink::applySettings(uint32_t baud, const std::function<void(termios&)>& change) {
    if (fd_ < 0) return kWinInvalidHandle;
    speed_t speed;
    if (!speedFor(baud, speed)) return kWinInvalidParameter;
    termios settings{};
    if (::tcgetattr(fd_, &settings) != 0) return windowsErrorFromErrno(errno);
    change(settings);
    ::cfsetispeed(&settings, speed);
    ::cfsetospeed(&settings, speed);
    if (::tcsetattr(fd_, TCSANOW, &settings) != 0) return windowsErrorFromErrno(errno);
    // tcsetattr succeeds when any part of the change took; the rate is the part that matters.
    termios applied{};
    if (::tcgetattr(fd_, &applied) != 0) return windowsErrorFromErrno(errno);
    if (::cfgetospeed(&applied) != speed) return kWinInvalidParameter;
    return 0;
}

int32_t SerialLink::clearErrors() {
    // Linux keeps no sticky line-error state that blocks the port the way Windows does.
    return fd_ < 0 ? kWinInvalidHandle : 0;
}

int32_t SerialLink::close() {
    if (fd_ < 0) return 0;
    // A pseudo-terminal's slave keeps its state while the master lives; do not leave it locked.
    ioctlRetrying(fd_, TIOCNXCL, nullptr);
    int fd = fd_;
    fd_ = -1;
    // The descriptor is gone after close() even on EINTR; the flock goes with it.
    if (::close(fd) != 0 && errno != EINTR) return windowsErrorFromErrno(errno);
    return 0;
}

int32_t SerialLink::read(uint8_t* buffer, size_t capacity, size_t* got) {
    *got = 0;
    if (fd_ < 0) return kWinInvalidHandle;
    if (capacity == 0) return 0;
    const auto deadline = budgetEnd(std::chrono::steady_clock::now(), timeouts_.readTotalConstantMs,
                                    timeouts_.readTotalPerByteMs, capacity);
    SteadyTime lastByte{};
    // A silent interface blocks here for the whole time-out: the windows are told in time.
    InterfaceWait wait;
    for (;;) {
        SteadyTime until = deadline;
        // An interval of 0 is unused, as in COMMTIMEOUTS.
        if (*got > 0 && timeouts_.readIntervalMs != 0)
            until = std::min(until, lastByte + std::chrono::milliseconds(timeouts_.readIntervalMs));
        pollfd waiting{fd_, POLLIN, 0};
        int ready = ::poll(&waiting, 1, InterfaceWait::sliceMs(pollTimeout(until)));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return windowsErrorFromErrno(errno);
        }
        if (ready == 0) {
            if (std::chrono::steady_clock::now() >= until) return 0;
            InterfaceWait::check();
            continue;
        }
        if (waiting.revents & POLLNVAL) return kWinInvalidHandle;
        ssize_t n = ::read(fd_, buffer + *got, capacity - *got);
        if (n > 0) {
            *got += static_cast<size_t>(n);
            lastByte = std::chrono::steady_clock::now();
            if (*got == capacity) return 0;
            continue;
        }
        if (n == 0) {
            // End of file on a tty is a hang-up: the adapter or the far end has gone.
            if (waiting.revents & (POLLHUP | POLLERR)) return kWinDeviceNotConnected;
            if (std::chrono::steady_clock::now() >= until) return 0;
            continue;
        }
        if (errno == EINTR || errno == EAGAIN) continue;
        return windowsErrorFromErrno(errno);
    }
}

int32_t SerialLink::write(const uint8_t* data, size_t length, size_t* written) {
    *written = 0;
    if (fd_ < 0) return kWinInvalidHandle;
    const auto deadline = budgetEnd(std::chrono::steady_clock::now(),
                                    timeouts_.writeTotalConstantMs, timeouts_.writeTotalPerByteMs,
                                    length);
    while (*written < length) {
        ssize_t n = ::write(fd_, data + *written, length - *written);
        if (n > 0) {
            *written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return windowsErrorFromErrno(errno);
        // The output queue is full (flow control or a slow line): wait for room.
        int timeout = pollTimeout(deadline);
        if (timeout == 0) return 0;  // time-out: the short count tells the caller
        pollfd waiting{fd_, POLLOUT, 0};
        int ready = ::poll(&waiting, 1, timeout);
        if (ready < 0 && errno != EINTR) return windowsErrorFromErrno(errno);
        if (ready > 0 && (waiting.revents & POLLNVAL)) return kWinInvalidHandle;
    }
    return 0;
}

void SerialLink::purgeReceive() {
    if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
}

fs::path userConfigHome() {
    return ShellFolders(Environment::process(), {}).config();
}

namespace {

// n for "COM1".."COM32" exactly (no sign, no leading zero, nothing after), else 0.
int comPortNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0) return 0;
    if (name[3] == '0') return 0;
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n <= 32 ? n : 0;
}

}  // namespace

fs::path resolveSerialPort(const std::string& portName, const fs::path& configHome) {
    int n = comPortNumber(portName);
    if (n == 0) return {};
    fs::path home = configHome.empty() ? userConfigHome() : configHome;
    if (!home.empty()) {
        fs::path link = home / "NORVA" / "ports" / portName;
        // A dangling link still names the user's choice: opening it then says "missing" rather
        // than quietly opening some other port.
        std::error_code ignored;
        if (fs::exists(fs::symlink_status(link, ignored))) return link;
    }
    return fs::path("/dev/ttyS" + std::to_string(n - 1));
}

#include "SimPty.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "SimLink.h"

namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

std::optional<speed_t> termiosSpeed(uint32_t baud) {
    struct Entry {
        uint32_t baud;
        speed_t speed;
    };
    static const Entry table[] = {
        {1200, B1200},       {2400, B2400},       {4800, B4800},       {9600, B9600},
        {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
        {230400, B230400},   {460800, B460800},   {500000, B500000},   {576000, B576000},
        {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
        {2000000, B2000000},
    };
    for (const Entry& e : table)
        if (e.baud == baud) return e.speed;
    return std::nullopt;
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

std::unique_ptr<SimPty> SimPty::start(SimInterface& sim, std::string* error) {
    auto fail = [&](const char* what, std::initializer_list<int> fds) -> std::unique_ptr<SimPty> {
        if (error) *error = systemError(what);
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
        return nullptr;
    };
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) return fail("posix_openpt", {});
    if (grantpt(master) != 0 || unlockpt(master) != 0) return fail("grantpt", {master});
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) return fail("ptsname", {master});

    // Raw on both sides (the master sets the pair's termios): no echo of our own replies.
    termios tio{};
    if (tcgetattr(master, &tio) != 0) return fail("tcgetattr", {master});
    cfmakeraw(&tio);
    cfsetspeed(&tio, B19200);
    if (tcsetattr(master, TCSANOW, &tio) != 0) return fail("tcsetattr", {master});
    // Packet mode: the PC's purges of its receive buffer show up on the master.
    int on = 1;
    if (ioctl(master, TIOCPKT, &on) != 0) return fail("TIOCPKT", {master});
    const int flags = fcntl(master, F_GETFL);
    if (flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl", {master});

    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) return fail("open slave", {master});
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return fail("pipe", {master, slave});

    std::unique_ptr<SimPty> pty(new SimPty(sim, master, slave, name, pipeFds[0], pipeFds[1]));
    pty->thread_ = std::thread([p = pty.get()] { p->run(); });
    return pty;
}

SimPty::SimPty(SimInterface& sim, int master, int slave, std::string slavePath, int wakeRead,
               int wakeWrite)
    : sim_(sim),
      master_(master),
      slave_(slave),
      slavePath_(std::move(slavePath)),
      wakeRead_(wakeRead),
      wakeWrite_(wakeWrite) {}

SimPty::~SimPty() { stop(); }

void SimPty::stop() {
    if (stopped_.exchange(true)) return;
    const uint8_t wake = 1;
    while (::write(wakeWrite_, &wake, 1) < 0 && errno == EINTR) {
    }
    if (thread_.joinable()) thread_.join();
    for (int fd : {master_, slave_, wakeRead_, wakeWrite_}) ::close(fd);
}

std::unique_ptr<ModemLines> SimPty::modemLines() const {
    return std::make_unique<SimModemLines>(sim_);
}

void SimPty::run() {
    std::vector<uint8_t> outgoing;
    // The held answer to a baud change, while it waits for the PC to switch.
    struct Held {
        bool active = false;
        SteadyTime since{};
        bool targetKnown = false;
        speed_t target = 0;
        bool rateChanges = false;  // the request asked for another rate than the interface had
        bool sawOtherSpeed = false;
        bool sawPurge = false;
        bool releasing = false;
        SteadyTime releaseAt{};
    };
    Held held;
    uint32_t rateBefore = sim_.baudrate();
    uint8_t buffer[4097];

    for (;;) {
        const SimBytes replies = sim_.takeBytes(SIZE_MAX);
        outgoing.insert(outgoing.end(), replies.begin(), replies.end());

        int timeoutMs = -1;
        if (sim_.hasHeldReply()) {
            const SteadyTime now = std::chrono::steady_clock::now();
            if (!held.active) {
                held = Held{};
                held.active = true;
                held.since = now;
                const std::optional<speed_t> target = termiosSpeed(sim_.baudrate());
                held.targetKnown = target.has_value();
                held.target = target.value_or(0);
                held.rateChanges = sim_.baudrate() != rateBefore;
            }
            termios tio{};
            const bool known = held.targetKnown && tcgetattr(master_, &tio) == 0;
            const bool atTarget = known && cfgetospeed(&tio) == held.target;
            if (known && !atTarget) held.sawOtherSpeed = true;
            // The PC switches and then purges at once; a request for the rate in use is
            // released only after a purge, which the PC may make long after the request.
            if (atTarget && (held.rateChanges || held.sawOtherSpeed || held.sawPurge) &&
                !held.releasing) {
                held.releasing = true;
                held.releaseAt = now + kBaudReplyDelay;
            }
            if ((held.releasing && now >= held.releaseAt) || now >= held.since + kBaudReplyFallback) {
                sim_.purged();
                held.active = false;
                continue;
            }
            timeoutMs = 5;  // watch the line speed
        } else {
            held.active = false;
        }

        pollfd fds[2] = {{master_, static_cast<short>(POLLIN | (outgoing.empty() ? 0 : POLLOUT)), 0},
                         {wakeRead_, POLLIN, 0}};
        const int ready = poll(fds, 2, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;

        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                if (buffer[0] == TIOCPKT_DATA) {
                    rateBefore = sim_.baudrate();
                    sim_.receive(buffer + 1, static_cast<size_t>(n - 1));
                } else if ((buffer[0] & TIOCPKT_FLUSHREAD) && held.active) {
                    // A purge after the request: the answer must come after it.
                    held.sawPurge = true;
                    if (held.releasing)
                        held.releaseAt = std::chrono::steady_clock::now() + kBaudReplyDelay;
                }
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return;
            }
        }
        if ((fds[0].revents & POLLOUT) && !outgoing.empty()) {
            const ssize_t n = ::write(master_, outgoing.data(), outgoing.size());
            if (n > 0) {
                outgoing.erase(outgoing.begin(), outgoing.begin() + n);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return;
            }
        }
        if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) return;
    }
}

#pragma once
// The simulator on a pseudo-terminal, so the real termios code of the serial port runs against
// it. A thread feeds what the PC writes on the slave side into the SimInterface and writes its
// replies back.
//
// The answer to a baud change waits until the PC has switched its side: the server watches the
// slave's line speed (the master sees the pair's termios) and, in packet mode, the PC's purges
// of its receive buffer. The answer goes out 30 ms after the slave runs at the new rate (the PC
// purges right after switching); when the rate asked for is the one in use, 30 ms after the
// next purge; at the latest (a rate termios does not know) 1 s after the request.
//
// A pseudo-terminal has no modem lines: hand modemLines() to the serial port instead.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "SerialLink.h"
#include "SimInterface.h"

class SimPty {
public:
    static constexpr std::chrono::milliseconds kBaudReplyDelay{30};
    static constexpr std::chrono::milliseconds kBaudReplyFallback{1000};

    // Opens a pseudo-terminal and starts serving `sim` on it; nullptr when the system refuses,
    // with the reason in `error`. `sim` must outlive the server.
    static std::unique_ptr<SimPty> start(SimInterface& sim, std::string* error = nullptr);
    ~SimPty();  // stops the server
    SimPty(const SimPty&) = delete;
    SimPty& operator=(const SimPty&) = delete;

    // Stops and joins the server thread and closes the terminal; calling it twice is harmless.
    void stop();

    // The device the PC opens, e.g. /dev/pts/7.
    const std::string& slavePath() const { return slavePath_; }
    // Modem lines bound to the simulator, for the serial port of the driver.
    std::unique_ptr<ModemLines> modemLines() const;
    SimInterface& interface() const { return sim_; }

private:
    SimPty(SimInterface& sim, int master, int slave, std::string slavePath, int wakeRead,
           int wakeWrite);
    void run();

    SimInterface& sim_;
    int master_;
    int slave_;  // kept open so the master never sees a hang-up between the PC's opens
    std::string slavePath_;
    int wakeRead_;
    int wakeWrite_;
    std::thread thread_;
    std::atomic<bool> stopped_{false};
};

#pragma once
// A serial port over termios, with the behaviour the driver expects of a Windows COM port:
// exclusive open, 19200 8N1 with hardware flow control, COMMTIMEOUTS-style read time-outs,
// purge, modem lines and baud changes.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "Link.h"

// Open results beyond 0 (the driver's scheme: -1 the port does not exist, -2 it is in use).
constexpr int32_t kSerialPortMissing = -1;
constexpr int32_t kSerialPortInUse = -2;
// The user may not open the port (not in the dialout group); distinct so the message can say so.
constexpr int32_t kSerialPortNoPermission = 0x20010043;

// The modem status lines as the driver reads them.
struct ModemState {
    bool dsr = false;
    bool cd = false;
    bool cts = false;
};

// The modem lines of a port. Pseudo-terminals have none, so tests inject their own.
class ModemLines {
public:
    virtual ~ModemLines() = default;
    // 0 or a status code.
    virtual int32_t read(ModemState& state) = 0;
    virtual int32_t setDtr(bool on) = 0;
};

// Read and write time-outs in the shape of the Windows COMMTIMEOUTS: a read of n bytes ends
// after readTotalConstantMs + n * readTotalPerByteMs in all, or when more than readIntervalMs
// pass between two bytes once the first has arrived (an interval of 0 is not used). A write ends
// after writeTotalConstantMs + n * writeTotalPerByteMs with what went out so far.
struct SerialTimeouts {
    uint32_t readIntervalMs = 100;
    uint32_t readTotalPerByteMs = 10;
    uint32_t readTotalConstantMs = 10000;
    uint32_t writeTotalPerByteMs = 0;
    uint32_t writeTotalConstantMs = 1000;
};

class SerialLink final : public Link {
public:
    // Opens the device for reading and writing, exclusively (TIOCEXCL and flock). `status`
    // gets 0, kSerialPortMissing (also for a path that is not a tty, or a /dev/ttyS node with
    // no UART behind it), kSerialPortInUse, kSerialPortNoPermission or another Windows-style
    // error code. Without `lines` the port's own modem lines are used.
    //
    // Codes after a successful open: 6 the port is closed, 87 a rate the port does not take,
    // 1167 a read found the device hung up (an unplugged adapter, a pseudo-terminal whose
    // master has gone), 1117 an I/O error (a write to such a port), 1 the call does not apply
    // to the device (modem lines of a pseudo-terminal), 31 anything else. Never 2 or 5, which
    // the driver would turn into -1 and -2.
    static std::unique_ptr<SerialLink> open(const std::filesystem::path& device, int32_t& status,
                                            std::unique_ptr<ModemLines> lines = nullptr);
    ~SerialLink() override;

    // 8 data bits, no parity, 1 stop bit, RTS/CTS flow control, raw, at `baud`.
    int32_t configure(uint32_t baud);
    int32_t setBaudrate(uint32_t baud);
    void setTimeouts(const SerialTimeouts& timeouts) { timeouts_ = timeouts; }
    const SerialTimeouts& timeouts() const { return timeouts_; }
    int32_t readModemLines(ModemState& state) { return lines_->read(state); }
    int32_t setDtr(bool on) { return lines_->setDtr(on); }
    // Clears a pending line error (break, framing, overrun); 0 or a status code.
    int32_t clearErrors();
    // Closes the port; 0 or a status code. Closing twice is harmless.
    int32_t close();
    int fd() const { return fd_; }

    bool isFramed() const override { return false; }
    int32_t write(const uint8_t* data, size_t length, size_t* written) override;
    int32_t read(uint8_t* buffer, size_t capacity, size_t* got) override;
    void purgeReceive() override;

private:
    // Reads the port's settings, lets `change` adjust them, sets the rate and applies; checks
    // that the rate took.
    int32_t applySettings(uint32_t baud, const std::function<void(struct termios&)>& change);
    SerialLink(int fd, std::unique_ptr<ModemLines> lines);
    int fd_;
    std::unique_ptr<ModemLines> lines_;
    SerialTimeouts timeouts_;
};

// The device behind a user's port name: "COMn" (n = 1..32) is the link
// <configHome>/NORVA/ports/COMn when it exists, else /dev/ttyS<n-1>; any other name (COM0,
// COM01, COM33, a path) names no port: an empty path. configHome defaults to $XDG_CONFIG_HOME,
// else ~/.config.
std::filesystem::path resolveSerialPort(const std::string& portName,
                                        const std::filesystem::path& configHome = {});
// $XDG_CONFIG_HOME, else $HOME/.config.
std::filesystem::path userConfigHome();

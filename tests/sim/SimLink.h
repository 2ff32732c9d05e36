#pragma once
// The simulator as the driver's link, in-process: a serial byte stream or USB-style whole frames
// over one SimInterface. Reads never wait: with nothing to deliver a stream read returns no byte
// at once (moving a fake clock on by the read time-out, as a real read would wait it out), and a
// framed read fails at once like the USB library's read.

#include <cstdint>
#include <memory>

#include "Clock.h"
#include "Link.h"
#include "SerialLink.h"
#include "SimInterface.h"

class SimLink final : public Link {
public:
    // What a framed read returns when no frame is ready: the time-out of the USB library's read,
    // or its read error while the device restarts.
    static constexpr int32_t kReadTimeout = 0x2001002a;
    static constexpr int32_t kReadError = 0x2001003c;

    // framed: one whole reply frame per read (USB); else a byte stream (serial).
    SimLink(SimInterface& sim, bool framed, FakeClock* clock = nullptr, uint64_t timeoutMs = 10000);

    SimInterface& interface() const { return sim_; }
    int writes() const { return writes_; }
    int purges() const { return purges_; }

    bool isFramed() const override { return framed_; }
    int32_t write(const uint8_t* data, size_t length, size_t* written) override;
    int32_t read(uint8_t* buffer, size_t capacity, size_t* got) override;
    // The PC's receive buffer is emptied: what was ready is lost, a held reply is released.
    void purgeReceive() override;

private:
    SimInterface& sim_;
    bool framed_;
    FakeClock* clock_;
    uint64_t timeoutMs_;
    int writes_ = 0;
    int purges_ = 0;
};

// The modem lines of a serial port with the simulator on the far end.
class SimModemLines final : public ModemLines {
public:
    explicit SimModemLines(SimInterface& sim) : sim_(sim) {}
    int32_t read(ModemState& state) override;
    int32_t setDtr(bool on) override;

private:
    SimInterface& sim_;
};

#pragma once
// Milliseconds and sleeping behind an interface, so waits in the driver and the windows can be
// driven by a fake clock in tests.

#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds since an arbitrary start; 64-bit, never wraps.
    virtual uint64_t nowMs() const = 0;
    virtual void sleepMs(uint64_t ms) = 0;
};

// The real clock over std::chrono::steady_clock.
class SteadyClock final : public Clock {
public:
    uint64_t nowMs() const override;
    void sleepMs(uint64_t ms) override;
    // One shared instance for production code paths that take no injected clock.
    static SteadyClock& instance();
};

// A clock whose time moves only when told to: sleeping advances it at once.
class FakeClock final : public Clock {
public:
    explicit FakeClock(uint64_t startMs = 0) : now_(startMs) {}
    uint64_t nowMs() const override { return now_; }
    void sleepMs(uint64_t ms) override {
        now_ += ms;
        slept_ += ms;
    }
    void advance(uint64_t ms) { now_ += ms; }
    // Total time asked for through sleepMs.
    uint64_t sleptMs() const { return slept_; }

private:
    uint64_t now_;
    uint64_t slept_ = 0;
};

#include "Clock.h"

#include <chrono>
#include <thread>

uint64_t SteadyClock::nowMs() const {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SteadyClock::sleepMs(uint64_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

SteadyClock& SteadyClock::instance() {
    static SteadyClock clock;
    return clock;
}

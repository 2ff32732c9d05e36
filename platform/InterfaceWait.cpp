#include "InterfaceWait.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

std::atomic<LongWaitListener*> listener_{nullptr};
std::atomic<std::thread::id> listenerThread_{};

// The waits of this thread.
struct WaitState {
    int depth = 0;
    WaitKind kind = WaitKind::InterfaceReply;
    SteadyTime start{};
    bool noticed = false;
};
thread_local WaitState state_;

LongWaitListener* listenerHere() {
    LongWaitListener* listener = listener_.load();
    if (!listener || listenerThread_.load() != std::this_thread::get_id()) return nullptr;
    return listener;
}

void notice() {
    LongWaitListener* listener = listenerHere();
    if (state_.depth == 0 || state_.noticed || !listener) return;
    state_.noticed = true;
    listener->longWaitBegins(state_.kind);
}

}  // namespace

void setLongWaitListener(LongWaitListener* listener) {
    listenerThread_.store(std::this_thread::get_id());
    listener_.store(listener);
}

LongWaitListener* longWaitListener() { return listener_.load(); }

InterfaceWait::InterfaceWait(WaitKind kind) {
    if (state_.depth++ != 0) return;
    state_.kind = kind;
    state_.start = std::chrono::steady_clock::now();
    state_.noticed = false;
}

InterfaceWait::~InterfaceWait() {
    if (--state_.depth != 0 || !state_.noticed) return;
    state_.noticed = false;
    if (LongWaitListener* listener = listenerHere()) listener->longWaitEnds();
}

int InterfaceWait::sliceMs(int wantedMs) {
    if (state_.depth == 0 || state_.noticed || !listenerHere()) return wantedMs;
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - state_.start)
                            .count();
    const int untilNotice = static_cast<int>(std::max<long long>(1, kNoticeMs - waited));
    return wantedMs < 0 ? untilNotice : std::min(wantedMs, untilNotice);
}

void InterfaceWait::check() {
    if (state_.depth == 0 || state_.noticed || !listenerHere()) return;
    if (std::chrono::steady_clock::now() - state_.start >= std::chrono::milliseconds(kNoticeMs)) notice();
}

void InterfaceWait::announce() { notice(); }

// Long waits on the interface reach the one listener: once per outermost wait, on its own thread
// only.
#include "InterfaceWait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

class RecordingListener final : public LongWaitListener {
public:
    RecordingListener() { setLongWaitListener(this); }
    ~RecordingListener() override { setLongWaitListener(nullptr); }
    void longWaitBegins(WaitKind kind) override {
        events.push_back(kind == WaitKind::InterfaceRestart ? "begins restart" : "begins reply");
        beganAt = std::chrono::steady_clock::now();
    }
    void longWaitEnds() override { events.push_back("ends"); }
    std::vector<std::string> events;
    std::chrono::steady_clock::time_point beganAt{};
};

using Events = std::vector<std::string>;

TEST(InterfaceWait, WithoutAListenerNothingIsCutShort) {
    setLongWaitListener(nullptr);
    InterfaceWait wait;
    EXPECT_EQ(InterfaceWait::sliceMs(10000), 10000);
    EXPECT_EQ(InterfaceWait::sliceMs(-1), -1);
    InterfaceWait::announce();  // nobody to tell: no crash, nothing remembered
}

TEST(InterfaceWait, AWaitIsSlicedUntilItsNoticeIsOut) {
    RecordingListener listener;
    EXPECT_EQ(InterfaceWait::sliceMs(10000), 10000) << "outside a wait";
    {
        InterfaceWait wait;
        const int slice = InterfaceWait::sliceMs(10000);
        EXPECT_GE(slice, 1);
        EXPECT_LE(slice, InterfaceWait::kNoticeMs);
        EXPECT_EQ(InterfaceWait::sliceMs(0), 0) << "a look without waiting stays one";
        EXPECT_GE(InterfaceWait::sliceMs(-1), 1) << "for ever is bounded too";
        InterfaceWait::check();  // far too early
        EXPECT_EQ(listener.events, Events{});
        InterfaceWait::announce();
        EXPECT_EQ(InterfaceWait::sliceMs(10000), 10000) << "told: the rest in one piece";
        EXPECT_EQ(InterfaceWait::sliceMs(-1), -1);
    }
    EXPECT_EQ(listener.events, (Events{"begins reply", "ends"}));
}

TEST(InterfaceWait, NestedWaitsAreOneWaitOfTheOutermostKind) {
    RecordingListener listener;
    {
        InterfaceWait outer(WaitKind::InterfaceRestart);
        {
            InterfaceWait inner;
            InterfaceWait::announce();
            InterfaceWait::announce();
        }
        EXPECT_EQ(listener.events, Events{"begins restart"}) << "the inner end is not the end";
        {
            InterfaceWait again;
            InterfaceWait::announce();
        }
    }
    EXPECT_EQ(listener.events, (Events{"begins restart", "ends"}));
    {
        InterfaceWait quiet;  // never told: no end either
    }
    EXPECT_EQ(listener.events.size(), 2u);
}

TEST(InterfaceWait, AWaitOnAnotherThreadReachesNoListener) {
    RecordingListener listener;
    std::thread other([] {
        InterfaceWait wait;
        EXPECT_EQ(InterfaceWait::sliceMs(10000), 10000);
        InterfaceWait::announce();
    });
    other.join();
    EXPECT_EQ(listener.events, Events{});
}

}  // namespace

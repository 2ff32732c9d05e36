// SIGTERM, SIGINT and SIGHUP turned into the program's exit request from inside the event loop,
// with the real signal handlers of this process (raise()).
#include "TerminationSignals.h"

#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>

namespace {

int foreignSignals = 0;
extern "C" void foreignHandler(int) { ++foreignSignals; }

TEST(TerminationSignals, EachBurstOfSignalsAsksForTheExitOnceInTheEventLoop) {
    int requests = 0;
    TerminationSignals termination([&] { ++requests; });
    ASSERT_TRUE(termination.installed());

    ASSERT_EQ(::raise(SIGTERM), 0);
    ASSERT_EQ(::raise(SIGHUP), 0);
    EXPECT_EQ(requests, 0) << "nothing is done inside the handler";
    EXPECT_TRUE(processEventsUntil([&] { return requests > 0; }));
    processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(requests, 1) << "two signals before the loop looked: one request";

    ASSERT_EQ(::raise(SIGINT), 0);
    EXPECT_TRUE(processEventsUntil([&] { return requests == 2; }));
}

TEST(TerminationSignals, TheHandlersBeforeThemComeBackAfterwards) {
    struct sigaction foreign {};
    foreign.sa_handler = foreignHandler;
    sigemptyset(&foreign.sa_mask);
    struct sigaction saved[3];
    const int numbers[3] = {SIGTERM, SIGINT, SIGHUP};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(::sigaction(numbers[i], &foreign, &saved[i]), 0);
    {
        int requests = 0;
        TerminationSignals termination([&] { ++requests; });
        ::raise(SIGTERM);
        EXPECT_TRUE(processEventsUntil([&] { return requests == 1; }));
        EXPECT_EQ(foreignSignals, 0);
    }
    for (int signal : numbers) ::raise(signal);
    EXPECT_EQ(foreignSignals, 3);
    for (int i = 0; i < 3; ++i) ::sigaction(numbers[i], &saved[i], nullptr);
}

}  // namespace

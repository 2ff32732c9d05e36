#include "AutomationHub.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// One log for windows and sinks, so the order across both is visible.
using Log = std::vector<std::string>;

class RecordingWindows : public ApplicationWindows {
public:
    explicit RecordingWindows(Log& log) : log_(log) {}
    void setMainWindowEnabled(bool enabled) override {
        mainEnabled = enabled;
        log_.push_back(enabled ? "enable" : "disable");
    }
    void raiseWindow(WindowHandle window) override { log_.push_back("raise " + std::to_string(window)); }
    void quitApplication() override {
        ++quits;
        log_.push_back("quit");
    }
    bool mainEnabled = true;
    int quits = 0;

private:
    Log& log_;
};

enum class Failure { None, ReturnsError, ThrowsException, ThrowsOther };

class RecordingSink : public AutomationEventSink {
public:
    RecordingSink(Log& log, std::string name, Failure failure = Failure::None)
        : log_(log), name_(std::move(name)), failure_(failure) {}

    SinkResult comModalWindowActivated(WindowHandle window) override {
        return record("activated " + std::to_string(window));
    }
    SinkResult comModalWindowDeactivated() override { return record("deactivated"); }
    SinkResult comMenuStateHasChanged(int32_t state) override {
        return record("menu " + std::to_string(state));
    }
    SinkResult comApplicationInitialized() override { return record("initialized"); }
    SinkResult comCloseApplication() override {
        SinkResult result = record("close");
        if (onClose) onClose();
        return result;
    }

    std::function<void()> onClose;

private:
    SinkResult record(const std::string& event) {
        log_.push_back(name_ + ": " + event);
        switch (failure_) {
        case Failure::None: return {};
        case Failure::ReturnsError: return {5, "client gone"};
        case Failure::ThrowsException: throw std::runtime_error("client gone");
        case Failure::ThrowsOther: throw 42;
        }
        return {};
    }

    Log& log_;
    std::string name_;
    Failure failure_;
};

class AutomationHubTest : public ::testing::Test {
protected:
    Log log;
    RecordingWindows windows{log};
    AutomationHub hub{&windows};
    RecordingSink sink{log, "sink"};

    void connect() {
        hub.connectClient(0x1234);
        ASSERT_TRUE(hub.attachSink(&sink).ok());
    }
};

TEST_F(AutomationHubTest, NotificationsWithoutClientReachNoSink) {
    ASSERT_TRUE(hub.attachSink(&sink).ok());  // an attached sink alone is no client
    hub.FireMenuStateHasChanged(1);
    hub.FireModalWindowActivated(7);
    hub.FireModalWindowDeactivated();
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(hub.hasClient());
}

TEST_F(AutomationHubTest, MenuStateReachesClientWithState) {
    connect();
    hub.FireMenuStateHasChanged(1);
    EXPECT_EQ(log, (Log{"sink: menu 1"}));
    EXPECT_EQ(hub.clientWindow(), 0x1234u);
}

TEST_F(AutomationHubTest, NestedDialogsKeepMainWindowDisabledUntilLastCloses) {
    connect();
    hub.RegisterModalWindow(10);
    EXPECT_EQ(log, (Log{"disable", "sink: activated 10", "raise 10"}));
    log.clear();

    hub.RegisterModalWindow(20);
    EXPECT_EQ(log, (Log{"disable", "sink: activated 20", "raise 10", "raise 20"}));
    log.clear();

    hub.UnregisterModalWindow(20);
    EXPECT_EQ(log, (Log{"sink: deactivated", "raise 10"}));
    EXPECT_FALSE(windows.mainEnabled);
    log.clear();

    hub.UnregisterModalWindow(10);
    EXPECT_EQ(log, (Log{"sink: deactivated", "enable"}));
    EXPECT_TRUE(windows.mainEnabled);
    EXPECT_TRUE(hub.ModalWindows().empty());
}

TEST_F(AutomationHubTest, OuterDialogHiddenFirstIsRemovedByHandle) {
    hub.RegisterModalWindow(10);
    hub.RegisterModalWindow(20);
    hub.UnregisterModalWindow(10);
    EXPECT_EQ(hub.ModalWindows(), (std::vector<WindowHandle>{20}));
    EXPECT_FALSE(windows.mainEnabled);
    hub.UnregisterModalWindow(20);
    EXPECT_TRUE(windows.mainEnabled);
}

TEST_F(AutomationHubTest, DialogShownTwiceIsStackedAndAnnouncedOnce) {
    connect();
    hub.RegisterModalWindow(10);
    hub.RegisterModalWindow(10);
    EXPECT_EQ(hub.ModalWindows(), (std::vector<WindowHandle>{10}));
    EXPECT_EQ(std::count(log.begin(), log.end(), "sink: activated 10"), 1);

    log.clear();
    hub.UnregisterModalWindow(10);
    EXPECT_TRUE(windows.mainEnabled);
    EXPECT_EQ(log, (Log{"sink: deactivated", "enable"}));

    // A second hide of the same showing is not a second close.
    log.clear();
    hub.UnregisterModalWindow(10);
    EXPECT_EQ(std::count(log.begin(), log.end(), "sink: deactivated"), 0);
}

TEST_F(AutomationHubTest, UnknownHandleLeavesOpenDialogsAlone) {
    connect();
    hub.RegisterModalWindow(10);
    log.clear();
    hub.UnregisterModalWindow(99);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(hub.ModalWindows(), (std::vector<WindowHandle>{10}));
    EXPECT_FALSE(windows.mainEnabled);
}

TEST_F(AutomationHubTest, UnknownHandleOnEmptyStackEnablesMainWindow) {
    connect();
    windows.mainEnabled = false;
    hub.UnregisterModalWindow(99);
    EXPECT_TRUE(windows.mainEnabled);
    EXPECT_EQ(log, (Log{"enable"}));
}

TEST_F(AutomationHubTest, BringToTopRaisesOldestFirst) {
    hub.PushModalWindow(3);
    hub.PushModalWindow(1);
    hub.PushModalWindow(2);
    log.clear();
    hub.BringModalWindowsToTop();
    EXPECT_EQ(log, (Log{"raise 3", "raise 1", "raise 2"}));
}

TEST_F(AutomationHubTest, PushAndPopCountStackedDialogs) {
    EXPECT_EQ(hub.PushModalWindow(1), 1u);
    EXPECT_EQ(hub.PushModalWindow(2), 2u);
    EXPECT_EQ(hub.PushModalWindow(1), 2u);
    EXPECT_EQ(hub.PopModalWindow(1), 1u);
    EXPECT_EQ(hub.ModalWindows(), (std::vector<WindowHandle>{2}));
    EXPECT_EQ(hub.PopModalWindow(7), 1u);
    EXPECT_EQ(hub.PopModalWindow(2), 0u);
    EXPECT_EQ(hub.PopModalWindow(2), 0u);
}

TEST_F(AutomationHubTest, WithoutWindowSideTheStackStillWorks) {
    AutomationHub bare;
    bare.RegisterModalWindow(5);
    EXPECT_TRUE(bare.isStacked(5));
    bare.UnregisterModalWindow(5);
    EXPECT_TRUE(bare.ModalWindows().empty());
}

TEST_F(AutomationHubTest, SinkSlotsAreLimitedAndOrdered) {
    std::vector<std::unique_ptr<RecordingSink>> sinks;
    hub.connectClient(1);
    for (int i = 0; i < 6; ++i)
        sinks.push_back(std::make_unique<RecordingSink>(log, "s" + std::to_string(i)));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(hub.attachSink(sinks[i].get()).status, AttachResult::Attached);
    EXPECT_EQ(hub.attachSink(sinks[5].get()).status, AttachResult::NoFreeSlot);
    EXPECT_EQ(hub.attachSink(sinks[0].get()).status, AttachResult::AlreadyAttached);
    EXPECT_EQ(hub.attachSink(nullptr).status, AttachResult::NoSink);

    // A freed slot is reused in place, so slot order is kept.
    hub.detachSink(sinks[1].get());
    EXPECT_EQ(hub.attachSink(sinks[5].get()).status, AttachResult::Attached);
    EXPECT_EQ(hub.sinkCount(), 5u);
    hub.FireModalWindowDeactivated();
    EXPECT_EQ(log, (Log{"s0: deactivated", "s5: deactivated", "s2: deactivated",
                        "s3: deactivated", "s4: deactivated"}));
}

TEST_F(AutomationHubTest, CloseWithoutClientQuitsAndIsRemembered) {
    ASSERT_TRUE(hub.attachSink(&sink).ok());
    EXPECT_FALSE(hub.closeRequested());
    hub.RequestCloseApplication();
    EXPECT_TRUE(hub.closeRequested());
    EXPECT_EQ(log, (Log{"quit"}));
}

TEST_F(AutomationHubTest, CloseWithClientTellsItFirstThenReleasesIt) {
    connect();
    RecordingSink second{log, "second"};
    ASSERT_TRUE(hub.attachSink(&second).ok());
    hub.RequestCloseApplication();
    EXPECT_EQ(log, (Log{"sink: close", "second: close", "quit"}));
    EXPECT_FALSE(hub.hasClient());
    EXPECT_EQ(hub.sinkCount(), 0u);
    EXPECT_TRUE(hub.closeRequested());
}

TEST_F(AutomationHubTest, CloseRequestedAgainFromTheClientsHandlerIsToldOnce) {
    connect();
    sink.onClose = [this] { hub.RequestCloseApplication(); };
    hub.RequestCloseApplication();
    EXPECT_EQ(std::count(log.begin(), log.end(), "sink: close"), 1);
    EXPECT_TRUE(hub.closeRequested());
}

TEST_F(AutomationHubTest, CloseDuringStartUpBeforeWindowsExist) {
    AutomationHub startUp;
    startUp.RequestCloseApplication();
    EXPECT_TRUE(startUp.closeRequested());
    // The window side arrives later; the start-up sees the request and stops.
    startUp.setWindows(&windows);
    EXPECT_TRUE(startUp.closeRequested());
    EXPECT_EQ(windows.quits, 0);
}

class FailingSinkTest : public AutomationHubTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(FailingSinkTest, OtherSinksAndTheStackAreUnaffected) {
    RecordingSink failing{log, "bad", GetParam()};
    hub.connectClient(1);
    ASSERT_TRUE(hub.attachSink(&failing).ok());
    ASSERT_TRUE(hub.attachSink(&sink).ok());

    hub.RegisterModalWindow(10);
    hub.RegisterModalWindow(20);
    hub.FireMenuStateHasChanged(1);
    hub.UnregisterModalWindow(20);
    hub.UnregisterModalWindow(10);
    hub.RequestCloseApplication();

    EXPECT_EQ(log, (Log{"disable", "bad: activated 10", "sink: activated 10", "raise 10",
                        "disable", "bad: activated 20", "sink: activated 20", "raise 10", "raise 20",
                        "bad: menu 1", "sink: menu 1",
                        "bad: deactivated", "sink: deactivated", "raise 10",
                        "bad: deactivated", "sink: deactivated", "enable",
                        "bad: close", "sink: close", "quit"}));
    EXPECT_TRUE(hub.ModalWindows().empty());
    EXPECT_TRUE(windows.mainEnabled);
}

INSTANTIATE_TEST_SUITE_P(Failures, FailingSinkTest,
                         ::testing::Values(Failure::ReturnsError, Failure::ThrowsException,
                                           Failure::ThrowsOther));

TEST(ApplicationHub, FreeFunctionsActOnTheApplicationsHub) {
    Log log;
    RecordingWindows windows{log};
    applicationHub().setWindows(&windows);
    RegisterModalWindow(42);
    EXPECT_TRUE(applicationHub().isStacked(42));
    EXPECT_FALSE(windows.mainEnabled);
    BringModalWindowsToTop();
    UnregisterModalWindow(42);
    EXPECT_TRUE(windows.mainEnabled);
    FireMenuStateHasChanged(1);  // no client: nothing happens
    FireModalWindowActivated(1);
    FireModalWindowDeactivated();
    EXPECT_EQ(log, (Log{"disable", "raise 42", "raise 42", "enable"}));
    RequestCloseApplication();
    EXPECT_TRUE(applicationHub().closeRequested());
    EXPECT_EQ(windows.quits, 1);
    applicationHub().setWindows(nullptr);
}

}  // namespace

#pragma once
// A driver of its own on a fake clock, pointed at the test build of the USB library, with the
// simulated USB bus emptied before and after each test.

#include <gtest/gtest.h>

#include "DiagDriver.h"
#include "SimUsbBus.h"

class SimUsbFixture : public ::testing::Test {
protected:
    FakeClock clock;
    DiagDriver driver{clock};
    SimUsbBus& bus = SimUsbBus::instance();

    void SetUp() override {
        bus.reset();
        driver.setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    }
    void TearDown() override {
        driver.CloseDiagDriver(2);
        bus.reset();
    }
};

#pragma once
// A driver of its own on a fake clock, pointed at the test build of the USB library, with the
// simulated USB bus emptied before and after each test.

#include <gtest/gtest.h>

#include <string>

#include "DiagDriver.h"
#include "SimUsbBus.h"

class SimUsbFixture : public ::testing::Test {
protected:
    FakeClock clock;
    DiagDriver driver{clock};
    SimUsbBus& bus = SimUsbBus::instance();

    // A generation-1 interface "Diagnostic Interface #1" holding this application.
    SimInterface& addGen1(const std::string& appVersion = "JED-677 V2.04", bool running = false) {
        SimConfig c;
        c.appVersion = appVersion;
        c.applicationRunning = running;
        return bus.addDevice("Diagnostic Interface #1", c);
    }
    // A generation-2 interface "Diagnostic-Interface-2 #1" holding this application.
    SimInterface& addGen2(const std::string& appVersion = "DI2_DiagApp_V1.06   ",
                          bool running = false) {
        SimConfig c;
        c.generation = 2;
        c.biosVersion = "DI2 Boot V1.00";
        c.appVersion = appVersion;
        c.applicationRunning = running;
        return bus.addDevice("Diagnostic-Interface-2 #1", c);
    }

    void SetUp() override {
        bus.reset();
        driver.setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    }
    void TearDown() override {
        driver.CloseDiagDriver(2);
        bus.reset();
    }
};

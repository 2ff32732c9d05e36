#pragma once
// The program's ECU layer through the real driver: libdiagdr32's exported JED677 functions, the
// test build of the USB library and a generation-1 simulated interface with a simulated ECU
// behind it. Header-only: the test folder compiles only its *_test.cpp files.

#include <cstdint>
#include <memory>
#include <utility>

#include "DiagDriver.h"
#include "JED677.h"
#include "Jed677Calls.h"
#include "KeltTestSupport.h"
#include "SimUsbBus.h"

inline constexpr const char* kSimulatedPort = "Diagnostic Interface #1";

// A status frame of the interface as the JED677 layer hands it on.
constexpr int32_t jed677Status(uint8_t status) { return 0x20020000 | status; }

// Empties the simulated USB bus, points the driver at the test build of the USB library and
// plugs in one interface, kSimulatedPort, with `ecu` behind it. Generation 1: no restart waits
// when the application starts.
inline SimInterface& plugInSimulatedInterface(std::shared_ptr<SimEcu> ecu) {
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    SimConfig config;
    config.generation = 1;
    config.appVersion = "JED-677 V2.04";
    SimInterface& sim = bus.addDevice(kSimulatedPort, config);
    sim.attachEcu(std::move(ecu));
    return sim;
}

// A KeltFixture, or a fixture built on one, whose ECU layer talks to the fixture's ECU over the
// simulated interface. The interface is not opened here: fixtures whose tests start from an
// open interface open it in their own SetUp.
template <class Base>
class OverTheRealDriver : public Base {
public:
    SimUsbBus& bus = SimUsbBus::instance();
    SimInterface* sim = nullptr;

    void SetUp() override {
        Base::SetUp();
        sim = &plugInSimulatedInterface(this->ecu);
        this->attr.Schnittstellenname = kSimulatedPort;
        this->makeKelt(driverCalls());
    }
    void TearDown() override {
        JED677CloseDiagDriver();
        bus.reset();
        Base::TearDown();
    }

protected:
    // The JED677 table the ECU layer is made with; a fixture may wrap it to watch the calls.
    virtual Jed677Calls driverCalls() { return exportedJed677Calls(); }
};

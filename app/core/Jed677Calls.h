#pragma once
// The JED677 calls the ECU layer makes, as a table: bound to the driver's exported functions in
// the program, to fakes in tests. Each member has the meaning and result of the exported
// function of the same name (JED677.h); SendData takes the room of the message buffer.

#include <cstdint>
#include <functional>

#include "DiagDr32.h"
#include "JED677.h"

// The driver's trace of the last request and reply (what an error dialog shows).
struct Jed677Trace {
    DiagTrace request{};
    DiagTrace response{};
};

struct Jed677Calls {
    std::function<int32_t(const char* portName, const char* folder, uint8_t compare)>
        JED677OpenDiagDriver;
    std::function<int32_t(uint16_t value1, uint16_t value2, uint16_t value3)> JED677Config;
    std::function<int32_t(char* buffer, uint32_t size)> JED677AppVersion;
    std::function<int32_t(uint32_t unused, uint8_t ecuAddress, uint16_t* baud, uint16_t* word)>
        JED677StartCommunication;
    std::function<int32_t(JED677IdentData* ident, int32_t words[4])> JED677Ident;
    std::function<int32_t(uint16_t* length, uint8_t* message, uint32_t capacity)> JED677SendData;
    std::function<int32_t()> JED677StopCommunication;
    std::function<int32_t()> JED677CloseDiagDriver;
    // Read and put back around a request sent between a failure and its error dialog, so the
    // dialog still shows the failed exchange. Empty in a table without a trace.
    std::function<Jed677Trace()> readTrace;
    std::function<void(const Jed677Trace&)> restoreTrace;
};

// The table over libdiagdr32's exported functions (the process-wide driver).
Jed677Calls exportedJed677Calls();

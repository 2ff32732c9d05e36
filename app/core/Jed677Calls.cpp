#include "Jed677Calls.h"

// Kept in its own file: a program that never asks for the driver's table does not link the
// exported JED677 functions through it.
Jed677Calls exportedJed677Calls() {
    Jed677Calls calls;
    calls.JED677OpenDiagDriver = JED677OpenDiagDriver;
    calls.JED677Config = JED677Config;
    calls.JED677AppVersion = JED677AppVersion;
    calls.JED677StartCommunication = JED677StartCommunication;
    calls.JED677Ident = JED677Ident;
    calls.JED677SendData = JED677SendDataBuf;
    calls.JED677StopCommunication = JED677StopCommunication;
    calls.JED677CloseDiagDriver = JED677CloseDiagDriver;
    calls.readTrace = [] { return Jed677Trace{_msgRequest, _msgResponse}; };
    calls.restoreTrace = [](const Jed677Trace& trace) {
        _msgRequest = trace.request;
        _msgResponse = trace.response;
    };
    return calls;
}

#pragma once
// The windows the ECU layer opens while it works, as small interfaces: the main window
// implements them with the real dialogs, tests script them. None of them is owned by the layer.

#include <cstdint>

#include "BusyCursor.h"

// The "ECU start" error dialog (TNInitEcuEH) with Repeat and Cancel.
class EcuStartErrorDialog {
public:
    virtual ~EcuStartErrorDialog() = default;
    // Shows the code with the error handler's texts; 1 repeat, anything else gives up.
    virtual int Execute(int32_t code) = 0;
};

// The wait window ("Updating diagnostic memory") shown while the ECU restarts.
class WaitDialog {
public:
    virtual ~WaitDialog() = default;
    // Shows the window modally for the given time.
    virtual void Execute(int32_t milliseconds) = 0;
};

// Opening the interface again through the port selection's retry loop
// (TfrmDIPort::InitDiagnosticInterface with the callback OpenDiagInterface).
class InterfaceOpener {
public:
    virtual ~InterfaceOpener() = default;
    // True when the interface is open; false when the user gave up.
    virtual bool InitDiagnosticInterface() = 0;
};

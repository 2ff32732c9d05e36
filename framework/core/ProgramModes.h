#pragma once
// Process-wide mode flags of the running program. They live here rather than in the main window
// so that the dialog bases, the automation object and the logic read the same flag.

#include <cstdint>
#include <string>

// 1 = the program runs as an automation server embedded in a client: set by the start-up for
// "/automation" and by the automation method comInit, for the rest of the run. Modal dialogs
// are then announced to the client and stacked.
extern uint8_t AutomatisierungsModus;

// 1 = demo mode ("demo" or "/d" on the command line): the ECU command layer answers every
// request with fixed sample data and the caption carries " DEMOVERSION".
extern uint8_t DemoModus;

// 1 = the program file lies on a removable drive: company and user name go to the INI file and
// data folders on that drive are stored relative to the program's folder.
extern uint8_t WechsellaufwerkAktiv;

// The diagnostic line: 0 none, 1 K-Line, 2 CAN 24 V, 3 CAN 5 V, 4 SAE.
extern uint8_t Diagnoseleitung;

// The tester's name: read from [User Info] "Tester" at start, written back at the end, filled by
// the vehicle-data window and printed into protocols and data files.
extern std::string TesterName;

#pragma once
// Whether the travel-sensor calibration may run: not while the ECU holds an active
// parameter-definition fault, since a calibration against a wrong parameter set is worthless.

#include <cstdint>

class KELTInterface;

// The fault mode of a parameter-definition fault.
constexpr int32_t kParameterDefinitionFaultMode = 13;

struct CalibrationCheck {
    enum class Outcome {
        Allowed,         // no active parameter-definition fault (or not a standard ECU type)
        ParameterFault,  // an active parameter-definition fault is stored
        ReadFailed,      // the fault memory could not be read; the user gave up
    };
    Outcome outcome = Outcome::Allowed;
    int answer = 0;  // the final retry answer of the fault-memory read (0 when not read)
    bool allowed() const { return outcome == Outcome::Allowed; }
};

// Outside the standard ECU types: allowed without asking the ECU. Otherwise the fault memory is
// read (repeated while the user asks to repeat); an entry in use with mode 13 and Status 1
// refuses. A read the user gave up on refuses too and clears DiagnoseAktiv, as every operation
// given up on does; the error has been shown by then.
CalibrationCheck CheckCalibration(KELTInterface& kelt);
// CheckCalibration(kelt).allowed().
bool CheckCalibrationAllowed(KELTInterface& kelt);

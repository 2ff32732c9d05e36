#pragma once
// "Save system data": one data file (NNorvaFile.h) that records the whole set-up of the connected
// ECU, its sections in this order:
//
//   [VERSION]                        the data-file header (CREATEDBY when the file is new)
//   [FileInfo]                       the vehicle
//   [TARVIK Parameter]               the identification block (not when the tester question was
//                                    cancelled), then the "P_" keys and "Checksum" of the
//                                    parameter block (ParameterDataFile.h)
//   [LevelSensorCalibrationData]     the seven level calibration values
//   [PressureSensorCalibrationData]  "PressureSensor", the 0-bar offset (ECUs with a pressure
//                                    sensor only)
//   [TARVIK ERROR RECORD]            the fault-memory protocol's keys (FaultProtocol.h) without
//                                    the time, the date in the locale's short form
//
// The questions are asked and everything is read from the ECU before the file is touched; the
// file is then replaced in one step. A file saved before with other sections keeps them, and its
// four sections above are written anew, so saving twice gives the same file but for the dates.
// A cancel, a give-up or a missing parameter description leaves the file as it was (a new file
// is not created).
//
// The window only supplies the vehicle-data dialog; the file dialog, the tester question and the
// message boxes are the context's, the hourglass the ECU layer's.

#include <functional>
#include <string>

#include "FaultTextFile.h"
#include "ParameterBlock.h"
#include "ProgramContext.h"

class KELTInterface;

// String-table ids of the command's own messages.
inline constexpr int kSystemDataSavedText = 20059;      // "System data have been saved"
inline constexpr int kSystemDataNotSavedText = 20950;   // "... could not be saved; ...\n\n%s"

// Section and key names of the file.
inline constexpr const char* kLevelSection = "LevelSensorCalibrationData";
inline constexpr const char* kPressureSection = "PressureSensorCalibrationData";
inline constexpr const char* kPressureKey = "PressureSensor";

struct SystemDataSave {
    KELTInterface& kelt;
    // The parameter command's record (DiagnosisSession::parameterRecord): its PKDDatei names the
    // description the block is written by. The block and the file are filled in here.
    structParameter parameters;
    // The program's fault-text file.
    const FaultTextFile& faultTexts;
    // Shows the vehicle-data window (TfrmFahrzeugdaten); true when it was closed with OK.
    std::function<bool()> askVehicleData;
};

enum class SystemDataOutcome {
    Saved,          // the file was written; 20059 has been shown
    Cancelled,      // the vehicle data or the file dialog was cancelled
    GaveUp,         // an ECU read was given up: DiagnoseAktiv is cleared
    NoParameters,   // the parameter block could not be written by its description (shown)
    NotWritten,     // the file could not be written (shown, with the reason)
};

// The body of the main window's "Save system data" command.
SystemDataOutcome SystemdatenSpeichern(const SystemDataSave& save, ProgramContext& context = programContext());

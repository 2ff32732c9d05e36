#pragma once
// Choosing the data file a program part reads or writes (NNorvaFile.h): the file dialog starts in
// the data folder the settings name, proposes a name from the chassis number, offers the filters
// and default suffix of the kind of data file, and refuses an existing file that is no data file
// ([FileInfo] FileType empty or absent). The dialog is the context's FileChooser, so all of this
// runs without windows.
//
// Paths are file-system names (UTF-8): the result goes straight to NNorvaFile.

#include "NData.h"
#include "ProgramContext.h"

#include <filesystem>

#include <string>
#include <vector>

// The kind of data file: 0 EOL data, 1 ECU data, 2 service data (SRV), 3 service data (PRC);
// any other value: all data files.
using DataFileKind = int;

struct DataFileKindInfo {
    std::string extension;       // added to the proposed name (".ECU"); empty for all kinds
    std::string defaultSuffix;   // added by the dialog to a name typed without one ("ECU")
    std::vector<int> filterIds;  // string-table ids of the filter pairs, the first preselected
};
DataFileKindInfo dataFileKindInfo(DataFileKind kind);

// The folder a [Directory] setting names (AppIniKeys::ReadData, WriteData), taken anew at each
// call: a relative one lies in the program's folder; an empty, missing or unreadable setting
// means the program's folder. With mustExist, a folder that does not exist means the program's
// folder too.
std::filesystem::path configuredFolder(const IniTextSetting& setting, bool mustExist,
                                       ProgramContext& context = programContext());

// The open dialog: start folder [Directory] ReadData, the proposed name VehicleVIN + the kind's
// extension, the title when not empty. A name that does not exist brings the dialog back; an
// existing file without FileType brings 11033 and the dialog back with an empty name. The chosen
// path, or empty when the technician cancels.
std::string SelectReadData(DataFileKind kind, const std::string& title,
                           ProgramContext& context = programContext());

// The save dialog: start folder [Directory] WriteData, the proposed name VehicleVIN (+ "_" +
// MakeValidFileName(namePart)) + the kind's extension. An existing file without FileType: 11033
// and the dialog again with an empty name; an existing data file: 11065 (append) or 11046, No
// brings the dialog back. The chosen path, or empty when the technician cancels.
std::string SelectWriteData(DataFileKind kind, const std::string& namePart, bool append,
                            ProgramContext& context = programContext());

// The name with its drive part ("C:" or "\\server\share") kept and, in the rest, every / : * ? "
// < > | replaced by "_". Backslashes stay.
std::string MakeValidFileName(const std::string& name);

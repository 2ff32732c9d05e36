#pragma once
// Reading the ECU's fault memory without a window, for everyone who needs the entries: the
// fault-memory window, the calibration check and the system-data save. The texts come from the
// program's fault-text file ("TARVIK.FKD" beside the program), the one the poll reads.

#include <filesystem>

#include "FaultTextFile.h"
#include "FehlerEintrag.h"

class KELTInterface;

// The program's fault-text file in programFolder (KELTInterface::kSystemName + ".FKD", the name's
// case ignored); it need not exist.
FaultTextFile programFaultTextFile(const std::filesystem::path& programFolder);

// Empties the table, reads the fault memory into it (again while the user asks to repeat) and,
// with texts, looks up the component and fault-type texts of the entries in use. A read given
// up clears DiagnoseAktiv, and what the table holds then is not the ECU's fault memory. The
// final retry answer.
int ReadFaultTable(KELTInterface& kelt, FaultEntryTable& table, const FaultTextFile* texts = nullptr);

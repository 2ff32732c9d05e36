#include "CalibrationCheck.h"

#include "FaultMemoryRead.h"
#include "FaultMemoryTable.h"
#include "KELTInterface.h"

CalibrationCheck CheckCalibration(KELTInterface& kelt) {
    CalibrationCheck check;
    if (!isStandardEcuType(kelt.EcuTyp)) return check;

    FaultEntryTable entries{};
    check.answer = ReadFaultTable(kelt, entries);
    if (check.answer != 0) {
        check.outcome = CalibrationCheck::Outcome::ReadFailed;
        return check;
    }
    const std::size_t used = usedEntryCount(entries);
    for (std::size_t i = 0; i < used; ++i) {
        if (entries[i].FehlerartCode == kParameterDefinitionFaultMode && entries[i].Status == 1) {
            check.outcome = CalibrationCheck::Outcome::ParameterFault;
            break;
        }
    }
    return check;
}

bool CheckCalibrationAllowed(KELTInterface& kelt) { return CheckCalibration(kelt).allowed(); }

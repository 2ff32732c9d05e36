#pragma once
// The printed parameter protocol ("PARAMETER PROTOCOL"): the ECU's texts, the date and the
// parameters as "number / value" in three columns of 40 rows; a longer list goes on over further
// pages in the same layout. Each Prepare() lays the whole report out from the first parameter.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ParameterDataFile.h"
#include "ReportModel.h"

class ParameterPrintLayout : public ReportProducer {
public:
    static constexpr std::size_t kRowsPerColumn = 40;
    static constexpr std::size_t kColumns = 3;
    static constexpr std::size_t kPerPage = kRowsPerColumn * kColumns;
    static constexpr const char* kJobName = "Fehlerspeicherprotokoll";

    std::string System = "---";
    std::string Teilenummer = "---";
    std::string Fertigungsdatum = "---";
    std::string Seriennr = "---";
    std::string Datum;
    std::vector<std::string> Nummern;  // one per parameter
    std::vector<std::string> Werte;    // as many as Nummern

    Report Prepare() override;
};

// A parameter's value as printed: what the editor shows, (raw - Offset) x Faktor, in the shortest
// general form with "." and up to 15 significant digits, a blank and the unit.
std::string parameterPrintValue(const structParaInfo& parameter, uint16_t raw);

// The numbers and values of the block's parameters.
void fillParameterPrint(ParameterPrintLayout& layout, const _ParaKonf& konf, const ParameterDatensatz& data);

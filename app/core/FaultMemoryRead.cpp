#include "FaultMemoryRead.h"

#include "ErrorReporter.h"
#include "FaultMemoryTable.h"
#include "KELTInterface.h"

FaultTextFile programFaultTextFile(const std::filesystem::path& programFolder) {
    // The file object matches the name's case itself, scanning the folder only when the exact
    // name is missing.
    return FaultTextFile(programFolder / (std::string(KELTInterface::kSystemName) + ".FKD"));
}

int ReadFaultTable(KELTInterface& kelt, FaultEntryTable& table, const FaultTextFile* texts) {
    FehlerTabelleLoeschen(table);
    const int answer = repeatWhileAsked([&] { return kelt.ReadFaultMemory(table); });
    if (answer != NoErrorShown) {
        kelt.DiagnoseAktiv = 0;
        return answer;
    }
    if (texts) {
        const std::size_t used = usedEntryCount(table);
        for (std::size_t i = 0; i < used; ++i) {
            table[i].KomponentenName = texts->KomponentenText(table[i].KomponentenCode);
            table[i].FehlerartName = texts->FehlerartText(table[i].FehlerartCode);
        }
    }
    return answer;
}

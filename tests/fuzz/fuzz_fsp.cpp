// Fault-memory protocol files (".FSP") as the print command reads them back: any file text, the
// program's section or another. The record holds at most 100 entries, no more than the section
// has keys, each current or stored; the file is never changed.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "FaultProtocol.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeBool() ? "TARVIK ERROR RECORD" : in.ConsumeRandomLengthString(40);
    const std::string text = in.ConsumeRemainingBytesAsString();
    const std::filesystem::path path = fuzz::freshFolder() / "BUS.FSP";
    TempDir::writeFile(path, text);

    const ProtocolRead read = readProtocol(path, section);
    FUZZ_CHECK(read.file.ok());
    if (read.record) {
        const FehlerspeicherProtokoll& record = *read.record;
        FUZZ_CHECK(record.Anzahl <= 100);
        FUZZ_CHECK(record.Anzahl <= ProfileFile(path).keyNames(section).size());
        for (const fehl_strct& entry : record.Eintraege) FUZZ_CHECK(entry.Aktuell <= 1);
    }
    FUZZ_CHECK(TempDir::readFile(path) == text);
    return 0;
}

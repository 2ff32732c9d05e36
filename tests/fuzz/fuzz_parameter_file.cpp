// Parameter data files as the parameter editor loads them for its description: any file, any
// system name. The file is never changed by a load; a loaded block has the description's length
// and, saved again, loads back the same, with the file's other sections kept.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "FuzzSupport.h"
#include "ParameterDataFile.h"
#include "TestProgramContext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string systemName = in.ConsumeBool() ? "KELT" : in.ConsumeRandomLengthString(12);
    const std::string text = in.ConsumeRemainingBytesAsString();

    const std::filesystem::path folder = fuzz::freshFolder();
    TempDir::writeFile(folder / "10780100.PKD", "[1]\r\n[2]\r\nWORD=1\r\n[3]\r\nBit=1\r\n[4]\r\n");
    const std::optional<ParameterDescription> pkd = readParameterDescription(folder / "10780100.PKD");
    FUZZ_CHECK(pkd && pkd->ParaKonf.AnzahlBytes() == 5);

    const std::filesystem::path path = folder / "BUS.ECU";
    TempDir::writeFile(path, text);
    TestProgramContext context;
    const ParameterFileLoad load = loadParameterFile(path, systemName, *pkd, context);
    FUZZ_CHECK(TempDir::readFile(path) == text);
    if (!load.loaded()) {
        FUZZ_CHECK(load.block.empty());
        return 0;
    }
    FUZZ_CHECK(load.block.size() == pkd->ParaKonf.AnzahlBytes());

    const fuzz::ProfileValues before = fuzz::everyValue(ProfileFile(path));
    const ParameterFileHeader header{systemName, "1234", pkd->DiagnoseKennung, {}};
    if (!saveParameterFile(path, header, BlockInDatensatz(pkd->ParaKonf, load.block), context)) {
        FUZZ_CHECK(TempDir::readFile(path) == text);
        return 0;
    }
    const ParameterFileLoad again = loadParameterFile(path, systemName, *pkd, context);
    FUZZ_CHECK(again.loaded() && again.block == load.block);
    // The save rewrites the system's section and the vehicle block, nothing else.
    const std::string own = parameterSectionName(systemName);
    FUZZ_CHECK(fuzz::keptExcept(before, fuzz::everyValue(ProfileFile(path)),
                                [&](const std::string& s, const std::string&) {
                                    return equalsNoCase(s, own) || equalsNoCase(s, "FileInfo");
                                }));
    return 0;
}

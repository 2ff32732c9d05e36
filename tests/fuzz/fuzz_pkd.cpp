// Parameter description files (".PKD") as the parameter editor and its picker read them. A
// description that loads has at most 500 parameters, each with a usable factor, a known kind,
// 0..3 decimals and the block length its kinds add up to; the file is never changed.
#include <cmath>
#include <string>

#include "FuzzSupport.h"
#include "ParameterDescription.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path folder = fuzz::freshFolder();
    const std::filesystem::path path = folder / "10780100.PKD";
    TempDir::writeFile(path, text);

    if (const std::optional<ParameterDescription> read = readParameterDescription(path)) {
        const _ParaKonf& konf = read->ParaKonf;
        FUZZ_CHECK(konf.Parameter.size() <= kMaxParameters);
        size_t bytes = 0;
        for (const structParaInfo& p : konf.Parameter) {
            FUZZ_CHECK(std::isfinite(p.Faktor) && p.Faktor != 0.0);
            FUZZ_CHECK(p.Art == ArtByte || p.Art == ArtWord || p.Art == ArtBits);
            FUZZ_CHECK(p.Format >= 0 && p.Format <= 3);
            bytes += p.bytes();
        }
        FUZZ_CHECK(konf.AnzahlBytes() == bytes);
        FUZZ_CHECK(read->DiagnoseKennung == "10780100");
    }
    const std::vector<ECU_PKD_Liste> listed = listParameterDescriptions(folder);
    // One line per ECU the file names, at least one.
    FUZZ_CHECK(!listed.empty());
    for (const ECU_PKD_Liste& entry : listed)
        FUZZ_CHECK(entry.Datei == "10780100.PKD" && !pkdListLine(entry).empty());
    FUZZ_CHECK(TempDir::readFile(path) == text);
    return 0;
}

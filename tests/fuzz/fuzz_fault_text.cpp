// The fault-text file (".FKD") as the fault-memory window and the main window's poll read it:
// any file text, looked up for codes taken from the file and from the input. Every text stays
// within its field and the file is never changed.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "FaultTextFile.h"
#include "FuzzSupport.h"
#include "ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t component = in.ConsumeIntegral<int32_t>();
    const int32_t mode = in.ConsumeIntegral<int32_t>();
    const std::string text = in.ConsumeRemainingBytesAsString();

    // The name in another case than asked for: the lookup finds it all the same.
    const std::filesystem::path folder = fuzz::freshFolder();
    TempDir::writeFile(folder / "tarvik.fkd", text);
    const FaultTextFile texts(folder / "TARVIK.FKD");
    FUZZ_CHECK(texts.exists());

    const auto check = [&](int32_t k, int32_t f) {
        FUZZ_CHECK(texts.KomponentenText(k).size() <= FaultTextFile::kMaxNameLength);
        FUZZ_CHECK(texts.FehlerartText(f).size() <= FaultTextFile::kMaxNameLength);
        FUZZ_CHECK(texts.HinweisAnzeige(k, f).size() <= FaultTextFile::kMaxShownHintLength);
        FUZZ_CHECK(texts.HinweisText(k, f).size() <= FaultTextFile::kMaxHintLength);
    };
    check(component, mode);
    // The codes the file itself names, as far as they are numbers.
    const ProfileFile file(folder / "tarvik.fkd");
    for (const char* section : {"Komponente", "Fehlerart", "Hinweis"})
        for (const std::string& key : file.keyNames(section)) {
            int32_t code = 0;
            try {
                code = std::stoi(key);
            } catch (...) {
                continue;
            }
            check(code, code);
            check(code / 100, code % 100);
        }
    FUZZ_CHECK(TempDir::readFile(folder / "tarvik.fkd") == text);
    return 0;
}

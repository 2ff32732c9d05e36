// Data files (NNorvaFile) as a saver opens them: any existing file, checked against a connected
// ECU's identification and structure version (the technician's answer to each question taken
// from the input), read through the number-with-comment rule, then saved in one batch. The
// opening and the reads never change the file; a save writes its own section and keeps every
// key of the others.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "FuzzSupport.h"
#include "MessageBox.h"
#include "NNorvaFile.h"
#include "TestProgramContext.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const uint32_t answers = in.ConsumeIntegral<uint32_t>();
    const bool identified = in.ConsumeBool();
    const std::string text = in.ConsumeRemainingBytesAsString();

    const std::filesystem::path path = fuzz::freshFolder() / "DATA.NDF";
    TempDir::writeFile(path, text);
    TestProgramContext context;
    int asked = 0;
    context.boxes.answer = [&](const ShownBox&) {
        return (answers >> (2 * (asked++ % 16)) & 1) ? IDOK : IDCANCEL;
    };

    const fuzz::ProfileValues before = fuzz::everyValue(ProfileFile(path));
    {
        NNorvaFile file(path.string(), "1.0", identified ? "10 78 01 00" : "", 0, "",
                        NNorvaFile::Writes::Batch, context);
        FUZZ_CHECK(file.Existed);
        FUZZ_CHECK(file.FileVersionSub.size() <= 100);
        for (const auto& [name, value] : before) {
            std::string comment;
            file.ReadNumberWithComment(name.first, name.second, &comment, 7);
            FUZZ_CHECK(file.ReadString(name.first, name.second) == value);
        }
        FUZZ_CHECK(TempDir::readFile(path) == text);
        if (!file.Valid) return 0;

        const bool written = file.SetSection("Fuzz Parameter") && file.EraseCurrentSection() &&
                             file.WriteValue("P_1", "5") && file.WriteValue("Checksum", "6");
        FUZZ_CHECK(TempDir::readFile(path) == text);
        if (!written || !file.Commit()) {
            FUZZ_CHECK(TempDir::readFile(path) == text);
            return 0;
        }
    }
    FUZZ_CHECK(fuzz::keptExcept(before, fuzz::everyValue(ProfileFile(path)),
                                [](const std::string& s, const std::string&) {
                                    return equalsNoCase(s, "Fuzz Parameter");
                                }));
    const ProfileFile saved(path);
    FUZZ_CHECK(saved.keyNames("Fuzz Parameter").size() == 2);
    FUZZ_CHECK(saved.readString("Fuzz Parameter", "P_1") == "5");
    return 0;
}

// Data files (NNorvaFile) as a saver opens them: any existing file, checked against a connected
// ECU's identification and structure version (the technician's answer to each question taken
// from the input), read through the number-with-comment rule, then saved in one batch. The
// opening and the reads never change the file on disk and read every key as it stands, except
// that a header the technician agreed to complete gains the keys it lacked (and, when it lacked
// its structure version, a new date of creation); a save writes its own section and keeps every
// other key.
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
    // A header key the file lacks (or leaves empty) may be completed once the technician agrees;
    // adding a missing structure version also dates the file anew.
    bool versionMissing = true;
    for (const auto& [name, value] : before)
        if (equalsNoCase(name.first, "VERSION") && equalsNoCase(name.second, "FILESTRUCTUREVERSION")) {
            versionMissing = value == "-";
            break;
        }
    const auto completed = [&](const std::string& section, const std::string& key) {
        const auto found = before.find({section, key});
        if (versionMissing && equalsNoCase(section, "VERSION") && equalsNoCase(key, "DATEOFCREATION")) return true;
        return (equalsNoCase(section, "VERSION") || equalsNoCase(section, "ECU-IDENTIFICATION")) &&
               (found == before.end() || found->second.empty());
    };
    {
        NNorvaFile file(path.string(), "1.0", identified ? "10 78 01 00" : "", 0, "",
                        NNorvaFile::Writes::Batch, context);
        FUZZ_CHECK(file.Existed);
        FUZZ_CHECK(file.FileVersionSub.size() <= 100);
        for (const auto& [name, value] : before) {
            std::string comment;
            file.ReadNumberWithComment(name.first, name.second, &comment, 7);
            FUZZ_CHECK(completed(name.first, name.second) ||
                       file.ReadString(name.first, name.second) == value);
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
                                [&](const std::string& s, const std::string& k) {
                                    return equalsNoCase(s, "Fuzz Parameter") || completed(s, k);
                                }));
    const ProfileFile saved(path);
    FUZZ_CHECK(saved.keyNames("Fuzz Parameter").size() == 2);
    FUZZ_CHECK(saved.readString("Fuzz Parameter", "P_1") == "5");
    return 0;
}

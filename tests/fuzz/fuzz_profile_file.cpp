// Profile (INI) files as every settings and data file of the program reads and writes them: any
// file text, then one write of a key, at once (ProfileFile) or through an edit (ProfileEdit). The
// write changes no other key, reads back as written, and a refused write leaves the file as it
// was.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "FuzzSupport.h"
#include "ProfileFile.h"

namespace {

std::string trimmed(std::string_view s) {
    const size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    const size_t end = s.find_last_not_of(" \t");
    return std::string(s.substr(begin, end - begin + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const bool batch = in.ConsumeBool();
    const std::string section = in.ConsumeRandomLengthString(40);
    const std::string key = in.ConsumeRandomLengthString(40);
    const std::string value = in.ConsumeRandomLengthString(80);
    const std::string text = in.ConsumeRemainingBytesAsString();

    const std::filesystem::path path = fuzz::freshFolder() / "fuzz.ini";
    TempDir::writeFile(path, text);
    ProfileFile file(path);
    const fuzz::ProfileValues before = fuzz::everyValue(file);

    ProfileWriteResult written;
    if (batch) {
        ProfileEdit edit{ProfileFile(path)};
        FUZZ_CHECK(fuzz::everyValue(edit) == before);
        written = edit.writeString(section, key, value);
        if (written) written = edit.commit();
    } else {
        written = file.writeString(section, key, value);
    }
    if (!written) {
        FUZZ_CHECK(TempDir::readFile(path) == text);
        return 0;
    }

    FUZZ_CHECK(file.value(section, key) == trimmed(value));
    const fuzz::ProfileValues after = fuzz::everyValue(file);
    FUZZ_CHECK(fuzz::keptExcept(before, after, [&](const std::string& s, const std::string& k) {
        return equalsNoCase(s, trimmed(section)) && equalsNoCase(k, trimmed(key));
    }));
    // Only the written key may be new.
    FUZZ_CHECK(after.size() <= before.size() + 1);
    return 0;
}

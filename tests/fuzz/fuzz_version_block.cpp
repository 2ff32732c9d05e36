// The version block of a program file (platform/VersionBlock.h): any file, read as the About box
// and the program's start read their program file. A section is never larger than asked for, the
// block is the parse of the section's text, and the file is never changed.
#include <string>

#include "FuzzSupport.h"
#include "VersionBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path file = fuzz::freshFolder() / "program";
    TempDir::writeFile(file, bytes);

    const std::optional<std::string> small = readElfSection(file, kVersionSectionName, 64);
    FUZZ_CHECK(!small || small->size() <= 64);
    const std::optional<std::string> section = readElfSection(file, kVersionSectionName);
    // A section that fits the small limit is the same under the large one.
    FUZZ_CHECK(!small || section == small);
    const std::optional<VersionBlock> block = VersionBlock::readFile(file);
    FUZZ_CHECK(block.has_value() == section.has_value());
    if (block) FUZZ_CHECK(block->entries() == VersionBlock::parse(*section).entries());
    FUZZ_CHECK(TempDir::readFile(file) == bytes);
    return 0;
}

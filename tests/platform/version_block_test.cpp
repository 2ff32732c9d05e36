#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "TempDir.h"
#include "VersionBlock.h"

namespace {

// A minimal little-endian ELF image: header, section contents, the section-name table, then the
// section header table (null section, the given sections, the name table).
struct ElfSection {
    std::string name;
    uint32_t type;
    std::string data;
};

struct ElfImage {
    std::string bytes;
    bool is64 = false;
    uint64_t shoff = 0;
    uint64_t shentsize = 0;

    std::size_t headerField(const char* field) const {
        std::string f = field;
        if (f == "shoff") return is64 ? 40 : 32;
        std::size_t tail = is64 ? 58 : 46;
        if (f == "shentsize") return tail;
        if (f == "shnum") return tail + 2;
        return tail + 4;  // shstrndx
    }
    std::size_t sectionField(int index, const char* field) const {
        std::string f = field;
        std::size_t base = static_cast<std::size_t>(shoff + index * shentsize);
        if (f == "name") return base;
        if (f == "type") return base + 4;
        if (f == "offset") return base + (is64 ? 24 : 16);
        if (f == "size") return base + (is64 ? 32 : 20);
        return base + (is64 ? 40 : 24);  // link
    }
    std::size_t wordSize() const { return is64 ? 8 : 4; }
    void put(std::size_t at, uint64_t value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) bytes[at + i] = char((value >> (8 * i)) & 0xff);
    }
};

ElfImage buildElf(bool is64, const std::vector<ElfSection>& sections) {
    ElfImage img;
    img.is64 = is64;
    std::size_t headerSize = is64 ? 64 : 52;
    img.shentsize = is64 ? 64 : 40;
    img.bytes.assign(headerSize, '\0');

    std::vector<uint64_t> offsets;
    for (const auto& s : sections) {
        offsets.push_back(img.bytes.size());
        img.bytes += s.data;
    }
    std::string names(1, '\0');
    std::vector<uint32_t> nameOffsets;
    for (const auto& s : sections) {
        nameOffsets.push_back(static_cast<uint32_t>(names.size()));
        names += s.name + '\0';
    }
    uint32_t namesName = static_cast<uint32_t>(names.size());
    names += std::string(".shstrtab") + '\0';
    uint64_t namesOffset = img.bytes.size();
    img.bytes += names;

    img.shoff = img.bytes.size();
    std::size_t count = sections.size() + 2;
    img.bytes.append(count * img.shentsize, '\0');

    img.bytes[0] = 0x7f;
    img.bytes[1] = 'E';
    img.bytes[2] = 'L';
    img.bytes[3] = 'F';
    img.bytes[4] = is64 ? 2 : 1;
    img.bytes[5] = 1;  // little-endian
    img.bytes[6] = 1;
    img.put(img.headerField("shoff"), img.shoff, img.wordSize());
    img.put(img.headerField("shentsize"), img.shentsize, 2);
    img.put(img.headerField("shnum"), count, 2);
    img.put(img.headerField("shstrndx"), count - 1, 2);

    auto setSection = [&](int index, uint32_t name, uint32_t type, uint64_t offset,
                          uint64_t size) {
        img.put(img.sectionField(index, "name"), name, 4);
        img.put(img.sectionField(index, "type"), type, 4);
        img.put(img.sectionField(index, "offset"), offset, img.wordSize());
        img.put(img.sectionField(index, "size"), size, img.wordSize());
    };
    for (std::size_t i = 0; i < sections.size(); ++i)
        setSection(static_cast<int>(i + 1), nameOffsets[i], sections[i].type, offsets[i],
                   sections[i].data.size());
    setSection(static_cast<int>(count - 1), namesName, 3, namesOffset, names.size());
    return img;
}

constexpr uint32_t kProgBits = 1;
constexpr uint32_t kNoBits = 8;

const std::string kBlockText =
    "CompanyName=Maker\nProductName=Kelt Diagnostic Software\nProductVersion=1.32\n";

ElfImage sampleImage(bool is64) {
    return buildElf(is64, {{".text", kProgBits, std::string(16, '\x90')},
                           {".kelt_version", kProgBits, kBlockText + '\0'},
                           {".data", kProgBits, "xyz"}});
}

class VersionBlockFile : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& bytes) {
        auto file = dir_ / ("file" + std::to_string(counter_++));
        TempDir::writeFile(file, bytes);
        return file;
    }
    TempDir dir_;
    int counter_ = 0;
};

TEST_F(VersionBlockFile, OwnProgramFileCarriesTheTextsGivenInTheBuild) {
    auto block = VersionBlock::readFile("/proc/self/exe");
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->value("ProductName"), "Kelt Test Diagnostic Software");
    EXPECT_EQ(block->value("FileDescription"), "Version block test program");
    EXPECT_EQ(block->value("CompanyName"), "Test Company");
    EXPECT_EQ(block->value("NORVA_No"), "123456789");
    EXPECT_EQ(block->value("SprachID"), "en");
    EXPECT_EQ(block->value("Comments"), "Says \"hi\" from C:\\dir");
    // Defaults of the build function.
    EXPECT_EQ(block->value("InternalName"), "version_block_test");
    EXPECT_EQ(block->value("OriginalFilename"), "version_block_test");
    EXPECT_EQ(block->value("FileVersion"), "1.0.0.0");
    EXPECT_EQ(block->value("ProductVersion"), "1.0");
    // Keys not given are absent, not written empty.
    EXPECT_FALSE(block->has("LegalTrademarks"));
    EXPECT_EQ(block->value("SprachIndex"), "");
}

TEST_F(VersionBlockFile, FindsTheSectionIn32And64BitFiles) {
    for (bool is64 : {false, true}) {
        SCOPED_TRACE(is64 ? "64-bit" : "32-bit");
        auto block = VersionBlock::readFile(write(sampleImage(is64).bytes));
        ASSERT_TRUE(block.has_value());
        EXPECT_EQ(block->value("CompanyName"), "Maker");
        EXPECT_EQ(block->value("ProductVersion"), "1.32");
        EXPECT_EQ(block->value("productname"), "Kelt Diagnostic Software");
    }
}

TEST_F(VersionBlockFile, FilesWithoutABlockGiveNothing) {
    auto noSection = buildElf(true, {{".text", kProgBits, "abc"}});
    auto noBits = buildElf(true, {{".kelt_version", kNoBits, ""}});
    // A longer name that merely starts with the wanted one.
    auto longerName = buildElf(false, {{".kelt_version2", kProgBits, kBlockText}});
    auto bigEndian = sampleImage(true);
    bigEndian.bytes[5] = 2;
    auto badClass = sampleImage(true);
    badClass.bytes[4] = 3;

    struct Case {
        const char* name;
        std::filesystem::path file;
    };
    const Case cases[] = {
        {"ELF without the section", write(noSection.bytes)},
        {"section without file contents", write(noBits.bytes)},
        {"only a longer section name", write(longerName.bytes)},
        {"big-endian ELF", write(bigEndian.bytes)},
        {"unknown ELF class", write(badClass.bytes)},
        {"text file", write("CompanyName=Maker\n")},
        {"empty file", write("")},
        {"missing file", dir_ / "nothing-here"},
        {"folder", dir_.path()},
        {"device", "/dev/null"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(VersionBlock::readFile(c.file).has_value());
    }
}

TEST_F(VersionBlockFile, EveryTruncationOfAFileGivesNothing) {
    for (bool is64 : {false, true}) {
        std::string bytes = sampleImage(is64).bytes;
        ASSERT_TRUE(VersionBlock::readFile(write(bytes)).has_value());
        // The section table sits at the end, so every shorter prefix lacks part of it.
        auto file = dir_ / "truncated";
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            TempDir::writeFile(file, bytes.substr(0, length));
            EXPECT_FALSE(VersionBlock::readFile(file).has_value())
                << (is64 ? "64" : "32") << "-bit, length " << length;
        }
    }
}

TEST_F(VersionBlockFile, DamagedOffsetsAndCountsGiveNothing) {
    struct Damage {
        const char* name;
        bool header;       // a header field, else a field of the version section (index 2)
        const char* field;
        uint64_t value;
        bool wide;         // written with the word size of the class, else as in the header
    };
    const uint64_t huge = ~uint64_t(0);
    const Damage damages[] = {
        {"section table beyond the end", true, "shoff", 1u << 30, true},
        {"section table offset wraps", true, "shoff", huge, true},
        {"section table absent", true, "shoff", 0, true},
        {"too many sections", true, "shnum", 0xfff0, false},
        {"section entries too small", true, "shentsize", 8, false},
        {"name table index out of range", true, "shstrndx", 0xfff0, false},
        {"name table index zero", true, "shstrndx", 0, false},
        {"name offset beyond the name table", false, "name", 0x7fffffff, false},
        {"contents beyond the end", false, "offset", 1u << 30, true},
        {"contents offset wraps", false, "offset", huge, true},
        {"contents size wraps", false, "size", huge, true},
        {"contents larger than the file", false, "size", (1u << 20) + 1, true},
    };
    for (bool is64 : {false, true}) {
        for (const auto& d : damages) {
            SCOPED_TRACE(std::string(d.name) + (is64 ? " (64-bit)" : " (32-bit)"));
            ElfImage img = sampleImage(is64);
            std::size_t width = d.wide ? img.wordSize() : (d.header ? 2 : 4);
            std::size_t at = d.header ? img.headerField(d.field) : img.sectionField(2, d.field);
            img.put(at, d.value, width);
            EXPECT_FALSE(VersionBlock::readFile(write(img.bytes)).has_value());
        }
    }
}

TEST_F(VersionBlockFile, ExtendedSectionNumberingIsFollowed) {
    for (bool is64 : {false, true}) {
        SCOPED_TRACE(is64 ? "64-bit" : "32-bit");
        ElfImage img = sampleImage(is64);
        // Count and name-table index moved into section 0, as for files with many sections.
        img.put(img.headerField("shnum"), 0, 2);
        img.put(img.headerField("shstrndx"), 0xffff, 2);
        img.put(img.sectionField(0, "size"), 5, img.wordSize());
        img.put(img.sectionField(0, "link"), 4, 4);
        auto block = VersionBlock::readFile(write(img.bytes));
        ASSERT_TRUE(block.has_value());
        EXPECT_EQ(block->value("CompanyName"), "Maker");

        // A count in section 0 that the file cannot hold.
        uint64_t impossible = is64 ? uint64_t(1) << 40 : 0xffffffffu;
        img.put(img.sectionField(0, "size"), impossible, img.wordSize());
        EXPECT_FALSE(VersionBlock::readFile(write(img.bytes)).has_value());
    }
}

// Tables far larger than one read: tens of thousands of sections (so the count lives in section 0)
// with the wanted one last, behind names that fill a large string table.
TEST_F(VersionBlockFile, FindsTheLastOfManySections) {
    for (bool is64 : {false, true}) {
        SCOPED_TRACE(is64 ? "64-bit" : "32-bit");
        std::vector<ElfSection> sections;
        for (int i = 0; i < 70000; ++i)
            sections.push_back({".text.section" + std::to_string(i), kProgBits, ""});
        sections.push_back({".kelt_version", kProgBits, kBlockText});
        ElfImage img = buildElf(is64, sections);
        const uint64_t count = sections.size() + 2;
        img.put(img.headerField("shnum"), 0, 2);
        img.put(img.headerField("shstrndx"), 0xffff, 2);
        img.put(img.sectionField(0, "size"), count, img.wordSize());
        img.put(img.sectionField(0, "link"), count - 1, 4);
        auto block = VersionBlock::readFile(write(img.bytes));
        ASSERT_TRUE(block.has_value());
        EXPECT_EQ(block->value("ProductVersion"), "1.32");

        // The table one section short: the wanted one is not among those counted.
        img.put(img.sectionField(0, "size"), count - 1, img.wordSize());
        img.put(img.sectionField(0, "link"), 1, 4);
        EXPECT_FALSE(VersionBlock::readFile(write(img.bytes)).has_value());
    }
}

TEST_F(VersionBlockFile, StringTableEndingInsideTheNameGivesNothing) {
    for (bool is64 : {false, true}) {
        SCOPED_TRACE(is64 ? "64-bit" : "32-bit");
        ElfImage img = sampleImage(is64);
        const int namesIndex = 4;  // null, .text, .kelt_version, .data, the name table
        const std::size_t namesOffset = img.bytes.find(std::string("\0.text\0", 7));
        const std::size_t nameAt = img.bytes.find(std::string(".kelt_version") + '\0');
        ASSERT_LT(namesOffset, nameAt);
        // The name's last letter is the table's last byte: its NUL lies outside.
        img.put(img.sectionField(namesIndex, "size"), nameAt + 13 - namesOffset, img.wordSize());
        EXPECT_FALSE(VersionBlock::readFile(write(img.bytes)).has_value());
        // With its NUL inside it is found.
        img.put(img.sectionField(namesIndex, "size"), nameAt + 14 - namesOffset, img.wordSize());
        EXPECT_TRUE(VersionBlock::readFile(write(img.bytes)).has_value());
    }
}

// The running program's block is read once and given again; other files are read anew.
TEST_F(VersionBlockFile, RunningProgramReadByItsPathGivesItsBlock) {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    for (int i = 0; i < 2; ++i) {
        auto block = VersionBlock::readFile(self);
        ASSERT_TRUE(block.has_value());
        EXPECT_EQ(block->value("FileDescription"), "Version block test program");
    }
    // A copy of it elsewhere is another file: changed, it gives its own texts.
    std::string bytes = TempDir::readFile(self);
    const std::string line = "FileDescription=Version";
    const std::size_t at = bytes.find(line);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at + line.size() - 7, 7, "Changed");
    auto copy = VersionBlock::readFile(write(bytes));
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->value("FileDescription"), "Changed block test program");
}

TEST(VersionBlockParse, ReadsKeyValueLines) {
    using namespace std::string_view_literals;
    VersionBlock block = VersionBlock::parse(
        "CompanyName=First\r\n"
        "no equals sign here\n"
        "=no key\n"
        "Comments=a=b\n"
        "COMPANYNAME=Second\n"
        "Empty=\n"
        "ProductName=Before NUL\0ProductVersion=after NUL\n"sv);
    EXPECT_EQ(block.value("CompanyName"), "First");
    EXPECT_EQ(block.value("Comments"), "a=b");
    EXPECT_TRUE(block.has("Empty"));
    EXPECT_EQ(block.value("Empty"), "");
    EXPECT_EQ(block.value("ProductName"), "Before NUL");
    EXPECT_FALSE(block.has("ProductVersion"));
    EXPECT_EQ(block.entries().size(), 4u);
}

}  // namespace

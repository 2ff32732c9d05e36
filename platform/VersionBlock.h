#pragma once
// The version texts of a program file (what Windows keeps in a file's version block). Our
// binaries carry them as "key=value" lines in the ELF section ".kelt_version", which the CMake
// function kelt_add_version_block writes; readFile finds that section in any file.
// A file that is missing, is no little-endian ELF file, is damaged or has no such section gives
// no block; every offset read from the file is checked against its size first.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr std::string_view kVersionSectionName = ".kelt_version";

class VersionBlock {
public:
    // The block of a file; nothing when the file has none or cannot be read as ELF. The running
    // program's own file (by the path /proc/self/exe links to) is read only once per process.
    static std::optional<VersionBlock> readFile(const std::filesystem::path& file);
    // The block from its text: "key=value" lines (LF or CRLF), ending at the first NUL; lines
    // without '=' are skipped, of repeated keys the first counts.
    static VersionBlock parse(std::string_view text);

    // The value of a key (compared without regard to ASCII case); empty when missing.
    std::string value(std::string_view key) const;
    bool has(std::string_view key) const;
    const std::vector<std::pair<std::string, std::string>>& entries() const { return entries_; }

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

// The raw contents of a named section of an ELF file (32- or 64-bit, little-endian); nothing
// when the file is missing, malformed, or lacks the section. Sections larger than maxSize are
// refused. The section table and the name table are each read in one read when at most 64 KiB.
std::optional<std::string> readElfSection(const std::filesystem::path& file,
                                          std::string_view sectionName,
                                          std::size_t maxSize = 1 << 20);

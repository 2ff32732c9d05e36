#pragma once
// INI files with the semantics of the Windows profile-file functions, which every settings and
// data file of the program relies on:
// - section and key names compare without regard to (ASCII) case and keep the spelling they were
//   first written with;
// - every read looks at the file as it is now, every write reaches the file at once;
// - a new key goes to the end of its section, a new section to the end of the file;
// - of duplicate keys (or sections) the first one wins;
// - names and values are trimmed of blanks and tabs;
// - lines end in CRLF when written; LF and CRLF are both read;
// - values and key lists are read whole (no length cut).
// Texts are byte strings (the files are Windows-1252); conversion happens at the window boundary.
// A write that fails leaves the file as it was and says why.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Outcome of a write: ok, or the errno and a readable message.
struct ProfileWriteResult {
    int error = 0;        // errno of the failing call, 0 on success
    std::string message;  // what failed, for the user; empty on success
    bool ok() const { return error == 0; }
    explicit operator bool() const { return ok(); }
};

class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }
    bool exists() const;

    // The value of key in section, or nothing when the file, section or key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // GetPrivateProfileString: the value, or def when missing.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def = {}) const;
    // GetPrivateProfileInt: the leading decimal number of the value (an optional sign, then
    // digits), def when the key is missing; a value without leading digits gives 0.
    int readInt(std::string_view section, std::string_view key, int def) const;

    // Section names in file order, first spelling, duplicates dropped.
    std::vector<std::string> sectionNames() const;
    // Key names of a section in file order, first spelling, duplicates dropped.
    std::vector<std::string> keyNames(std::string_view section) const;
    bool hasSection(std::string_view section) const;

    // WritePrivateProfileString: set or add key = value. Creates the file (not its folder).
    ProfileWriteResult writeString(std::string_view section, std::string_view key,
                                   std::string_view value);
    ProfileWriteResult writeInt(std::string_view section, std::string_view key, long long value);
    // Removes the key (every duplicate of it); a missing key is not an error.
    ProfileWriteResult deleteKey(std::string_view section, std::string_view key);
    // Removes the section with all its keys; a missing section is not an error.
    ProfileWriteResult deleteSection(std::string_view section);

private:
    std::filesystem::path path_;
};

// Case-insensitive (ASCII) equality, the comparison the profile files use for names.
bool equalsNoCase(std::string_view a, std::string_view b);

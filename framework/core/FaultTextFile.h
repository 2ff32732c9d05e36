#pragma once
// The fault-text file of a diagnostic system ("<name>.FKD" beside the program): an INI file that
// turns the numeric codes of a fault entry into texts.
//
//   [Komponente]  <component code> = component text
//   [Fehlerart]   <fault-type code> = fault-type text
//   [Hinweis]     <component * 100 + fault type> = hint for that fault
//
// The file is only read. It is parsed at the first lookup and again only when its modification
// time or size has changed; every object and copy for the same file shares the parsed text (the
// process keeps the last few files read), so a lookup costs one stat and one keyed look-up
// however large the file and however many windows were opened on it. A missing file is looked
// for in its folder (another spelling) at the first lookup and again only after the folder
// changed: a file put there later is found at the next lookup. A missing file, section or key is
// not an error: the lookups give their defaults. Texts are Windows-1252 bytes like every file
// text.
//
// Use, e.g. in the main window's poll:
//   FaultTextFile texts(programFolder / "TARVIK.FKD");   // the name's case does not matter
//   std::string line = texts.KomponentenText(component) + "\n" + texts.FehlerartText(mode);
// or, with the numbered substitute search of the fault-memory window:
//   FaultTextFileSearch found = findFaultTextFile(programFolder, "1078012A", true);
//   FaultTextFile texts(found.path);

#include "StringTable.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class FaultTextFile {
public:
    // Longest component and fault-type text (they fill a 128-character field).
    static constexpr std::size_t kMaxNameLength = 127;
    // Longest hint as the fault-memory window shows it, and as HinweisText gives it.
    static constexpr std::size_t kMaxShownHintLength = 1023;
    static constexpr std::size_t kMaxHintLength = 2047;
    // The window's hint when the file has none for a fault.
    static constexpr const char* kNoHint = "---";

    // The file at `file`. When that exact path does not exist, a file of the same folder whose
    // name differs only in (ASCII) case is used instead. The file need not exist at all.
    explicit FaultTextFile(const std::filesystem::path& file);

    // The file the lookups read (the case-matched one when found).
    const std::filesystem::path& path() const { return path_; }
    // The file asked for.
    const std::filesystem::path& requested() const { return requested_; }
    bool exists() const;

    // [Komponente] text of the code; "Unknown" (string 11106) when missing; at most 127 characters.
    std::string KomponentenText(int32_t code) const;
    // [Fehlerart] text of the code; "Unknown" when missing; at most 127 characters.
    std::string FehlerartText(int32_t code) const;
    // [Hinweis] text of the code pair as the window's hint box shows it: "---" when missing,
    // at most 1023 characters.
    std::string HinweisAnzeige(int32_t komponente, int32_t fehlerart) const;
    // [Hinweis] text of the code pair: "Unknown" when missing, at most 2047 characters.
    std::string HinweisText(int32_t komponente, int32_t fehlerart) const;

    // The default text of a missing component or fault type (string 11106).
    static std::string unknownText();
    // The [Hinweis] key of a code pair: component * 100 + fault type in decimal (computed without
    // overflow for any two codes).
    static std::string hintKey(int32_t komponente, int32_t fehlerart);

private:
    // What tells a changed file: its modification time and size.
    struct FileState {
        bool present = false;
        std::filesystem::file_time_type modified{};
        std::uintmax_t size = 0;
        bool operator==(const FileState&) const = default;
    };
    // The folder as the last search for another spelling found it.
    struct FolderSearch {
        std::filesystem::file_time_type modified{};
        bool settled = false;  // the folder had not changed for a while: the search stands
    };
    struct Snapshot;
    // The parsed text of the file in that state, shared with every object that read it.
    static std::shared_ptr<const Snapshot> sharedSnapshot(const std::filesystem::path& file,
                                                          const FileState& state);
    // Whether the folder must be searched for another spelling of a missing file.
    bool folderSearchDue() const;
    std::string lookup(std::string_view section, std::string_view key, std::string_view def,
                       std::size_t maxLength) const;

    std::filesystem::path requested_;
    // The case-matched file; searched again while it is missing.
    mutable std::filesystem::path path_;
    mutable std::shared_ptr<const Snapshot> snapshot_;
    mutable std::optional<FolderSearch> lastSearch_;
};

// The file named `fileName` in `folder`, compared without regard to (ASCII) case; an exact match
// is preferred. Nothing when the folder has no such regular file. Only names inside the folder
// can match, so a name holding a separator never does.
std::optional<std::filesystem::path> findFileNoCase(const std::filesystem::path& folder,
                                                    std::string_view fileName);

// How findFaultTextFile came to its file.
enum class FaultTextFileSource {
    Original,    // "<name>.FKD" exists
    Substitute,  // a numbered substitute was found
    Missing,     // neither: path is the original's path, which does not exist
};

struct FaultTextFileSearch {
    std::filesystem::path path;       // the file to read (see source)
    std::filesystem::path requested;  // folder / (name + ".FKD"), the file asked for
    FaultTextFileSource source = FaultTextFileSource::Missing;
};

// Locates "<name>.FKD" in folder (name matched without regard to case). When it is missing and
// fallback is set, the substitute search: base = the first 6 characters of name, v = characters
// 7 and 8 (those present) read as a hexadecimal number; the first existing file
// base + n + ".FKD" for n = v, v-1, ..., 0 (n as two upper-case hexadecimal digits) is taken.
// A name of 6 characters or fewer, or with characters 7-8 not hexadecimal, has no substitute.
FaultTextFileSearch findFaultTextFile(const std::filesystem::path& folder, std::string_view name,
                                      bool fallback);

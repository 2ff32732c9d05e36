#pragma once
// The file dialog behind a small interface, so the logic that chooses files runs without
// windows: the Qt layer installs QtFileChooser at start-up, tests install ScriptedFileChooser.
//
// File names are file-system names (UTF-8 on Linux); the title and the filter descriptions are
// Windows-1252 texts like every other text of the program.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One entry of a dialog's filter list: "ECU data (*.ecu)" with "*.ecu". Several patterns are
// separated by ';'.
struct FileFilter {
    std::string description;
    std::string pattern;
    bool operator==(const FileFilter&) const = default;
};

// Filter pairs from texts of the form "description|pattern|description|pattern...".
std::vector<FileFilter> filterPairs(std::string_view joined);

// What a file dialog is to show.
struct FileChoice {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    std::string title;                 // empty: the dialog's own
    std::filesystem::path folder;      // where it starts
    std::string fileName;              // the name it proposes; may be empty
    std::vector<FileFilter> filters;   // the first one is preselected
    std::string defaultSuffix;         // without ".", added to a name typed without one; may be empty
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Shows the dialog modally and returns the full path chosen, or nothing when the technician
    // cancels. An open dialog also returns names of files that do not exist, and a save dialog
    // asks nothing about an existing file: the caller decides both.
    virtual std::optional<std::filesystem::path> chooseFile(const FileChoice& choice) = 0;
};

// Installs the chooser the program uses; returns the one installed before (may be null).
FileChooser* installFileChooser(FileChooser* chooser);
// The installed chooser. Throws std::logic_error when none is installed: a dialog that cannot be
// shown must not be taken as a cancel.
FileChooser& fileChooser();

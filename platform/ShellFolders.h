#pragma once
// The user's folders that stand in for the Windows shell folders:
// - documents: what `xdg-user-dir DOCUMENTS` names (when it is an existing folder other than
//   the home folder itself, which the tool answers for an unset entry), else $HOME/Documents
//   when it exists, else nothing;
// - data: $XDG_DATA_HOME, else $HOME/.local/share;
// - config: $XDG_CONFIG_HOME, else $HOME/.config;
// - common documents (where the application INI file lives): documents, else data.
// Relative XDG variables are ignored, as the XDG base-directory rules ask. A folder that cannot
// be determined is an empty path.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Environment.h"

class ShellFolders {
public:
    // Answers `xdg-user-dir <name>`: the folder text, nothing when the tool is missing or fails.
    using UserDirQuery = std::function<std::optional<std::string>(const std::string& name)>;

    ShellFolders(Environment environment, UserDirQuery userDir);
    // The process environment and the installed xdg-user-dir tool.
    static ShellFolders system();

    std::filesystem::path documents() const;
    std::filesystem::path data() const;
    std::filesystem::path config() const;
    std::filesystem::path commonDocuments() const;

    const Environment& environment() const { return environment_; }

private:
    std::optional<std::filesystem::path> home() const;
    std::filesystem::path xdgBase(const char* variable, const char* homeRelative) const;

    Environment environment_;
    UserDirQuery userDir_;
};

// Runs a program (looked up on PATH when the name has no slash) with the given arguments, no
// shell, stdin and stderr on /dev/null, and gives the first line of its standard output without
// the line end. Nothing when it cannot be started, exits with a non-zero status, or has not
// finished within the time limit (it is then killed).
std::optional<std::string> firstOutputLine(
    const std::string& program, const std::vector<std::string>& arguments,
    std::chrono::milliseconds timeLimit = std::chrono::milliseconds(5000));

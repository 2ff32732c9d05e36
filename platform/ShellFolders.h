#pragma once
// The user's folders that stand in for the Windows shell folders:
// - documents: what `xdg-user-dir DOCUMENTS` names (when it is an existing folder other than
//   the home folder itself, which the tool answers for an unset entry), else $HOME/Documents
//   when it exists, else nothing. The program reads the tool's file itself (userDirOf): the tool
//   is a shell script, and starting it cost a tenth of the program's start;
// - data: $XDG_DATA_HOME, else $HOME/.local/share;
// - config: $XDG_CONFIG_HOME, else $HOME/.config;
// - common documents (where the application INI file lives): documents, else data.
// Relative XDG variables are ignored, as the XDG base-directory rules ask. A folder that cannot
// be determined is an empty path.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Environment.h"

class ShellFolders {
public:
    // Answers `xdg-user-dir <name>`: the folder text, nothing when it cannot be told.
    using UserDirQuery = std::function<std::optional<std::string>(const std::string& name)>;

    ShellFolders(Environment environment, UserDirQuery userDir);
    // The process environment and the user's user-dirs.dirs (userDirOf).
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

// What `xdg-user-dir <name>` prints, without running it: XDG_<name>_DIR as
// $XDG_CONFIG_HOME/user-dirs.dirs (else $HOME/.config/user-dirs.dirs) assigns it, the last
// assignment winning, "$HOME" at its start standing for the home folder; else the variable of
// that name in the environment; else the home folder. Nothing without a home folder.
std::optional<std::string> userDirOf(const Environment& environment, const std::string& name);

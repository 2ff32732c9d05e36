#pragma once
// The user's registry (HKEY_CURRENT_USER) as far as the program uses it: string values under a
// key path, kept in the profile file <config folder>/NORVA/registry.ini. Each key path is one
// section, each value name one key; both compare without regard to (ASCII) case, and a leading
// or doubled backslash in a key path does not matter ("\Software\NORVA" and "software\norva"
// are the same key). Values are single-line texts without surrounding blanks.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "Environment.h"
#include "ProfileFile.h"

// Where the program keeps the user's company ("Firma") and name ("Name").
inline constexpr std::string_view kUserInfoKey = "\\Software\\NORVA\\Diagnose\\User_Info";

class UserRegistry {
public:
    // A registry kept in the given file.
    explicit UserRegistry(std::filesystem::path file);
    // The user's registry: $XDG_CONFIG_HOME/NORVA/registry.ini, else
    // $HOME/.config/NORVA/registry.ini. Without either variable the file is an empty path, every
    // read finds nothing and every write fails.
    static UserRegistry forUser(const Environment& environment = Environment::process());
    static std::filesystem::path userFile(const Environment& environment);

    const std::filesystem::path& file() const { return file_; }

    // The value, or nothing when the file, the key or the value is missing.
    std::optional<std::string> readString(std::string_view keyPath,
                                          std::string_view valueName) const;
    // Sets the value, creating the key, the file and its folder as needed. Refused with EINVAL:
    // an empty key path or value name, names the file format cannot hold, values with line
    // breaks.
    ProfileWriteResult writeString(std::string_view keyPath, std::string_view valueName,
                                   std::string_view value);

    // The key path as the file stores it: without leading, trailing or doubled backslashes.
    static std::string normalizeKeyPath(std::string_view keyPath);

private:
    std::filesystem::path file_;
};

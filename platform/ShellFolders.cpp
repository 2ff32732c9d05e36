#include "ShellFolders.h"

#include <fstream>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

bool isDirectory(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::is_directory(p, ec);
}

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

}  // namespace

ShellFolders::ShellFolders(Environment environment, UserDirQuery userDir)
    : environment_(std::move(environment)), userDir_(std::move(userDir)) {}

ShellFolders ShellFolders::system() {
    Environment environment = Environment::process();
    return ShellFolders(environment, [environment](const std::string& name) {
        return userDirOf(environment, name);
    });
}

std::optional<fs::path> ShellFolders::home() const {
    auto value = environment_.nonEmpty("HOME");
    if (!value) return std::nullopt;
    return fs::path(*value);
}

fs::path ShellFolders::xdgBase(const char* variable, const char* homeRelative) const {
    if (auto value = environment_.nonEmpty(variable)) {
        fs::path p(*value);
        if (p.is_absolute()) return p;
    }
    if (auto h = home()) return *h / homeRelative;
    return {};
}

fs::path ShellFolders::documents() const {
    auto h = home();
    if (userDir_) {
        if (auto answer = userDir_("DOCUMENTS")) {
            fs::path p(*answer);
            // The tool answers the home folder for an entry that is not set up.
            bool isHome = h && sameFolder(p, *h);
            if (p.is_absolute() && isDirectory(p) && !isHome) return p;
        }
    }
    if (h) {
        fs::path p = *h / "Documents";
        if (isDirectory(p)) return p;
    }
    return {};
}

fs::path ShellFolders::data() const { return xdgBase("XDG_DATA_HOME", ".local/share"); }

fs::path ShellFolders::config() const { return xdgBase("XDG_CONFIG_HOME", ".config"); }

fs::path ShellFolders::commonDocuments() const {
    fs::path d = documents();
    return d.empty() ? data() : d;
}

std::optional<std::string> userDirOf(const Environment& environment, const std::string& name) {
    const std::optional<std::string> home = environment.nonEmpty("HOME");
    if (!home) return std::nullopt;
    const std::string variable = "XDG_" + name + "_DIR";
    std::optional<std::string> value;

    fs::path config;
    if (auto base = environment.nonEmpty("XDG_CONFIG_HOME"); base && fs::path(*base).is_absolute())
        config = *base;
    else
        config = fs::path(*home) / ".config";
    std::ifstream file(config / "user-dirs.dirs");
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        const std::size_t equals = line.find('=', start);
        if (equals == std::string::npos || line.compare(start, equals - start, variable) != 0) continue;
        std::string text = line.substr(equals + 1);
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
        for (const char* prefix : {"${HOME}", "$HOME"}) {
            if (text.rfind(prefix, 0) == 0) {
                text = *home + text.substr(std::string(prefix).size());
                break;
            }
        }
        value = text;
    }
    if (!value) value = environment.nonEmpty(variable);
    return value ? value : home;
}

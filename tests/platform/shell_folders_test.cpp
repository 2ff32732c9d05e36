#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "ShellFolders.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

// A home folder in a temp folder, an environment made of it and a scripted xdg-user-dir.
class ShellFoldersTest : public ::testing::Test {
protected:
    ShellFoldersTest() : home_(dir_ / "home") { fs::create_directories(home_); }

    ShellFolders folders(std::map<std::string, std::string> variables,
                         std::optional<std::string> toolAnswer) {
        return ShellFolders(Environment::fromMap(std::move(variables)),
                            [toolAnswer](const std::string& name) -> std::optional<std::string> {
                                if (name != "DOCUMENTS") return std::nullopt;
                                return toolAnswer;
                            });
    }
    std::map<std::string, std::string> withHome() { return {{"HOME", home_.string()}}; }

    TempDir dir_;
    fs::path home_;
};

TEST_F(ShellFoldersTest, DocumentsFolderFollowsToolThenHomeDocuments) {
    fs::path configured = dir_ / "Dokumente";
    fs::create_directories(configured);
    fs::path homeDocuments = home_ / "Documents";

    struct Case {
        const char* name;
        std::optional<std::string> toolAnswer;
        bool homeDocumentsExists;
        fs::path expected;
    };
    const Case cases[] = {
        {"tool names an existing folder", configured.string(), true, configured},
        {"tool names an existing folder, no home Documents", configured.string(), false,
         configured},
        {"tool names the home folder (entry not set up)", home_.string(), true, homeDocuments},
        {"tool names the home folder with a slash", home_.string() + "/", true, homeDocuments},
        {"tool names a missing folder", (dir_ / "gone").string(), true, homeDocuments},
        {"tool names a relative folder", "Dokumente", true, homeDocuments},
        {"tool answers nothing", "", true, homeDocuments},
        {"tool missing", std::nullopt, true, homeDocuments},
        {"tool missing, no home Documents", std::nullopt, false, fs::path()},
        {"tool names the home folder, no home Documents", home_.string(), false, fs::path()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(homeDocuments);
        if (c.homeDocumentsExists) fs::create_directories(homeDocuments);
        EXPECT_EQ(folders(withHome(), c.toolAnswer).documents(), c.expected);
    }
}

TEST_F(ShellFoldersTest, DocumentsFolderMustBeAFolder) {
    TempDir::writeFile(home_ / "Documents", "not a folder");
    TempDir::writeFile(dir_ / "file", "x");
    EXPECT_EQ(folders(withHome(), (dir_ / "file").string()).documents(), fs::path());
}

TEST_F(ShellFoldersTest, WithoutHomeOnlyTheToolCounts) {
    fs::path configured = dir_ / "Docs";
    fs::create_directories(configured);
    EXPECT_EQ(folders({}, configured.string()).documents(), configured);
    EXPECT_EQ(folders({}, std::nullopt).documents(), fs::path());
    EXPECT_EQ(folders({{"HOME", ""}}, std::nullopt).documents(), fs::path());
}

TEST_F(ShellFoldersTest, DataAndConfigFoldersFollowXdgVariables) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> variables;
        fs::path data;
        fs::path config;
    };
    const Case cases[] = {
        {"variables set",
         {{"HOME", home_.string()},
          {"XDG_DATA_HOME", "/xdg/data"},
          {"XDG_CONFIG_HOME", "/xdg/cfg"}},
         "/xdg/data",
         "/xdg/cfg"},
        {"variables unset", {{"HOME", home_.string()}}, home_ / ".local/share", home_ / ".config"},
        {"variables empty",
         {{"HOME", home_.string()}, {"XDG_DATA_HOME", ""}, {"XDG_CONFIG_HOME", ""}},
         home_ / ".local/share",
         home_ / ".config"},
        {"relative variables are ignored",
         {{"HOME", home_.string()}, {"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", "cfg"}},
         home_ / ".local/share",
         home_ / ".config"},
        {"no home, variables set",
         {{"XDG_DATA_HOME", "/xdg/data"}, {"XDG_CONFIG_HOME", "/xdg/cfg"}},
         "/xdg/data",
         "/xdg/cfg"},
        {"nothing set", {}, fs::path(), fs::path()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShellFolders f = folders(c.variables, std::nullopt);
        EXPECT_EQ(f.data(), c.data);
        EXPECT_EQ(f.config(), c.config);
    }
}

TEST_F(ShellFoldersTest, CommonDocumentsFallsBackToTheDataFolder) {
    auto variables = withHome();
    variables["XDG_DATA_HOME"] = (dir_ / "data").string();
    EXPECT_EQ(folders(variables, std::nullopt).commonDocuments(), dir_ / "data");

    fs::create_directories(home_ / "Documents");
    EXPECT_EQ(folders(variables, std::nullopt).commonDocuments(), home_ / "Documents");
}

TEST(EnvironmentTest, MapAndEmptyValues) {
    Environment env = Environment::fromMap({{"A", "1"}, {"EMPTY", ""}});
    EXPECT_EQ(env.get("A"), "1");
    EXPECT_EQ(env.get("EMPTY"), "");
    EXPECT_EQ(env.nonEmpty("EMPTY"), std::nullopt);
    EXPECT_EQ(env.get("MISSING"), std::nullopt);
    EXPECT_EQ(Environment(nullptr).get("A"), std::nullopt);
}

// What xdg-user-dir would print, read from the user's user-dirs.dirs as the tool sources it.
TEST(UserDirOf, ReadsTheUserDirsFileAsTheToolDoes) {
    TempDir dir;
    const std::string home = (dir / "home").string();
    const fs::path config = dir / "config";
    struct Case {
        const char* name;
        std::string file;  // "" : no file at all
        std::map<std::string, std::string> extra;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"home-relative", "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n",
         {}, home + "/Dokumente"},
        {"braced home and CRLF", "XDG_DOCUMENTS_DIR=\"${HOME}/Docs\"\r\n", {}, home + "/Docs"},
        {"absolute, the last one wins", "XDG_DOCUMENTS_DIR=\"/srv/a\"\n  XDG_DOCUMENTS_DIR=\"/srv/b\"\n", {},
         "/srv/b"},
        {"another entry only: the home folder", "XDG_MUSIC_DIR=\"$HOME/Music\"\n", {}, home},
        {"no file: the environment", "", {{"XDG_DOCUMENTS_DIR", "/env/docs"}}, "/env/docs"},
        {"no file, no variable: the home folder", "", {}, home},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(config);
        if (!c.file.empty()) {
            fs::create_directories(config);
            TempDir::writeFile(config / "user-dirs.dirs", c.file);
        }
        std::map<std::string, std::string> variables = c.extra;
        variables["HOME"] = home;
        variables["XDG_CONFIG_HOME"] = config.string();
        EXPECT_EQ(userDirOf(Environment::fromMap(variables), "DOCUMENTS"), c.expected);
    }
    // Without XDG_CONFIG_HOME the file lies under $HOME/.config; without a home, nothing.
    fs::create_directories(fs::path(home) / ".config");
    TempDir::writeFile(fs::path(home) / ".config" / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/D\"\n");
    EXPECT_EQ(userDirOf(Environment::fromMap({{"HOME", home}}), "DOCUMENTS"), home + "/D");
    EXPECT_EQ(userDirOf(Environment::fromMap({}), "DOCUMENTS"), std::nullopt);
}

}  // namespace

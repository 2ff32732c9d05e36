#include <gtest/gtest.h>
#include <sys/stat.h>

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

// The runner that asks xdg-user-dir, tried on small scripts.
class FirstOutputLine : public ::testing::Test {
protected:
    std::string script(const std::string& name, const std::string& body) {
        fs::path file = dir_ / name;
        TempDir::writeFile(file, "#!/bin/sh\n" + body + "\n");
        chmod(file.c_str(), 0755);
        return file.string();
    }
    TempDir dir_;
};

TEST_F(FirstOutputLine, GivesTheFirstLineOfASuccessfulRun) {
    struct Case {
        const char* name;
        const char* body;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"one line", "echo /home/user/Documents", "/home/user/Documents"},
        {"arguments are passed", "echo \"[$1][$2]\"", "[DOCUMENTS][two words]"},
        {"only the first line", "echo first; echo second", "first"},
        {"CRLF line end", "printf 'dos\\r\\n'", "dos"},
        {"no line end", "printf 'bare'", "bare"},
        {"no output", "true", ""},
        {"long output is drained", "yes | head -n 200000", "y"},
        {"stderr is not output", "echo oops >&2; echo fine", "fine"},
        {"stdin is empty", "read x; echo \"[$x]\"", "[]"},
        {"failure status", "echo partial; exit 3", std::nullopt},
        {"killed by a signal", "kill -9 $$", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(firstOutputLine(script("s", c.body), {"DOCUMENTS", "two words"}), c.expected);
    }
}

TEST_F(FirstOutputLine, MissingOrUnrunnableProgramGivesNothing) {
    EXPECT_EQ(firstOutputLine((dir_ / "missing").string(), {}), std::nullopt);
    EXPECT_EQ(firstOutputLine("kelt-no-such-program-on-path", {}), std::nullopt);
    TempDir::writeFile(dir_ / "plain", "echo not executable\n");
    EXPECT_EQ(firstOutputLine((dir_ / "plain").string(), {}), std::nullopt);
}

TEST_F(FirstOutputLine, ProgramPastTheTimeLimitIsKilled) {
    // With no time at all the child is killed at once instead of being waited for.
    EXPECT_EQ(firstOutputLine(script("slow", "exec sleep 60"), {}, std::chrono::milliseconds(0)),
              std::nullopt);
}

}  // namespace

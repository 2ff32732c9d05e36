#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "TempDir.h"
#include "UserRegistry.h"

namespace fs = std::filesystem;

namespace {

class UserRegistryTest : public ::testing::Test {
protected:
    fs::path configHome() const { return dir_ / "config"; }
    UserRegistry registry() const {
        return UserRegistry::forUser(Environment::fromMap(
            {{"XDG_CONFIG_HOME", configHome().string()}, {"HOME", (dir_ / "home").string()}}));
    }
    TempDir dir_;
};

TEST_F(UserRegistryTest, FileLiesInTheConfigFolder) {
    EXPECT_EQ(registry().file(), configHome() / "NORVA" / "registry.ini");
    EXPECT_EQ(UserRegistry::userFile(Environment::fromMap({{"HOME", "/home/tech"}})),
              fs::path("/home/tech/.config/NORVA/registry.ini"));
    EXPECT_EQ(UserRegistry::userFile(Environment::fromMap({})), fs::path());
}

TEST_F(UserRegistryTest, MissingFileKeyOrValueReadsAsNothing) {
    UserRegistry reg = registry();
    EXPECT_EQ(reg.readString(kUserInfoKey, "Firma"), std::nullopt);
    ASSERT_TRUE(reg.writeString(kUserInfoKey, "Firma", "Bus Depot North").ok());
    EXPECT_EQ(reg.readString(kUserInfoKey, "Name"), std::nullopt);
    EXPECT_EQ(reg.readString("\\Software\\NORVA\\Other", "Firma"), std::nullopt);
}

TEST_F(UserRegistryTest, WriteCreatesTheFolderAndReadsBack) {
    UserRegistry reg = registry();
    ASSERT_FALSE(fs::exists(configHome()));
    ProfileWriteResult firma = reg.writeString(kUserInfoKey, "Firma", "Bus Depot North");
    ASSERT_TRUE(firma.ok()) << firma.message;
    ASSERT_TRUE(reg.writeString(kUserInfoKey, "Name", "Jane Mechanic").ok());
    EXPECT_EQ(reg.readString(kUserInfoKey, "Firma"), "Bus Depot North");
    EXPECT_EQ(reg.readString(kUserInfoKey, "Name"), "Jane Mechanic");

    // A second registry object on the same file sees the values: they are in the file.
    EXPECT_EQ(registry().readString(kUserInfoKey, "Name"), "Jane Mechanic");
    std::string text = TempDir::readFile(reg.file());
    EXPECT_NE(text.find("[Software\\NORVA\\Diagnose\\User_Info]\r\n"), std::string::npos) << text;

    // Writing again replaces the value.
    ASSERT_TRUE(reg.writeString(kUserInfoKey, "Name", "J. Mechanic").ok());
    EXPECT_EQ(reg.readString(kUserInfoKey, "Name"), "J. Mechanic");
}

TEST_F(UserRegistryTest, KeyPathsAndValueNamesIgnoreCaseAndBackslashes) {
    UserRegistry reg = registry();
    ASSERT_TRUE(reg.writeString(kUserInfoKey, "Firma", "Depot").ok());
    ASSERT_TRUE(reg.writeString(kUserInfoKey, "Name", "Jane").ok());
    // The information window asks with another spelling and without the leading backslash.
    const char* spellings[] = {
        "Software\\Norva\\DIAGNOSE\\USER_INFO",
        "\\SOFTWARE\\norva\\diagnose\\user_info",
        "\\\\Software\\\\NORVA\\Diagnose\\User_Info\\",
    };
    for (const char* key : spellings) {
        SCOPED_TRACE(key);
        EXPECT_EQ(reg.readString(key, "FIRMA"), "Depot");
        EXPECT_EQ(reg.readString(key, "name"), "Jane");
    }
    // Writing under another spelling changes the same value; the file keeps one section.
    ASSERT_TRUE(reg.writeString("software\\norva\\diagnose\\user_info", "NAME", "Joe").ok());
    EXPECT_EQ(reg.readString(kUserInfoKey, "Name"), "Joe");
    std::string text = TempDir::readFile(reg.file());
    EXPECT_EQ(text.find("[", text.find("[") + 1), std::string::npos) << text;
}

TEST_F(UserRegistryTest, NormalizesKeyPaths) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"\\Software\\NORVA", "Software\\NORVA"},
        {"Software\\NORVA\\", "Software\\NORVA"},
        {"\\\\Software\\\\\\NORVA\\\\", "Software\\NORVA"},
        {"Software", "Software"},
        {"\\", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(UserRegistry::normalizeKeyPath(c.in), c.out) << c.in;
}

TEST_F(UserRegistryTest, RefusesWhatTheFileCannotHold) {
    UserRegistry reg = registry();
    struct Case {
        const char* name;
        std::string key;
        std::string valueName;
        std::string value;
    };
    const Case cases[] = {
        {"empty key path", "", "Firma", "x"},
        {"key path of backslashes", "\\\\", "Firma", "x"},
        {"empty value name", std::string(kUserInfoKey), "", "x"},
        {"value with a line break", std::string(kUserInfoKey), "Firma", "Line 1\nLine 2"},
        {"value with a carriage return", std::string(kUserInfoKey), "Firma", "a\rb"},
        {"value name with '='", std::string(kUserInfoKey), "A=B", "x"},
        {"key path with ']'", "Software\\Bad]Key", "Firma", "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileWriteResult r = reg.writeString(c.key, c.valueName, c.value);
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.error, EINVAL);
        EXPECT_FALSE(r.message.empty());
    }
    // Nothing refused reached the file.
    EXPECT_FALSE(fs::exists(reg.file()) && !TempDir::readFile(reg.file()).empty());
}

TEST_F(UserRegistryTest, WriteFailuresAreReported) {
    // No folder for the file at all.
    UserRegistry nowhere = UserRegistry::forUser(Environment::fromMap({}));
    ProfileWriteResult r = nowhere.writeString(kUserInfoKey, "Firma", "x");
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(nowhere.readString(kUserInfoKey, "Firma"), std::nullopt);

    // The config folder is a file, so the NORVA folder cannot be made.
    TempDir::writeFile(configHome(), "in the way");
    r = registry().writeString(kUserInfoKey, "Firma", "x");
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.error, 0);
    EXPECT_FALSE(r.message.empty());
}

TEST_F(UserRegistryTest, ReadOnlyFolderReportsTheWriteFailure) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    UserRegistry reg = registry();
    fs::create_directories(reg.file().parent_path());
    chmod(reg.file().parent_path().c_str(), 0555);
    ProfileWriteResult r = reg.writeString(kUserInfoKey, "Firma", "x");
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.error, EACCES);
}

}  // namespace

// Company and user name: the user's registry, or the INI file when the program runs from a
// removable drive.
#include "UserData.h"

#include "NData.h"
#include "ProgramModes.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

class UserDataStore : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path ini() const { return dir / "App.INI"; }
    UserRegistry registry() const { return UserRegistry(dir / "registry.ini"); }
};

TEST_F(UserDataStore, FixedDriveUsesTheRegistryOnly) {
    UserData data(false, ini(), registry());
    EXPECT_FALSE(data.usesIniFile());
    EXPECT_EQ(data.read().Firma, "");  // nothing stored yet: empty texts
    ASSERT_TRUE(data.write({"Busworks Ltd", "A. Tester"}));

    EXPECT_EQ(registry().readString("\\Software\\NORVA\\Diagnose\\User_Info", "Firma"), "Busworks Ltd");
    // The information window's spelling of the key and values finds the same entries.
    EXPECT_EQ(registry().readString("Software\\Norva\\DIAGNOSE\\USER_INFO", "NAME"), "A. Tester");
    EXPECT_FALSE(std::filesystem::exists(ini()));

    const UserInfo back = UserData(false, ini(), registry()).read();
    EXPECT_EQ(back.Firma, "Busworks Ltd");
    EXPECT_EQ(back.Name, "A. Tester");
}

TEST_F(UserDataStore, RemovableDriveUsesTheIniFileOnly) {
    UserData data(true, ini(), registry());
    EXPECT_TRUE(data.usesIniFile());
    ASSERT_TRUE(data.write({"Busworks Ltd", "A. Tester"}));
    const ProfileFile file(ini());
    EXPECT_EQ(file.readString("User Info", "Firma"), "Busworks Ltd");
    EXPECT_EQ(file.readString("User Info", "Name"), "A. Tester");
    EXPECT_FALSE(std::filesystem::exists(registry().file()));

    const UserInfo back = UserData(true, ini(), registry()).read();
    EXPECT_EQ(back.Firma, "Busworks Ltd");
    EXPECT_EQ(back.Name, "A. Tester");
    // The registry side does not see them.
    EXPECT_EQ(UserData(false, ini(), registry()).read().Name, "");
}

TEST_F(UserDataStore, FailedWritesAreReported) {
    // A value with a line break cannot be a registry value.
    UserData inRegistry(false, ini(), registry());
    const ProfileWriteResult refused = inRegistry.write({"Line\nbreak", "Name"});
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(inRegistry.read().Name, "Name");  // the other value is still written

    UserData inMissingFolder(true, dir / "no-such-folder" / "App.INI", registry());
    EXPECT_FALSE(inMissingFolder.write({"a", "b"}).ok());
}

TEST_F(UserDataStore, ForProgramFollowsTheRemovableDriveFlag) {
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> saved = oldConfig ? std::optional<std::string>(oldConfig) : std::nullopt;
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    const std::string oldIni = DiagAttr.AppIni;
    const uint8_t oldFlag = WechsellaufwerkAktiv;
    DiagAttr.AppIni = ini().string();

    WechsellaufwerkAktiv = 0;
    ASSERT_TRUE(UserData::forProgram().write({"Registry Co", "Reg"}));
    WechsellaufwerkAktiv = 1;
    ASSERT_TRUE(UserData::forProgram().write({"Ini Co", "Ini"}));

    EXPECT_EQ(UserRegistry(dir / "config" / "NORVA" / "registry.ini")
                  .readString("\\Software\\NORVA\\Diagnose\\User_Info", "Firma"),
              "Registry Co");
    EXPECT_EQ(ProfileFile(ini()).readString("User Info", "Firma"), "Ini Co");
    EXPECT_EQ(UserData::forProgram().read().Name, "Ini");
    WechsellaufwerkAktiv = 0;
    EXPECT_EQ(UserData::forProgram().read().Name, "Reg");

    WechsellaufwerkAktiv = oldFlag;
    DiagAttr.AppIni = oldIni;
    if (saved) setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace

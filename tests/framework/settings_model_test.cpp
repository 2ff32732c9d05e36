#include "SettingsModel.h"
#include "FixedEnvironment.h"

#include "StringTable.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// A program on a stick (its own drive) with its INI file, the user's registry and the default
// data folders in temporary folders.
class SettingsModelTest : public ::testing::Test {
protected:
    SettingsModelTest() {
        env.program = dir / "stick" / "TOOLS" / "Tarvik";
        env.documents = dir / "docs";
        fs::create_directories(env.program.parent_path());
        fs::create_directories(dir / "app");
        drives.mountPoints = {"/", dir / "stick"};
        drives.removableMountPoints = {dir / "stick"};
    }

    SettingsModel model(bool removable) {
        SettingsContext context{
            iniFile,
            DataFolderContext{env.program, defaultDataFolders(env, "Tarvik"), removable, &drives},
            UserData(removable, iniFile, UserRegistry(registryFile)),
            &attr,
            &ndata,
        };
        return SettingsModel(std::move(context));
    }
    ProfileFile ini() const { return ProfileFile(iniFile); }
    fs::path defaultRead() const { return dir / "docs" / "NORVA Diagnostic Software" / "Tarvik" / "DATA"; }

    TempDir dir;
    fs::path iniFile = dir / "app" / "Tarvik.INI";
    fs::path registryFile = dir / "config" / "NORVA" / "registry.ini";
    FixedApplicationEnvironment env;
    FixedDriveInfo drives;
    DiagAttrStruct attr;
    NData ndata{env, attr};
};

TEST_F(SettingsModelTest, DefaultsOfAnEmptyIniFile) {
    const SettingsValues werte = model(false).load();
    EXPECT_EQ(werte.port, "");
    // An empty folder setting means the default folder, never the root folder.
    EXPECT_EQ(werte.readFolder, defaultRead().string());
    EXPECT_EQ(werte.writeFolder, (defaultRead() / "WRITE").string());
    EXPECT_FALSE(werte.vollbild);
    EXPECT_TRUE(werte.autoStart);
    EXPECT_TRUE(werte.bubbleHelp);
    EXPECT_EQ(werte.xPosition, "1");
    EXPECT_EQ(werte.yPosition, "1");
    EXPECT_EQ(werte.firma, "");
    EXPECT_EQ(werte.benutzername, "");
}

TEST_F(SettingsModelTest, StoredValuesAreShown) {
    TempDir::writeFile(iniFile,
                       "[SelectPort]\r\nInterfacePort=COM4\r\n"
                       "[Directory]\r\nReadData=/srv/in\r\nWriteData=OUT\r\n"
                       "[Optionen]\r\nVollbild=1\r\nAutoStart=0\r\nBubbleHelp=0\r\n"
                       "[LabelPrinter]\r\nX-Position=12\r\nY-Position=abc\r\n");
    const SettingsValues werte = model(false).load();
    EXPECT_EQ(werte.port, "COM4");
    EXPECT_EQ(werte.readFolder, "/srv/in");
    EXPECT_EQ(werte.writeFolder, (dir / "stick" / "TOOLS" / "OUT").string());
    EXPECT_TRUE(werte.vollbild);
    EXPECT_FALSE(werte.autoStart);
    EXPECT_FALSE(werte.bubbleHelp);
    EXPECT_EQ(werte.xPosition, "12");
    EXPECT_EQ(werte.yPosition, "abc");
}

TEST_F(SettingsModelTest, SaveWritesEveryPageAndTheRunningProgram) {
    SettingsModel m = model(false);
    SettingsValues werte = m.load();
    werte.port = "Diagnostic Interface #12345";
    werte.readFolder = "/srv/in";
    werte.writeFolder = "/srv/out/";
    werte.vollbild = true;
    werte.autoStart = false;
    werte.bubbleHelp = false;
    werte.xPosition = "7";
    werte.yPosition = "x";  // kept as typed
    werte.firma = "Werkstatt";
    werte.benutzername = "Anna";
    const SettingsSaveResult result = m.save(werte);
    ASSERT_TRUE(result.ok()) << result.userMessage();

    const ProfileFile file = ini();
    EXPECT_EQ(file.readString("SelectPort", "InterfacePort"), "Diagnostic Interface #12345");
    EXPECT_EQ(file.readString("Directory", "ReadData"), "/srv/in");
    EXPECT_EQ(file.readString("Directory", "WriteData"), "/srv/out");
    EXPECT_EQ(file.readString("Optionen", "Vollbild"), "1");
    EXPECT_EQ(file.readString("Optionen", "AutoStart"), "0");
    EXPECT_EQ(file.readString("Optionen", "BubbleHelp"), "0");
    EXPECT_EQ(file.readString("LabelPrinter", "X-Position"), "7");
    EXPECT_EQ(file.readString("LabelPrinter", "Y-Position"), "x");

    EXPECT_EQ(attr.Schnittstellenname, "Diagnostic Interface #12345");
    EXPECT_EQ(attr.ReadDataPfad, "/srv/in/");
    EXPECT_EQ(attr.WriteDataPfad, "/srv/out/");
    EXPECT_EQ(ndata.ReadDataPfad, "/srv/in/");
    EXPECT_EQ(ndata.WriteDataPfad, "/srv/out/");
}

TEST_F(SettingsModelTest, AcceptedValuesStayWhenTheDialogIsCancelledAfterwards) {
    SettingsModel m = model(false);
    SettingsValues accepted = m.load();
    accepted.port = "COM2";
    accepted.autoStart = false;
    ASSERT_TRUE(m.save(accepted).ok());

    // Edited further, then cancelled: nothing of that reaches the file or the program.
    SettingsValues edited = accepted;
    edited.port = "COM9";
    edited.autoStart = true;
    const SettingsValues shownAgain = model(false).load();
    EXPECT_EQ(shownAgain.port, "COM2");
    EXPECT_FALSE(shownAgain.autoStart);
    EXPECT_EQ(attr.Schnittstellenname, "COM2");
}

TEST_F(SettingsModelTest, UserDataGoesToTheRegistryOnAFixedDrive) {
    SettingsModel m = model(false);
    SettingsValues werte = m.load();
    werte.firma = "Werkstatt";
    werte.benutzername = "Anna";
    ASSERT_TRUE(m.save(werte).ok());

    const UserRegistry registry(registryFile);
    EXPECT_EQ(registry.readString(kUserInfoKey, "Firma").value_or("?"), "Werkstatt");
    EXPECT_EQ(registry.readString(kUserInfoKey, "Name").value_or("?"), "Anna");
    EXPECT_FALSE(ini().value("User Info", "Firma").has_value());
    EXPECT_EQ(model(false).load().benutzername, "Anna");
    EXPECT_EQ(model(true).load().benutzername, "");  // the INI file holds none
}

TEST_F(SettingsModelTest, UserDataGoesToTheIniFileOnARemovableDrive) {
    SettingsModel m = model(true);
    SettingsValues werte = m.load();
    werte.firma = "Werkstatt";
    werte.benutzername = "Anna";
    ASSERT_TRUE(m.save(werte).ok());

    EXPECT_EQ(ini().readString("User Info", "Firma"), "Werkstatt");
    EXPECT_EQ(ini().readString("User Info", "Name"), "Anna");
    EXPECT_FALSE(fs::exists(registryFile));
    const SettingsValues again = model(true).load();
    EXPECT_EQ(again.firma, "Werkstatt");
    EXPECT_EQ(again.benutzername, "Anna");
}

TEST_F(SettingsModelTest, RemovableDriveStoresFoldersOnItRelative) {
    SettingsModel m = model(true);
    SettingsValues werte = m.load();
    werte.readFolder = (dir / "stick" / "TOOLS" / "DATA").string();
    werte.writeFolder = "/srv/out";  // another drive: stored in full
    ASSERT_TRUE(m.save(werte).ok());
    EXPECT_EQ(ini().readString("Directory", "ReadData"), "DATA");
    EXPECT_EQ(ini().readString("Directory", "WriteData"), "/srv/out");
    // The running program gets the full paths, and so does the next showing.
    EXPECT_EQ(attr.ReadDataPfad, (dir / "stick" / "TOOLS" / "DATA").string() + "/");
    const SettingsValues again = model(true).load();
    EXPECT_EQ(again.readFolder, (dir / "stick" / "TOOLS" / "DATA").string());
    EXPECT_EQ(again.writeFolder, "/srv/out");
}

TEST_F(SettingsModelTest, FixedDriveStoresFoldersInFull) {
    SettingsModel m = model(false);
    SettingsValues werte = m.load();
    werte.readFolder = (dir / "stick" / "TOOLS" / "DATA").string();
    ASSERT_TRUE(m.save(werte).ok());
    EXPECT_EQ(ini().readString("Directory", "ReadData"), (dir / "stick" / "TOOLS" / "DATA").string());
}

TEST_F(SettingsModelTest, EmptyFolderEditMeansTheDefaultFolder) {
    SettingsModel m = model(false);
    SettingsValues werte = m.load();
    werte.readFolder = "";
    werte.writeFolder = "";
    ASSERT_TRUE(m.save(werte).ok());
    EXPECT_EQ(ini().readString("Directory", "ReadData", "missing"), "");
    EXPECT_EQ(attr.ReadDataPfad, defaultRead().string() + "/");
    EXPECT_EQ(attr.WriteDataPfad, (defaultRead() / "WRITE").string() + "/");
    EXPECT_NE(attr.ReadDataPfad, "/");
}

TEST_F(SettingsModelTest, FailedWritesAreReportedNotDropped) {
    // The INI file's folder is a file: every INI write fails; the registry's folder too.
    TempDir::writeFile(dir / "blocked", "x");
    iniFile = dir / "blocked" / "Tarvik.INI";
    registryFile = dir / "blocked" / "registry.ini";
    SettingsModel m = model(false);
    SettingsValues werte = m.load();
    werte.port = "COM1";
    const SettingsSaveResult result = m.save(werte);
    ASSERT_FALSE(result.ok());
    ASSERT_GE(result.failures.size(), 2u);
    EXPECT_EQ(result.failures.front().what, "[SelectPort] InterfacePort");
    EXPECT_EQ(result.failures.back().what, "User data");
    const std::string message = result.userMessage();
    EXPECT_EQ(message.rfind(LoadStr(kSettingsNotSavedText), 0), 0u);
    EXPECT_NE(message.find(result.failures.front().result.message), std::string::npos);
    // What could be set still reaches the running program.
    EXPECT_EQ(attr.Schnittstellenname, "COM1");
}

TEST_F(SettingsModelTest, FailedUserDataWriteAloneIsReported) {
    TempDir::writeFile(dir / "blocked", "x");
    registryFile = dir / "blocked" / "registry.ini";
    SettingsModel m = model(false);
    SettingsValues werte = m.load();
    werte.firma = "Werkstatt";
    const SettingsSaveResult result = m.save(werte);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].what, "User data");
    EXPECT_EQ(ini().readString("SelectPort", "InterfacePort", "missing"), "");  // the INI part was written
}

TEST(SettingsStrings, HeadlineIsInTheTable) { EXPECT_FALSE(LoadStr(kSettingsNotSavedText).empty()); }

}  // namespace

// The version texts of a program file and the texts of the information window.
#include "About.h"

#include "DiagDriver.h"
#include "SimUsbBus.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(About, ProgramFileWithBlockGivesEveryText) {
    TNAbout about;
    about.SetAppFileName("/proc/self/exe");
    EXPECT_EQ(about.appFileName, "/PROC/SELF/EXE");
    EXPECT_EQ(about.FilePfad, "/proc/self/");
    EXPECT_EQ(about.FileName, "exe");
    EXPECT_EQ(about.FileExt, "");
    EXPECT_EQ(about.FileLW, "");
    // The texts the build gave this test program (tests/framework/CMakeLists.txt).
    EXPECT_EQ(about.Firmenname, "Test Workshop Tools");
    EXPECT_EQ(about.Beschreibung, "About test program");
    EXPECT_EQ(about.Dateiversion, "3.41.0.7");
    EXPECT_EQ(about.InternerName, "about_test");
    EXPECT_EQ(about.Copyright, "(c) Test Workshop Tools");
    EXPECT_EQ(about.Warenzeichen, "KELT");
    EXPECT_EQ(about.OriginalDateiname, "about_test");
    EXPECT_EQ(about.ProduktName, "Kelt Diagnostic Software");
    EXPECT_EQ(about.ProduktVersion, "3.41");
    EXPECT_EQ(about.Kommentare, "for tests");
    EXPECT_EQ(about.NORVA_No, "987654321");
    EXPECT_EQ(about.SprachID, "GB");
    EXPECT_EQ(about.SprachIndex, "2");
}

TEST(About, FilesWithoutBlockGiveEmptyTextsButTheNameParts) {
    TempDir dir;
    const std::string text = (dir / "notes.txt").string();
    TempDir::writeFile(text, "CompanyName=not a version block\n");
    const std::string empty = (dir / "empty.bin").string();
    TempDir::writeFile(empty, "");
    struct Case {
        std::string file;
        std::string name;
        std::string ext;
    } cases[] = {
        {KELT_BLOCKLESS_ELF, "", ""},  // a real ELF file without the section
        {text, "notes", ".txt"},
        {empty, "empty", ".bin"},
        {(dir / "missing.exe").string(), "missing", ".exe"},
    };
    cases[0].name = std::filesystem::path(KELT_BLOCKLESS_ELF).stem().string();
    cases[0].ext = std::filesystem::path(KELT_BLOCKLESS_ELF).extension().string();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TNAbout about;
        about.SetAppFileName("/proc/self/exe");  // texts from before must go
        about.SetAppFileName(c.file);
        EXPECT_EQ(about.FileName, c.name);
        EXPECT_EQ(about.FileExt, c.ext);
        for (const std::string* t : {&about.Firmenname, &about.Beschreibung, &about.Dateiversion,
                                     &about.InternerName, &about.Copyright, &about.Warenzeichen,
                                     &about.OriginalDateiname, &about.ProduktName,
                                     &about.ProduktVersion, &about.Kommentare, &about.NORVA_No,
                                     &about.SprachID, &about.SprachIndex})
            EXPECT_EQ(*t, "");
    }
}

TEST(About, NameParts) {
    struct Case {
        const char* name;
        const char* upper;
        const char* folder;
        const char* file;
        const char* ext;
    } cases[] = {
        {"/opt/kelt/Tarvik.exe", "/OPT/KELT/TARVIK.EXE", "/opt/kelt/", "Tarvik", ".exe"},
        {"Tarvik", "TARVIK", "", "Tarvik", ""},
        {"dir.d/prog", "DIR.D/PROG", "dir.d/", "prog", ""},
        {"/a/archive.tar.gz", "/A/ARCHIVE.TAR.GZ", "/a/", "archive.tar", ".gz"},
        {"/a/.hidden", "/A/.HIDDEN", "/a/", ".hidden", ""},
        {"/a/b/", "/A/B/", "/a/b/", "", ""},
        {"Gr\xFC\xDF.exe", "GR\xFC\xDF.EXE", "", "Gr\xFC\xDF", ".exe"},  // only a..z change case
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TNAbout about;
        about.SetAppFileName(c.name);
        EXPECT_EQ(about.appFileName, c.upper);
        EXPECT_EQ(about.FileLW, "");
        EXPECT_EQ(about.FilePfad, c.folder);
        EXPECT_EQ(about.FileName, c.file);
        EXPECT_EQ(about.FileExt, c.ext);
    }
}

class InfoTexts : public ::testing::Test {
protected:
    void TearDown() override { DiagDriver::instance().setUsbLibraryName(""); }
};

TEST_F(InfoTexts, ProgramUserInterfaceAndDriverVersions) {
    SimUsbBus::instance().reset();
    DiagDriver::instance().setUsbLibraryName(KELT_SIM_USB_LIBRARY);
    TNAbout program;
    program.SetAppFileName("/proc/self/exe");
    DiagAttrStruct attr;
    attr.SchnittstellenAppVersion = "JED677 V1.07";

    const InfoFormTexts texts = infoFormTexts(program, attr, UserInfo{"Busworks Ltd", "A. Tester"});
    EXPECT_EQ(texts.lines, (std::vector<std::string>{"(c) Test Workshop Tools", "Test Workshop Tools", "",
                                                     "About test program", "Version : 3.41"}));
    EXPECT_EQ(texts.interfaceVersion, "JED677 V1.07");
    EXPECT_EQ(texts.firma, "Busworks Ltd");
    EXPECT_EQ(texts.userName, "A. Tester");
    char lib[100] = {};
    DiagLibVersion(lib, sizeof lib);
    EXPECT_EQ(texts.diagLibVersion, lib);
    EXPECT_FALSE(texts.diagLibVersion.empty());
    EXPECT_EQ(texts.usbDllVersion, SimUsbBus::kVersionText);
}

TEST_F(InfoTexts, ProgramWithoutBlockAndNoUsbLibrary) {
    DiagDriver::instance().setUsbLibraryName("/nonexistent/libndiusb3.so");
    TempDir dir;
    TempDir::writeFile(dir / "plain", "no block");
    TNAbout program;
    program.SetAppFileName((dir / "plain").string());
    const InfoFormTexts texts = infoFormTexts(program, DiagAttrStruct{}, UserInfo{});
    // No notice lines, an empty description and the version label with nothing after it.
    EXPECT_EQ(texts.lines, (std::vector<std::string>{"", "", "Version : "}));
    EXPECT_EQ(texts.interfaceVersion, "");
    EXPECT_EQ(texts.usbDllVersion, "");
    EXPECT_FALSE(texts.diagLibVersion.empty());
}

}  // namespace

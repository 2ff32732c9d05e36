#include "BasisformLogic.h"
#include "NData.h"
#include "FixedEnvironment.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(ProgramName, FromProductName) {
    struct Case {
        const char* productName;
        const char* expected;
    } cases[] = {
        {"Tarvik Diagnostic Software", "Tarvik"},
        {"Tarvik", "Tarvik"},
        {"Air Suspension Diagnostic Software V2", "Air Suspension"},
        {"", ""},
        {" Diagnostic Software", ""},
        {"Diagnostic Software", ""},             // nothing in front: empty, not a crash
        {"TarvikDiagnostic Software", "Tarvik"}, // no blank in front: no letter is lost
        {"Tarvik diagnostic software", "Tarvik diagnostic software"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.productName);
        EXPECT_EQ(NData::programNameOf(c.productName), c.expected);
    }
}

TEST(VersionNumber, FirstTwoPartsJoined) {
    struct Case {
        const char* version;
        int32_t expected;
    } cases[] = {
        {"1.32.0.0", 132},
        {"1.32", 132},
        {"2.05", 205},
        {"0.05", 5},
        {"1.2.3", 12},
        {"2147483.647", 2147483647},
        {"2147483.648", 0},              // one past the largest number
        {"99999999999999999999.1", 0},   // an over-long part
        {"1.99999999999999999999", 0},
        {"1", 0},
        {"", 0},
        {"1.", 0},
        {".5", 0},
        {"1.x", 0},
        {"1 .2", 0},
        {"-1.2", 0},
        {"+1.2", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(NData::versionNumberOf(c.version), c.expected);
    }
}

TEST(IdentificationText, ZeroPaddedFields) {
    EXPECT_EQ(NData::identificationText(16, 200, 1, 132), "162000010132");
    EXPECT_EQ(NData::identificationText(0, 0, 0, 0), "00000000000");
    EXPECT_EQ(NData::identificationText(255, 255, 255, 9999), "2552552559999");
    EXPECT_EQ(NData::identificationText(1, 2, 3, 12345), "100200312345");
}

TEST(SafePathPart, OneHarmlessFolderName) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"Tarvik", "Tarvik"},
        {"V1.32 (en)", "V1.32 (en)"},
        {"", ""},
        {".", "_"},
        {"..", "__"},
        {"...", "___"},
        {"a/b", "a_b"},
        {"../x", ".._x"},
        {"a\\b", "a_b"},
        {"/", "_"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(NData::safePathPart(c.text), c.expected);
    }
}

// NData over a fixed program in temporary folders.
class NDataTest : public ::testing::Test {
protected:
    TempDir temp;
    FixedApplicationEnvironment env;
    DiagAttrStruct attr;

    NDataTest() {
        env.program = "/opt/kelt/Tarvik.exe";
        env.documents = temp / "Documents";
        env.data = temp / "data";
        env.texts = {{"ProductName", "Tarvik Diagnostic Software"},
                     {"ProductVersion", "1.32"},
                     {"SprachID", "en"},
                     {"CompanyName", "NORVA"},
                     {"NORVA_No", "123456789"}};
    }
};

TEST_F(NDataTest, ConstructedEmpty) {
    NData data(env, attr);
    EXPECT_EQ(data.Kennungsversion, 0);
    EXPECT_EQ(data.Versionsnummer, 0);
    EXPECT_TRUE(data.ProductName.empty());
    EXPECT_TRUE(data.Programmname.empty());
    EXPECT_TRUE(data.IniDatei.empty());
    EXPECT_TRUE(data.Programmkennung.empty());
}

TEST_F(NDataTest, IniFileUnderDocumentsFolder) {
    NData data(env, attr);
    data.IniDateiname();
    EXPECT_EQ(fs::path(data.IniDatei),
              env.documents / "NORVA Diagnostic Software" / "Tarvik" / "V1.32 (en)" / "Tarvik.INI");
    // The next Initialisieren creates the folder, not the file.
    EXPECT_FALSE(fs::exists(fs::path(data.IniDatei).parent_path()));
    EXPECT_FALSE(data.Initialisieren());
    EXPECT_TRUE(fs::is_directory(fs::path(data.IniDatei).parent_path()));
    EXPECT_FALSE(fs::exists(data.IniDatei));
}

TEST_F(NDataTest, DataFolderWhenNoDocumentsFolder) {
    env.documents.clear();
    NData data(env, attr);
    data.IniDateiname();
    EXPECT_EQ(fs::path(data.IniDatei),
              env.data / "NORVA Diagnostic Software" / "Tarvik" / "V1.32 (en)" / "Tarvik.INI");
}

// The INI file and the data folders never move by themselves: a documents folder that appears
// after the first start must not hide the settings made under the data folder.
TEST_F(NDataTest, SettingsStayWhereTheyAre) {
    const fs::path relative = fs::path("NORVA Diagnostic Software") / "Tarvik" / "V1.32 (en)" / "Tarvik.INI";
    enum Where { None = 0, InDocuments = 1, InData = 2 };
    struct Case {
        int existing;  // where an INI file is already
        fs::path expectedBase;
    };
    const Case cases[] = {
        {None, env.documents},
        {InData, env.data},
        {InDocuments, env.documents},
        {InDocuments | InData, env.documents},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.existing);
        fs::remove_all(env.documents);
        fs::remove_all(env.data);
        fs::create_directories(env.documents);  // the documents folder is there now
        for (const auto& [flag, base] : {std::pair{InDocuments, env.documents}, std::pair{InData, env.data}}) {
            if (!(c.existing & flag)) continue;
            fs::create_directories((base / relative).parent_path());
            TempDir::writeFile(base / relative, "[SelectPort]\r\nInterfacePort=COM4\r\n");
        }
        NData data(env, attr);
        data.IniDateiname();
        EXPECT_EQ(fs::path(data.IniDatei), c.expectedBase / relative);
        EXPECT_EQ(defaultDataFolders(env, data.Programmname).read,
                  c.expectedBase / "NORVA Diagnostic Software" / "Tarvik" / "DATA");
    }
}

TEST_F(NDataTest, ProgramFileWithoutExtensionGetsIniExtension) {
    env.program = "/usr/bin/kelt-diagnose";
    NData data(env, attr);
    data.IniDateiname();
    EXPECT_EQ(fs::path(data.IniDatei).filename(), "kelt-diagnose.INI");
}

TEST_F(NDataTest, WithoutVersionTextsThePathKeepsItsShape) {
    env.texts.clear();
    NData data(env, attr);
    data.IniDateiname();
    EXPECT_TRUE(data.Programmname.empty());
    // The empty program name adds no folder of its own.
    EXPECT_EQ(fs::path(data.IniDatei),
              env.documents / "NORVA Diagnostic Software" / "V ()" / "Tarvik.INI");
}

TEST_F(NDataTest, HostileVersionTextsStayInsideTheFolder) {
    struct Case {
        const char* productName;
        const char* version;
        const char* language;
    } cases[] = {
        {"..", "1.0", "en"},
        {".. Diagnostic Software", "1.0", "en"},
        {"../../evil Diagnostic Software", "1.0", "en"},
        {"Tarvik", "1.0/../../..", "en"},
        {"Tarvik", "1.0", "../../../x"},
        {"/etc Diagnostic Software", "/", "/"},
        {"a\\..\\b", "1", ".."},
    };
    const fs::path root = env.documents / "NORVA Diagnostic Software";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.productName) + " | " + c.version + " | " + c.language);
        env.texts = {{"ProductName", c.productName}, {"ProductVersion", c.version}, {"SprachID", c.language}};
        NData data(env, attr);
        data.IniDateiname();
        const fs::path ini = fs::path(data.IniDatei).lexically_normal();
        const fs::path relative = ini.lexically_relative(root);
        ASSERT_FALSE(relative.empty());
        EXPECT_NE(*relative.begin(), "..");
        EXPECT_EQ(std::distance(relative.begin(), relative.end()), 3);
        EXPECT_EQ(ini.filename(), "Tarvik.INI");
        EXPECT_FALSE(data.Initialisieren());
        EXPECT_TRUE(fs::is_directory(ini.parent_path()));
    }
}

TEST_F(NDataTest, InitialisierenDerivesNamesFromVersionTextsAndDiagAttr) {
    attr.SystemKennung = 16;
    attr.SystemUnterKennung = 200;
    attr.InterneKennung = 1;
    attr.Versionsnummer = 132;
    NData data(env, attr);
    data.Kennungsversion = 132;
    EXPECT_FALSE(data.Initialisieren());  // no INI path yet: nothing to create
    EXPECT_EQ(data.SystemKennung, 16);
    EXPECT_EQ(data.SystemUnterKennung, 200);
    EXPECT_EQ(data.InterneKennung, 1);
    EXPECT_EQ(data.Versionsnummer, 132);
    EXPECT_EQ(data.Programmtitel, "Tarvik Diagnostic Software (en) V1.32");
    EXPECT_EQ(data.Programmname, "Tarvik");
    EXPECT_EQ(data.Produktname, "Tarvik Diagnostic Software");
    EXPECT_EQ(data.Programmkennung, "162000010132");
    EXPECT_EQ(data.CompanyName, "NORVA");
    EXPECT_EQ(data.NORVA_No, "123456789");
}

TEST_F(NDataTest, MissingVersionTextsKeepTheirValues) {
    NData data(env, attr);
    data.FileDescription = "kept";
    data.ProductName = "replaced";
    data.VersionsinfoLesen();
    EXPECT_EQ(data.FileDescription, "kept");
    EXPECT_EQ(data.ProductName, "Tarvik Diagnostic Software");
}

TEST_F(NDataTest, FolderThatCannotBeCreatedIsReported) {
    TempDir::writeFile(temp / "blocker", "a file, not a folder");
    NData data(env, attr);
    data.IniDatei = (temp / "blocker" / "sub" / "Tarvik.INI").string();
    EXPECT_TRUE(data.Initialisieren());
    // Writes then fail and say so; reads give their defaults.
    ProfileFile ini = data.iniFile();
    EXPECT_FALSE(writeSetting(ini, AppIniKeys::AutoStart, 0).ok());
    EXPECT_EQ(readSetting(ini, AppIniKeys::AutoStart), 1);
}

// --- settings -----------------------------------------------------------------------------------

class SettingsTest : public ::testing::Test {
protected:
    TempDir temp;
    ProfileFile ini{temp / "Tarvik.INI"};
};

TEST_F(SettingsTest, DefaultsOfAMissingFile) {
    EXPECT_EQ(readSetting(ini, AppIniKeys::AutoStart), 1);
    EXPECT_EQ(readSetting(ini, AppIniKeys::Vollbild), 0);
    EXPECT_TRUE(readSetting(ini, AppIniKeys::BubbleHelp));
    EXPECT_EQ(readSetting(ini, AppIniKeys::ECUAdress), 16);
    EXPECT_EQ(readSetting(ini, AppIniKeys::DtcSorting), 0);
    EXPECT_EQ(readSetting(ini, AppIniKeys::LabelPrinterX), "1");
    EXPECT_EQ(readSetting(ini, AppIniKeys::LabelPrinterY), "1");
    for (const IniTextSetting* empty :
         {&AppIniKeys::ReadData, &AppIniKeys::WriteData, &AppIniKeys::InterfacePort,
          &AppIniKeys::DiagnosticLine, &AppIniKeys::Tester, &AppIniKeys::Firma, &AppIniKeys::Name}) {
        SCOPED_TRACE(empty->key);
        EXPECT_EQ(readSetting(ini, *empty), "");
    }
}

TEST_F(SettingsTest, WrittenValuesReadBack) {
    ASSERT_TRUE(writeSetting(ini, AppIniKeys::AutoStart, 0).ok());
    ASSERT_TRUE(writeSetting(ini, AppIniKeys::BubbleHelp, false).ok());
    ASSERT_TRUE(writeSetting(ini, AppIniKeys::InterfacePort, "COM3").ok());
    ASSERT_TRUE(writeSetting(ini, AppIniKeys::ECUAdress, 0x30).ok());
    EXPECT_EQ(readSetting(ini, AppIniKeys::AutoStart), 0);
    EXPECT_FALSE(readSetting(ini, AppIniKeys::BubbleHelp));
    EXPECT_EQ(readSetting(ini, AppIniKeys::InterfacePort), "COM3");
    EXPECT_EQ(readSetting(ini, AppIniKeys::ECUAdress), 48);
    EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"Optionen", "SelectPort", "Diagnose"}));
    EXPECT_EQ(ini.keyNames("Optionen"), (std::vector<std::string>{"AutoStart", "BubbleHelp"}));
}

TEST_F(SettingsTest, OptionenAndOPTIONENAreOneSection) {
    ASSERT_TRUE(writeSetting(ini, AppIniKeys::Vollbild, 1).ok());
    ASSERT_TRUE(writeSetting(ini, AppIniKeys::DtcSorting, 2).ok());
    EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"Optionen"}));
    EXPECT_EQ(readSetting(ini, AppIniKeys::DtcSorting), 2);
}

TEST_F(SettingsTest, BooleanIsAnyNonZeroNumber) {
    struct Case {
        const char* stored;
        bool expected;
    } cases[] = {{"1", true},     {"0", false}, {"5", true}, {"-1", true},
                 {"true", false}, {"", true}};  // an empty value reads as the default
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(ini.writeString("Optionen", "BubbleHelp", c.stored).ok());
        EXPECT_EQ(readSetting(ini, AppIniKeys::BubbleHelp), c.expected);
    }
}

TEST(SystemEnvironment, ProgramFileIsTheRunningProgram) {
    const fs::path program = SystemApplicationEnvironment::instance().programFile();
    EXPECT_EQ(program.filename(), "application_data_test");
    EXPECT_TRUE(fs::exists(program));
}

}  // namespace

#include "BasisformLogic.h"
#include "FixedEnvironment.h"

#include "AutomationHub.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// --- command line -----------------------------------------------------------------------------

TEST(CommandLine, SwitchesAnyCaseAnyPosition) {
    const struct {
        std::vector<std::string> arguments;
        bool demo;
        bool automation;
    } cases[] = {
        {{"/opt/Tarvik"}, false, false},
        {{"/opt/Tarvik", "demo"}, true, false},
        {{"/opt/Tarvik", "DEMO"}, true, false},
        {{"/opt/Tarvik", "/d"}, true, false},
        {{"/opt/Tarvik", "/D"}, true, false},
        {{"/opt/Tarvik", "/automation"}, false, true},
        {{"/opt/Tarvik", "/Automation"}, false, true},
        {{"/opt/Tarvik", "/AUTOMATION", "Demo"}, true, true},
        {{"demo"}, true, false},  // index 0 is looked at too
        {{"/opt/Tarvik", "demo2", "-d", "d", "automation", "/demo"}, false, false},
        {{}, false, false},
    };
    for (const auto& c : cases) {
        std::string trace;
        for (const auto& a : c.arguments) trace += a + " ";
        SCOPED_TRACE(trace);
        const CommandLineModes modes = parseCommandLine(c.arguments);
        EXPECT_EQ(modes.demo, c.demo);
        EXPECT_EQ(modes.automation, c.automation);
    }
}

// --- caption and version texts ----------------------------------------------------------------

TEST(Caption, ProductLanguageVersionNumberAndDemo) {
    TNAbout texts;
    texts.ProduktName = "Tarvik Diagnostic Software";
    texts.ProduktVersion = "1.32";
    texts.SprachID = "GB";
    texts.NORVA_No = "123456789";
    const std::string kennung = languageTagOf(texts.SprachID);
    EXPECT_EQ(kennung, "(GB)");
    EXPECT_EQ(basisformCaption(texts, kennung, false), "Tarvik Diagnostic Software (GB) V1.32  123456789");
    EXPECT_EQ(basisformCaption(texts, kennung, true),
              "Tarvik Diagnostic Software (GB) V1.32  123456789 DEMOVERSION");
}

TEST(Caption, VersionTextsFromTheBlock) {
    const VersionTextMap map = {{"ProductName", "P"}, {"ProductVersion", "2.05"}, {"SprachID", "D"},
                                {"CompanyName", "Maker"}, {"Unknown", "ignored"}};
    TNAbout texts;
    texts.NORVA_No = "kept";
    takeVersionTexts(map, texts);
    EXPECT_EQ(texts.ProduktName, "P");
    EXPECT_EQ(texts.ProduktVersion, "2.05");
    EXPECT_EQ(texts.SprachID, "D");
    EXPECT_EQ(texts.Firmenname, "Maker");
    EXPECT_EQ(texts.NORVA_No, "kept") << "a key the texts lack leaves its field";
    EXPECT_EQ(basisformCaption(texts, languageTagOf(texts.SprachID), false), "P (D) V2.05  kept");

    // The same keys reach NData's fields.
    NData data;
    takeVersionTexts(map, data);
    EXPECT_EQ(data.ProductName, "P");
    EXPECT_EQ(data.ProductVersion, "2.05");
    EXPECT_EQ(data.SprachID, "D");
    EXPECT_EQ(data.CompanyName, "Maker");
    EXPECT_EQ(data.NORVA_No, "");
}

TEST(HelpFiles, BesideTheProgramFile) {
    struct Case {
        const char* program;
        const char* main;
        const char* faultMemory;
        const char* history;
    };
    for (const Case& c : {Case{"/opt/kelt/Tarvik", "/opt/kelt/Tarvik.chm", "/opt/kelt/Tarvik_Fsp.chm",
                               "/opt/kelt/Tarvik_History.chm"},
                          Case{"/opt/kelt/tool.bin", "/opt/kelt/tool.chm", "/opt/kelt/tool_Fsp.chm",
                               "/opt/kelt/tool_History.chm"},
                          Case{"/opt/v1.2/Tarvik", "/opt/v1.2/Tarvik.chm", "/opt/v1.2/Tarvik_Fsp.chm",
                               "/opt/v1.2/Tarvik_History.chm"}}) {
        const ProgramHelpFiles files = helpFilesOf(c.program);
        EXPECT_EQ(files.main, c.main);
        EXPECT_EQ(files.faultMemory, c.faultMemory);
        EXPECT_EQ(files.history, c.history);
    }
}

TEST(Caption, MissingLanguageAndPartNumber) {
    EXPECT_TRUE(languageTagMissing(languageTagOf("")));
    EXPECT_FALSE(languageTagMissing(languageTagOf("D")));
    EXPECT_TRUE(languageTagMissing(""));
    EXPECT_TRUE(partNumberMissing("12345678"));
    EXPECT_FALSE(partNumberMissing("123456789"));
    EXPECT_TRUE(partNumberMissing(""));
}

// --- INI readers ------------------------------------------------------------------------------

class IniTest : public ::testing::Test {
protected:
    void write(const std::string& content) { TempDir::writeFile(dir / "app.INI", content); }
    ProfileFile ini() const { return ProfileFile(dir / "app.INI"); }
    TempDir dir;
};

TEST_F(IniTest, AutoStartAndFullScreen) {
    const struct {
        const char* content;
        bool automation;
        bool autoStart;
        bool vollbild;
    } cases[] = {
        {"", false, true, false},  // defaults: AutoStart 1, Vollbild 0
        {"", true, false, false},  // automation never starts by itself
        {"[Optionen]\r\nAutoStart=0\r\nVollbild=1\r\n", false, false, true},
        {"[OPTIONEN]\r\nAutoStart=1\r\nVollbild=0\r\n", true, false, false},
        {"[Optionen]\r\nAutoStart=2\r\nVollbild=2\r\n", false, false, false},  // only 1 counts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        write(c.content);
        EXPECT_EQ(autoStartEnabled(ini(), c.automation), c.autoStart);
        EXPECT_EQ(fullScreenEnabled(ini()), c.vollbild);
    }
}

TEST(DiagnosticLine, TextToLine) {
    const struct {
        const char* text;
        uint8_t defaultLine;
        uint8_t line;
    } cases[] = {
        {"KLine", 0, 1}, {"CAN24V", 0, 2}, {"CAN5V", 0, 3}, {"SAE", 0, 4},
        {"", 1, 1},      {"", 0, 0},       {"kline", 1, 0}, {"CAN", 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(diagnosticLineOf(c.text, c.defaultLine), c.line);
    }
}

TEST_F(IniTest, DiagnosticLineReadOnlyWhileNoneIsSet) {
    write("[Diagnose]\r\nDiagnosticLine=SAE\r\n");
    uint8_t line = 1;
    EXPECT_EQ(DiagnoseleitungLesen(ini(), line, 1), 1);  // already set: the file is not read
    EXPECT_EQ(line, 1);

    line = 0;
    EXPECT_EQ(DiagnoseleitungLesen(ini(), line, 1), 4);
    EXPECT_EQ(line, 4);

    write("");
    line = 0;
    EXPECT_EQ(DiagnoseleitungLesen(ini(), line, 3), 3);  // no key: the default
    write("[Diagnose]\r\nDiagnosticLine=Bluetooth\r\n");
    line = 0;
    EXPECT_EQ(DiagnoseleitungLesen(ini(), line, 3), 0);  // unknown text: none
}

// --- status line ------------------------------------------------------------------------------

TEST(StatusLine, PortAndLineTexts) {
    const struct {
        const char* port;
        uint8_t line;
        const char* text;
    } cases[] = {
        {"COM3", 1, "COM3 <-> K-Line"},
        {"COM3", 0, "COM3"},
        {"COM12", 2, "COM12 <-> CAN 24V"},
        {"COM1", 3, "COM1 <-> CAN 5V"},
        {"COM1", 4, "COM1 <-> SAE"},
        {"COM1", 9, "COM1"},
        {"", 1, " <-> K-Line"},
        {"Diagnostic Interface #12345", 1, "USB #12345 <-> K-Line"},
        {"Diagnostic Interface #1234567890", 0, "USB #12345"},  // 7 characters from the 21st
        {"Diagnostic-Interface-2 #A1B2C3D4", 0, "USB#A1B2C3"},  // 7 characters from the 24th
        // Names that end before the cut part: "USB" alone, never characters past the end.
        {"Diagnostic-Interface-2", 1, "USB <-> K-Line"},
        {"Diagnostic-Interface-2 ", 0, "USB"},
        {"Diagnostic Interface", 0, "USB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        EXPECT_EQ(statusPortText(c.port, c.line), c.text);
    }
}

TEST(StatusLine, PanelWidths) {
    const struct {
        int window, design1, width2, dpi;
        int p0, p1, p2;
    } cases[] = {
        {792, 150, 50, 96, 592, 150, 50},
        {792, 150, 50, 120, 555, 187, 50},  // 150 * 120 / 96 = 187 (integer division)
        {792, 150, 50, 192, 442, 300, 50},
        {100, 150, 50, 96, 0, 150, 50},  // narrower than the fixed panels: nothing left, not negative
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.window * 1000 + c.dpi);
        const StatusPanelWidths w = statusPanelWidths(c.window, c.design1, c.width2, c.dpi);
        EXPECT_EQ(w.panel0, c.p0);
        EXPECT_EQ(w.panel1, c.p1);
        EXPECT_EQ(w.panel2, c.p2);
    }
}

// --- data folders -----------------------------------------------------------------------------

class DataFolderTest : public ::testing::Test {
protected:
    DataFolderTest() {
        env.program = dir / "stick" / "TOOLS" / "Tarvik";
        env.documents = dir / "docs";
        env.data = dir / "share";
        fs::create_directories(env.program.parent_path());
        TempDir::writeFile(env.program, "program");
        drives.mountPoints = {"/", dir / "stick"};
        drives.removableMountPoints = {dir / "stick"};
    }

    DataFolderContext context(bool removable) {
        return DataFolderContext{env.program, defaultDataFolders(env, "Tarvik"), removable, &drives};
    }
    ProfileFile ini() { return ProfileFile(dir / "app.INI"); }
    fs::path defaultRead() const { return dir / "docs" / "NORVA Diagnostic Software" / "Tarvik" / "DATA"; }
    fs::path programFolder() const { return dir / "stick" / "TOOLS"; }

    TempDir dir;
    FixedApplicationEnvironment env;
    FixedDriveInfo drives;
};

TEST_F(DataFolderTest, DefaultsUnderDocumentsElseData) {
    DataFolderPair folders = defaultDataFolders(env, "Tarvik");
    EXPECT_EQ(folders.read, defaultRead());
    EXPECT_EQ(folders.write, defaultRead() / "WRITE");
    env.documents.clear();
    folders = defaultDataFolders(env, "Tarvik");
    EXPECT_EQ(folders.read, dir / "share" / "NORVA Diagnostic Software" / "Tarvik" / "DATA");
    // A program name is one folder, never a way out of it.
    EXPECT_EQ(defaultDataFolders(env, "../x").read.parent_path().filename(), fs::path(".._x"));
}

TEST_F(DataFolderTest, BothEmptyCreatesAndStoresTheDefaults) {
    ProfileFile file = ini();
    const DataFoldersResult result = DatenverzeichnisseLesen(file, context(false));
    EXPECT_TRUE(result.defaultsStored);
    EXPECT_TRUE(result.writeBack.ok()) << result.writeBack.message;
    EXPECT_TRUE(fs::is_directory(defaultRead() / "WRITE"));
    EXPECT_EQ(file.readString("Directory", "ReadData"), defaultRead().string());
    EXPECT_EQ(file.readString("Directory", "WriteData"), (defaultRead() / "WRITE").string());
    EXPECT_EQ(result.readDataPfad, defaultRead().string() + "/");
    EXPECT_EQ(result.writeDataPfad, (defaultRead() / "WRITE").string() + "/");
}

TEST_F(DataFolderTest, RemovableDriveStoresFoldersOnItRelative) {
    // The default folders lie on the stick too: stored relative to the program's folder.
    env.documents = dir / "stick" / "Documents";
    ProfileFile file = ini();
    const DataFoldersResult result = DatenverzeichnisseLesen(file, context(true));
    EXPECT_EQ(file.readString("Directory", "ReadData"), "../Documents/NORVA Diagnostic Software/Tarvik/DATA");
    EXPECT_EQ(file.readString("Directory", "WriteData"),
              "../Documents/NORVA Diagnostic Software/Tarvik/DATA/WRITE");
    // ... and read back as full paths, whatever the process's current folder.
    const fs::path full = dir / "stick" / "Documents" / "NORVA Diagnostic Software" / "Tarvik" / "DATA";
    EXPECT_EQ(result.readDataPfad, full.string() + "/");
    ProfileFile again = ini();
    EXPECT_EQ(DatenverzeichnisseLesen(again, context(true)).writeDataPfad, (full / "WRITE").string() + "/");
}

TEST_F(DataFolderTest, RemovableDriveKeepsFoldersOnOtherDrivesFull) {
    ProfileFile file = ini();
    DatenverzeichnisseLesen(file, context(true));
    EXPECT_EQ(file.readString("Directory", "ReadData"), defaultRead().string());
}

TEST_F(DataFolderTest, OnlyOneSetGetsNoDefaultsButNeverTheRootFolder) {
    TempDir::writeFile(dir / "app.INI", "[Directory]\r\nReadData=/srv/read\r\nWriteData=\r\n");
    ProfileFile file = ini();
    const DataFoldersResult result = DatenverzeichnisseLesen(file, context(false));
    EXPECT_FALSE(result.defaultsStored);
    EXPECT_FALSE(fs::exists(dir / "docs"));  // nothing created
    EXPECT_EQ(file.readString("Directory", "WriteData", "missing"), "");  // stays empty in the file
    EXPECT_EQ(result.readDataPfad, "/srv/read/");
    EXPECT_EQ(result.writeDataPfad, (defaultRead() / "WRITE").string() + "/");
}

TEST_F(DataFolderTest, StoredRelativeFolderLiesInTheProgramFolder) {
    TempDir::writeFile(dir / "app.INI", "[Directory]\r\nReadData=DATA\r\nWriteData=DATA/../OUT/\r\n");
    ProfileFile file = ini();
    const DataFoldersResult result = DatenverzeichnisseLesen(file, context(false));
    EXPECT_EQ(result.readDataPfad, (programFolder() / "DATA").string() + "/");
    EXPECT_EQ(result.writeDataPfad, (programFolder() / "OUT").string() + "/");
}

TEST_F(DataFolderTest, FolderThatCannotBeCreatedBecomesTheProgramFolder) {
    TempDir::writeFile(dir / "docs", "a file where the documents folder should be");
    ProfileFile file = ini();
    const DataFoldersResult result = DatenverzeichnisseLesen(file, context(false));
    EXPECT_EQ(file.readString("Directory", "ReadData"), programFolder().string());
    EXPECT_EQ(result.readDataPfad, programFolder().string() + "/");
    EXPECT_EQ(result.writeDataPfad, programFolder().string() + "/");
}

TEST_F(DataFolderTest, FailedWriteBackIsReported) {
    ProfileFile file(dir / "missing-folder" / "app.INI");
    const DataFoldersResult result = DatenverzeichnisseLesen(file, context(false));
    EXPECT_FALSE(result.writeBack.ok());
    EXPECT_FALSE(result.writeBack.message.empty());
    EXPECT_EQ(result.readDataPfad, defaultRead().string() + "/");
}

TEST(FolderText, TrailingSeparatorAndExpansion) {
    EXPECT_EQ(withTrailingSeparator("/a/b"), "/a/b/");
    EXPECT_EQ(withTrailingSeparator("/a/b//"), "/a/b/");
    EXPECT_EQ(withTrailingSeparator("/"), "/");
    EXPECT_EQ(expandedFolder("", "/prog", "/default"), fs::path("/default"));
    EXPECT_EQ(expandedFolder("x/../y", "/prog", "/default"), fs::path("/prog/y"));
    EXPECT_EQ(expandedFolder("/abs", "/prog", "/default"), fs::path("/abs"));
}

// --- start-up order ---------------------------------------------------------------------------

TEST(StartupOrder, StepsByQuestionAndAutomation) {
    using S = StartupStep;
    const struct {
        bool ask, automation;
        std::vector<S> steps;
    } cases[] = {
        {true, false,
         {S::WechsellaufwerkPruefen, S::InitialisierungVorbereiten, S::Initialisieren,
          S::SicherheitsabfrageAnzeigen, S::SchnittstelleWaehlen, S::DatenverzeichnisseLesen,
          S::ShowSplash, S::StartSplashTimer}},
        {false, false,
         {S::WechsellaufwerkPruefen, S::InitialisierungVorbereiten, S::Initialisieren,
          S::SchnittstelleWaehlen, S::DatenverzeichnisseLesen, S::ShowSplash, S::StartSplashTimer}},
        // Automation: no safety question, no splash; the port dialog still runs.
        {true, true,
         {S::WechsellaufwerkPruefen, S::InitialisierungVorbereiten, S::Initialisieren,
          S::SchnittstelleWaehlen, S::DatenverzeichnisseLesen, S::StartSplashTimer}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.ask) + std::to_string(c.automation));
        EXPECT_EQ(startupSteps(c.ask, c.automation), c.steps);
    }
}

TEST(StartupOrder, InitialisierenChecksTheLanguageBeforeTheIniFileAndFillsTheListLast) {
    const std::vector<InitStep> steps = initialisierenSteps();
    ASSERT_EQ(steps.size(), 17u);
    auto at = [&](InitStep s) { return std::find(steps.begin(), steps.end(), s) - steps.begin(); };
    EXPECT_LT(at(InitStep::CheckLanguage), at(InitStep::IniDateiFestlegen));
    EXPECT_LT(at(InitStep::ProgrammkennungEinlesen), at(InitStep::FormIdentification));
    EXPECT_EQ(steps.back(), InitStep::ReinitialiseNData);
    EXPECT_EQ(steps[steps.size() - 2], InitStep::ECUListeFuellen);
    std::set<std::string_view> names;
    for (InitStep s : steps) names.insert(stepName(s));
    EXPECT_EQ(names.size(), steps.size());
}

class StartupRun : public ::testing::Test {
protected:
    // Runs the full start-up; the step named closeAt asks the hub to close the application.
    StepsOutcome<StartupStep> run(std::optional<StartupStep> closeAt) {
        return runSteps<StartupStep>(
            startupSteps(true, false),
            [&](StartupStep step) {
                log.push_back(step);
                if (closeAt && step == *closeAt) hub.RequestCloseApplication();
            },
            [&] { return hub.closeRequested(); });
    }

    AutomationHub hub;
    std::vector<StartupStep> log;
};

TEST_F(StartupRun, EveryStepRunsWithoutACloseRequest) {
    const auto outcome = run(std::nullopt);
    EXPECT_FALSE(outcome.closed);
    EXPECT_EQ(outcome.ran, startupSteps(true, false));
    EXPECT_EQ(log, outcome.ran);
}

TEST_F(StartupRun, NoToTheSafetyQuestionStopsBeforeThePortAndTheSplash) {
    const auto outcome = run(StartupStep::SicherheitsabfrageAnzeigen);
    EXPECT_TRUE(outcome.closed);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), StartupStep::SicherheitsabfrageAnzeigen);
    EXPECT_EQ(std::count(log.begin(), log.end(), StartupStep::SchnittstelleWaehlen), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), StartupStep::ShowSplash), 0);
}

TEST_F(StartupRun, CloseDuringInitialisierenSkipsTheSafetyQuestion) {
    const auto outcome = run(StartupStep::Initialisieren);
    EXPECT_TRUE(outcome.closed);
    EXPECT_EQ(log.back(), StartupStep::Initialisieren);
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(StartupRun, CloseRequestedBeforeTheStartRunsNothing) {
    hub.RequestCloseApplication();
    const auto outcome = run(std::nullopt);
    EXPECT_TRUE(outcome.closed);
    EXPECT_TRUE(log.empty());
}

// --- tester name ------------------------------------------------------------------------------

TEST(TesterName, WrittenToUserInfo) {
    TempDir dir;
    const fs::path ini = dir / "app.INI";
    EXPECT_TRUE(saveTesterName(ini.string(), "M. Mustermann").ok());
    EXPECT_EQ(ProfileFile(ini).readString("User Info", "Tester"), "M. Mustermann");
}

TEST(TesterName, NoIniFileNoWrite) {
    TempDir dir;
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const ProfileWriteResult result = saveTesterName("", "M. Mustermann");
    const bool empty = fs::is_empty(dir.path());
    fs::current_path(before);
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(empty);  // no file appeared in the current folder
}

TEST(TesterName, FailedWriteIsReported) {
    TempDir dir;
    TempDir::writeFile(dir / "file", "x");
    const ProfileWriteResult result = saveTesterName((dir / "file" / "app.INI").string(), "T");
    EXPECT_FALSE(result.ok());
}

}  // namespace

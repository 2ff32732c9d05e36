#pragma once
// The decisions of the base main window, without windows: the command line, the caption, the
// data folders, the diagnostic line, the status-line texts and the order of the start-up steps.
// The window (TNBasisform) only wires these to its controls.

#include "About.h"
#include "DriveInfo.h"
#include "NData.h"
#include "ProfileFile.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// --- command line -----------------------------------------------------------------------------

enum class CommandLineMode { Demo, Automation };

struct CommandLineSwitch {
    std::string_view argument;  // compared with the lower-cased argument
    CommandLineMode mode;
};

// Every argument (index 0, the program, included) is lower-cased and looked up here.
inline constexpr CommandLineSwitch kCommandLineSwitches[] = {
    {"demo", CommandLineMode::Demo},
    {"/d", CommandLineMode::Demo},
    {"/automation", CommandLineMode::Automation},
};

struct CommandLineModes {
    bool demo = false;
    bool automation = false;
};

CommandLineModes parseCommandLine(const std::vector<std::string>& arguments);

// --- version texts and caption ----------------------------------------------------------------

// "(" + SprachID + ")".
std::string languageTagOf(std::string_view sprachId);
// Shorter than 3 characters: the program carries no SprachID.
bool languageTagMissing(std::string_view sprachkennung);
// A NORVA_No shorter than 9 characters is missing or from an outdated version block.
bool partNumberMissing(std::string_view norvaNo);

// ProductName + " " + Sprachkennung + " V" + ProductVersion + "  " + NORVA_No, and
// " DEMOVERSION" in demo mode.
std::string basisformCaption(const TNAbout& program, std::string_view sprachkennung, bool demo);

// Developer notes of the start-up (German, Windows-1252), for whoever builds a program on the
// framework.
struct BasisformDeveloperNotes {
    static const char* const LanguageMissing;
    static const char* const LanguageMissingCaption;
    static const char* const PartNumberMissing;
    static const char* const OverrideProgrammkennung;
    static const char* const OverrideECUListeFuellen;
};

// --- settings read by the main window ---------------------------------------------------------

// False in automation mode; else [Optionen] "AutoStart" (integer, default 1) is 1.
bool autoStartEnabled(const ProfileFile& ini, bool automation);
// [Optionen] "Vollbild" (integer, default 0) is 1.
bool fullScreenEnabled(const ProfileFile& ini);

// The line of a [Diagnose] "DiagnosticLine" text: "KLine" 1, "CAN24V" 2, "CAN5V" 3, "SAE" 4,
// an empty text the default, any other text 0.
uint8_t diagnosticLineOf(std::string_view text, uint8_t defaultLine);
// While line is 0, reads [Diagnose] "DiagnosticLine" into it; a line already set is kept and
// nothing is read. Returns the line.
uint8_t DiagnoseleitungLesen(const ProfileFile& ini, uint8_t& line, uint8_t defaultLine);

// --- help files -------------------------------------------------------------------------------

// The help files beside a program file: its path with the extension ".chm" (the main help), and
// its name with "_Fsp.chm" (the fault-memory window's help) and "_History.chm" (the version
// history) in place of the extension.
struct ProgramHelpFiles {
    std::string main;
    std::string faultMemory;
    std::string history;
};
ProgramHelpFiles helpFilesOf(const std::filesystem::path& programFile);

// --- data folders -----------------------------------------------------------------------------

struct DataFolderPair {
    std::filesystem::path read;
    std::filesystem::path write;
};

// base = documents folder, else the data folder; read = base / "NORVA Diagnostic Software" /
// Programmname / "DATA"; write = read / "WRITE".
DataFolderPair defaultDataFolders(const ApplicationEnvironment& env, std::string_view programmname);

// What the folder rules need to know about the running program.
struct DataFolderContext {
    std::filesystem::path programFile;
    DataFolderPair defaults;        // used for an empty setting
    bool removableDrive = false;    // WechsellaufwerkAktiv
    const DriveInfo* drives = nullptr;  // decides "same drive"; null: never the same

    std::filesystem::path programFolder() const { return programFile.parent_path(); }
};

// A folder as stored in [Directory]: on a removable drive a folder on the program's own drive is
// stored relative to the program's folder (so the drive can move between computers); any other
// folder is stored as given.
std::string storedFolderText(const std::filesystem::path& folder, const DataFolderContext& context);
// A stored folder as a full path: an empty text is the default folder, a relative one lies in
// the program's folder. The process's current folder plays no part.
std::filesystem::path expandedFolder(std::string_view stored, const std::filesystem::path& programFolder,
                                     const std::filesystem::path& defaultFolder);
// The folder as text with one trailing '/'.
std::string withTrailingSeparator(const std::filesystem::path& folder);

struct DataFoldersResult {
    std::string readDataPfad;   // full, with a trailing separator
    std::string writeDataPfad;
    bool defaultsStored = false;  // both keys were empty: defaults created and written back
    ProfileWriteResult writeBack; // outcome of writing the defaults back (ok when none written)
};

// [Directory] "ReadData" and "WriteData". When both are empty the default folders are created
// (a folder that cannot be created becomes the program's folder), stored (relative on a
// removable drive) and written back. Only one of them empty: nothing is created or written, and
// the empty one means its default folder.
DataFoldersResult DatenverzeichnisseLesen(ProfileFile& ini, const DataFolderContext& context);

// --- status line ------------------------------------------------------------------------------

// Panel 1: the port, a USB device shortened to "USB" + its number part, then the line
// (" <-> K-Line", " <-> CAN 24V", " <-> CAN 5V", " <-> SAE"; nothing for 0 or unknown).
std::string statusPortText(std::string_view portName, uint8_t line);

struct StatusPanelWidths {
    int panel0 = 0;
    int panel1 = 0;
    int panel2 = 0;
};
// Panel 1 = its design width scaled to the screen's dots per inch (integer division by 96);
// panel 0 takes what is left of the window width (never below 0); panel 2 keeps its width.
StatusPanelWidths statusPanelWidths(int windowWidth, int designWidth1, int width2, int dotsPerInch);

// --- start-up order ---------------------------------------------------------------------------

// The steps of the main window's start-up, in the order they run.
enum class StartupStep {
    WechsellaufwerkPruefen,
    InitialisierungVorbereiten,
    Initialisieren,
    SicherheitsabfrageAnzeigen,
    SchnittstelleWaehlen,
    DatenverzeichnisseLesen,
    ShowSplash,
    StartSplashTimer,
};

// The safety question only when asked for and not in automation mode; the splash never in
// automation mode.
std::vector<StartupStep> startupSteps(bool askSafetyQuestion, bool automation);

// The steps of Initialisieren, in the order they run.
enum class InitStep {
    ReadDemoMode,
    SetTitleAndLanguage,
    CheckLanguage,
    IniDateiFestlegen,
    SetHelpFiles,
    ProgrammkennungEinlesen,
    FormVersionNumber,
    FormIdentification,
    ReadTester,
    InitialiseNData,
    CheckPartNumber,
    SetCaption,
    ReadBubbleHelp,
    ReadFullScreen,
    ResetDiagnosticLine,
    ECUListeFuellen,
    ReinitialiseNData,
};

std::vector<InitStep> initialisierenSteps();

std::string_view stepName(StartupStep step);
std::string_view stepName(InitStep step);

template <typename Step>
struct StepsOutcome {
    std::vector<Step> ran;  // the steps that ran, in order
    bool closed = false;    // stopped because the application is closing
};

// Runs the steps in order. Before each step closeRequested is asked; once it answers true no
// further step runs - a close asked for during start-up ends the program before anything else
// is shown, also while no event loop runs yet.
template <typename Step>
StepsOutcome<Step> runSteps(const std::vector<Step>& steps, const std::function<void(Step)>& run,
                            const std::function<bool()>& closeRequested) {
    StepsOutcome<Step> outcome;
    for (Step step : steps) {
        if (closeRequested()) {
            outcome.closed = true;
            return outcome;
        }
        run(step);
        outcome.ran.push_back(step);
    }
    outcome.closed = closeRequested();
    return outcome;
}

// --- tester name ------------------------------------------------------------------------------

// Writes the tester name to [User Info] "Tester". An INI file that was never set (start-up ended
// before it was known) is not written: the result is then ok and nothing happens.
ProfileWriteResult saveTesterName(const std::string& iniFile, const std::string& testerName);

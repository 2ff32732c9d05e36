#include "BasisformLogic.h"

#include <algorithm>
#include <cctype>

namespace fs = std::filesystem;

namespace {


std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// Up to count characters from a 0-based position; nothing past the end of the text.
std::string_view clampedPart(std::string_view text, std::size_t position, std::size_t count) {
    if (position >= text.size()) return {};
    return text.substr(position, count);
}

// The folder, created with its parents when missing; the fallback when that fails.
fs::path createdOr(const fs::path& folder, const fs::path& fallback) {
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return folder;
    fs::create_directories(folder, ec);
    if (!ec && fs::is_directory(folder, ec)) return folder;
    return fallback;
}

}  // namespace

// --- command line -----------------------------------------------------------------------------

CommandLineModes parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLineModes modes;
    for (const std::string& argument : arguments) {
        const std::string lower = lowerCase(argument);
        for (const CommandLineSwitch& entry : kCommandLineSwitches) {
            if (lower != entry.argument) continue;
            if (entry.mode == CommandLineMode::Demo) modes.demo = true;
            if (entry.mode == CommandLineMode::Automation) modes.automation = true;
        }
    }
    return modes;
}

// --- help files -------------------------------------------------------------------------------

ProgramHelpFiles helpFilesOf(const fs::path& programFile) {
    auto besideProgram = [&programFile](std::string_view suffix) {
        return (programFile.parent_path() / (programFile.stem().string() + std::string(suffix))).string();
    };
    ProgramHelpFiles files;
    files.main = fs::path(programFile).replace_extension(".chm").string();
    files.faultMemory = besideProgram("_Fsp.chm");
    files.history = besideProgram("_History.chm");
    return files;
}

// --- version texts and caption ----------------------------------------------------------------

std::string languageTagOf(std::string_view sprachId) { return "(" + std::string(sprachId) + ")"; }

bool languageTagMissing(std::string_view sprachkennung) { return sprachkennung.size() < 3; }

bool partNumberMissing(std::string_view norvaNo) { return norvaNo.size() < 9; }

std::string basisformCaption(const TNAbout& program, std::string_view sprachkennung, bool demo) {
    std::string caption = program.ProduktName + " " + std::string(sprachkennung) + " V" +
                          program.ProduktVersion + "  " + program.NORVA_No;
    if (demo) caption += " DEMOVERSION";
    return caption;
}

const char* const BasisformDeveloperNotes::LanguageMissing =
    "Bitte SprachID eingeben! \n Projekt->Optionen->VersionsInfo->\nSprachID = D, GB, F usw. ";
const char* const BasisformDeveloperNotes::LanguageMissingCaption = "Achtung";
const char* const BasisformDeveloperNotes::PartNumberMissing =
    "Der Versionsschl\xFCssel NORVA_No fehlt oder ist leer,\n"
    "oder die TNAbout-Komponente ist veraltet!";
const char* const BasisformDeveloperNotes::OverrideProgrammkennung =
    "Funktion 'ProgrammkennungEinlesen' muss noch \xFC" "berschrieben werden!\n"
    "Sie muss DiagAttr.SystemKennung, DiagAttr.SystemUnterKennung und "
    "DiagAttr.InterneKennung setzen.";
const char* const BasisformDeveloperNotes::OverrideECUListeFuellen =
    "Funktion 'ECUListeFuellen' muss noch \xFC" "berschrieben werden";

// --- settings read by the main window ---------------------------------------------------------

bool autoStartEnabled(const ProfileFile& ini, bool automation) {
    if (automation) return false;
    return readSetting(ini, AppIniKeys::AutoStart) == 1;
}

bool fullScreenEnabled(const ProfileFile& ini) { return readSetting(ini, AppIniKeys::Vollbild) == 1; }

uint8_t diagnosticLineOf(std::string_view text, uint8_t defaultLine) {
    if (text.empty()) return defaultLine;
    if (text == "KLine") return 1;
    if (text == "CAN24V") return 2;
    if (text == "CAN5V") return 3;
    if (text == "SAE") return 4;
    return 0;
}

uint8_t DiagnoseleitungLesen(const ProfileFile& ini, uint8_t& line, uint8_t defaultLine) {
    if (line == 0) line = diagnosticLineOf(readSetting(ini, AppIniKeys::DiagnosticLine), defaultLine);
    return line;
}

// --- data folders -----------------------------------------------------------------------------

DataFolderPair defaultDataFolders(const ApplicationEnvironment& env, std::string_view programmname) {
    // Beside the INI file: where the program's folder is already, it stays.
    const fs::path base =
        settingsBaseFolder(env, fs::path(kNorvaFolderName) / NData::safePathPart(programmname));
    DataFolderPair folders;
    folders.read = base / kNorvaFolderName / NData::safePathPart(programmname) / "DATA";
    folders.write = folders.read / "WRITE";
    return folders;
}

std::string storedFolderText(const fs::path& folder, const DataFolderContext& context) {
    fs::path stored = folder;
    if (context.removableDrive && context.drives && folder.is_absolute()) {
        const fs::path programFolder = context.programFolder();
        if (context.drives->sameDrive(folder, programFolder)) {
            const fs::path relative =
                folder.lexically_normal().lexically_relative(programFolder.lexically_normal());
            if (!relative.empty()) stored = relative;
        }
    }
    // "DATA/" and "DATA" are the same folder; keep the stored form plain.
    std::string text = stored.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

fs::path expandedFolder(std::string_view stored, const fs::path& programFolder,
                        const fs::path& defaultFolder) {
    if (stored.empty()) return defaultFolder.lexically_normal();
    fs::path folder(stored);
    if (folder.is_relative()) folder = programFolder / folder;
    return folder.lexically_normal();
}

std::string withTrailingSeparator(const fs::path& folder) {
    std::string text = folder.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    if (text.empty() || text.back() != '/') text.push_back('/');
    return text;
}

DataFoldersResult DatenverzeichnisseLesen(ProfileFile& ini, const DataFolderContext& context) {
    DataFoldersResult result;
    std::string read = readSetting(ini, AppIniKeys::ReadData);
    std::string write = readSetting(ini, AppIniKeys::WriteData);
    const fs::path programFolder = context.programFolder();

    if (read.empty() && write.empty()) {
        read = storedFolderText(createdOr(context.defaults.read, programFolder), context);
        write = storedFolderText(createdOr(context.defaults.write, programFolder), context);
        result.defaultsStored = true;
        result.writeBack = writeSetting(ini, AppIniKeys::ReadData, read);
        if (result.writeBack.ok()) result.writeBack = writeSetting(ini, AppIniKeys::WriteData, write);
    }

    result.readDataPfad = withTrailingSeparator(expandedFolder(read, programFolder, context.defaults.read));
    result.writeDataPfad =
        withTrailingSeparator(expandedFolder(write, programFolder, context.defaults.write));
    return result;
}

// --- status line ------------------------------------------------------------------------------

std::string statusPortText(std::string_view portName, uint8_t line) {
    std::string text;
    // A name shorter than the part we cut from shows just "USB": the part is clamped to the name.
    if (portName.find("Diagnostic Interface") != std::string_view::npos)
        text = "USB" + std::string(clampedPart(portName, 20, 7));
    else if (portName.find("Diagnostic-Interface-2") != std::string_view::npos)
        text = "USB" + std::string(clampedPart(portName, 23, 7));
    else
        text = std::string(portName);

    switch (line) {
    case 1: text += " <-> K-Line"; break;
    case 2: text += " <-> CAN 24V"; break;
    case 3: text += " <-> CAN 5V"; break;
    case 4: text += " <-> SAE"; break;
    default: break;
    }
    return text;
}

StatusPanelWidths statusPanelWidths(int windowWidth, int designWidth1, int width2, int dotsPerInch) {
    StatusPanelWidths widths;
    widths.panel1 = designWidth1 * dotsPerInch / 96;
    widths.panel2 = width2;
    widths.panel0 = std::max(0, windowWidth - widths.panel1 - widths.panel2);
    return widths;
}

// --- start-up order ---------------------------------------------------------------------------

std::vector<StartupStep> startupSteps(bool askSafetyQuestion, bool automation) {
    std::vector<StartupStep> steps = {
        StartupStep::WechsellaufwerkPruefen,
        StartupStep::InitialisierungVorbereiten,
        StartupStep::Initialisieren,
    };
    if (askSafetyQuestion && !automation) steps.push_back(StartupStep::SicherheitsabfrageAnzeigen);
    steps.push_back(StartupStep::SchnittstelleWaehlen);
    steps.push_back(StartupStep::DatenverzeichnisseLesen);
    if (!automation) steps.push_back(StartupStep::ShowSplash);
    steps.push_back(StartupStep::StartSplashTimer);
    return steps;
}

std::vector<InitStep> initialisierenSteps() {
    return {
        InitStep::ReadDemoMode,          InitStep::SetTitleAndLanguage,
        InitStep::CheckLanguage,    InitStep::IniDateiFestlegen,
        InitStep::SetHelpFiles,   InitStep::ProgrammkennungEinlesen,
        InitStep::FormVersionNumber,    InitStep::FormIdentification,
        InitStep::ReadTester,             InitStep::InitialiseNData,
        InitStep::CheckPartNumber,      InitStep::SetCaption,
        InitStep::ReadBubbleHelp,         InitStep::ReadFullScreen,
        InitStep::ResetDiagnosticLine, InitStep::ECUListeFuellen,
        InitStep::ReinitialiseNData,
    };
}

std::string_view stepName(StartupStep step) {
    switch (step) {
    case StartupStep::WechsellaufwerkPruefen: return "WechsellaufwerkPruefen";
    case StartupStep::InitialisierungVorbereiten: return "InitialisierungVorbereiten";
    case StartupStep::Initialisieren: return "Initialisieren";
    case StartupStep::SicherheitsabfrageAnzeigen: return "SicherheitsabfrageAnzeigen";
    case StartupStep::SchnittstelleWaehlen: return "SchnittstelleWaehlen";
    case StartupStep::DatenverzeichnisseLesen: return "DatenverzeichnisseLesen";
    case StartupStep::ShowSplash: return "ShowSplash";
    case StartupStep::StartSplashTimer: return "StartSplashTimer";
    }
    return "?";
}

std::string_view stepName(InitStep step) {
    switch (step) {
    case InitStep::ReadDemoMode: return "ReadDemoMode";
    case InitStep::SetTitleAndLanguage: return "SetTitleAndLanguage";
    case InitStep::CheckLanguage: return "CheckLanguage";
    case InitStep::IniDateiFestlegen: return "IniDateiFestlegen";
    case InitStep::SetHelpFiles: return "SetHelpFiles";
    case InitStep::ProgrammkennungEinlesen: return "ProgrammkennungEinlesen";
    case InitStep::FormVersionNumber: return "FormVersionNumber";
    case InitStep::FormIdentification: return "FormIdentification";
    case InitStep::ReadTester: return "ReadTester";
    case InitStep::InitialiseNData: return "InitialiseNData";
    case InitStep::CheckPartNumber: return "CheckPartNumber";
    case InitStep::SetCaption: return "SetCaption";
    case InitStep::ReadBubbleHelp: return "ReadBubbleHelp";
    case InitStep::ReadFullScreen: return "ReadFullScreen";
    case InitStep::ResetDiagnosticLine: return "ResetDiagnosticLine";
    case InitStep::ECUListeFuellen: return "ECUListeFuellen";
    case InitStep::ReinitialiseNData: return "ReinitialiseNData";
    }
    return "?";
}

// --- tester name ------------------------------------------------------------------------------

ProfileWriteResult saveTesterName(const std::string& iniFile, const std::string& testerName) {
    if (iniFile.empty()) return {};
    ProfileFile ini(iniFile);
    return writeSetting(ini, AppIniKeys::Tester, testerName);
}

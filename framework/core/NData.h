#pragma once
// Process-wide application data: the shared record DiagAttr that the framework and the program
// read and write directly, and the NData object (pNData) that derives the program's names, its
// identification text and the place of the application INI file from the program file's
// version texts. Also the keys of the application INI file with their defaults.
//
// Where NData takes its facts from (program file, version texts, shell folders) is an
// ApplicationEnvironment, so tests run against temporary folders.

#include "ProfileFile.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <system_error>

// The diagnostic attributes shared by the framework and the program. Texts are whole strings:
// nothing is cut to the old fixed buffer sizes.
struct DiagAttrStruct {
    std::string Schnittstellenname;        // interface port: "COM1".."COM32" or a USB device name
    std::string AppIni;                    // full path of the application INI file
    std::string HilfeDatei;                // main help file (program path with ".chm")
    std::string FspHilfeDatei;             // help file of the fault-memory window
    uint8_t SystemKennung = 0;
    uint8_t SystemUnterKennung = 0;
    uint8_t InterneKennung = 0;
    int32_t Versionsnummer = 0;            // e.g. 132 for version 1.32; 0 when not a version
    std::string Programmkennung;           // "%d%03d%03d%04d" identification text
    std::string SchnittstellenAppVersion;  // version of the application in the interface
    std::string Sprachkennung;             // "(" + SprachID + ")"
    std::string ReadDataPfad;              // folder for opening data files, trailing separator
    std::string WriteDataPfad;             // folder for saving data files and protocols
    std::string Anwendungstitel;           // application title, caption of the message boxes
};

extern DiagAttrStruct DiagAttr;

// Version texts found in a program file, by key ("ProductName", "SprachID", ...). A key that the
// file does not carry is absent; a file without version texts gives an empty map.
using VersionTextMap = std::map<std::string, std::string, std::less<>>;

// The facts NData reads about the running program and the system.
class ApplicationEnvironment {
public:
    virtual ~ApplicationEnvironment() = default;
    // Full path of the program file.
    virtual std::filesystem::path programFile() const = 0;
    // The program file's version texts.
    virtual VersionTextMap versionTexts() const = 0;
    // The documents folder; empty when it cannot be determined.
    virtual std::filesystem::path documentsFolder() const = 0;
    // The application-data folder, used when there is no documents folder.
    virtual std::filesystem::path dataFolder() const = 0;
};

// The running program: its own file, its version block, the XDG folders of the user.
class SystemApplicationEnvironment final : public ApplicationEnvironment {
public:
    std::filesystem::path programFile() const override;
    VersionTextMap versionTexts() const override;
    std::filesystem::path documentsFolder() const override;
    std::filesystem::path dataFolder() const override;
    static const SystemApplicationEnvironment& instance();
};

// The maker's folder under the documents folder that holds every program's INI and data folders.
inline constexpr std::string_view kNorvaFolderName = "NORVA Diagnostic Software";

// The folder that holds the maker's folder for a program whose own part below it is `relative`:
// the one of the documents and the data folder where `relative` exists already (documents
// first), else the documents folder, else the data folder. So settings and data made while
// there was no documents folder stay in use when one appears later.
std::filesystem::path settingsBaseFolder(const ApplicationEnvironment& env,
                                         const std::filesystem::path& relative);

class NData {
public:
    // Every field empty or zero; reads the running program and DiagAttr.
    NData();
    // env and attr must outlive the object.
    explicit NData(const ApplicationEnvironment& env, DiagAttrStruct& attr = DiagAttr);

    // Reads the version texts of the program file; a text the file does not carry keeps its
    // value.
    void VersionsinfoLesen();
    // Refreshes the derived fields from the version texts and DiagAttr, and creates the INI
    // file's folder when IniDatei is set and the folder is missing. Returns the error of that
    // creation (the start-up carries on regardless; INI writes then report their failure).
    std::error_code Initialisieren();
    // Initialisieren, then IniDatei = <settingsBaseFolder>
    //   / "NORVA Diagnostic Software" / Programmname / "V" + ProductVersion + " (" + SprachID + ")"
    //   / <program file name with extension ".INI">: an INI file that exists under the data
    // folder stays in use when a documents folder appears.
    // Each part is made safe as one folder name (see safePathPart).
    void IniDateiname();

    // The application INI file (IniDatei).
    ProfileFile iniFile() const { return ProfileFile(IniDatei); }

    // Derivation rules, also used by the start-up.
    // ProductName up to the blank before "Diagnostic Software", else the whole name.
    static std::string programNameOf(std::string_view productName);
    // First and second dot-separated parts of the version joined and read as a decimal number
    // ("1.32.0.0" gives 132); 0 when there are no two parts of digits or the number does not fit.
    static int32_t versionNumberOf(std::string_view productVersion);
    // "%d%03d%03d%04d" of the four numbers.
    static std::string identificationText(unsigned systemKennung, unsigned systemUnterKennung,
                                          unsigned interneKennung, int32_t kennungsversion);
    // A text as one folder or file name: separators and NULs become '_', a name of dots only
    // ("." or "..") gets its dots replaced by '_'. An empty text stays empty.
    static std::string safePathPart(std::string_view text);

    int32_t Kennungsversion = 0;
    uint8_t SystemKennung = 0;
    uint8_t SystemUnterKennung = 0;
    uint8_t InterneKennung = 0;
    int32_t Versionsnummer = 0;
    std::string Programmkennung;
    std::string Produktname;
    std::string Programmtitel;  // ProductName + " (" + SprachID + ") V" + ProductVersion
    std::string IniDatei;
    // Version texts, by their keys.
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string LegalTrademarks;
    std::string OriginalFilename;
    std::string ProductName;
    std::string Programmname;  // the program's short name ("Tarvik")
    std::string ProductVersion;
    std::string Comments;
    std::string NORVA_No;
    std::string SprachID;
    std::string SprachIndex;
    // Copies of the data folders, kept equal to DiagAttr's by the settings dialog.
    std::string ReadDataPfad;
    std::string WriteDataPfad;

private:
    const ApplicationEnvironment* env_;
    DiagAttrStruct* attr_;
};

// The application's NData; created and freed by the base main window.
extern NData* pNData;

// Keys of the application INI file with their defaults.
struct IniIntSetting {
    std::string_view section;
    std::string_view key;
    int defaultValue;
};
struct IniBoolSetting {
    std::string_view section;
    std::string_view key;
    bool defaultValue;
};
struct IniTextSetting {
    std::string_view section;
    std::string_view key;
    std::string_view defaultValue;
};

struct AppIniKeys {
    // 1 = start the diagnosis after start-up (not in automation mode).
    static constexpr IniIntSetting AutoStart{"Optionen", "AutoStart", 1};
    // 1 = main window maximised.
    static constexpr IniIntSetting Vollbild{"Optionen", "Vollbild", 0};
    // Tool tips for the whole application.
    static constexpr IniBoolSetting BubbleHelp{"Optionen", "BubbleHelp", true};
    static constexpr IniTextSetting ReadData{"Directory", "ReadData", ""};
    static constexpr IniTextSetting WriteData{"Directory", "WriteData", ""};
    // Port name as in DiagAttr.Schnittstellenname.
    static constexpr IniTextSetting InterfacePort{"SelectPort", "InterfacePort", ""};
    // "KLine", "CAN24V", "CAN5V" or "SAE".
    static constexpr IniTextSetting DiagnosticLine{"Diagnose", "DiagnosticLine", ""};
    static constexpr IniIntSetting ECUAdress{"Diagnose", "ECUAdress", 16};
    static constexpr IniTextSetting LabelPrinterX{"LabelPrinter", "X-Position", "1"};
    static constexpr IniTextSetting LabelPrinterY{"LabelPrinter", "Y-Position", "1"};
    static constexpr IniTextSetting Tester{"User Info", "Tester", ""};
    // Company and user, kept here only when the program runs from a removable drive.
    static constexpr IniTextSetting Firma{"User Info", "Firma", ""};
    static constexpr IniTextSetting Name{"User Info", "Name", ""};
    // Display order of the fault-memory window.
    static constexpr IniIntSetting DtcSorting{"OPTIONEN", "DTC_SORTING", 0};
};

int readSetting(const ProfileFile& ini, const IniIntSetting& setting);
// A boolean is an integer: anything but 0 is true.
bool readSetting(const ProfileFile& ini, const IniBoolSetting& setting);
std::string readSetting(const ProfileFile& ini, const IniTextSetting& setting);

ProfileWriteResult writeSetting(ProfileFile& ini, const IniIntSetting& setting, long long value);
// Written as "1" or "0".
ProfileWriteResult writeSetting(ProfileFile& ini, const IniBoolSetting& setting, bool value);
ProfileWriteResult writeSetting(ProfileFile& ini, const IniTextSetting& setting,
                                std::string_view value);

#pragma once
// The settings behind the "Settings" dialog (TNOptionen), without windows: what each page shows
// when the dialog opens, and what accepting writes - the interface port, the two data folders,
// the program options, the label-printer margins and the user's company and name.
//
// Company and name go through UserData: the user's registry, or the INI file when the program
// runs from a removable drive. Folders on the program's own removable drive are stored relative
// to the program's folder. Every write is checked; what failed is reported, not dropped.

#include "BasisformLogic.h"
#include "NData.h"
#include "ProfileFile.h"
#include "UserData.h"

#include <filesystem>
#include <string>
#include <vector>

// The values of the dialog's pages.
struct SettingsValues {
    std::string port;           // "" = no port chosen
    std::string readFolder;     // full paths as shown in the edits
    std::string writeFolder;
    bool vollbild = false;
    bool autoStart = true;
    bool bubbleHelp = true;
    std::string xPosition = "1";  // label-printer margins, kept as typed
    std::string yPosition = "1";
    std::string firma;
    std::string benutzername;
};

// One write that failed.
struct SettingsWriteFailure {
    std::string what;  // the setting: "[Section] Key" or "user data"
    ProfileWriteResult result;
};

struct SettingsSaveResult {
    std::vector<SettingsWriteFailure> failures;
    bool ok() const { return failures.empty(); }
    // The text for the user: the headline (string table) and one line per failure.
    std::string userMessage() const;
};

// The message for one setting that could not be written: the headline, then
// "[Section] Key: reason", as the settings dialog shows its failures.
std::string settingNotSavedMessage(std::string_view section, std::string_view key,
                                   const ProfileWriteResult& written);

// Where the settings live and what they touch.
struct SettingsContext {
    std::filesystem::path iniFile;  // the application INI file (DiagAttr.AppIni)
    DataFolderContext folders;      // program file, default folders, removable drive
    UserData userData;              // company and name
    DiagAttrStruct* attr = nullptr; // port and data folders of the running program; may be null
    NData* ndata = nullptr;         // its copies of the data folders; may be null
};

class SettingsModel {
public:
    explicit SettingsModel(SettingsContext context);

    // What the pages show: the stored values, an empty or missing folder as its default folder,
    // a relative folder as the full path in the program's folder.
    SettingsValues load() const;

    // Writes every page. The port and the folders also go to the running program (DiagAttr,
    // NData) so the next connection and file dialog use them. An empty folder edit is stored
    // empty and means the default folder. Every write is tried; the failures are returned.
    SettingsSaveResult save(const SettingsValues& werte);

    const SettingsContext& context() const { return context_; }

private:
    SettingsContext context_;
};

// The running program's context: DiagAttr.AppIni, the program file, its default folders,
// WechsellaufwerkAktiv, the user's registry, DiagAttr and pNData.
SettingsContext programSettingsContext(const ApplicationEnvironment& env = SystemApplicationEnvironment::instance(),
                                       const DriveInfo& drives = SystemDriveInfo::instance());

// String-table ids of the dialog's own texts.
inline constexpr int kSettingsNotSavedText = 11950;  // headline of a failed save
inline constexpr int kSelectReadingDirectoryText = 11044;
inline constexpr int kSelectWritingDirectoryText = 11045;

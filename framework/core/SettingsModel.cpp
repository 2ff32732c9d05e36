#include "SettingsModel.h"

#include "ProgramModes.h"
#include "StringTable.h"
#include "Windows1252.h"

namespace fs = std::filesystem;

namespace {

std::string settingName(std::string_view section, std::string_view key) {
    return "[" + std::string(section) + "] " + std::string(key);
}

template <typename Setting, typename Value>
void writeChecked(ProfileFile& ini, const Setting& setting, const Value& value,
                  SettingsSaveResult& result) {
    ProfileWriteResult written = writeSetting(ini, setting, value);
    if (!written.ok())
        result.failures.push_back({settingName(setting.section, setting.key), std::move(written)});
}

}  // namespace

std::string SettingsSaveResult::userMessage() const {
    std::string text = LoadStr(kSettingsNotSavedText);
    text += "\n";
    // The reason names the settings file, a UTF-8 path.
    for (const SettingsWriteFailure& failure : failures)
        text += "\n" + failure.what + ": " + windows1252FromUtf8(failure.result.message);
    return text;
}

std::string settingNotSavedMessage(std::string_view section, std::string_view key,
                                   const ProfileWriteResult& written) {
    SettingsSaveResult result;
    result.failures.push_back({settingName(section, key), written});
    return result.userMessage();
}

SettingsModel::SettingsModel(SettingsContext context) : context_(std::move(context)) {}

SettingsValues SettingsModel::load() const {
    const ProfileFile ini(context_.iniFile);
    const fs::path programFolder = context_.folders.programFolder();
    SettingsValues werte;
    werte.port = readSetting(ini, AppIniKeys::InterfacePort);
    werte.readFolder =
        expandedFolder(readSetting(ini, AppIniKeys::ReadData), programFolder, context_.folders.defaults.read)
            .string();
    werte.writeFolder =
        expandedFolder(readSetting(ini, AppIniKeys::WriteData), programFolder, context_.folders.defaults.write)
            .string();
    // The check boxes read any non-zero number as checked.
    werte.vollbild = ini.readInt(AppIniKeys::Vollbild.section, AppIniKeys::Vollbild.key, 0) != 0;
    werte.autoStart = ini.readInt(AppIniKeys::AutoStart.section, AppIniKeys::AutoStart.key, 1) != 0;
    werte.bubbleHelp = readSetting(ini, AppIniKeys::BubbleHelp);
    werte.xPosition = readSetting(ini, AppIniKeys::LabelPrinterX);
    werte.yPosition = readSetting(ini, AppIniKeys::LabelPrinterY);
    const UserInfo user = context_.userData.read();
    werte.firma = user.Firma;
    werte.benutzername = user.Name;
    return werte;
}

SettingsSaveResult SettingsModel::save(const SettingsValues& werte) {
    SettingsSaveResult result;
    ProfileFile ini(context_.iniFile);
    const fs::path programFolder = context_.folders.programFolder();

    writeChecked(ini, AppIniKeys::InterfacePort, werte.port, result);
    if (context_.attr) context_.attr->Schnittstellenname = werte.port;

    // An empty edit is stored empty: it means the default folder, never the root folder.
    const fs::path read = expandedFolder(werte.readFolder, programFolder, context_.folders.defaults.read);
    const fs::path write = expandedFolder(werte.writeFolder, programFolder, context_.folders.defaults.write);
    const std::string storedRead = werte.readFolder.empty() ? "" : storedFolderText(read, context_.folders);
    const std::string storedWrite = werte.writeFolder.empty() ? "" : storedFolderText(write, context_.folders);
    writeChecked(ini, AppIniKeys::ReadData, storedRead, result);
    writeChecked(ini, AppIniKeys::WriteData, storedWrite, result);
    const std::string readPfad = withTrailingSeparator(read);
    const std::string writePfad = withTrailingSeparator(write);
    if (context_.attr) {
        context_.attr->ReadDataPfad = readPfad;
        context_.attr->WriteDataPfad = writePfad;
    }
    if (context_.ndata) {
        context_.ndata->ReadDataPfad = readPfad;
        context_.ndata->WriteDataPfad = writePfad;
    }

    writeChecked(ini, AppIniKeys::Vollbild, werte.vollbild ? 1 : 0, result);
    writeChecked(ini, AppIniKeys::AutoStart, werte.autoStart ? 1 : 0, result);
    writeChecked(ini, AppIniKeys::BubbleHelp, werte.bubbleHelp, result);

    writeChecked(ini, AppIniKeys::LabelPrinterX, werte.xPosition, result);
    writeChecked(ini, AppIniKeys::LabelPrinterY, werte.yPosition, result);

    ProfileWriteResult user = context_.userData.write(UserInfo{werte.firma, werte.benutzername});
    if (!user.ok()) result.failures.push_back({"User data", std::move(user)});
    return result;
}

SettingsContext programSettingsContext(const ApplicationEnvironment& env, const DriveInfo& drives) {
    std::string programmname;
    if (pNData)
        programmname = pNData->Programmname;
    else if (auto texts = env.versionTexts(); texts.count("ProductName"))
        programmname = NData::programNameOf(texts.find("ProductName")->second);

    SettingsContext context{
        DiagAttr.AppIni,
        DataFolderContext{env.programFile(), defaultDataFolders(env, programmname), WechsellaufwerkAktiv != 0,
                          &drives},
        UserData(WechsellaufwerkAktiv != 0, DiagAttr.AppIni, UserRegistry::forUser()),
        &DiagAttr,
        pNData,
    };
    return context;
}

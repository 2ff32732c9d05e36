#include "SelectFile.h"

#include "BasisformLogic.h"
#include "ProfileFile.h"
#include "StringTable.h"
#include "Windows1252.h"

#include <filesystem>
#include <string_view>

namespace fs = std::filesystem;

namespace {

enum TextId {
    kCaption = 11027,
    kNoValidFormat = 11033,
    kEcuFilter = 11037,
    kEolFilter = 11038,
    kAllFilter = 11039,
    kOverwrite = 11046,
    kSrvFilter = 11047,
    kPrcFilter = 11064,
    kAppend = 11065,
};

// The proposal as a file-system name. Without a chassis number (and name part) it is empty
// rather than a hidden ".ECU"; the default suffix still completes what the technician types.
std::string proposedName(const std::string& stem, const DataFileKindInfo& info) {
    if (stem.empty()) return {};
    return utf8FromWindows1252(stem + info.extension);
}

FileChoice choiceFor(FileChoice::Mode mode, DataFileKind kind, const std::string& stem,
                     const fs::path& folder) {
    const DataFileKindInfo info = dataFileKindInfo(kind);
    FileChoice choice;
    choice.mode = mode;
    choice.folder = folder;
    choice.fileName = proposedName(stem, info);
    choice.defaultSuffix = info.defaultSuffix;
    for (int id : info.filterIds)
        for (FileFilter& filter : filterPairs(LoadStr(id))) choice.filters.push_back(std::move(filter));
    return choice;
}

// The dialog comes back in the folder of the last choice, with `name` proposed.
void showAgain(FileChoice& choice, const fs::path& chosen, std::string name) {
    choice.folder = chosen.parent_path();
    choice.fileName = std::move(name);
}

std::string fileTypeOf(const fs::path& file) {
    return ProfileFile(file).readString("FileInfo", "FileType");
}

void refuse(ProgramContext& context) {
    context.messageBox(LoadStr(kNoValidFormat), LoadStr(kCaption), MB_OK | MB_ICONWARNING);
}

bool fileExists(const fs::path& file) {
    std::error_code ec;
    return fs::exists(file, ec);
}

}  // namespace

fs::path configuredFolder(const IniTextSetting& setting, bool mustExist, ProgramContext& context) {
    const fs::path programFolder = context.programFolder();
    const std::string stored =
        context.attributes().AppIni.empty() ? std::string() : readSetting(ProfileFile(context.attributes().AppIni), setting);
    const fs::path folder = expandedFolder(stored, programFolder, programFolder);
    std::error_code ec;
    return !mustExist || fs::is_directory(folder, ec) ? folder : programFolder;
}

DataFileKindInfo dataFileKindInfo(DataFileKind kind) {
    switch (kind) {
    case 0: return {".EOL", "EOL", {kEolFilter, kEcuFilter, kAllFilter}};
    case 1: return {".ECU", "ECU", {kEcuFilter, kEolFilter, kAllFilter}};
    case 2: return {".SRV", "SRV", {kSrvFilter, kAllFilter}};
    case 3: return {".PRC", "PRC", {kPrcFilter, kAllFilter}};
    default: return {"", "", {kAllFilter, kEcuFilter, kEolFilter}};
    }
}

std::string SelectReadData(DataFileKind kind, const std::string& title, ProgramContext& context) {
    FileChoice choice = choiceFor(FileChoice::Mode::Open, kind, context.vehicle().VIN,
                                  configuredFolder(AppIniKeys::ReadData, true, context));
    choice.title = title;
    for (;;) {
        const std::optional<fs::path> chosen = context.chooseFile(choice);
        if (!chosen) return {};
        if (!fileExists(*chosen)) {
            showAgain(choice, *chosen, chosen->filename().string());
            continue;
        }
        if (!fileTypeOf(*chosen).empty()) return chosen->string();
        showAgain(choice, *chosen, {});
        refuse(context);
    }
}

std::string SelectWriteData(DataFileKind kind, const std::string& namePart, bool append,
                            ProgramContext& context) {
    const std::string part = MakeValidFileName(namePart);
    const std::string vin = context.vehicle().VIN;
    FileChoice choice = choiceFor(FileChoice::Mode::Save, kind, part.empty() ? vin : vin + "_" + part,
                                  configuredFolder(AppIniKeys::WriteData, true, context));
    for (;;) {
        const std::optional<fs::path> chosen = context.chooseFile(choice);
        if (!chosen) return {};
        if (!fileExists(*chosen)) return chosen->string();
        if (fileTypeOf(*chosen).empty()) {
            showAgain(choice, *chosen, {});
            refuse(context);
            continue;
        }
        if (context.messageBox(LoadStr(append ? kAppend : kOverwrite), LoadStr(kCaption), MB_YESNO) == IDYES)
            return chosen->string();
        showAgain(choice, *chosen, chosen->filename().string());
    }
}

std::string MakeValidFileName(const std::string& name) {
    std::size_t drive = 0;
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) {
        drive = 2;
    } else if (name.starts_with("\\\\")) {
        // "\\server\share": up to the backslash after the share.
        const std::size_t server = name.find('\\', 2);
        if (server != std::string::npos) {
            const std::size_t share = name.find('\\', server + 1);
            drive = share == std::string::npos ? name.size() : share;
        }
    }
    std::string result = name;
    for (std::size_t i = drive; i < result.size(); ++i)
        if (std::string_view("/:*?\"<>|").find(result[i]) != std::string_view::npos) result[i] = '_';
    return result;
}

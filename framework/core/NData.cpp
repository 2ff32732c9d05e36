#include "NData.h"

#include "About.h"
#include "ShellFolders.h"
#include "VersionBlock.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

DiagAttrStruct DiagAttr;
NData* pNData = nullptr;

namespace {

constexpr std::string_view kDiagnosticSoftware = "Diagnostic Software";

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

// --- environment ------------------------------------------------------------------------------

std::filesystem::path SystemApplicationEnvironment::programFile() const {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self;
}

VersionTextMap SystemApplicationEnvironment::versionTexts() const {
    VersionTextMap texts;
    const std::filesystem::path file = programFile();
    if (file.empty()) return texts;
    std::optional<VersionBlock> block = VersionBlock::readFile(file);
    if (!block) return texts;
    texts = versionTextsOf(*block);
    return texts;
}

std::filesystem::path SystemApplicationEnvironment::documentsFolder() const {
    return ShellFolders::system().documents();
}

std::filesystem::path SystemApplicationEnvironment::dataFolder() const {
    return ShellFolders::system().data();
}

const SystemApplicationEnvironment& SystemApplicationEnvironment::instance() {
    static const SystemApplicationEnvironment env;
    return env;
}

std::filesystem::path settingsBaseFolder(const ApplicationEnvironment& env,
                                         const std::filesystem::path& relative) {
    const std::filesystem::path documents = env.documentsFolder();
    const std::filesystem::path data = env.dataFolder();
    std::error_code ec;
    for (const std::filesystem::path& base : {documents, data})
        if (!base.empty() && std::filesystem::exists(base / relative, ec)) return base;
    return documents.empty() ? data : documents;
}

// --- NData ------------------------------------------------------------------------------------

NData::NData() : NData(SystemApplicationEnvironment::instance(), DiagAttr) {}

NData::NData(const ApplicationEnvironment& env, DiagAttrStruct& attr) : env_(&env), attr_(&attr) {}

void NData::VersionsinfoLesen() { takeVersionTexts(env_->versionTexts(), *this); }

std::error_code NData::Initialisieren() {
    VersionsinfoLesen();
    SystemKennung = attr_->SystemKennung;
    SystemUnterKennung = attr_->SystemUnterKennung;
    InterneKennung = attr_->InterneKennung;
    Versionsnummer = attr_->Versionsnummer;
    Programmtitel = ProductName + " (" + SprachID + ") V" + ProductVersion;
    Programmname = programNameOf(ProductName);
    Programmkennung =
        identificationText(SystemKennung, SystemUnterKennung, InterneKennung, Kennungsversion);
    Produktname = ProductName;

    std::error_code ec;
    if (!IniDatei.empty()) {
        const std::filesystem::path folder = std::filesystem::path(IniDatei).parent_path();
        if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
            std::filesystem::create_directories(folder, ec);
    }
    return ec;
}

void NData::IniDateiname() {
    std::filesystem::path name = env_->programFile().filename();
    name.replace_extension(".INI");
    Initialisieren();
    const std::filesystem::path relative = std::filesystem::path(kNorvaFolderName) /
                                           safePathPart(Programmname) /
                                           safePathPart("V" + ProductVersion + " (" + SprachID + ")") /
                                           safePathPart(name.string());
    IniDatei = (settingsBaseFolder(*env_, relative) / relative).string();
}

std::string NData::programNameOf(std::string_view productName) {
    const std::size_t at = productName.find(kDiagnosticSoftware);
    if (at == std::string_view::npos) return std::string(productName);
    std::string_view before = productName.substr(0, at);
    // Only the separating blank goes; a name glued to the text keeps its last letter.
    if (!before.empty() && before.back() == ' ') before.remove_suffix(1);
    return std::string(before);
}

int32_t NData::versionNumberOf(std::string_view productVersion) {
    const std::size_t firstDot = productVersion.find('.');
    if (firstDot == std::string_view::npos) return 0;
    const std::string_view major = productVersion.substr(0, firstDot);
    std::string_view minor = productVersion.substr(firstDot + 1);
    minor = minor.substr(0, minor.find('.'));
    if (!allDigits(major) || !allDigits(minor)) return 0;
    const std::string joined = std::string(major) + std::string(minor);
    int32_t number = 0;
    auto [end, error] = std::from_chars(joined.data(), joined.data() + joined.size(), number);
    if (error != std::errc() || end != joined.data() + joined.size()) return 0;
    return number;
}

std::string NData::identificationText(unsigned systemKennung, unsigned systemUnterKennung,
                                      unsigned interneKennung, int32_t kennungsversion) {
    char text[64];
    std::snprintf(text, sizeof text, "%u%03u%03u%04d", systemKennung, systemUnterKennung,
                  interneKennung, static_cast<int>(kennungsversion));
    return text;
}

std::string NData::safePathPart(std::string_view text) {
    std::string part(text);
    for (char& c : part)
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    if (!part.empty() && part.find_first_not_of('.') == std::string::npos)
        std::replace(part.begin(), part.end(), '.', '_');
    return part;
}

// --- settings ---------------------------------------------------------------------------------

int readSetting(const ProfileFile& ini, const IniIntSetting& setting) {
    return ini.readInt(setting.section, setting.key, setting.defaultValue);
}

bool readSetting(const ProfileFile& ini, const IniBoolSetting& setting) {
    return ini.readInt(setting.section, setting.key, setting.defaultValue ? 1 : 0) != 0;
}

std::string readSetting(const ProfileFile& ini, const IniTextSetting& setting) {
    return ini.readString(setting.section, setting.key, setting.defaultValue);
}

ProfileWriteResult writeSetting(ProfileFile& ini, const IniIntSetting& setting, long long value) {
    return ini.writeInt(setting.section, setting.key, value);
}

ProfileWriteResult writeSetting(ProfileFile& ini, const IniBoolSetting& setting, bool value) {
    return ini.writeInt(setting.section, setting.key, value ? 1 : 0);
}

ProfileWriteResult writeSetting(ProfileFile& ini, const IniTextSetting& setting,
                                std::string_view value) {
    return ini.writeString(setting.section, setting.key, value);
}

#include "NNorvaFile.h"

#include "GetToken.h"
#include "IniInteger.h"
#include "StringTable.h"
#include "Windows1252.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr const char* kVersion = "VERSION";
constexpr const char* kStructureVersion = "FILESTRUCTUREVERSION";
constexpr const char* kEcuIdentification = "ECU-IDENTIFICATION";
constexpr const char* kDiagnosticIdentification = "DIAGNOSTICIDENTIFICATION";
constexpr std::size_t kVersionSubLength = 100;
constexpr std::size_t kTesterNameLength = 255;

enum TextId {
    kFileNotFound = 11066,
    kCreatingFile = 11076,
    kVersionMissing = 11077,
    kCreate = 11078,
    kEnsureFormat = 11079,
    kNoValidFormat = 11033,
    kSystemMismatch = 11080,
    kMainVersionMismatch = 11081,
    kSubversionInvalid = 11082,
    kSubversionGreater = 11083,
    kUseCompatibleFile = 11084,
    kRequired = 11086,
    kAvailable = 11087,
    kFolderNotCreated = 11088,
    kTesterPrompt = 11035,
    kTesterCaption = 11036,
    kNotAnInteger = 11960,
};

// Box styles of the object's messages.
constexpr unsigned kWarnOk = MB_OK | MB_ICONWARNING;
constexpr unsigned kWarnOkCancel = MB_OKCANCEL | MB_ICONWARNING;
constexpr unsigned kAskOkCancel = MB_OKCANCEL | MB_ICONQUESTION;

// Two hexadecimal digits, nothing else.
std::optional<unsigned> hexByte(std::string_view text) {
    if (text.size() != 2) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        value <<= 4;
        if (c >= '0' && c <= '9') value |= unsigned(c - '0');
        else if (c >= 'a' && c <= 'f') value |= unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') value |= unsigned(c - 'A' + 10);
        else return std::nullopt;
    }
    return value;
}

std::string substrOr(const std::string& text, std::size_t pos, std::size_t count) {
    return pos < text.size() ? text.substr(pos, count) : std::string();
}

// Characters below code 33 removed at both ends.
std::string trimmed(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) < 33; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

bool existsOnDisk(const ProfileReadResult& read) {
    return read.ok() || (read.error != ENOENT && read.error != ENOTDIR);
}

}  // namespace

std::string TodayString(const WallClock& clock) { return isoDateText(clock.now()); }

std::string NowTimeString(const WallClock& clock) { return localeTimeText(clock.now()); }

NNorvaFile::NNorvaFile(std::string FileName, std::string StructureVersion, std::string Identification,
                       uint8_t OpenMode, std::string IdentificationKey, Writes writes,
                       ProgramContext& context)
    : DataFileName(std::move(FileName)), context_(context), file_(DataFileName) {
    if (Identification == "-") {
        RequiredIdentification = "-";
    } else {
        RequiredIdentification = Identification;
        if (Identification.size() < IdentificationTemplate.size())
            RequiredIdentification += IdentificationTemplate.substr(Identification.size());
    }

    // One read: the batch's starting point, and the reason when an existing file cannot be read.
    ProfileEdit snapshot(file_);
    const bool exists = existsOnDisk(snapshot.readResult());
    if (exists) fail(snapshot.readResult());
    if (writes == Writes::Batch) edit_.emplace(std::move(snapshot));

    const auto finish = [this] {
        FileHardwareNumber = ReadString(kEcuIdentification, "HardwareNumber", "-");
        FileSystemName = ReadString(kEcuIdentification, "Systemname", "-");
        ReadOnly = file_.exists() && ::access(file_.path().c_str(), W_OK) != 0;
    };

    if (!exists) {
        if (OpenMode == 2) {
            if (message(LoadStr(kFileNotFound) + "\n\n" + LoadStr(kCreatingFile), kWarnOkCancel) != IDOK) {
                finish();
                return;
            }
        } else if (OpenMode != 1) {
            message(LoadStr(kFileNotFound), kWarnOk);
            finish();
            return;
        }
        if (!createFile(StructureVersion, Identification)) return;
    }

    FileVersion = ReadString(kVersion, kStructureVersion, "-");
    if (const std::size_t dot = FileVersion.find('.'); dot != std::string::npos) {
        FileVersionMain = FileVersion.substr(0, dot);
        FileVersionSub = FileVersion.substr(dot + 1, kVersionSubLength);
    }

    if (StructureVersion.empty() || checkVersion(StructureVersion, Identification, IdentificationKey))
        checkIdentification(Identification, IdentificationKey);
    finish();
}

bool NNorvaFile::createFile(const std::string& structureVersion, const std::string& identification) {
    const fs::path folder = fs::path(DataFileName).parent_path();
    std::error_code ec;
    // One level only: the folder's parent must exist.
    if (!folder.empty() && !fs::is_directory(folder, ec) && ::mkdir(folder.c_str(), 0777) != 0) {
        const std::string folderText = windows1252FromUtf8((folder / "").string());
        LastAnswer = context_.messageBox(folderText + "\n\n" + LoadStr(kFolderNotCreated),
                                         context_.attributes().Anwendungstitel, kWarnOk);
        return false;
    }
    const WallClock& clock = context_.clock();
    const bool written =
        (structureVersion.empty() || write(kVersion, kStructureVersion, structureVersion)) &&
        (identification.empty() || write(kEcuIdentification, kDiagnosticIdentification, identification)) &&
        write(kVersion, "CREATEDBY",
              context_.applicationTitle() + " / " + TodayString(clock) + " / " + NowTimeString(clock));
    if (!written) {
        // A write refused half-way may have created the file already.
        Existed = edit_.has_value() || !file_.exists();
        return false;
    }
    Existed = false;
    Valid = true;
    return true;
}

bool NNorvaFile::checkVersion(const std::string& structureVersion, const std::string& identification,
                              const std::string& identificationKey) {
    if (FileVersion == "-" &&
        message(LoadStr(kVersionMissing) + "\n" + LoadStr(kCreate) + "\n" + LoadStr(kEnsureFormat),
                kAskOkCancel) == IDOK) {
        // The file's own identification is kept, so the check below still sees it.
        const bool written =
            write(kVersion, kStructureVersion, structureVersion) &&
            (identification.empty() || !fileIdentificationOf(identificationKey).empty() ||
             write(kEcuIdentification, kDiagnosticIdentification, identification)) &&
            write(kVersion, "DATEOFCREATION", localeDateTimeText(context_.clock().now()));
        if (!written) return false;
    }
    FileVersion = ReadString("Version", "FileStructureVersion", "-");
    if (FileVersion != structureVersion) {
        message(LoadStr(kNoValidFormat), kWarnOkCancel);
        return false;
    }
    return true;
}

std::string NNorvaFile::fileIdentificationOf(const std::string& identificationKey) const {
    std::string text =
        ReadString(kEcuIdentification, identificationKey.empty() ? kDiagnosticIdentification : identificationKey);
    if (text.empty()) text = ReadString(kEcuIdentification, kDiagnosticIdentification);
    return text;
}

void NNorvaFile::checkIdentification(const std::string& identification, const std::string& identificationKey) {
    if (identification.empty()) {
        Valid = true;
        return;
    }
    FileIdentification = fileIdentificationOf(identificationKey);
    // Characters 1-5: the system identification; 7-8: the main version, both compared as text;
    // 10-11: the subversion, a hexadecimal number the file's may be below the ECU's. A text that
    // ends early differs; it is never read past its end.
    if (identification.size() < 5 || substrOr(identification, 0, 5) != substrOr(FileIdentification, 0, 5)) {
        if (FileIdentification == "-")
            Valid = true;
        else
            mismatch(kSystemMismatch);
        return;
    }
    if (identification.size() < 8) {
        Valid = true;
        return;
    }
    if (substrOr(identification, 6, 2) != substrOr(FileIdentification, 6, 2)) {
        mismatch(kMainVersionMismatch);
        return;
    }
    if (identification.size() != 11) {
        Valid = true;
        return;
    }
    const std::optional<unsigned> ecu = hexByte(substrOr(identification, 9, 2));
    const std::optional<unsigned> file = hexByte(substrOr(FileIdentification, 9, 2));
    if (!ecu || !file)
        mismatch(kSubversionInvalid);
    else if (*file > *ecu)
        mismatch(kSubversionGreater);
    else
        Valid = true;
}

void NNorvaFile::mismatch(int textId) {
    message(LoadStr(textId) + "\n\n" + LoadStr(kRequired) + "\t\t" + RequiredIdentification + "\n" +
                LoadStr(kAvailable) + "\t" + FileIdentification + "\n\n" + LoadStr(kUseCompatibleFile),
            kWarnOkCancel);
}

int NNorvaFile::message(const std::string& text, unsigned flags) {
    LastAnswer = context_.messageBox(windows1252FromUtf8(DataFileName) + "\n\n" + text,
                                     context_.attributes().Anwendungstitel, flags);
    return LastAnswer;
}

// --- reading and writing ---------------------------------------------------------------------

const ProfileAccess& NNorvaFile::store() const {
    return edit_ ? static_cast<const ProfileAccess&>(*edit_) : file_;
}

ProfileAccess& NNorvaFile::store() {
    return edit_ ? static_cast<ProfileAccess&>(*edit_) : file_;
}

std::optional<std::string> NNorvaFile::value(const std::string& section, const std::string& key) const {
    return store().value(section, key);
}

bool NNorvaFile::write(const std::string& section, const std::string& key, const std::string& value) {
    return fail(store().writeString(section, key, value));
}

bool NNorvaFile::fail(const ProfileWriteResult& result) {
    if (!result.ok() && firstFailure_.ok()) firstFailure_ = result;
    return result.ok();
}

bool NNorvaFile::SetSection(const std::string& name) {
    CurrentSection = name;
    return true;
}

bool NNorvaFile::WriteValue(const std::string& key, const std::string& value) {
    return !CurrentSection.empty() && write(CurrentSection, key, value);
}

bool NNorvaFile::ReadValue(const std::string& key, std::string& value) const {
    if (CurrentSection.empty()) return false;
    value = ReadString(CurrentSection, key);
    return true;
}

bool NNorvaFile::ReadIntegerValue(const std::string& key, uint16_t& value) const {
    if (CurrentSection.empty()) return false;
    const std::optional<std::string> text = this->value(CurrentSection, key);
    if (!text) return false;
    const std::optional<int32_t> number = parseIniInteger(*text);
    if (!number) return false;
    value = static_cast<uint16_t>(static_cast<uint32_t>(*number) & 0xFFFFu);
    return true;
}

bool NNorvaFile::EraseCurrentSection() {
    return !CurrentSection.empty() && EraseSection(CurrentSection);
}

bool NNorvaFile::WriteFileInfo() {
    const VehicleData vehicle = context_.vehicle();
    return write("FileInfo", "FileType", "NORVA Data File") && write("FileInfo", "VIN", vehicle.VIN) &&
           write("FileInfo", "Manufacturer", vehicle.Manufacturer) &&
           write("FileInfo", "TypeOfVehicle", vehicle.Type);
}

bool NNorvaFile::WriteIdentBlock(const std::string& section, const std::string& SerialNumberDiag,
                                 const std::string& ProductNumber, const std::string& DateOfProduction,
                                 const std::string& SerialNumberECU, const std::string& SoftwareVersionECU,
                                 const std::string& Testername, const std::string& DiagnosticIdentification) {
    return write(section, "Date", TodayString(context_.clock())) && write(section, "Testername", Testername) &&
           write(section, "ProductNumber", ProductNumber) &&
           write(section, "DateOfProduction", DateOfProduction) &&
           write(section, "SerialNumberECU", SerialNumberECU) &&
           write(section, "DiagnosticIdentification", DiagnosticIdentification) &&
           write(section, "SoftwareVersionECU", SoftwareVersionECU) &&
           write(section, "SerialNumberDiag", SerialNumberDiag);
}

bool NNorvaFile::WriteEcuIdentBlock(const std::string& section, const std::string& testerName) {
    const DiagAttrStruct& attr = context_.attributes();
    const EcuTexts ecu = context_.ecuTexts();
    return WriteIdentBlock(section,
                           NData::identificationText(attr.SystemKennung, attr.SystemUnterKennung,
                                                     attr.InterneKennung, attr.Versionsnummer),
                           ecu.ProductNumber, ecu.DateOfProduction, ecu.SerialNumber, ecu.SoftwareVersion,
                           testerName, ecu.DiagnosticIdentification);
}

bool NNorvaFile::WriteIdentBlockWithTester(const std::string& section) {
    std::optional<std::string> name = context_.askText(LoadStr(kTesterCaption), LoadStr(kTesterPrompt),
                                                       context_.testerName(), kTesterNameLength);
    if (!name) return false;
    if (name->size() > kTesterNameLength) name->resize(kTesterNameLength);
    context_.setTesterName(*name);
    return WriteEcuIdentBlock(section, *name);
}

int32_t NNorvaFile::ReadNumberWithComment(const std::string& section, const std::string& key,
                                          std::string* comment, int32_t def) {
    const std::string text = ReadString(section, key);
    if (text.empty()) return def;
    const std::string number = trimmed(GetToken(text, ";", 0));
    if (comment) *comment = trimmed(GetToken(text, ";", 1));
    if (const std::optional<int32_t> value = parseIniInteger(number)) return *value;
    message("[" + section + "] " + key + ": " + messageWithText(kNotAnInteger, number), kWarnOk);
    return 0;
}

std::string NNorvaFile::ReadString(const std::string& section, const std::string& key,
                                   const std::string& def) const {
    return value(section, key).value_or(def);
}

int32_t NNorvaFile::ReadInteger(const std::string& section, const std::string& key, int32_t def) const {
    const std::optional<std::string> text = value(section, key);
    const std::optional<int32_t> number = text ? parseIniInteger(*text) : std::nullopt;
    return number.value_or(def);
}

bool NNorvaFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    return write(section, key, value);
}

std::vector<std::string> NNorvaFile::ReadSection(const std::string& section) const {
    return store().keyNames(section);
}

std::vector<std::string> NNorvaFile::ReadSectionValues(const std::string& section) const {
    std::vector<std::string> lines;
    // One walk over the section, not a look-up per key.
    store().forEachKey(section, [&](std::string_view key, std::string_view value) {
        std::string& line = lines.emplace_back();
        line.reserve(key.size() + 1 + value.size());
        line.append(key).append(1, '=').append(value);
    });
    return lines;
}

void NNorvaFile::ForEachKey(const std::string& section, const ProfileAccess::KeyVisitor& visit) const {
    store().forEachKey(section, visit);
}

bool NNorvaFile::EraseSection(const std::string& section) {
    return fail(store().deleteSection(section));
}

ProfileWriteResult NNorvaFile::Commit() {
    if (!edit_) return {};
    const ProfileWriteResult result = edit_->commit();
    fail(result);
    return result;
}

#include "ParameterDataFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "IniInteger.h"
#include "MessageBox.h"
#include "NNorvaFile.h"
#include "Numbers.h"
#include "ParameterTransfer.h"
#include "ParameterValues.h"
#include "StringTable.h"

namespace {

constexpr std::string_view kValuePrefix = "P_";
constexpr const char* kChecksumKey = "Checksum";
constexpr const char* kIdentificationKey = "DiagnosticIdentification";

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

uint16_t maximumRaw(const structParaInfo& p) { return p.Art == ArtWord ? 65535 : 255; }

// The section's "P_" values in file order, each checked against the parameter it lands on;
// nothing when a key or value is no integer, a value does not fit, or there are more keys than
// parameters.
std::optional<std::vector<uint16_t>> sectionValues(const NNorvaFile& file, const std::string& section,
                                                   const _ParaKonf& konf) {
    std::vector<uint16_t> values;
    values.reserve(konf.Parameter.size());
    bool refused = false;
    file.ForEachKey(section, [&](std::string_view key, std::string_view text) {
        if (refused || !key.starts_with(kValuePrefix)) return;
        const std::optional<int32_t> value = parseIniInteger(text);
        refused = !value || !parseIniInteger(key.substr(kValuePrefix.size())) ||
                  values.size() >= konf.Parameter.size() || *value < 0 ||
                  *value > maximumRaw(konf.Parameter[values.size()]);
        if (!refused) values.push_back(static_cast<uint16_t>(*value));
    });
    if (refused) return std::nullopt;
    return values;
}

int warn(ProgramContext& context, int textId) {
    return context.messageBox(LoadStr(textId), context.attributes().Anwendungstitel, MB_ICONWARNING);
}

}  // namespace

ParameterDatensatz BlockInDatensatz(const _ParaKonf& konf, std::span<const uint8_t> block) {
    ParameterDatensatz data;
    data.value = blockValues(konf, block);
    for (const structParaInfo& p : konf.Parameter) data.number.push_back(p.Nummer);
    return data;
}

std::vector<uint8_t> DatensatzInBlock(const _ParaKonf& konf, const ParameterDatensatz& data) {
    return valuesBlock(konf, data.value);
}

std::string parameterSectionName(const std::string& systemName) { return systemName + " Parameter"; }

uint16_t parameterChecksum(std::span<const uint16_t> values) {
    uint16_t sum = 1;
    for (uint16_t value : values) sum = static_cast<uint16_t>(sum + value);
    return sum;
}

bool writeParameterKeys(NNorvaFile& file, const ParameterDatensatz& data) {
    for (std::size_t i = 0; i < data.value.size(); ++i) {
        if (!file.WriteValue(std::string(kValuePrefix) + numbers::formatInt(data.number[i]),
                             numbers::formatInt(data.value[i])))
            return false;
    }
    return file.WriteValue(kChecksumKey, numbers::formatInt(parameterChecksum(data.value)));
}

ParameterFileLoad loadParameterFile(const std::filesystem::path& path, const std::string& systemName,
                                    const ParameterDescription& description, ProgramContext& context) {
    ParameterFileLoad load;
    // A batch never committed: opening cannot add a header to the file read.
    NNorvaFile file(path.string(), "", "", 1, "", NNorvaFile::Writes::Batch, context);
    if (!file.Valid || !file.Existed || !file.firstFailure()) return load;
    const std::string section = parameterSectionName(systemName);
    file.SetSection(section);

    std::string identification;
    file.ReadValue(kIdentificationKey, identification);
    if (upper(identification + ".PKD") != upper(description.file.filename().string())) {
        load.messageId = kOtherIdentifierText;
        return load;
    }

    const _ParaKonf& konf = description.ParaKonf;
    const std::optional<std::vector<uint16_t>> values = sectionValues(file, section, konf);
    if (!values || values->empty() || values->size() != konf.Parameter.size()) return load;
    std::string checksum;
    file.ReadValue(kChecksumKey, checksum);
    if (parseIniInteger(checksum) != parameterChecksum(*values)) return load;

    load.block = valuesBlock(konf, *values);
    load.messageId = kImportedText;
    return load;
}

ProfileWriteResult saveParameterFile(const std::filesystem::path& path, const ParameterFileHeader& header,
                                     const ParameterDatensatz& data, ProgramContext& context) {
    NNorvaFile file(path.string(), "", "", 1, "", NNorvaFile::Writes::Batch, context);
    const std::string section = parameterSectionName(header.systemName);
    // Keys of another description must not stay beside the new ones: the section is written anew.
    const bool written = file.Valid && file.WriteFileInfo() && file.SetSection(section) &&
                         file.EraseCurrentSection() &&
                         file.WriteIdentBlock(section, header.Programmkennung, header.origin.Teilenummer,
                                              header.origin.Fertigungsdatum, header.origin.Seriennr,
                                              header.origin.Softwareversion, "", header.DiagnoseKennung) &&
                         writeParameterKeys(file, data);
    if (!written || !file.firstFailure()) {
        ProfileWriteResult failure = file.firstFailure();
        if (failure) failure = {EIO, path.string()};
        return failure;
    }
    return file.Commit();
}

int ParameterInDateiSchreiben(const structParameter& record, ProgramContext& context) {
    const std::optional<ParameterDescription> description = readParameterDescription(record.PKDDatei);
    if (!description) {
        warn(context, kNoDescriptionText);
        return 1;
    }
    const _ParaKonf& konf = description->ParaKonf;
    // Only a block of the description's length: anything else would write foreign bytes.
    if (record.pParameterBlock.size() != konf.AnzahlBytes()) {
        warn(context, kLengthMismatchText);
        return 1;
    }
    if (!record.pDatenDatei) return 1;
    return writeParameterKeys(*record.pDatenDatei, BlockInDatensatz(konf, record.pParameterBlock)) ? 0 : 1;
}

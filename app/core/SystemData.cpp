#include "SystemData.h"

#include <optional>
#include <span>
#include <vector>

#include "BusyCursor.h"
#include "FaultMemoryRead.h"
#include "FaultMemoryTable.h"
#include "FaultProtocol.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "NNorvaFile.h"
#include "NData.h"
#include "Numbers.h"
#include "ParameterDataFile.h"
#include "SelectFile.h"
#include "StringTable.h"

namespace {

struct LevelKey {
    const char* key;
    uint16_t LevelValues::*value;
};
constexpr LevelKey kLevelKeys[] = {
    {"DrivingLevelRear", &LevelValues::NormalRear},
    {"DrivingLevelFront", &LevelValues::NormalFront},
    {"UpperLevelRear", &LevelValues::UpperRear},
    {"UpperLevelFront", &LevelValues::UpperFront},
    {"LowerLevelRear", &LevelValues::LowerRear},
    {"LowerLevelFront", &LevelValues::LowerFront},
    {"DifferenceLeftRightLevelRear", &LevelValues::LeftRightDifference},
};

// The operation again while the user asks to repeat; a give-up clears DiagnoseAktiv.
template <class Operation>
bool readFromEcu(KELTInterface& kelt, Operation operation) {
    if (repeatWhileAsked(operation) == NoErrorShown) return true;
    kelt.DiagnoseAktiv = 0;
    return false;
}

// The same under the hourglass for each attempt (the operation has none of its own).
template <class Operation>
bool readFromEcuBusy(KELTInterface& kelt, Operation operation) {
    return readFromEcu(kelt, [&] {
        BusyCursorScope busy(kelt.busyCursor());
        return operation();
    });
}

std::string number(uint16_t value) { return numbers::formatInt(static_cast<int64_t>(value)); }

void writeLevelSection(NNorvaFile& file, LevelValues values) {
    // A signed byte kept as its byte: -6 is written 250.
    values.LeftRightDifference &= 0xFF;
    // Written anew, so a second save keeps the order of the sections.
    file.EraseSection(kLevelSection);
    file.SetSection(kLevelSection);
    for (const LevelKey& k : kLevelKeys) file.WriteValue(k.key, number(values.*k.value));
}

// The protocol header without its time; the date in the locale's short form.
void writeFaultSection(NNorvaFile& file, const FaultEntryTable& table, const ProgramContext& context) {
    FehlerspeicherProtokoll header = protocolHeader(context);
    header.Datum = localeDateText(context.clock().now());
    const std::string& section = protocolSectionName(context.systemName());
    file.SetSection(section);
    file.EraseCurrentSection();
    for (const ProtocolHeaderKey& k : protocolHeaderKeys())
        if (k.field != &FehlerspeicherProtokoll::Uhrzeit) file.WriteValue(k.key, header.*k.field);
    for (const ProtocolKey& k : protocolEntryKeys(std::span(table.data(), usedEntryCount(table))))
        file.WriteValue(k.key, k.value);
}

}  // namespace

SystemDataOutcome SystemdatenSpeichern(const SystemDataSave& save, ProgramContext& context) {
    KELTInterface& kelt = save.kelt;
    // Says why the file was not written; a failure without a reason the file has shown itself.
    const auto notWritten = [&](const ProfileWriteResult& failure) {
        if (!failure.ok())
            context.messageBox(messageWithSystemText(kSystemDataNotSavedText, failure.message),
                               context.attributes().Anwendungstitel, MB_ICONWARNING | MB_OK);
        return SystemDataOutcome::NotWritten;
    };

    if (!save.askVehicleData()) return SystemDataOutcome::Cancelled;
    FileChoice choice;
    choice.mode = FileChoice::Mode::Save;
    choice.folder = configuredFolder(AppIniKeys::WriteData, true, context);
    choice.filters = {{"*.*", "*.*"}};
    const std::optional<std::filesystem::path> chosen = context.chooseFile(choice);
    if (!chosen) return SystemDataOutcome::Cancelled;

    // Everything goes into the batch; nothing reaches the disk before its commit.
    NNorvaFile file(chosen->string(), "", "", 1, "", NNorvaFile::Writes::Batch, context);
    // A folder that could not be made has been shown by the file itself.
    if (!file.Valid || !file.firstFailure()) return notWritten(file.firstFailure());
    file.WriteFileInfo();
    const std::string parameterSection = parameterSectionName(context.systemName());
    file.SetSection(parameterSection);
    file.EraseCurrentSection();
    // The vehicle data have just asked for the tester: the block takes that name, not a second
    // question.
    file.WriteEcuIdentBlock(parameterSection, context.testerName());

    std::vector<uint8_t> buffer(kParameterBufferSize);
    uint16_t count = 0;
    if (!readFromEcuBusy(kelt, [&] { return kelt.ReadParameters(count, buffer); }))
        return SystemDataOutcome::GaveUp;
    structParameter parameters = save.parameters;
    parameters.pParameterBlock = std::span<const uint8_t>(buffer.data(), count);
    parameters.pDatenDatei = &file;
    // Without its description the block cannot be written; a section without it would not load.
    if (ParameterInDateiSchreiben(parameters, context) != 0) {
        if (!file.firstFailure()) return notWritten(file.firstFailure());
        return SystemDataOutcome::NoParameters;
    }

    LevelValues levels;
    if (!readFromEcu(kelt, [&] { return kelt.ReadLevelValues(levels); })) return SystemDataOutcome::GaveUp;
    writeLevelSection(file, levels);

    // An offset of an earlier ECU must not stay beside this one's data.
    file.EraseSection(kPressureSection);
    if (kelt.CfgPressureSensor) {
        uint16_t offset = 0;
        if (!readFromEcuBusy(kelt, [&] { return kelt.ReadPressureOffset(offset); }))
            return SystemDataOutcome::GaveUp;
        file.SetSection(kPressureSection);
        file.WriteValue(kPressureKey, number(offset));
    }

    FaultEntryTable faults{};
    // A given-up read must not be saved as an empty fault memory.
    if (ReadFaultTable(kelt, faults, &save.faultTexts) != NoErrorShown) return SystemDataOutcome::GaveUp;
    writeFaultSection(file, faults, context);

    if (!file.firstFailure()) return notWritten(file.firstFailure());
    if (ProfileWriteResult written = file.Commit(); !written) return notWritten(written);
    context.messageBox(LoadStr(kSystemDataSavedText), context.attributes().Anwendungstitel,
                       MB_ICONINFORMATION | MB_OK);
    return SystemDataOutcome::Saved;
}

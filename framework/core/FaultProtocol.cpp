#include "FaultProtocol.h"

#include "IniInteger.h"
#include "NNorvaFile.h"
#include "Numbers.h"
#include "StringTable.h"

#include <algorithm>
#include <array>

std::string EcuName;

namespace {

constexpr int kIdNoMessage = 11112;

// The seven keys of one entry, in writing order.
enum EntryKey { Component, Mode, Priority, Status, Counter, Timer, Number, kEntryKeyCount };
constexpr std::array<const char*, kEntryKeyCount> kEntryKeyNames = {
    "Component", "Mode", "Priority", "Status", "Counter", "Timer", "Number"};

// "Error <index> <name>"; the reader's "ERROR " finds it too (keys ignore case).
std::string entryKey(std::size_t index, EntryKey key) {
    return "Error " + numbers::formatInt(static_cast<int64_t>(index)) + " " + kEntryKeyNames[key];
}

std::string withCode(const std::string& text, int32_t code) {
    return text + " (" + numbers::formatInt(code) + ")";
}

// An integer value as the INI class reads it: the whole text, else 0.
int32_t integerOf(const ProfileAccess& file, const std::string& section, const std::string& key) {
    const std::optional<std::string> text = file.value(section, key);
    return text ? parseIniInteger(*text).value_or(0) : 0;
}

uint8_t lowByte(int32_t value) { return static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFF); }

// Whether entry 0 is the lone "Error 0 Component" an empty memory is saved as.
bool onlyPlaceholder(const ProfileAccess& file, const std::string& section) {
    for (int key = Mode; key < kEntryKeyCount; ++key)
        if (file.value(section, entryKey(0, static_cast<EntryKey>(key)))) return false;
    return true;
}

}  // namespace

const std::string& protocolSectionName(const std::string& systemName) {
    if (EcuName.empty()) EcuName = (systemName + " ECU ERROR RECORDS").substr(0, kEcuNameLength);
    return EcuName;
}

std::span<const ProtocolHeaderKey> protocolHeaderKeys() {
    using P = FehlerspeicherProtokoll;
    static constexpr ProtocolHeaderKey kKeys[] = {
        {"Date of error record", &P::Datum},
        {"Time of error record", &P::Uhrzeit},
        {"System", &P::System},
        {"Part number", &P::Teilenummer},
        {"Production date", &P::Produktionsdatum},
        {"Serial number (ecu)", &P::SerienNrEcu},
        {"Manufacturer", &P::Hersteller},
        {"Chassis number", &P::Fahrgestellnummer},
        {"Vehicle type", &P::Fahrzeugtyp},
        {"Odometer reading", &P::Kilometerstand},
        {"Tester", &P::Pruefer},
    };
    return kKeys;
}

FehlerspeicherProtokoll protocolHeader(const ProgramContext& context) {
    const EcuTexts ecu = context.ecuTexts();
    const VehicleData vehicle = context.vehicle();
    FehlerspeicherProtokoll header;
    header.Datum = TodayString(context.clock());
    header.Uhrzeit = NowTimeString(context.clock());
    header.System = context.systemName();
    header.Teilenummer = ecu.ProductNumber;
    header.Produktionsdatum = ecu.DateOfProduction;
    header.SerienNrEcu = ecu.SerialNumber;
    header.Hersteller = vehicle.Manufacturer;
    header.Fahrzeugtyp = vehicle.Type;
    header.Pruefer = context.testerName();
    header.Fahrgestellnummer = vehicle.VIN;
    header.Kilometerstand = vehicle.Odometer;
    return header;
}

std::vector<ProtocolKey> protocolHeaderEntries(const FehlerspeicherProtokoll& header) {
    std::vector<ProtocolKey> keys;
    for (const ProtocolHeaderKey& k : protocolHeaderKeys()) keys.push_back({k.key, header.*k.field});
    return keys;
}

std::vector<ProtocolKey> protocolEntryKeys(std::span<const FehlerEintrag> entries) {
    if (entries.empty()) return {{entryKey(0, Component), LoadStr(kIdNoMessage)}};
    std::vector<ProtocolKey> keys;
    keys.reserve(entries.size() * kEntryKeyCount);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const FehlerEintrag& e = entries[i];
        keys.push_back({entryKey(i, Component), withCode(e.KomponentenName, e.KomponentenCode)});
        keys.push_back({entryKey(i, Mode), withCode(e.FehlerartName, e.FehlerartCode)});
        keys.push_back({entryKey(i, Priority), numbers::formatInt(e.Prioritaet)});
        keys.push_back({entryKey(i, Status), numbers::formatInt(e.Status)});
        keys.push_back({entryKey(i, Counter), numbers::formatInt(e.Zaehler)});
        keys.push_back({entryKey(i, Timer), numbers::formatInt(e.Timer)});
        keys.push_back({entryKey(i, Number), numbers::formatInt(e.Nummer)});
    }
    return keys;
}

ProfileWriteResult writeProtocolSection(ProfileAccess& file, const std::string& section,
                                        const FehlerspeicherProtokoll& header,
                                        std::span<const FehlerEintrag> entries,
                                        const std::function<void(ProfileAccess&)>& supplement) {
    if (ProfileWriteResult erased = file.deleteSection(section); !erased) return erased;
    auto write = [&](const std::vector<ProtocolKey>& keys) {
        for (const ProtocolKey& k : keys)
            if (ProfileWriteResult written = file.writeString(section, k.key, k.value); !written)
                return written;
        return ProfileWriteResult{};
    };
    if (ProfileWriteResult written = write(protocolHeaderEntries(header)); !written) return written;
    if (supplement) supplement(file);
    return write(protocolEntryKeys(entries));
}

ProfileWriteResult saveProtocol(const std::filesystem::path& file, const std::string& section,
                                const FehlerspeicherProtokoll& header,
                                std::span<const FehlerEintrag> entries,
                                const std::function<void(ProfileAccess&)>& supplement) {
    ProfileEdit edit{ProfileFile(file)};
    if (ProfileWriteResult written = writeProtocolSection(edit, section, header, entries, supplement);
        !written)
        return written;
    return edit.commit();
}

std::optional<FehlerspeicherProtokoll> readProtocolSection(const ProfileAccess& file,
                                                           const std::string& section) {
    const std::size_t keyCount = file.keyNames(section).size();
    if (keyCount == 0) return std::nullopt;

    FehlerspeicherProtokoll record;
    const std::size_t limit = std::min(keyCount, kProtokollEintraege);
    std::size_t count = 0;
    while (count < limit && file.value(section, entryKey(count, Component))) ++count;
    if (count == 1 && onlyPlaceholder(file, section)) count = 0;
    record.Anzahl = static_cast<uint8_t>(count);

    for (const ProtocolHeaderKey& k : protocolHeaderKeys()) record.*k.field = file.readString(section, k.key);
    if (record.Pruefer.empty()) record.Pruefer = file.readString(section, "Tester Name");

    for (std::size_t i = 0; i < count; ++i) {
        fehl_strct& e = record.Eintraege[i];
        e.KomponenteMitCode = file.readString(section, entryKey(i, Component));
        e.FehlerartMitCode = file.readString(section, entryKey(i, Mode));
        e.Aktuell = integerOf(file, section, entryKey(i, Status)) != 0 ? 1 : 0;
        e.Zaehler = lowByte(integerOf(file, section, entryKey(i, Counter)));
        e.Timer = lowByte(integerOf(file, section, entryKey(i, Timer)));
    }
    if (count == 0) record.Eintraege[0].KomponenteMitCode = file.readString(section, entryKey(0, Component));
    return record;
}

ProtocolRead readProtocol(const std::filesystem::path& file, const std::string& section) {
    const ProfileEdit snapshot{ProfileFile(file)};
    ProtocolRead read;
    read.file = snapshot.readResult();
    if (read.file) read.record = readProtocolSection(snapshot, section);
    return read;
}

FehlerspeicherProtokoll protocolOfEntries(FehlerspeicherProtokoll header,
                                          std::span<const FehlerEintrag> entries,
                                          const FaultTextFile& texts) {
    const std::size_t count = std::min(entries.size(), kProtokollEintraege);
    header.Anzahl = static_cast<uint8_t>(count);
    for (std::size_t i = 0; i < count; ++i) {
        const FehlerEintrag& e = entries[i];
        fehl_strct& out = header.Eintraege[i];
        out.Aktuell = e.Status != 0 ? 1 : 0;
        out.Zaehler = lowByte(e.Zaehler);
        out.Timer = lowByte(e.Timer);
        out.KomponenteMitCode = withCode(texts.KomponentenText(e.KomponentenCode), e.KomponentenCode);
        out.FehlerartMitCode = withCode(texts.FehlerartText(e.FehlerartCode), e.FehlerartCode);
    }
    if (count == 0) header.Eintraege[0].KomponenteMitCode = LoadStr(kIdNoMessage);
    return header;
}

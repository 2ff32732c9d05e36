#include "FaultProtocol.h"

#include "IniInteger.h"
#include "NNorvaFile.h"
#include "Numbers.h"
#include "StringTable.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

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

uint8_t lowByte(int32_t value) { return static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFF); }

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

namespace {

// The keys of entry 0..99 as one walk over the protocol's section finds them.
struct ReadEntry {
    unsigned present = 0;  // bit per EntryKey
    std::string component;
    std::string mode;
    int32_t status = 0;
    int32_t counter = 0;
    int32_t timer = 0;
};

// Which entry key `name` is: "Error <index> <name>" without regard to case, the index in
// decimal as the writer writes it (no sign, no leading zero). Nothing for any other key and for
// an index beyond the record's entries.
std::optional<std::pair<std::size_t, EntryKey>> entryKeyOf(std::string_view name) {
    constexpr std::string_view kPrefix = "Error ";
    if (name.size() <= kPrefix.size() || !equalsNoCase(name.substr(0, kPrefix.size()), kPrefix)) return std::nullopt;
    name.remove_prefix(kPrefix.size());
    std::size_t digits = 0;
    std::size_t index = 0;
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9') {
        index = index * 10 + std::size_t(name[digits] - '0');
        if (++digits > 3) return std::nullopt;
    }
    if (digits == 0 || (digits > 1 && name[0] == '0') || index >= kProtokollEintraege) return std::nullopt;
    if (digits >= name.size() || name[digits] != ' ') return std::nullopt;
    name.remove_prefix(digits + 1);
    for (int key = 0; key < kEntryKeyCount; ++key)
        if (equalsNoCase(name, kEntryKeyNames[key])) return std::pair{index, static_cast<EntryKey>(key)};
    return std::nullopt;
}

// An integer value as the INI class reads it: the whole text, else 0.
int32_t integerOf(std::string_view text) { return parseIniInteger(text).value_or(0); }

}  // namespace

std::optional<FehlerspeicherProtokoll> readProtocolSection(const ProfileAccess& file,
                                                           const std::string& section) {
    // One walk over the section: its key count, the header texts and the entries' keys.
    const std::span<const ProtocolHeaderKey> headerKeys = protocolHeaderKeys();
    std::vector<std::optional<std::string>> header(headerKeys.size());
    std::optional<std::string> testerName;
    std::vector<ReadEntry> entries(kProtokollEintraege);
    std::size_t keyCount = 0;
    file.forEachKey(section, [&](std::string_view key, std::string_view value) {
        ++keyCount;
        if (const auto entry = entryKeyOf(key)) {
            ReadEntry& e = entries[entry->first];
            e.present |= 1u << entry->second;
            switch (entry->second) {
            case Component: e.component = value; break;
            case Mode: e.mode = value; break;
            case Status: e.status = integerOf(value); break;
            case Counter: e.counter = integerOf(value); break;
            case Timer: e.timer = integerOf(value); break;
            default: break;
            }
            return;
        }
        for (std::size_t h = 0; h < headerKeys.size(); ++h)
            if (equalsNoCase(key, headerKeys[h].key)) header[h] = std::string(value);
        if (equalsNoCase(key, "Tester Name")) testerName = std::string(value);
    });
    if (keyCount == 0) return std::nullopt;

    FehlerspeicherProtokoll record;
    const std::size_t limit = std::min(keyCount, kProtokollEintraege);
    std::size_t count = 0;
    while (count < limit && (entries[count].present & (1u << Component))) ++count;
    // A lone "Error 0 Component" is the placeholder of an empty memory.
    if (count == 1 && entries[0].present == (1u << Component)) count = 0;
    record.Anzahl = static_cast<uint8_t>(count);

    for (std::size_t h = 0; h < headerKeys.size(); ++h)
        record.*headerKeys[h].field = header[h].value_or(std::string());
    if (record.Pruefer.empty()) record.Pruefer = testerName.value_or(std::string());

    for (std::size_t i = 0; i < count; ++i) {
        fehl_strct& e = record.Eintraege[i];
        ReadEntry& read = entries[i];
        e.KomponenteMitCode = std::move(read.component);
        e.FehlerartMitCode = std::move(read.mode);
        e.Aktuell = read.status != 0 ? 1 : 0;
        e.Zaehler = lowByte(read.counter);
        e.Timer = lowByte(read.timer);
    }
    if (count == 0) record.Eintraege[0].KomponenteMitCode = std::move(entries[0].component);
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

#pragma once
// The fault-memory protocol file (".FSP"): an INI text file in which one section, named EcuName,
// holds one saved fault memory. Other sections of the file (another system's protocol, a data
// file's sections) are left as they are.
//
// The section holds the header keys ("Date of error record" ... "Tester", protocolHeaderKeys()),
// then whatever the window's hook adds, then seven keys per entry ("Error 0 Component" =
// "Valve block (50)", "Error 0 Mode", "Error 0 Priority", "Error 0 Status", "Error 0 Counter",
// "Error 0 Timer", "Error 0 Number"), or, for an empty memory, only "Error 0 Component" with the
// text "No message present". Texts are Windows-1252; keys are looked up without regard to case.
//
// Saving replaces the section in one step (a batch edit: temporary file + rename), so a failure
// leaves the old file exactly as it was:
//
//   const FehlerspeicherProtokoll header = protocolHeader(programContext());
//   ProfileWriteResult saved = saveProtocol(file, protocolSectionName(systemName), header, entries);
//
// Reading gives the print record of the fault-memory report:
//
//   ProtocolRead read = readProtocol(file, protocolSectionName(systemName));
//   if (!read.file) ... read.file.message;   if (!read.record) ... 11116

#include "FehlerEintrag.h"
#include "FaultTextFile.h"
#include "FehlerspeicherProtokoll.h"
#include "ProfileFile.h"
#include "ProgramContext.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The section name of the protocol (at most 31 characters). The program sets it at start
// (SystemName + " ERROR RECORD"); protocolSectionName() sets the fallback when it is empty.
extern std::string EcuName;
constexpr std::size_t kEcuNameLength = 31;

// EcuName; when it is empty it is first set to systemName + " ECU ERROR RECORDS", cut to 31
// characters.
const std::string& protocolSectionName(const std::string& systemName);

// The header keys in the order they are written, each with the field of the record it fills.
struct ProtocolHeaderKey {
    const char* key;
    std::string FehlerspeicherProtokoll::*field;
};
std::span<const ProtocolHeaderKey> protocolHeaderKeys();

// The header of a protocol made now: today's date and the time from the context's clock, the
// system name, the connected ECU's part number, production date and serial number, the vehicle
// texts and the tester. The entries are left empty.
FehlerspeicherProtokoll protocolHeader(const ProgramContext& context);

// One key of the section with its value.
struct ProtocolKey {
    std::string key;
    std::string value;
    bool operator==(const ProtocolKey&) const = default;
};

// The header keys with the record's texts, in writing order.
std::vector<ProtocolKey> protocolHeaderEntries(const FehlerspeicherProtokoll& header);
// The seven keys of each entry, index from 0 in the given order ("%s (%d)" for component and mode
// from the entry's texts and codes, "%d" for the numbers; ZaehlerArt is not saved). With no
// entry the one key "Error 0 Component" = "No message present" (string 11112). The system-data
// file writes its fault section with these keys too.
std::vector<ProtocolKey> protocolEntryKeys(std::span<const FehlerEintrag> entries);

// Writes the protocol into `file` (an edit, so nothing reaches the disk before its commit):
// erases `section`, writes the header keys, calls `supplement` with the file (the window's hook
// for keys of its own), then the entry keys. The first failure, ok when all were recorded.
ProfileWriteResult writeProtocolSection(ProfileAccess& file, const std::string& section,
                                        const FehlerspeicherProtokoll& header,
                                        std::span<const FehlerEintrag> entries,
                                        const std::function<void(ProfileAccess&)>& supplement = {});
// writeProtocolSection on a batch edit of `file`, then one commit. A failure leaves the file as
// it was and no temporary file behind; its message names the file and the reason.
ProfileWriteResult saveProtocol(const std::filesystem::path& file, const std::string& section,
                                const FehlerspeicherProtokoll& header,
                                std::span<const FehlerEintrag> entries,
                                const std::function<void(ProfileAccess&)>& supplement = {});

// The print record of a saved protocol, or nothing when `section` has no key.
//   Anzahl: the entries "Error 0 Component", "Error 1 Component", ... up to the first missing
//   index, at most the section's key count and 100. A lone "Error 0 Component" (no other key of
//   entry 0), as an empty memory is saved, is no entry: Anzahl 0 with its text in
//   Eintraege[0].KomponenteMitCode.
//   Header texts: empty when missing; the tester falls back to "Tester Name".
//   Entries: component and mode texts as stored; Aktuell from "Status" != 0; the low bytes of
//   "Counter" and "Timer". A number that is no integer counts as 0.
std::optional<FehlerspeicherProtokoll> readProtocolSection(const ProfileAccess& file,
                                                           const std::string& section);

struct ProtocolRead {
    ProfileReadResult file;  // why the file could not be read; ok when it was
    std::optional<FehlerspeicherProtokoll> record;  // nothing also when the section has no key
};
ProtocolRead readProtocol(const std::filesystem::path& file, const std::string& section);

// The print record of a fault-memory window's content: `header` with the entries shown, in their
// order; the texts are looked up afresh in the fault-text file, "%s (%d)" with the code; current
// when Status != 0; the low bytes of counter and timer. No entry: Eintraege[0] holds
// "No message present". At most 100 entries.
FehlerspeicherProtokoll protocolOfEntries(FehlerspeicherProtokoll header,
                                          std::span<const FehlerEintrag> entries,
                                          const FaultTextFile& texts);

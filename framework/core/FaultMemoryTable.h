#pragma once
// The rules of the fault-memory window without the window: empty entries, display order, the
// detail fields of an entry, the text of the first current fault and the stored sort order.
// The window, the main window's poll and the protocol writers share them.
//
// Every walk over a table starts at index 0 and stops at the first empty entry or after all
// kFaultTableSize entries: entries behind an empty one are never shown, sorted, saved or printed.

#include "FaultTextFile.h"
#include "FehlerEintrag.h"
#include "ProfileFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The codes of an empty entry.
constexpr int32_t kEmptyKomponentenCode = 256;
constexpr int32_t kEmptyFehlerartCode = 0;
constexpr int32_t kEmptyZaehler = 255;

// Makes every entry empty: KomponentenCode 256, Zaehler 255, the six other numbers 0. The texts
// are left as they are.
void FehlerTabelleLoeschen(FaultEntryTable& table);
// KomponentenCode 256, FehlerartCode 0 and Zaehler 255.
bool EintragLeer(const FehlerEintrag& entry);
// The entries in use: those before the first empty entry (at most kFaultTableSize).
std::size_t usedEntryCount(const FaultEntryTable& table);

// Display orders (the items of the sort box, by index).
enum class FaultSortOrder : int {
    AsReadOut = 0,
    CurrentFirst = 1,
    OlderFirst = 2,
};
constexpr int kFaultSortOrderCount = 3;
// The order of a sort-box index; an index outside 0..2 (no selection) shows table order.
FaultSortOrder faultSortOrderOf(int itemIndex);

// Copies the entries in use of `table` into `display` in the given order: as read out, current
// (Status != 0) before stored, or stored before current; table order within each group. Entries
// of `display` behind the copied ones are made empty (codes and texts), so nothing of an earlier
// fill survives there. Returns the number copied.
std::size_t Sortierung(const FaultEntryTable& table, FaultSortOrder order, FaultEntryTable& display);

// AnzeigeMaske bits: which detail fields the window shows.
struct FaultDetailMask {
    static constexpr uint16_t Komponente = 0x01;  // "Path:"
    static constexpr uint16_t Fehlerart = 0x02;   // "Type:"
    static constexpr uint16_t Prioritaet = 0x04;  // "Priority Level:"
    static constexpr uint16_t Zaehler = 0x08;     // "Counter:" / "Duration:"
    static constexpr uint16_t Nummer = 0x10;      // "Number:"
};

// The six value texts of the detail panel; a field whose bit is clear is empty.
struct FaultDetailTexts {
    std::string pfad;         // KomponentenCode
    std::string art;          // FehlerartCode
    std::string wertigkeit;   // Prioritaet
    std::string zaehler;      // counter
    std::string dauer;        // duration
    std::string nummer;       // Nummer
    bool operator==(const FaultDetailTexts&) const = default;
};
// The values of the entry by mask. Counter and duration follow ZaehlerArt: 0 Zaehler is the
// counter, 1 Zaehler is the duration, any other value Zaehler the counter and Timer the duration.
FaultDetailTexts faultDetailTexts(const FehlerEintrag& entry, uint16_t mask);

// What FehlerTextErmitteln gives: the number of entries with Status >= 1 among all
// kFaultTableSize, and a text for the first of them: its component text and, on a second line,
// its fault-type text, each followed by " (<code>)" when the file has no text for it. Without
// a current entry: "No current message stored in the ECU" (string 11113).
struct CurrentFaultText {
    int count = 0;
    std::string text;
};
CurrentFaultText currentFaultText(const FaultEntryTable& table, const FaultTextFile& texts);

// The display order as stored in the application INI file ([OPTIONEN] DTC_SORTING, default 0).
int readFaultSortOrder(const ProfileFile& ini);
// What to store when the window closes: the chosen sort-box index (0..2) when it differs from
// the value read at opening; nothing when it is the same or no order is chosen (a stored value
// outside 0..2 that the user never changed stays as it is).
std::optional<int> faultSortOrderToStore(int readValue, int chosenIndex);
ProfileWriteResult storeFaultSortOrder(ProfileFile& ini, int order);

// The refresh interval of the cyclic update, from the interval field's text (milliseconds): an
// empty, unreadable or too small value gives kMinRefreshIntervalMs, so the refresh never spins
// against the ECU.
constexpr int kDefaultRefreshIntervalMs = 1000;
constexpr int kMinRefreshIntervalMs = 500;
constexpr int kMaxRefreshIntervalMs = 9999;  // the field takes four digits
int refreshIntervalOf(std::string_view text);

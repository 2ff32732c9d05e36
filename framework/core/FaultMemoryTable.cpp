#include "FaultMemoryTable.h"

#include "NData.h"
#include "StringTable.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr int kNoCurrentFaultTextId = 11113;

FehlerEintrag emptyEntry() {
    FehlerEintrag entry;
    entry.KomponentenCode = kEmptyKomponentenCode;
    entry.FehlerartCode = kEmptyFehlerartCode;
    entry.Zaehler = kEmptyZaehler;
    return entry;
}

// A text from the file, with the code added when the file has none for it.
std::string withCodeWhenUnknown(std::string text, int32_t code) {
    if (text == FaultTextFile::unknownText()) text += " (" + std::to_string(code) + ")";
    return text;
}

}  // namespace

void FehlerTabelleLoeschen(FaultEntryTable& table) {
    for (FehlerEintrag& entry : table) {
        entry.KomponentenCode = kEmptyKomponentenCode;
        entry.FehlerartCode = kEmptyFehlerartCode;
        entry.Prioritaet = 0;
        entry.Status = 0;
        entry.Zaehler = kEmptyZaehler;
        entry.Timer = 0;
        entry.ZaehlerArt = 0;
        entry.Nummer = 0;
    }
}

bool EintragLeer(const FehlerEintrag& entry) {
    return entry.KomponentenCode == kEmptyKomponentenCode &&
           entry.FehlerartCode == kEmptyFehlerartCode && entry.Zaehler == kEmptyZaehler;
}

std::size_t usedEntryCount(const FaultEntryTable& table) {
    std::size_t n = 0;
    while (n < table.size() && !EintragLeer(table[n])) ++n;
    return n;
}

FaultSortOrder faultSortOrderOf(int itemIndex) {
    if (itemIndex < 0 || itemIndex >= kFaultSortOrderCount) return FaultSortOrder::AsReadOut;
    return static_cast<FaultSortOrder>(itemIndex);
}

std::size_t Sortierung(const FaultEntryTable& table, FaultSortOrder order, FaultEntryTable& display) {
    const std::size_t used = usedEntryCount(table);
    std::size_t copied = 0;
    auto pass = [&](auto wanted) {
        for (std::size_t i = 0; i < used; ++i)
            if (wanted(table[i])) display[copied++] = table[i];
    };
    auto current = [](const FehlerEintrag& e) { return e.Status != 0; };
    auto stored = [](const FehlerEintrag& e) { return e.Status == 0; };
    switch (order) {
    case FaultSortOrder::AsReadOut:
        pass([](const FehlerEintrag&) { return true; });
        break;
    case FaultSortOrder::CurrentFirst:
        pass(current);
        pass(stored);
        break;
    case FaultSortOrder::OlderFirst:
        pass(stored);
        pass(current);
        break;
    }
    std::fill(display.begin() + static_cast<std::ptrdiff_t>(copied), display.end(), emptyEntry());
    return copied;
}

FaultDetailTexts faultDetailTexts(const FehlerEintrag& e, uint16_t mask) {
    FaultDetailTexts t;
    if (mask & FaultDetailMask::Komponente) t.pfad = std::to_string(e.KomponentenCode);
    if (mask & FaultDetailMask::Fehlerart) t.art = std::to_string(e.FehlerartCode);
    if (mask & FaultDetailMask::Prioritaet) t.wertigkeit = std::to_string(e.Prioritaet);
    if (mask & FaultDetailMask::Zaehler) {
        switch (e.ZaehlerArt) {
        case 0:
            t.zaehler = std::to_string(e.Zaehler);
            break;
        case 1:
            t.dauer = std::to_string(e.Zaehler);
            break;
        default:
            t.zaehler = std::to_string(e.Zaehler);
            t.dauer = std::to_string(e.Timer);
            break;
        }
    }
    if (mask & FaultDetailMask::Nummer) t.nummer = std::to_string(e.Nummer);
    return t;
}

CurrentFaultText currentFaultText(const FaultEntryTable& table, const FaultTextFile& texts) {
    CurrentFaultText result;
    for (const FehlerEintrag& e : table) {
        if (e.Status < 1) continue;
        if (result.count++ == 0) {
            result.text = withCodeWhenUnknown(texts.KomponentenText(e.KomponentenCode), e.KomponentenCode) +
                          "\n" + withCodeWhenUnknown(texts.FehlerartText(e.FehlerartCode), e.FehlerartCode);
        }
    }
    if (result.count == 0) result.text = LoadStr(kNoCurrentFaultTextId);
    return result;
}

int readFaultSortOrder(const ProfileFile& ini) { return readSetting(ini, AppIniKeys::DtcSorting); }

std::optional<int> faultSortOrderToStore(int readValue, int chosenIndex) {
    if (chosenIndex < 0 || chosenIndex >= kFaultSortOrderCount) return std::nullopt;
    if (chosenIndex == readValue) return std::nullopt;
    return chosenIndex;
}

ProfileWriteResult storeFaultSortOrder(ProfileFile& ini, int order) {
    return writeSetting(ini, AppIniKeys::DtcSorting, order);
}

int refreshIntervalOf(std::string_view text) {
    // Blanks around the digits are allowed; anything else is no number.
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return kMinRefreshIntervalMs;
    long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return kMinRefreshIntervalMs;
        value = std::min<long>(value * 10 + (c - '0'), kMaxRefreshIntervalMs);
    }
    return std::clamp(static_cast<int>(value), kMinRefreshIntervalMs, kMaxRefreshIntervalMs);
}

#include "FaultDecoding.h"

void ClearFaultTable(FaultDecodingTable& table) {
    for (FaultTableRow& row : table) row.type = FaultRowType::Empty;
}

void SetBitRow(FaultDecodingTable& table, std::size_t row, const std::array<FaultTriple, 8>& bits) {
    if (row >= table.size()) return;
    table[row].type = FaultRowType::Bits;
    table[row].bits = bits;
}

void SetStatusRow(FaultDecodingTable& table, std::size_t row, FaultTriple a, FaultTriple b) {
    if (row >= table.size()) return;
    table[row].type = FaultRowType::Status;
    table[row].a = a;
    table[row].b = b;
}

namespace {

void writeEntry(FehlerEintrag& entry, const FaultTriple& triple, int32_t status, int32_t counter) {
    entry.KomponentenCode = triple.component;
    entry.FehlerartCode = triple.mode;
    entry.Nummer = triple.number;
    entry.Prioritaet = 0;
    entry.Status = status;
    entry.Zaehler = counter;
}

}  // namespace

std::size_t ApplyFaultTable(const FaultDecodingTable& table, const FaultStatusBytes& status,
                            FaultEntryTable& entries, uint8_t wanted) {
    std::size_t count = 0;
    const unsigned want = wanted ? 1u : 0u;
    for (std::size_t i = 0; i < kFaultStatusBytes; ++i) {
        const uint8_t byte = status[i];
        const FaultTableRow& row = table[i];
        if (row.type == FaultRowType::Bits) {
            for (unsigned bit = 0; bit < 8; ++bit) {
                if (((byte >> bit) & 1u) != want || count >= entries.size()) continue;
                writeEntry(entries[count++], row.bits[bit], 1, 1);
            }
        } else if (row.type == FaultRowType::Status && byte != 0) {
            const int32_t active = (byte >> 5) & 1;
            const int32_t counter = byte & 0x1F;
            if (((byte >> 7) & 1u) == want && count < entries.size())
                writeEntry(entries[count++], row.b, active, counter);
            if (((byte >> 6) & 1u) == want && count < entries.size())
                writeEntry(entries[count++], row.a, active, counter);
        }
    }
    return count;
}

FaultDecodingTable keltFaultDecodingTable() {
    FaultDecodingTable table;
    ClearFaultTable(table);
    constexpr FaultTriple none{};
    SetBitRow(table, 0,
              {{{10, 96, 3}, {10, 14, 2}, {10, 13, 1}, {10, 95, 6}, none, {10, 94, 9}, {10, 90, 8},
                none}});
    SetBitRow(table, 1, {{{51, 92, 50}, {50, 92, 51}, {52, 92, 52}, none, none, none, none, none}});
    SetBitRow(table, 2, {{{51, 93, 60}, {50, 93, 61}, {52, 93, 62}, none, none, none, none, none}});
    SetBitRow(table, 3,
              {{{10, 97, 4}, {10, 98, 5}, none, none, none, none, {10, 99, 80}, {99, 45, 81}}});
    for (uint8_t row = 4; row <= 10; ++row) {
        const uint8_t c = static_cast<uint8_t>(26 + row);
        SetStatusRow(table, row, {c, 20, c}, {c, 21, static_cast<uint8_t>(c + 10)});
    }
    SetStatusRow(table, 13, {37, 20, 39}, {37, 21, 49});
    SetStatusRow(table, 14, {38, 20, 70}, {38, 21, 71});
    SetStatusRow(table, 17, {51, 40, 10}, {51, 41, 20});
    SetStatusRow(table, 18, {50, 40, 11}, {50, 41, 21});
    SetStatusRow(table, 19, {52, 40, 12}, {52, 41, 22});
    SetStatusRow(table, 20, {54, 40, 13}, {54, 41, 23});
    SetStatusRow(table, 21, {55, 40, 14}, {55, 41, 24});
    SetStatusRow(table, 22, {60, 40, 15}, {60, 41, 25});
    return table;
}

#pragma once
// The parameter editor's values without windows: what each edit shows for the block, the check
// when an edit is left, the bit options, packing the edits back into a block, and moving between
// the edits. The editor window only forwards its controls' events here and shows the results.
//
// Values. A byte parameter's raw value is its byte, a WORD parameter's 256 x first byte + second
// byte, a bit-coded parameter's its byte. An edit shows (raw - Offset) x Faktor with the
// parameter's decimals (Format), a bit-coded edit the byte as a decimal integer. An entry v (a
// decimal number with "." or "," as decimal point, whatever the locale; an accepted entry is
// shown with ".") stands for raw = floor(v / Faktor + 0.5) + Offset.
//
// An entry keeps the raw value it was shown for until its text changes, so a value whose display
// is rounded (Faktor 0.0005: raw 3 shows "0.002") is written back unchanged.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ParameterDescription.h"

// String-table ids of the entry checks.
inline constexpr int kEntryInvalidText = 11656;      // "Entry is invalid. Please correct it!"
inline constexpr int kEntryOffGridText = 11658;      // "... not in the permitted grid! ..."
inline constexpr int kEntryOutOfRangeText = 11659;   // "... value range has been exceeded! ..."

// The raw values of the parameters in a block of at least AnzahlBytes bytes, in order.
std::vector<uint16_t> blockValues(const _ParaKonf& konf, std::span<const uint8_t> block);
// The block of raw values, one per parameter in order: a byte or bit-coded parameter takes the
// low 8 bits, a WORD parameter the low 16 bits, high byte first.
std::vector<uint8_t> valuesBlock(const _ParaKonf& konf, std::span<const uint16_t> values);

// The text an edit shows for a raw value.
std::string shownValue(const structParaInfo& parameter, uint16_t raw);

// What leaving an edit (or packing it) came to.
struct EntryCheck {
    int messageId = 0;  // 0 accepted; else the warning to show, and the focus goes back to the edit
    std::string text;   // what the edit shows now
    bool accepted() const { return messageId == 0; }
};

// What packing the edits came to: the block, or the first edit that stopped it.
struct PackResult {
    std::vector<uint8_t> block;        // AnzahlBytes bytes when packed
    std::optional<std::size_t> failed;  // the parameter whose edit gets the focus
    EntryCheck check;                   // its message and text
    bool packed() const { return !failed.has_value(); }
};

class ParameterEntries {
public:
    // Every edit shows "0", as the editor's rows start; it is checked when left or packed.
    explicit ParameterEntries(_ParaKonf konf);

    const _ParaKonf& konf() const { return konf_; }
    std::size_t size() const { return entries_.size(); }

    // Shows a block read from the ECU or a file: every edit gets the text of its raw value.
    // A block whose length is not AnzahlBytes changes nothing and answers false. Geaendert stays.
    bool show(std::span<const uint8_t> block);

    // The edit's text, and a text typed into it. A bit-coded parameter's options follow a text
    // that is a number (its low 8 bits); another text leaves them.
    const std::string& text(std::size_t i) const { return entries_.at(i).text; }
    void setText(std::size_t i, std::string text);

    // Leaving a value edit sets Geaendert, a bit edit only when its text changed (a typed byte is
    // a change the OK question must know of). A value edit whose text changed is checked: no
    // number: 11656; off the grid (|v - shown value of raw| > 0.01 x |Faktor|): 11658, the edit
    // shows the value of raw; raw outside 0..255 (byte) or 0..65535 (WORD): 11659, raw clamped
    // into the range and the edit shows its value. A bit edit must hold an integer 0..255, else
    // 11656.
    EntryCheck leave(std::size_t i);

    // The selected item (0 or 1) of each of the eight radio groups of a bit-coded parameter.
    std::array<uint8_t, 8> bitItems(std::size_t i) const;
    // A click on item 0 or 1 of bit b's group: the edit shows the new byte; sets Geaendert.
    void selectBitItem(std::size_t i, unsigned b, unsigned item);

    // The block of the edits' values (ParameterPacken). An edit that would not pass the check of
    // leave() stops the packing with that check's message and text, as if it had been left.
    PackResult pack();

    // Values changed and not stored: set by leaving an edit and by an option click; the window
    // clears it when the values were written to the ECU or saved.
    bool Geaendert = false;

private:
    struct Entry {
        std::string text;
        uint16_t raw = 0;  // the value the entry stands for while its text is `rawText`
        std::optional<std::string> rawText;  // none until shown or checked: the text is checked
        uint8_t bits = 0;  // the options shown for a bit-coded parameter
    };

    EntryCheck check(std::size_t i);
    void confirm(Entry& entry, uint16_t raw, std::string text);

    _ParaKonf konf_;
    std::vector<Entry> entries_;
};

// Moving between the edits with the keyboard: Up / Down by one parameter, Page Up / Page Down by
// five, stopping at the first and the last.
enum class NavigationKey { Up, Down, PageUp, PageDown };
// The parameter whose edit gets the focus: `current` is the one whose edit has the key (0 when
// none has). Nothing when there are no parameters.
std::optional<std::size_t> navigationTarget(std::size_t current, std::size_t count,
                                            NavigationKey key);
// The scroll position after one step of the mouse wheel: 10 further, within 0..maximum.
int wheelScrollPosition(int position, int maximum, bool down);

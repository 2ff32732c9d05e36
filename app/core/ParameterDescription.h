#pragma once
// The parameter description file (".PKD"): which parameters the ECU's parameter block holds, in
// which order, and how each is shown. An INI text file in the program folder named after the
// diagnostic identifier ("10780100.PKD"), read here without windows; the parameter editor builds
// its rows from the result.
//
// Sections, in file order:
//   "Hinweise"  notes: every key's value is one line shown under the parameters, in key order
//   "ECUListe"  the ECU numbers the file serves (for the picker); not a parameter
//   any other   one parameter, named by its number (0..65535, the integer rule of IniInteger.h),
//               in the order of its bytes in the block; a section whose name is no such number
//               is skipped
// Keys of a parameter, all optional:
//   "Bit"                any value: bit-coded, one byte
//   "WORD"               any value (and no "Bit"): two bytes, high byte first; else one byte
//   "Faktor"             scale factor, a decimal number with "." (default 1; see parameterFactor)
//   "Offset"             integer subtracted from the raw value before scaling (default 0)
//   "Einheit"            unit text shown behind the value
//   "Text", "Text1", ... description lines of a byte or WORD parameter, up to the first missing
//                        key or a line "----"
//   "Text<b>l", "Text<b>h" (b = 0..7) captions of bit b's two states, default "---"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a parameter takes its bytes (structParaInfo::Art).
enum ParameterArt : uint8_t {
    ArtByte = 0,  // one byte
    ArtWord = 1,  // two bytes, high byte first
    ArtBits = 2,  // one byte whose bits are options
};

// One parameter of the description.
struct structParaInfo {
    uint16_t Nummer = 0;
    uint8_t Art = ArtByte;
    double Faktor = 1.0;  // never 0, never infinite or NaN
    int32_t Offset = 0;
    int Format = 0;       // decimals of the shown value (0..3), AnzeigeformatErmitteln(Faktor)
    std::string Einheit;
    std::vector<std::string> Texte;  // description lines (byte and WORD parameters)
    // Captions of the states 0 and 1 of bits 0..7 (bit-coded parameters).
    std::array<std::array<std::string, 2>, 8> BitTexte;

    std::size_t bytes() const { return Art == ArtWord ? 2 : 1; }
};

// The description's parameters, in the order of their bytes in the block.
struct _ParaKonf {
    std::vector<structParaInfo> Parameter;

    uint16_t AnzahlParameter() const { return static_cast<uint16_t>(Parameter.size()); }
    // The block length described: 1 per byte or bit-coded parameter, 2 per WORD parameter.
    uint16_t AnzahlBytes() const;
};

// A description file as read.
struct ParameterDescription {
    _ParaKonf ParaKonf;
    std::vector<std::string> Hinweise;  // the note lines
    std::string DiagnoseKennung;        // the name asked for, without folder and extension
    std::filesystem::path file;         // the file read
};

// In demo mode the descriptions come from this folder beside the program (the example file of the
// demo's identifier), so invented descriptions never meet a real ECU.
inline constexpr const char* kDemoDescriptionFolder = "demo";

// At most this many parameters; a file with more is not loaded.
inline constexpr std::size_t kMaxParameters = 500;
// "Unable to find a valid PKD file. ...": shown when a description cannot be loaded.
inline constexpr int kNoDescriptionText = 11641;
// "Looked for: %s ...": added to it, with the file (or the folder's "*.PKD") looked for.
inline constexpr int kDescriptionLookedForText = 11987;

// The message for a description that could not be loaded: kNoDescriptionText, then where it was
// looked for (the path made absolute), so the technician knows what to put where.
std::string missingDescriptionMessage(const std::filesystem::path& lookedFor);

// The factor of a "Faktor" text: the whole text as a decimal number with "."; a text that is no
// number, 0, or a number too large to hold gives 1.0 (a factor of 0 would divide by zero).
double parameterFactor(std::string_view text);

// The decimals a value is shown with for a factor: 0 for a whole factor (1, 2, -5), else as
// many as its fraction needs, at most 3 (0.5: 1, 0.25 and 0.01: 2, 0.001 and anything finer: 3).
// A negative factor takes the decimals of its size.
int AnzeigeformatErmitteln(double Faktor);

// Reads the description named by `path` (found without regard to case, so "10780100.pkd" serves
// for "10780100.PKD"). Nothing when the file is missing or cannot be read, or describes more than
// kMaxParameters parameters: the caller shows kNoDescriptionText.
std::optional<ParameterDescription> readParameterDescription(const std::filesystem::path& path);

// One line of the description-file picker: a description file and one ECU it serves.
struct ECU_PKD_Liste {
    std::string Datei;         // the file's name without folder
    std::string Steuergeraet;  // one value of its "ECUListe" section, or "?" when it has none
};

// Every "*.PKD" file of the folder (the extension without regard to case), sorted by name
// without regard to case: one entry per value of its "ECUListe" section in key order, or one
// with "?". Empty when the folder has none or cannot be read.
std::vector<ECU_PKD_Liste> listParameterDescriptions(const std::filesystem::path& folder);
// The picker's line of an entry: Steuergeraet + "   /   " + the first 8 characters of Datei.
std::string pkdListLine(const ECU_PKD_Liste& entry);

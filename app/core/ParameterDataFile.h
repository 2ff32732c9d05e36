#pragma once
// The parameter section of a data file (NNorvaFile.h): the editor loads values from it and saves
// them into it, and the system-data save puts the ECU's parameters into its own file.
//
//   [<SystemName> Parameter]
//   P_<number>=<raw value>        one key per parameter, in the block's order, decimal
//   Checksum=<(1 + sum of the raw values) mod 65536>
//
// A file the editor saves also carries its identification block and [FileInfo]. Loading checks
// the file's DiagnosticIdentification against the description file's name, takes the "P_" keys in
// file order (their numbers are not compared: files saved with an earlier description rely on
// that) and refuses anything that does not fit the description. Nothing here shows a window
// except the context's message boxes.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "ParameterBlock.h"
#include "ParameterDescription.h"
#include "ProfileFile.h"
#include "ProgramContext.h"

// String-table ids of the data-file messages.
inline constexpr int kFileRefusedText = 11648;     // "Error when reading the parameters from the PC!"
inline constexpr int kImportedText = 11649;        // "Data have been imported!"
inline constexpr int kStoredText = 11650;          // "Data have been stored!"
inline constexpr int kOtherIdentifierText = 11654; // "The diagnostics identifier ... does not correspond ..."
inline constexpr int kNotStoredText = 20945;       // "The parameters could not be stored: ..."

// A parameter block as numbers and raw values, one pair per parameter in order.
struct ParameterDatensatz {
    std::vector<uint16_t> number;
    std::vector<uint16_t> value;
    uint16_t count() const { return static_cast<uint16_t>(value.size()); }
};

// The block (at least AnzahlBytes bytes) as numbers and values.
ParameterDatensatz BlockInDatensatz(const _ParaKonf& konf, std::span<const uint8_t> block);
// The values back into a block by the description's parameters (one value each); the numbers are
// not compared.
std::vector<uint8_t> DatensatzInBlock(const _ParaKonf& konf, const ParameterDatensatz& data);

// "<SystemName> Parameter".
std::string parameterSectionName(const std::string& systemName);
// (1 + sum of the values) mod 65536.
uint16_t parameterChecksum(std::span<const uint16_t> values);

// Writes the "P_" keys and "Checksum" into the file's current section; false when a write fails.
bool writeParameterKeys(NNorvaFile& file, const ParameterDatensatz& data);

// Where the editor's values came from: the identification of the ECU they were read from or
// written to; empty after a file load.
struct structParaSetInfo {
    std::string Teilenummer;
    std::string Seriennr;
    std::string Fertigungsdatum;
    std::string Softwareversion;
};

struct ParameterFileLoad {
    int messageId = kFileRefusedText;  // kImportedText when loaded
    std::vector<uint8_t> block;        // AnzahlBytes bytes when loaded
    bool loaded() const { return messageId == kImportedText; }
};

// Loads the section of systemName from the data file for the description. Refused:
// kOtherIdentifierText when the file's DiagnosticIdentification + ".PKD" is not the description
// file's name (case ignored); kFileRefusedText when the file cannot be read, holds no "P_" key,
// a value that is no integer or does not fit its parameter (0..255, WORD 0..65535), more or
// fewer keys than parameters, or no or another "Checksum". The file is never changed.
ParameterFileLoad loadParameterFile(const std::filesystem::path& file, const std::string& systemName,
                                    const ParameterDescription& description,
                                    ProgramContext& context = programContext());

// What the editor saves besides the values.
struct ParameterFileHeader {
    std::string systemName;
    std::string Programmkennung;
    std::string DiagnoseKennung;
    structParaSetInfo origin;
};

// Saves the values into the data file in one step: [FileInfo], the section of the system emptied
// and refilled with the identification block and the keys; other sections stay. Ok, or the
// failure, and the file is as it was (absent when it was new).
ProfileWriteResult saveParameterFile(const std::filesystem::path& file, const ParameterFileHeader& header,
                                     const ParameterDatensatz& data,
                                     ProgramContext& context = programContext());

// The system-data save's part: the keys of record.pParameterBlock into record.pDatenDatei's current
// section. 0 written; 1 nothing written, because the description record.PKDDatei cannot be read
// (11641 shown), the block's length is not the description's (11651 shown), there is no file, or a
// write failed.
int ParameterInDateiSchreiben(const structParameter& record, ProgramContext& context = programContext());

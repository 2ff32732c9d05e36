#pragma once
// NNorvaFile: the maker's data file (parameter sets, system data). An INI text file that carries,
// beside the sections of the program part that wrote it, a header: [VERSION] (file-structure
// version, who created it and when), [ECU-IDENTIFICATION] (the ECU variant it belongs to) and
// [FileInfo] (the vehicle). The constructor opens or creates the file and checks it against the
// connected ECU's identification, asking and warning in message boxes; the object then reads and
// writes the values of one current section.
//
// Writes go to the file at once, or, with Writes::Batch, into memory until Commit() replaces the
// file in one step: a save that fails then leaves the old file as it was (no file when it was
// new). Every write reports failure; the object keeps the first failure (also a file that exists
// but cannot be read) for the caller to show.
//
//   NNorvaFile file(name, "", "", 1, "", NNorvaFile::Writes::Batch);
//   file.WriteFileInfo();
//   file.SetSection(section);
//   file.EraseCurrentSection();
//   file.WriteIdentBlockWithTester(section);
//   file.WriteValue("P_1", "5");
//   if (ProfileWriteResult written = file.Commit(); !written) show(written.message);
//
// Texts are Windows-1252; the file name is a file-system name (UTF-8) and reads in messages as
// typed. Facts from outside (title, DiagAttr, vehicle, ECU and tester texts, message boxes, the
// tester question, the clock) come from a ProgramContext, the running program's by default.

#include "ProfileFile.h"
#include "ProgramContext.h"
#include "WallClock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Today's local date as yyyy-mm-dd, whatever the locale.
std::string TodayString(const WallClock& clock = SystemWallClock::instance());
// The current local time in the locale's long time form (see localeTimeText).
std::string NowTimeString(const WallClock& clock = SystemWallClock::instance());

class NNorvaFile {
public:
    enum class Writes { AtOnce, Batch };

    // FileName: the data file. StructureVersion: the version the caller expects; empty for no
    // version check. Identification: the connected ECU's diagnostic identification
    // "xx xx xx xx"; "-" for none; empty for no identification check. OpenMode: 1 create the
    // file when missing, 2 ask before creating it, any other value: it must exist.
    // IdentificationKey: the key of [ECU-IDENTIFICATION] holding the file's identification;
    // empty for DIAGNOSTICIDENTIFICATION. The outcome is in Valid, Existed, ReadOnly, LastAnswer
    // and firstFailure(): a header write that fails ends the construction with Valid false (the
    // caller shows firstFailure()). The context must outlive the object.
    NNorvaFile(std::string FileName, std::string StructureVersion, std::string Identification,
               uint8_t OpenMode, std::string IdentificationKey = {}, Writes writes = Writes::AtOnce,
               ProgramContext& context = programContext());
    virtual ~NNorvaFile() = default;
    NNorvaFile(const NNorvaFile&) = delete;
    NNorvaFile& operator=(const NNorvaFile&) = delete;

    // --- the current section ---
    // CurrentSection = name; an empty name makes the four operations below refuse. True.
    bool SetSection(const std::string& name);
    // False without writing when there is no current section or the write fails.
    bool WriteValue(const std::string& key, const std::string& value);
    // False, value untouched, without a current section; else the key's text (empty when
    // absent), true.
    bool ReadValue(const std::string& key, std::string& value) const;
    // The key as an integer (parseIniInteger), its low 16 bits. False, value untouched,
    // without a current section or when the key is absent or holds no integer.
    bool ReadIntegerValue(const std::string& key, uint16_t& value) const;
    // Erases the current section with all its keys; false without one or when the write fails.
    bool EraseCurrentSection();

    // --- header blocks ---
    // [FileInfo] FileType = "NORVA Data File", VIN, Manufacturer, TypeOfVehicle from the vehicle
    // texts; false when a write fails.
    bool WriteFileInfo();
    // The identification block into `section`, keys Date (TodayString), Testername,
    // ProductNumber, DateOfProduction, SerialNumberECU, DiagnosticIdentification,
    // SoftwareVersionECU, SerialNumberDiag; false when a write fails.
    bool WriteIdentBlock(const std::string& section, const std::string& SerialNumberDiag,
                         const std::string& ProductNumber, const std::string& DateOfProduction,
                         const std::string& SerialNumberECU, const std::string& SoftwareVersionECU,
                         const std::string& Testername, const std::string& DiagnosticIdentification);
    // The block with the program's identification number (DiagAttr) and the connected ECU's texts.
    bool WriteEcuIdentBlock(const std::string& section, const std::string& testerName);
    // Asks the tester's name first (11036 / 11035, starting with TesterName, at most 255
    // characters). Cancel: false, nothing written. OK: TesterName = the name, then
    // WriteEcuIdentBlock.
    bool WriteIdentBlockWithTester(const std::string& section);

    // A value "number;comment" of any section: the number (decimal, "$" or "0x" hexadecimal),
    // and the trimmed comment into *comment when given. An empty or absent value: `def`, the
    // comment untouched. A number part that is no integer: message, 0.
    virtual int32_t ReadNumberWithComment(const std::string& section, const std::string& key,
                                          std::string* comment, int32_t def);

    // --- the INI operations the program uses on any section ---
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def = {}) const;
    // Whole-text integer (parseIniInteger), else def.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Key names of a section in file order.
    std::vector<std::string> ReadSection(const std::string& section) const;
    // The section's lines as "key=value", in file order.
    std::vector<std::string> ReadSectionValues(const std::string& section) const;
    // The same lines as key and value in one walk, without joining them (the texts are valid
    // only during the call).
    void ForEachKey(const std::string& section, const ProfileAccess::KeyVisitor& visit) const;
    bool EraseSection(const std::string& section);

    // --- writing ---
    Writes writes() const { return edit_ ? Writes::Batch : Writes::AtOnce; }
    // Batch: writes every change in one step (nothing to write is success); a failure leaves the
    // file as it was, is kept as firstFailure() unless one came before, and the changes stay
    // pending. AtOnce: ok.
    ProfileWriteResult Commit();
    // The first failure of a read or write, ok when none.
    const ProfileWriteResult& firstFailure() const { return firstFailure_; }

    // --- fields ---
    bool ReadOnly = false;  // the file exists and this user may not write it
    bool Existed = true;    // false when this object created the file
    bool Valid = false;     // the file may be used with the connected ECU
    int32_t LastAnswer = 0; // button of the last message box shown; 0 when none
    std::string FileVersion;        // [VERSION] FILESTRUCTUREVERSION, "-" when absent
    std::string FileVersionMain;    // before its first "."; empty without one
    std::string FileVersionSub;     // after it, at most 100 characters
    std::string FileHardwareNumber; // [ECU-IDENTIFICATION] HardwareNumber, "-" when absent
    std::string FileSystemName;     // [ECU-IDENTIFICATION] Systemname, "-" when absent
    std::string FileIdentification; // the file's identification as the check read it
    std::string RequiredIdentification;  // Identification completed from the template
    std::string IdentificationTemplate = "xx xx xx xx";
    std::string DataFileName;
    std::string CurrentSection;

private:
    // Construction steps; false: construction goes on with its last step (or, for createFile,
    // ends).
    bool createFile(const std::string& structureVersion, const std::string& identification);
    bool checkVersion(const std::string& structureVersion, const std::string& identification,
                      const std::string& identificationKey);
    void checkIdentification(const std::string& identification, const std::string& identificationKey);
    std::string fileIdentificationOf(const std::string& identificationKey) const;
    void mismatch(int textId);
    int message(const std::string& text, unsigned flags);

    // The file, or the batch over it.
    const ProfileAccess& store() const;
    ProfileAccess& store();
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    bool write(const std::string& section, const std::string& key, const std::string& value);
    bool fail(const ProfileWriteResult& result);

    ProgramContext& context_;
    ProfileFile file_;
    std::optional<ProfileEdit> edit_;  // Batch only
    ProfileWriteResult firstFailure_;
};

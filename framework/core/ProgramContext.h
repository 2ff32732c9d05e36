#pragma once
// The facts from outside that the framework's file code needs: the program's title, DiagAttr,
// the vehicle and tester texts, the connected ECU's identification texts, message boxes, the
// tester-name question, the file chooser and the clock. Each operation's default reads the
// running program's; the program installs a context that adds the ECU texts (the framework
// cannot see the ECU command layer), and a test passes a context of its own.
//
//   NNorvaFile file(name, "", "", 1, "", NNorvaFile::Writes::AtOnce, context);
//   SelectReadData(1, "", context);

#include "FileChooser.h"
#include "MessageBox.h"
#include "NData.h"
#include "TextQuestion.h"
#include "WallClock.h"

#include <filesystem>
#include <optional>
#include <string>

// The program's title as its entry point gives it ("Tarvik Diagnostic Software"): the first
// part of [VERSION] CREATEDBY in a new data file. main() sets it beside the Qt application name.
extern std::string ApplicationTitle;

// The vehicle texts of VehicleTexts.h, read together.
struct VehicleData {
    std::string Manufacturer;
    std::string Type;
    std::string VIN;
    std::string Odometer;
};

// The connected ECU's identification texts as data files and protocols carry them.
struct EcuTexts {
    std::string DiagnosticIdentification;  // eight hexadecimal digits without blanks
    std::string SoftwareVersion;
    std::string ProductNumber;
    std::string DateOfProduction;
    // The program never reads the ECU's serial number: files carry "---" in its place.
    std::string SerialNumber = "---";
};

class ProgramContext {
public:
    virtual ~ProgramContext() = default;

    // ApplicationTitle.
    virtual std::string applicationTitle() const;
    // DiagAttr: the message caption Anwendungstitel, the identification numbers, AppIni.
    virtual const DiagAttrStruct& attributes() const;
    // The folder of the running program file.
    virtual std::filesystem::path programFolder() const;
    // VehicleManufacturer, VehicleType, VehicleVIN, VehicleOdometer.
    virtual VehicleData vehicle() const;
    // No ECU texts here: empty texts with the serial "---". The program's context overrides it.
    virtual EcuTexts ecuTexts() const;
    // SystemName, the diagnosed system's name ("System" of a protocol). The framework knows none;
    // the program's context gives its own.
    virtual std::string systemName() const;
    // TesterName.
    virtual std::string testerName() const;
    virtual void setTesterName(const std::string& name);
    // The installed services (MsgBox, textQuestion(), fileChooser()).
    virtual int messageBox(const std::string& text, const std::string& caption, unsigned flags);
    virtual std::optional<std::string> askText(const std::string& caption, const std::string& prompt,
                                               const std::string& value, std::size_t maxLength);
    virtual std::optional<std::filesystem::path> chooseFile(const FileChoice& choice);
    // The system's local time.
    virtual const WallClock& clock() const;
};

// Installs the context that programContext() gives; returns the one installed before (null for
// the framework's own default).
ProgramContext* installProgramContext(ProgramContext* context);
// The installed context, else a ProgramContext of the defaults above.
ProgramContext& programContext();

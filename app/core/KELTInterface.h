#pragma once
// The ECU command layer: the suspension program's only road to the KELT ECU. Each ECU function
// is one operation: it builds the JED677 request, sends it through the driver's JED677 calls,
// decodes the reply and reports a failure through the error handler (FehlerAnzeigen), returning
// the user's answer. In demo mode (DemoModus by default) every operation answers with fixed sample data
// and the driver sees no call. The object also holds the connection state every window reads.
//
// Results. The operations that talk to the ECU return a retry answer: 0 success, 1 the user
// asked to repeat, 2 the user gave up (the dialog has been shown). The low-level operations
// (OpenInterface, SendRequest, RequestLocalId, ReadLocalId, WriteLocalId) return the status
// code itself and show nothing. ConnectEcu has a result of its own (ConnectResult).
//
// Status codes of this layer, beside the driver's (DiagDr32.h, JED677.h):
//   KELT_ERR_NOT_SUPPORTED  the operation does not serve this ECU type; nothing was sent
//   KELT_ERR_UNDERVOLTAGE   the ECU refused because of undervoltage (reply 0x82 0x05 0x02)
//   JED677_NEGATIVE_ANSWER  the ECU refused (reply 0x05, or 0x8n 0x05 ...)
//   DIAG_ERR_BAD_REPLY      the reply is shorter than the fields it must carry
//
// Everything runs on the user-interface thread and blocks while the driver works.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>

#include "Clock.h"
#include "EcuSessionWindows.h"
#include "ErrorReporter.h"
#include "ErrorTexts.h"
#include "FaultDecoding.h"
#include "FehlerEintrag.h"
#include "Jed677Calls.h"
#include "LevelCalibration.h"
#include "LiveValueLists.h"
#include "NData.h"
#include "OutputList.h"
#include "ProgramModes.h"
#include "VehicleTexts.h"

// The main window's texts (SessionView.h); ReadStatusValues fills the status values in them.
struct DisplayTexts;

// The ECU types every operation serves unless it says otherwise.
inline constexpr std::array<uint32_t, 11> kStandardEcuTypes = {
    0x107001, 0x107002, 0x107004, 0x107102, 0x107103, 0x107405,
    0x107406, 0x107420, 0x107600, 0x107800, 0x107801,
};
bool isStandardEcuType(uint32_t type);

// The cross-throttle bit of the actuation's second byte: the throttle test and the level valves
// drive it.
inline constexpr uint8_t kCrossThrottleBit = 0x04;

// The diagnostic identifiers this program supports, in the order they are checked.
inline constexpr std::array<std::array<uint8_t, 4>, 11> kSupportedDiagnosticIdentifiers = {{
    {0x10, 0x70, 0x01, 0x00}, {0x10, 0x70, 0x02, 0x00}, {0x10, 0x70, 0x04, 0x00},
    {0x10, 0x71, 0x02, 0x00}, {0x10, 0x71, 0x03, 0x00}, {0x10, 0x74, 0x05, 0x00},
    {0x10, 0x74, 0x06, 0x00}, {0x10, 0x74, 0x20, 0x00}, {0x10, 0x76, 0x00, 0x00},
    {0x10, 0x78, 0x00, 0x00}, {0x10, 0x78, 0x01, 0x00},
}};

// A JED677 message buffer with room for the longest reply. The reply replaces the request; its
// data begin at byte 2.
struct EcuMessage {
    static constexpr std::size_t kCapacity = 255;
    std::array<uint8_t, kCapacity> bytes{};
    uint16_t length = 0;

    // A request as the program writes it: the message bytes, then 0x80 ([0x48] gives 0x48 0x80,
    // length 2). The driver sends only the bytes the header byte announces.
    static EcuMessage request(std::initializer_list<uint8_t> message);
    uint8_t operator[](std::size_t i) const { return bytes[i]; }
};

// A local id's record as the parameter block, its check byte (0xD0) and the ECU's settings keep
// it: exactly two bytes.
using LocalIdRecord = std::array<uint8_t, 2>;

// What ConnectEcu came to. Its failures are of two kinds: one already shown through the error
// handler (answer holds the user's 1 or 2), or a failed start of communication, not shown yet
// (startFailure holds the driver's code). Never both.
struct ConnectResult {
    int answer = NoErrorShown;
    int32_t startFailure = 0;
    bool connected() const { return answer == NoErrorShown && startFailure == 0; }
};

class KELTInterface {
public:
    // Part-number family prefixes, chosen by bit 7 of identification byte 9.
    static constexpr const char* kPartPrefixBit7Set = "841";
    static constexpr const char* kPartPrefixBit7Clear = "842";
    // Demo sample data.
    static constexpr const char* kDemoProductNumber = "841 302 117 0";
    static constexpr const char* kDemoDateOfProduction = "24 / 2004";
    static constexpr const char* kDemoSoftwareVersion = "7.6.0.0";
    static constexpr const char* kDemoVehicleVIN = "1234567890";
    static constexpr std::array<uint8_t, 4> kDemoIdentBytes = {0x10, 0x78, 0x01, 0x00};
    // How long the ECU is given to restart after its fault memory was cleared.
    static constexpr int32_t kRestartWaitMs = 10000;
    // The system's name: SystemName, and the name of the program's fault-text file
    // ("TARVIK.FKD" beside the program), which the poll and the fault-memory window both read.
    static constexpr const char* kSystemName = "TARVIK";
    // CurrentComponent when no fault is current.
    static constexpr uint16_t kNoCurrentComponent = 256;

    // calls: the driver (exportedJed677Calls() in the program). errors: NErrorHandler. The
    // program's state the layer reads and writes, by default its globals: attr (the port, the
    // INI file, the help files), demoMode (DemoModus, read at every operation: the start-up sets
    // it after the layer exists) and vehicleVIN (VehicleVIN, which reading the identification
    // clears). All of them must outlive the object.
    KELTInterface(Jed677Calls calls, ErrorReporter& errors, DiagAttrStruct& attr = DiagAttr,
                  const uint8_t& demoMode = DemoModus, std::string& vehicleVIN = VehicleVIN);
    KELTInterface(const KELTInterface&) = delete;
    KELTInterface& operator=(const KELTInterface&) = delete;

    // Windows the operations open (not owned). The restart needs the wait dialog and the
    // opener; without a busy cursor nothing is shown.
    void setWaitDialog(WaitDialog* dialog) { waitDialog_ = dialog; }
    void setInterfaceOpener(InterfaceOpener* opener) { opener_ = opener; }
    void setBusyCursor(BusyCursor* cursor) { busyCursor_ = cursor; }
    BusyCursor* busyCursor() const { return busyCursor_; }
    // The folder searched for interface application files; by default the running program's.
    void setProgramFolder(std::string folder) { programFolder_ = std::move(folder); }
    // The time the demo's switch pattern and the sensor reads' rate limit go by; by default the
    // steady clock. Must outlive the object.
    void setClock(Clock& clock) { clock_ = &clock; }
    ErrorReporter& errorReporter() const { return errors_; }
    // The caption of the layer's message boxes.
    const std::string& applicationTitle() const { return attr_.Anwendungstitel; }

    // While one lives, a failing operation shows no error dialog and answers GiveUp at once (the
    // code stays in LetzterFehlercode): for the one attempt a window makes to switch its outputs
    // off after the user has already given up. Scopes may nest.
    class SilentErrors {
    public:
        explicit SilentErrors(KELTInterface& kelt) : kelt_(kelt) { ++kelt_.silentErrors_; }
        ~SilentErrors() { --kelt_.silentErrors_; }
        SilentErrors(const SilentErrors&) = delete;
        SilentErrors& operator=(const SilentErrors&) = delete;

    private:
        KELTInterface& kelt_;
    };

    // While one lives, `before` runs ahead of every error dialog an operation shows: what must
    // happen before the user is asked (a window's valves released while a dialog keeps the
    // technician from letting go of a button). It runs with errors silent and the driver's trace
    // put back afterwards, so the dialog shows the failure it is about; LetzterFehlercode stays
    // that failure's. The innermost scope counts; scopes restore the one before them.
    class BeforeErrorDialog {
    public:
        BeforeErrorDialog(KELTInterface& kelt, std::function<void()> before)
            : kelt_(kelt), previous_(std::move(kelt.beforeErrorDialog_)) {
            kelt_.beforeErrorDialog_ = std::move(before);
        }
        ~BeforeErrorDialog() { kelt_.beforeErrorDialog_ = std::move(previous_); }
        BeforeErrorDialog(const BeforeErrorDialog&) = delete;
        BeforeErrorDialog& operator=(const BeforeErrorDialog&) = delete;

    private:
        KELTInterface& kelt_;
        std::function<void()> previous_;
    };

    // --- connection state (zero at start) ---
    uint8_t AsianStyle = 0;  // 1: a 0x107420 ECU of the "Asian Style" variant
    uint16_t CurrentComponent = kNoCurrentComponent;  // component of the current fault
    uint16_t CurrentMode = 0;                         // its fault mode
    uint8_t DiagnoseAktiv = 0;           // 1 while a diagnosis connection is up
    uint8_t KommunikationGestartet = 0;  // 1 while communication with the ECU is started
    int32_t LetzterFehlercode = 0;       // last status of an interface call or operation
    std::array<uint8_t, 4> EcuIdentBytes{};  // the ECU's diagnostic identifier
    uint32_t EcuTyp = 0;                     // identifier bytes 0..2 as one number (0x107801)
    std::string EcuDiagnosticIdentification;  // EcuIdentBytes as eight lower-case hex digits
    std::string EcuProductNumber;
    std::string EcuDateOfProduction;
    std::string EcuSoftwareVersion;
    std::string SystemName;

    // Capability flags (0 or 1), set by ReadConfiguration.
    uint8_t CfgFrontAxle = 0;            // air suspension front and rear (else rear only)
    uint8_t CfgRearSensorLeft = 0;       // rear axle sensed left and right
    uint8_t CfgRearSensorRight = 0;
    uint8_t CfgValve1WSLeft = 0;         // front axle valves may be driven
    uint8_t CfgValve1WSRight = 0;
    uint8_t CfgValve2WSLeft = 0;         // rear axle valves may be driven
    uint8_t CfgValve2WSRight = 0;
    uint8_t CfgAxleInputsSwapped = 0;    // front and rear preselection inputs exchanged
    uint8_t CfgPeripheryDetection = 0;   // automatic periphery detection
    uint8_t CfgPressureSensor = 0;
    uint8_t CfgKneelingAutoManual = 0;   // kneeling inputs are "automatic" and "manual"
    uint8_t CfgCrossThrottle = 0;
    uint8_t CfgMainThrottle = 0;
    uint8_t CfgDoorContactUbatt = 0;     // door contact switches to the supply voltage
    uint8_t CfgSidewalkMakeContact = 0;  // sidewalk detector is a make contact
    uint8_t CfgTiltSensor = 0;
    uint8_t CfgOutputs = 0;              // switchable outputs offered
    uint8_t CfgMeasuredValues = 0;
    uint8_t CfgLampTest = 0;
    uint8_t CfgSwitches = 0;
    uint8_t CfgPressureData = 0;
    uint8_t CfgLeftRightDifference = 0;
    uint8_t CfgAlbValve = 0;             // load-sensing valve window (nothing sets it)

    // --- the connection ---
    // Opens the driver on the port held in DiagAttr (whatever the callback was given): the
    // driver's status. Demo: 0.
    int32_t OpenInterface();
    // Starts communication at the INI's [Diagnose] "ECUAdress" (default 16) and reads the
    // diagnostic identifier: through JED677Ident, or, when its byte 0 is not 0x10, through the
    // local ids 0x70 and 0x71. Failures of the configuration, the identification and the local-id
    // reads are shown through the error handler; a failed start of communication is returned
    // unshown (see ConnectResult). Success also sets KommunikationGestartet. Demo: connected
    // with the identifier 10 78 01 00 and DiagnoseAktiv set.
    ConnectResult ConnectEcu();
    // ConnectEcu for the start of the diagnosis: a failed start of communication is shown once
    // in the ECU start dialog. Returns the retry answer; every failure is shown exactly once.
    int ConnectEcuAtStart(EcuStartErrorDialog& dialog);
    // Stops communication and closes the driver; a failed close is shown. Clears
    // KommunikationGestartet (also in demo mode).
    int DisconnectEcu();
    // DisconnectEcu for the ECU restart command. Demo: 0.
    int StopDiagnosis();

    // --- requests ---
    // One request and its reply in buffer (room `capacity`); length gets the reply's length.
    // The driver's status; KELT_ERR_UNDERVOLTAGE or JED677_NEGATIVE_ANSWER for a refusal in
    // header form. The result is also kept in LetzterFehlercode. Demo: 0, buffer untouched.
    int32_t SendRequest(uint16_t& length, uint8_t* buffer, std::size_t capacity);
    int32_t SendRequest(EcuMessage& message);
    // Reads local id `id`; the reply stays in `message` (the record from byte 2). Demo: 0.
    int32_t RequestLocalId(EcuMessage& message, uint8_t id);
    // Appends the record of `id` to destination at position, which advances per byte. A record
    // that does not fit behind the position gives DIAG_ERR_BUFFER_TOO_SMALL, a reply without
    // its header and service byte DIAG_ERR_BAD_REPLY; then nothing is copied. Demo: 0, nothing
    // copied.
    int32_t ReadLocalId(uint8_t id, uint16_t& position, std::span<uint8_t> destination);
    // Writes the `count` bytes of source at position to `id` (message 0x80+2+count, 0x13, id,
    // data); the position advances by count. Source bytes missing behind the position give
    // DIAG_ERR_BUFFER_TOO_SMALL and nothing is sent. Demo: 0.
    int32_t WriteLocalId(uint8_t id, uint8_t count, uint16_t& position,
                         std::span<const uint8_t> source);
    // Reads a two-byte record. A reply that carries other than two data bytes gives
    // DIAG_ERR_BAD_REPLY, so a short reply never shifts the fields read after it; its byte 1
    // (0x54, or the service echoed) is not judged. The record is changed only on success.
    // Demo: 0, record untouched.
    int32_t ReadLocalIdRecord(uint8_t id, LocalIdRecord& record);
    // Writes a two-byte record (WriteLocalId of both bytes). Demo: 0.
    int32_t WriteLocalIdRecord(uint8_t id, const LocalIdRecord& record);

    // --- identification and configuration ---
    // Part number, production date and software version; clears VehicleVIN. Runs
    // UpdateCurrentFault first.
    int ReadIdentification();
    // The capability flags and AsianStyle from the local ids 0xD1 and 0xD2. Runs
    // UpdateCurrentFault first; its non-zero answer ends the operation.
    int ReadConfiguration();
    // The configuration lines the main window shows.
    std::string ReadConfigurationTexts() const;
    // Compares EcuIdentBytes with the supported identifiers: the same goes on silently; the same
    // first three bytes with an older fourth byte in the table warns and goes on; anything else
    // shows "not supported" and answers false.
    bool CheckEcuSupported();
    // EcuTyp from the first six characters of EcuDiagnosticIdentification.
    void DeriveEcuType();
    // The hook the function windows call when a function starts (with its number) and, in the
    // short form, when some windows close: clears LetzterFehlercode and answers 0.
    int ReportLastError(int functionNumber);
    int ReportLastError();
    // SystemName = kSystemName; the fault help opens the main help file.
    void InitSystemName();

    // --- fault memory ---
    // Reads the fault memory into entries (every entry's status 0 and counter 255 first).
    int ReadFaultMemory(FaultEntryTable& entries);
    // Decodes the 40 status bytes with the KELT table (none for other ECU types).
    void DecodeFaultMemory(const FaultStatusBytes& status, FaultEntryTable& entries) const;
    // Clears the fault memory and restarts the ECU session.
    int ClearFaultMemory();
    // Disconnects, gives the ECU kRestartWaitMs in the wait dialog, opens the interface again
    // and reconnects; then reads the current fault. A failed reconnection is shown once through
    // the error handler; the answer 1 tries the connection again.
    int RestartEcuSession();
    // Reads the fault memory and keeps the first current fault in CurrentComponent/CurrentMode
    // (kNoCurrentComponent when there is none). The answer of ReadFaultMemory.
    int UpdateCurrentFault();

    // --- the parameter block (ParameterBlock.h) ---
    // Reads the block into buffer from position 0: the local ids 0xD1 up to the type's last, two
    // bytes each (ReadLocalIdRecord); count = the bytes read, also up to a failure. A buffer too
    // small for the type's block is refused before anything is sent (DIAG_ERR_BUFFER_TOO_SMALL).
    // Demo: kDemoParameterBlock, count 56, then kDemoParameterTail as far as the buffer holds it.
    int ReadParameters(uint16_t& count, std::span<uint8_t> buffer);
    // Reads 0xD0, writes the block to the type's ids (0xD1 on), then the check byte to 0xD0 with
    // its byte 1 as the ECU had it, then reads block and 0xD0 back. A block whose count is not
    // the type's length is refused before anything is sent (DIAG_ERR_REQUEST_TOO_LONG); a failed
    // read of 0xD0 sends no write. A failed read or write is shown and its answer returned; a
    // failed read-back is shown once and the answer 1 reads back again. A read-back that differs
    // or was given up shows 20101 and answers 2. Demo: 0.
    int WriteParameters(uint16_t count, std::span<const uint8_t> block);

    // --- the ECU's diagnosis address and baud rate (AddressAndBaud.h) ---
    static constexpr uint8_t kDemoEcuAddress = 16;
    static constexpr uint8_t kDemoBaudCode = 3;
    // Byte 1 of local id 0xD0. A record of other than two bytes is DIAG_ERR_BAD_REPLY. Standard
    // set only; for any other type nothing is sent, the address stays and the answer is for the
    // stored LetzterFehlercode. Demo: kDemoEcuAddress.
    int ReadEcuAddress(uint8_t& address);
    // Writes (b0 - b1 + address, address) to 0xD0, (b0, b1) as the ECU had them, and reads it
    // back: `stored` tells whether the ECU keeps what it was sent. A read-back that differs shows
    // 20101 and answers 0 with stored false; a failed read before the write sends nothing. Types
    // as ReadEcuAddress. Demo: 0, stored.
    int WriteEcuAddress(uint8_t address, bool& stored);
    // Byte 1 of local id 0xAF, as ReadEcuAddress; the standard set but kEcuTypeWithoutBaudCode.
    // Demo: kDemoBaudCode.
    int ReadBaudCode(uint8_t& code);
    // Writes (code + 1, code) to 0xAF and reads it back; stored and 20101 as WriteEcuAddress,
    // by byte 1. Types as ReadBaudCode. Demo: 0, stored.
    int WriteBaudCode(uint8_t code, bool& stored);

    // --- the main window's poll ---
    // The current fault as UpdateCurrentFault last stored it (no request is sent). Always 0.
    int GetCurrentFault(uint16_t& component, uint16_t& mode) const;
    // Terminal-15 voltage (0x48), road speed (0x42) and safety-relay voltage (0x47) into the
    // texts' Terminal15VoltageText, SpeedText and RelayValveVoltageText; a failed request ends
    // the operation with the texts read so far. Demo: "24.3 V", "17 km/h", "0.0 V".
    int ReadStatusValues(DisplayTexts& texts);

    // --- switch positions and measured values ---
    // The switches of the ECU type (names and state texts from the string table, the door and
    // sidewalk rows with their parameter notes). Sends nothing. A type without a switch list
    // sets LetzterFehlercode to KELT_ERR_NOT_SUPPORTED and leaves the list as it was.
    void BuildSwitchList(SwitchList& list);
    // Reads the switch inputs of the type's group into the states of a list BuildSwitchList
    // built for the same type. The first failing request ends the operation; rows set before it
    // keep their new states. Demo: the rows follow a bit pattern that is inverted every 1.5 s.
    int ReadSwitchStates(SwitchList& list);
    // The measured values of the ECU type: 6 entries, one more with the pressure sensor and two
    // more with the tilt sensor. Sends nothing; a type outside the standard set gives an empty
    // list. Always true.
    bool BuildMeasuredValueList(daMesswerteListe& list);
    // Reads the values into the entries of the list; an entry the list does not hold is not
    // written. The first failing request ends the operation; entries filled before it keep
    // their new texts. A type outside the standard set sends nothing and answers for the
    // stored LetzterFehlercode. Demo: fixed texts.
    int ReadMeasuredValues(daMesswerteListe& list);

    // --- level and sensor calibration ---
    // Demo sample values.
    static constexpr LevelValues kDemoLevelValues = {50, 55, 84, 87, 20, 18, 104};
    static constexpr uint8_t kDemoLevelTolerance = 5;
    static constexpr uint8_t kDemoMaxLeftRightDifference = 104;  // the sample's difference passes
    static constexpr uint16_t kDemoPressure = 53;
    static constexpr uint16_t kDemoPressureOffset = 9;
    static constexpr TiltValues kDemoTiltValues = {50, 60};
    // The pressure up to which the bellows count as vented for the zero calibration.
    static constexpr uint16_t kPressureThreshold = 40;
    // ReadPressure and ReadTiltSensors ask the ECU at most once in this time.
    static constexpr uint64_t kSensorReadIntervalMs = 500;

    // Opens (charge, vent) or closes (hold) the level valves: [0x83 0x21 b1 b2], b1 the chosen
    // valves (axle-1 left 8, right 16, axle-2 left 2, right 4) plus 1 for charge, 0 in hold; b2 4
    // when the cross throttle is chosen. A non-zero LeadRequest byte sends [0x83 0x26 0x01 0x00]
    // first. KELT types only; nothing is sent for others.
    int DriveLevelValves(uint8_t mode, const std::array<uint8_t, 4>& valves,
                         const std::array<uint8_t, 2>& extra);
    // The plausibility check before level values are written, with the ECU's tolerances (local
    // ids 0xD6, 0xD7; read again while the user asks to repeat). A refusal shows its message.
    LevelCheckResult CheckLevelValues(const LevelValues& values);
    // Writes the level data block (0xC7..0xCC) and stores it ([0x25]). Hourglass.
    int WriteLevelValues(const LevelValues& values);
    // Reads the level values (0xC7..0xCA); values stay as they were when a read fails. Hourglass.
    int ReadLevelValues(LevelValues& values);
    // One step of the distance-sensor calibration: [0x20] takes the current levels as the next
    // point. Type 1 (normal level only) stores at once; other types step 1 -> 2 -> 3 and store
    // at step 3. After a store the step is 5 when the stored block is valid, else 0; any other
    // step stays. A failure leaves the step as it was.
    int CalibrationStep(uint8_t& step, uint8_t type);
    // Whether the level data block in the ECU carries a valid check byte; false when it cannot
    // be read (no dialog).
    bool CheckCalibrationResult();
    // Type 1 (normal level only) when bit 6 of local id 0xD1 is set, else 0. Other ECU types:
    // LetzterFehlercode KELT_ERR_NOT_SUPPORTED, answer 0, type unchanged.
    int ReadCalibrationType(uint8_t& type);
    // The level sensors as decimal texts: texts[0] front, texts[3] rear left, texts[4] rear
    // right; the texts stay as they were when a read fails.
    int ReadLevelSensors(std::array<std::string, 5>& texts);
    // The bellows pressure. Asks the ECU at most once in kSensorReadIntervalMs; a call in
    // between hands out the value last read and answers 0. Other ECU types: 0, answer 0.
    int ReadPressure(uint16_t& pressure);
    // The 0-bar offset of the pressure sensor (local id 0xCD).
    int ReadPressureOffset(uint16_t& offset);
    // Writes the pressure data block (0xCD..0xCF) with the offset and stores it. Hourglass.
    int WritePressureOffset(uint8_t offset);
    // The ECU takes the current pressure as its zero ([0x27]) and stores it; message 20000.
    int CalibratePressureZero();
    uint16_t ReadPressureThreshold() const { return kPressureThreshold; }
    // The tilt-sensor values, limited as ReadPressure. Other ECU types: 0 0, answer 0.
    int ReadTiltSensors(TiltValues& values);
    // Writes the tilt values into the parameter block (0xE8 byte 1 arrested, 0xE9 byte 0 tilt)
    // and corrects its check byte (0xD0 byte 0), then stores; message 20000. A repeat after a
    // failed write goes on from the values read before the first write.
    int WriteTiltValues(const TiltValues& values);
    std::string LevelUnitText() const;
    std::string PressureUnitText() const;

    // --- actuator tests ---
    // Every drive below is one actuation request [0x83 0x21 b1 b2] (the LSV valve of older
    // families [0x82 0x21 b1]); the ECU keeps what it was last told until told otherwise. Demo:
    // nothing is sent, 0.
    // The lamp outputs on (b2 0x09) or off (0x00). KELT types only.
    int DriveWarningLamp(bool on);
    // The lamps DriveWarningLamp drives, one " - " line each, joined by "\n". Sends nothing and
    // shows nothing; outside the KELT types LetzterFehlercode = KELT_ERR_NOT_SUPPORTED and "".
    std::string GetLampOutputNames();
    // The main-flow (b2 0x02) and cross-flow (0x04) throttles, each only when fitted
    // (CfgMainThrottle, CfgCrossThrottle) and when the type has it. A type without throttles:
    // nothing is sent, LetzterFehlercode 0, answer 0.
    int DriveThrottles(uint8_t main, uint8_t cross);
    // The switchable outputs of the ECU type, all visible and off: door enabling and
    // immobilizer; the buzzer for a 0x107420 in the "Asian Style" variant; none otherwise.
    // Sends nothing and shows nothing.
    void GetOutputList(OutputList& list);
    // Drives the list's outputs (b1 0x40 the first, 0x20 the second). A 0x107420 of the
    // "European Style" sends nothing; a type outside the KELT set empties the list; both 0.
    int DriveOutputs(OutputList& list);
    // The load-sensing valve of the older ECU families. The KELT types have none:
    // KELT_ERR_NOT_SUPPORTED, shown.
    int DriveAlbValve(bool on);
    // Actuation requests handed to the driver so far (failed ones too: they may have reached
    // the ECU). A window compares it to know whether it drove anything.
    uint64_t actuationRequestsSent() const { return actuationRequestsSent_; }

    bool demo() const;

private:
    // The service that drives outputs and valves: [0x83 0x21 b1 b2].
    static constexpr uint8_t kServiceActuation = 0x21;

    struct StatusBytes {
        uint8_t d0 = 0;
        uint8_t d1 = 0;
    };
    // The status request [service]; its data bytes d0, d1 into `bytes`. A reply that does not
    // reach data byte `lastByteUsed` (0 or 1) is DIAG_ERR_BAD_REPLY.
    int32_t readStatusBytes(uint8_t service, int lastByteUsed, StatusBytes& bytes);
    void showDemoSwitchPattern(SwitchList& list);
    // Byte 1 of a two-byte setting record into value; `served`: the ECU type has the record.
    int readSetting(uint8_t id, bool served, uint8_t& value);
    // Writes a setting record and reads it back; stored: the read-back matches, in whole or in
    // byte 1 only.
    int writeSetting(uint8_t id, const LocalIdRecord& record, bool wholeRecord, bool& stored);

    // LetzterFehlercode = code; the error dialog's answer (none for 0, GiveUp unshown while
    // SilentErrors lives). The operations report through it.
    int report(int32_t code);
    // The block's ids into buffer, not reported: the status, also kept in LetzterFehlercode.
    int32_t readParameterIds(uint16_t& count, std::span<uint8_t> buffer);
    // One actuation request, reported.
    int actuate(std::initializer_list<uint8_t> message);
    // SendRequest, then DIAG_ERR_BAD_REPLY for a reply shorter than minLength.
    int32_t exchange(EcuMessage& message, uint16_t minLength);
    void resetCapabilityFlags();
    void setCapabilityFlags(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
    std::string programFolder() const;
    // One one-byte service request whose reply carries nothing to decode.
    int32_t sendService(uint8_t service);
    // The status code of `work`, done under the hourglass; the error dialog that may follow is
    // shown without it.
    template <class Work>
    int32_t whileBusy(Work work);
    // ReadLocalIdRecord for each id in turn, the records one after the other in `out`. The first
    // failure ends the reads and leaves `out` as it was.
    int32_t readLocalIdRecords(std::initializer_list<uint8_t> ids, std::span<uint8_t> out);
    // A read limited to one request per kSensorReadIntervalMs.
    struct LimitedRead {
        std::optional<uint64_t> sentAtMs;  // none: the next call asks the ECU
        std::array<uint8_t, 2> lastValue{};
    };
    int limitedRead(LimitedRead& read, uint8_t service, std::array<uint8_t, 2>& value);

    Jed677Calls calls_;
    ErrorReporter& errors_;
    DiagAttrStruct& attr_;
    const uint8_t& demoMode_;
    std::string& vehicleVIN_;
    WaitDialog* waitDialog_ = nullptr;
    InterfaceOpener* opener_ = nullptr;
    BusyCursor* busyCursor_ = nullptr;
    std::string programFolder_;
    Clock* clock_;
    // The demo's switch pattern and when it last changed (never before the first poll); kept
    // for the object's life, so every switch window continues it.
    uint8_t demoSwitchPattern_ = 0x55;
    std::optional<uint64_t> demoSwitchChangedAt_;
    LimitedRead pressureRead_;
    LimitedRead tiltRead_;
    // The parameter bytes a tilt save read before its first write (0xD0, then 0xE8 and 0xE9),
    // kept until its writes went through, so a repeat computes the check byte from them. A new
    // connection and a write of the whole parameter block drop them.
    struct TiltSave {
        LocalIdRecord d0{};
        std::array<uint8_t, 4> e8e9{};
    };
    std::optional<TiltSave> tiltSave_;

    int silentErrors_ = 0;
    std::function<void()> beforeErrorDialog_;
    uint64_t actuationRequestsSent_ = 0;
};

// The program's ECU layer; created and deleted by the main window.
extern KELTInterface* KELTInterfaceObj;

// The callback that opens the interface (handed to the port selection's retry loop): the port
// argument is not used, KELTInterfaceObj opens the port held in DiagAttr.
int32_t OpenDiagInterface(const std::string& portName);

#include "KELTInterface.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "DiagDr32.h"
#include "EcuAddress.h"
#include "MessageBox.h"
#include "ProfileFile.h"
#include "ProgramModes.h"
#include "StringTable.h"

KELTInterface* KELTInterfaceObj = nullptr;

namespace {

constexpr uint8_t kOneByteEnd = 0x80;
constexpr uint8_t kHeaderBit = 0x80;
constexpr uint8_t kNegativeReply = 0x05;
constexpr uint8_t kServiceReadLocalId = 0x14;
constexpr uint8_t kServiceWriteLocalId = 0x13;
constexpr uint8_t kServiceIdentification = 0x02;
constexpr uint8_t kServiceSoftwareRelease = 0x40;
constexpr uint8_t kLocalIdIdentifier1 = 0x70;
constexpr uint8_t kLocalIdIdentifier2 = 0x71;
constexpr uint8_t kLocalIdConfiguration1 = 0xD1;
constexpr uint8_t kLocalIdConfiguration2 = 0xD2;
constexpr uint8_t kIdentifierFamily = 0x10;
constexpr uint32_t kTypeAsian = 0x107420;
constexpr std::size_t kAppVersionSize = 128;
// The longest message a header byte can announce: 0xFF, then 127 bytes.
constexpr std::size_t kMaxMessageData = 127;

enum StringId {
    IdRearAxleBoth = 20034,
    IdRearAxleOnly = 20035,
    IdTwoSensorAxle = 20036,
    IdOneSensorAxle = 20037,
    IdLsvControl = 20043,
    IdPeripheryDetection = 20053,
    IdPressureSensor = 20054,
    IdAscertainedIdentifier = 20055,
    IdNotSupported = 20056,
    IdUpdateProgram = 20057,
    IdAsianStyle = 20109,
    IdEuropeanStyle = 20110,
    IdTiltFunction = 20111,
};

bool bit(uint8_t value, unsigned n) { return ((value >> n) & 1u) != 0; }

std::string hexIdentifier(const std::array<uint8_t, 4>& bytes) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

std::string nibbles(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%01X.%01X.", value >> 4, value & 0x0F);
    return text;
}

}  // namespace

bool isStandardEcuType(uint32_t type) {
    return std::find(kStandardEcuTypes.begin(), kStandardEcuTypes.end(), type) !=
           kStandardEcuTypes.end();
}

EcuMessage EcuMessage::request(std::initializer_list<uint8_t> message) {
    EcuMessage m;
    std::size_t n = std::min(message.size(), kCapacity - 1);
    std::copy_n(message.begin(), n, m.bytes.begin());
    m.bytes[n] = kOneByteEnd;
    m.length = static_cast<uint16_t>(n + 1);
    return m;
}

KELTInterface::KELTInterface(Jed677Calls calls, ErrorReporter& errors, DiagAttrStruct& attr,
                             const uint8_t& demoMode, std::string& vehicleVIN)
    : calls_(std::move(calls)),
      errors_(errors),
      attr_(attr),
      demoMode_(demoMode),
      vehicleVIN_(vehicleVIN),
      clock_(&SteadyClock::instance()) {}

bool KELTInterface::demo() const { return demoMode_ != 0; }

int KELTInterface::report(int32_t code) {
    LetzterFehlercode = code;
    if (code != 0 && silentErrors_ > 0) return GiveUp;
    if (code != 0 && beforeErrorDialog_) {
        SilentErrors silent(*this);
        const Jed677Trace trace = calls_.readTrace ? calls_.readTrace() : Jed677Trace{};
        beforeErrorDialog_();
        if (calls_.restoreTrace) calls_.restoreTrace(trace);
        LetzterFehlercode = code;
    }
    return errors_.FehlerAnzeigen(code);
}

std::string KELTInterface::programFolder() const {
    if (!programFolder_.empty()) return programFolder_;
    return SystemApplicationEnvironment::instance().programFile().parent_path().string();
}

// --- the connection -------------------------------------------------------------------------

int32_t KELTInterface::OpenInterface() {
    if (demo()) return 0;
    BusyCursorScope busy(busyCursor_);
    const std::string folder = programFolder();
    LetzterFehlercode =
        calls_.JED677OpenDiagDriver(attr_.Schnittstellenname.c_str(), folder.c_str(), 1);
    return LetzterFehlercode;
}

int32_t OpenDiagInterface(const std::string& /*portName*/) {
    if (!KELTInterfaceObj) throw std::logic_error("OpenDiagInterface: no KELTInterfaceObj");
    return KELTInterfaceObj->OpenInterface();
}

ConnectResult KELTInterface::ConnectEcu() {
    ConnectResult result;
    // A tilt save left unfinished belongs to the connection it was started on.
    tiltSave_.reset();
    if (demo()) {
        KommunikationGestartet = 1;
        DiagnoseAktiv = 1;
        EcuIdentBytes = kDemoIdentBytes;
        EcuDiagnosticIdentification = hexIdentifier(EcuIdentBytes);
        return result;
    }

    // Typed on the settings page as decimal or 0x-hexadecimal; a text that is no address gives 16.
    const uint8_t address = readEcuAddress(ProfileFile(attr_.AppIni));

    int32_t code = calls_.JED677Config(100, 10, 500);
    if (code != 0) {
        result.answer = report(code);
        return result;
    }

    char version[kAppVersionSize] = {};
    calls_.JED677AppVersion(version, sizeof version);
    version[kAppVersionSize - 1] = '\0';
    attr_.SchnittstellenAppVersion = version;

    uint16_t baud = 0;
    uint16_t word = 0;
    code = calls_.JED677StartCommunication(255, address, &baud, &word);
    if (code != 0) {
        // Shown by the caller: the start dialog at the start of the diagnosis, the retry dialog
        // in the restart.
        LetzterFehlercode = code;
        result.startFailure = code;
        return result;
    }

    JED677IdentData ident{};
    int32_t words[4] = {0, 0, 0, 0};
    code = calls_.JED677Ident(&ident, words);
    if (code != 0) {
        result.answer = report(code);
        return result;
    }
    // The ECU sends its identifier last byte first.
    EcuIdentBytes = {static_cast<uint8_t>(words[3]), static_cast<uint8_t>(words[2]),
                     static_cast<uint8_t>(words[1]), static_cast<uint8_t>(words[0])};

    if (EcuIdentBytes[0] == kIdentifierFamily) {
        if (EcuIdentBytes[3] == 0x37) EcuIdentBytes[3] = 0x00;
    } else {
        // ECUs of this kind keep their identifier in two local ids.
        EcuMessage reply;
        code = RequestLocalId(reply, kLocalIdIdentifier1);
        if (code == 0 && reply.length < 4) code = DIAG_ERR_BAD_REPLY;
        if (code != 0) {
            result.answer = report(code);
            return result;
        }
        EcuIdentBytes[0] = static_cast<uint8_t>(reply[2] - 0x27);
        EcuIdentBytes[1] = reply[3];
        code = RequestLocalId(reply, kLocalIdIdentifier2);
        if (code == 0 && reply.length < 3) code = DIAG_ERR_BAD_REPLY;
        if (code != 0) {
            result.answer = report(code);
            return result;
        }
        EcuIdentBytes[2] = reply[2];
        EcuIdentBytes[3] = 0;
    }

    EcuDiagnosticIdentification = hexIdentifier(EcuIdentBytes);
    LetzterFehlercode = 0;
    KommunikationGestartet = 1;
    return result;
}

int KELTInterface::ConnectEcuAtStart(EcuStartErrorDialog& dialog) {
    ConnectResult result;
    {
        BusyCursorScope busy(busyCursor_);
        result = ConnectEcu();
    }
    if (result.startFailure != 0) return retryAnswerOf(dialog.Execute(result.startFailure));
    return result.answer;
}

int KELTInterface::DisconnectEcu() {
    KommunikationGestartet = 0;
    if (demo()) return 0;
    calls_.JED677StopCommunication();
    // Through report: a close while errors are silent (the process ending) asks nothing.
    return report(calls_.JED677CloseDiagDriver());
}

int KELTInterface::StopDiagnosis() {
    if (demo()) return 0;
    return DisconnectEcu();
}

// --- requests ---------------------------------------------------------------------------------

int32_t KELTInterface::SendRequest(uint16_t& length, uint8_t* buffer, std::size_t capacity) {
    if (demo()) return 0;
    const uint32_t room = static_cast<uint32_t>(std::min<std::size_t>(capacity, UINT32_MAX));
    if (length >= 2 && (buffer[0] & kHeaderBit) && buffer[1] == kServiceActuation)
        ++actuationRequestsSent_;
    int32_t code = calls_.JED677SendData(&length, buffer, room);
    if (code == 0 && length >= 2 && (buffer[0] & kHeaderBit) && buffer[1] == kNegativeReply) {
        // A refusal in header form: 0x82 0x05 0x02 is undervoltage, any other is the same
        // refusal as the one-byte negative reply.
        const bool undervoltage = length >= 3 && buffer[0] == 0x82 && buffer[2] == 0x02;
        code = undervoltage ? KELT_ERR_UNDERVOLTAGE : JED677_NEGATIVE_ANSWER;
    }
    LetzterFehlercode = code;
    return code;
}

int32_t KELTInterface::SendRequest(EcuMessage& message) {
    return SendRequest(message.length, message.bytes.data(), message.bytes.size());
}

int32_t KELTInterface::exchange(EcuMessage& message, uint16_t minLength) {
    int32_t code = SendRequest(message);
    if (code == 0 && !demo() && message.length < minLength) code = DIAG_ERR_BAD_REPLY;
    LetzterFehlercode = code;
    return code;
}

int32_t KELTInterface::RequestLocalId(EcuMessage& message, uint8_t id) {
    if (demo()) return 0;
    message.bytes[0] = 0x82;
    message.bytes[1] = kServiceReadLocalId;
    message.bytes[2] = id;
    message.length = 3;
    return SendRequest(message);
}

int32_t KELTInterface::ReadLocalId(uint8_t id, uint16_t& position,
                                   std::span<uint8_t> destination) {
    if (demo()) return 0;
    EcuMessage reply;
    int32_t code = RequestLocalId(reply, id);
    if (code == 0 && reply.length < 2) code = DIAG_ERR_BAD_REPLY;
    if (code == 0) {
        const std::size_t count = reply.length - 2u;
        if (position > destination.size() || count > destination.size() - position)
            code = DIAG_ERR_BUFFER_TOO_SMALL;
        else {
            std::copy_n(reply.bytes.begin() + 2, count, destination.begin() + position);
            position = static_cast<uint16_t>(position + count);
        }
    }
    LetzterFehlercode = code;
    return code;
}

int32_t KELTInterface::WriteLocalId(uint8_t id, uint8_t count, uint16_t& position,
                                    std::span<const uint8_t> source) {
    if (demo()) return 0;
    if (position > source.size() || count > source.size() - position) {
        LetzterFehlercode = DIAG_ERR_BUFFER_TOO_SMALL;
        return LetzterFehlercode;
    }
    if (count + 2u > kMaxMessageData) {
        LetzterFehlercode = DIAG_ERR_REQUEST_TOO_LONG;
        return LetzterFehlercode;
    }
    EcuMessage message;
    // The header counts the service, the id and the data (0x84 for the usual two bytes).
    message.bytes[0] = static_cast<uint8_t>(kHeaderBit + 2 + count);
    message.bytes[1] = kServiceWriteLocalId;
    message.bytes[2] = id;
    std::copy_n(source.begin() + position, count, message.bytes.begin() + 3);
    message.bytes[3 + count] = kOneByteEnd;
    message.length = static_cast<uint16_t>(count + 4);
    position = static_cast<uint16_t>(position + count);
    return SendRequest(message);
}

int32_t KELTInterface::ReadLocalIdRecord(uint8_t id, LocalIdRecord& record) {
    if (demo()) return 0;
    EcuMessage reply;
    int32_t code = RequestLocalId(reply, id);
    // Byte 1 is not judged: ECUs answer 0x54 or echo the service. A refusal is shorter.
    if (code == 0 && reply.length != 2 + record.size()) code = DIAG_ERR_BAD_REPLY;
    if (code == 0) std::copy_n(reply.bytes.begin() + 2, record.size(), record.begin());
    LetzterFehlercode = code;
    return code;
}

int32_t KELTInterface::WriteLocalIdRecord(uint8_t id, const LocalIdRecord& record) {
    uint16_t position = 0;
    return WriteLocalId(id, static_cast<uint8_t>(record.size()), position, record);
}

// --- identification and configuration ---------------------------------------------------------

int KELTInterface::ReadIdentification() {
    if (demo()) {
        EcuProductNumber = kDemoProductNumber;
        EcuDateOfProduction = kDemoDateOfProduction;
        EcuSoftwareVersion = kDemoSoftwareVersion;
        vehicleVIN_ = kDemoVehicleVIN;
        return 0;
    }
    const int answer = UpdateCurrentFault();
    if (answer != 0) return answer;

    if (!isStandardEcuType(EcuTyp)) {
        vehicleVIN_.clear();
        return report(KELT_ERR_NOT_SUPPORTED);
    }

    EcuMessage message = EcuMessage::request({kServiceIdentification});
    // Bytes 4 to 9 carry the part number, the software version and the production date.
    if (int32_t code = exchange(message, 10); code != 0) return report(code);
    const uint8_t b4 = message[4], b5 = message[5], b6 = message[6];
    const uint8_t b7 = message[7], b8 = message[8], b9 = message[9];

    char text[64];
    std::snprintf(text, sizeof text, "%s %03d %03d %01d",
                  bit(b9, 7) ? kPartPrefixBit7Set : kPartPrefixBit7Clear,
                  (b4 + b5 * 256) & 0x3FF, ((b5 >> 2) + b6 * 64) & 0x3FF, b6 >> 4);
    EcuProductNumber = text;
    std::snprintf(text, sizeof text, "%02d%02d-W%02d", (b8 >> 6) + 19, b9 & 0x7F, b8 & 0x3F);
    EcuDateOfProduction = text;
    EcuSoftwareVersion = nibbles(b7);

    message = EcuMessage::request({kServiceSoftwareRelease});
    if (int32_t code = exchange(message, 3); code != 0) return report(code);
    EcuSoftwareVersion += nibbles(message[2]);

    vehicleVIN_.clear();
    return report(LetzterFehlercode);
}

void KELTInterface::resetCapabilityFlags() {
    // CfgAxleInputsSwapped, CfgKneelingAutoManual and CfgDoorContactUbatt keep their values
    // until the configuration bytes are decoded.
    CfgFrontAxle = CfgRearSensorLeft = CfgRearSensorRight = 0;
    CfgValve1WSLeft = CfgValve1WSRight = CfgValve2WSLeft = CfgValve2WSRight = 0;
    CfgPeripheryDetection = CfgPressureSensor = CfgCrossThrottle = CfgMainThrottle = 0;
    CfgSidewalkMakeContact = CfgTiltSensor = CfgOutputs = CfgMeasuredValues = CfgAlbValve = 0;
    CfgLampTest = CfgSwitches = CfgPressureData = CfgLeftRightDifference = 1;
}

void KELTInterface::setCapabilityFlags(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint32_t type = EcuTyp;
    AsianStyle = (type == kTypeAsian && !bit(c, 5)) ? 1 : 0;

    CfgFrontAxle = bit(a, 1);
    CfgRearSensorLeft = CfgRearSensorRight = 1;
    CfgValve1WSLeft = CfgValve1WSRight = CfgFrontAxle;
    CfgValve2WSLeft = CfgValve2WSRight = 1;
    CfgAxleInputsSwapped = bit(a, 5);
    CfgPeripheryDetection = bit(a, 7);
    if (type != kTypeAsian) CfgPressureSensor = bit(b, 2);
    CfgKneelingAutoManual = bit(b, 3);
    CfgCrossThrottle = bit(c, 1);
    switch (type) {
        case 0x107001: case 0x107002: case 0x107004: case 0x107102:
        case 0x107103: case 0x107600: case 0x107801:
            CfgMainThrottle = bit(c, 0);
            break;
        default:
            break;
    }
    CfgDoorContactUbatt = bit(c, 7);
    if (type != 0x107001 && type != 0x107002) CfgSidewalkMakeContact = bit(d, 1);
    if (type == 0x107800 || type == 0x107801) CfgTiltSensor = bit(d, 4);
    CfgOutputs = type == kTypeAsian ? AsianStyle : 1;
}

int KELTInterface::ReadConfiguration() {
    // A repeat or give-up while reading the current fault is the answer of this operation too.
    const int answer = UpdateCurrentFault();
    if (answer != 0) return answer;

    resetCapabilityFlags();
    uint8_t a = 2, b = 4, c = 11, d = 16;  // demo configuration bytes
    if (!demo()) {
        if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
        CfgMeasuredValues = 1;
        EcuMessage reply;
        int32_t code = RequestLocalId(reply, kLocalIdConfiguration1);
        if (code == 0 && reply.length < 4) code = DIAG_ERR_BAD_REPLY;
        if (code != 0) return report(code);
        a = reply[2];
        b = reply[3];
        code = RequestLocalId(reply, kLocalIdConfiguration2);
        if (code == 0 && reply.length < 4) code = DIAG_ERR_BAD_REPLY;
        if (code != 0) return report(code);
        c = reply[2];
        d = reply[3];
    }
    CfgMeasuredValues = 1;
    setCapabilityFlags(a, b, c, d);
    if (demo()) return 0;
    return report(LetzterFehlercode);
}

std::string KELTInterface::ReadConfigurationTexts() const {
    std::string text;
    auto line = [&text](int id) { text += LoadStr(id) + "\n"; };
    if (EcuTyp == kTypeAsian) line(AsianStyle == 1 ? IdAsianStyle : IdEuropeanStyle);
    if (CfgPeripheryDetection) line(IdPeripheryDetection);
    line(CfgFrontAxle == 1 ? IdRearAxleBoth : IdRearAxleOnly);
    if (CfgRearSensorLeft && CfgRearSensorRight) line(IdTwoSensorAxle);
    if (CfgFrontAxle) line(IdOneSensorAxle);
    if (CfgAlbValve) line(IdLsvControl);
    if (CfgPressureSensor) line(IdPressureSensor);
    if (CfgTiltSensor) text += LoadStr(IdTiltFunction);
    return text;
}

bool KELTInterface::CheckEcuSupported() {
    enum { Supported = 0, Older = 1, Unsupported = 2 };
    int state = Unsupported;
    for (const auto& entry : kSupportedDiagnosticIdentifiers) {
        if (state == Supported) break;
        if (!std::equal(entry.begin(), entry.begin() + 3, EcuIdentBytes.begin())) continue;
        if (entry[3] == EcuIdentBytes[3])
            state = Supported;
        else if (entry[3] < EcuIdentBytes[3])
            state = Older;
    }
    if (state == Supported) return true;
    const std::string text = LoadStr(IdAscertainedIdentifier) + hexIdentifier(EcuIdentBytes) +
                             "\n\n" + LoadStr(state == Older ? IdUpdateProgram : IdNotSupported);
    MsgBox(text, attr_.Anwendungstitel, MB_ICONWARNING | MB_OK);
    return state == Older;
}

void KELTInterface::DeriveEcuType() {
    const std::string digits = EcuDiagnosticIdentification.substr(0, 6);
    EcuTyp = static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
}

int KELTInterface::ReportLastError(int /*functionNumber*/) { return ReportLastError(); }

int KELTInterface::ReportLastError() {
    LetzterFehlercode = 0;
    if (demo()) return 0;
    return errors_.FehlerAnzeigen(0);
}

void KELTInterface::InitSystemName() {
    SystemName = kSystemName;
    attr_.FspHilfeDatei = attr_.HilfeDatei;
}

// The operations of the two live displays: the switch inputs of the ECU and its measured values.
#include <iterator>
#include <utility>

#include "DiagDr32.h"
#include "KELTInterface.h"
#include "Numbers.h"
#include "StringTable.h"

namespace {

enum StringId {
    IdVehicleSpeed = 20008,
    IdSupplyVoltage = 20012,
    IdPressureSensor = 20014,
    IdRelayValveVoltage = 20103,
    IdLevelFront = 20104,
    IdLevelRearLeft = 20105,
    IdLevelRearRight = 20106,
    IdTilt = 20112,
    IdTiltArrested = 20113,
    IdContactToEarth = 20201,
    IdContactToUbatt = 20202,
    IdContactOpen = 20204,
    IdKneeling = 20252,
    IdStop = 20253,
    IdNormalLevel = 20254,
    IdNormalLevelOneTwo = 20255,
    IdSidewalkDetector = 20256,
    IdLifting = 20257,
    IdLowering = 20258,
    IdBrake = 20259,
    IdDoorContact = 20260,
    IdKneelingChangeover = 20261,
    IdNormalLevelOneTwoAsian = 20262,
    IdSupplyPressure = 20263,
    IdNormalLevel4 = 20264,
    IdAxleFront = 20265,
    IdAxleRear = 20266,
    IdManualKneeling = 20267,
    IdAutomaticKneeling = 20268,
    IdDoorTo0V = 20271,
    IdDoorToUbatt = 20272,
    IdSidewalkMake = 20273,
    IdSidewalkBreak = 20274,
};

constexpr uint8_t kServiceSwitches = 0x41;
constexpr uint8_t kServiceVehicleSpeed = 0x42;
constexpr uint8_t kServiceLevelFront = 0x43;
constexpr uint8_t kServicePressure = 0x44;
constexpr uint8_t kServiceLevelsRear = 0x46;
constexpr uint8_t kServiceRelayValveVoltage = 0x47;
constexpr uint8_t kServiceTerminal15Voltage = 0x48;
constexpr uint8_t kServiceTilt = 0x4B;

constexpr uint32_t kTypeDoorAlwaysToEarth = 0x107001;

// Analog inputs read as switches: below these counts the contact is closed.
constexpr uint8_t kLowPressureBelow = 37;
constexpr uint8_t kAnalogSwitchClosedBelow = 90;
constexpr uint8_t kAxleInputClosedBelow = 50;
// A door contact to +UB is closed from this count on.
constexpr uint8_t kDoorToUbattFrom = 125;

constexpr uint64_t kDemoSwitchPeriodMs = 1500;

enum class SwitchGroup { None, A, B1, B2 };

SwitchGroup switchGroupOf(uint32_t type) {
    switch (type) {
        case 0x107405: case 0x107406: case 0x107420: case 0x107800: case 0x107801:
            return SwitchGroup::A;
        case 0x107001: case 0x107002:
            return SwitchGroup::B1;
        case 0x107004: case 0x107102: case 0x107103: case 0x107600:
            return SwitchGroup::B2;
        default:
            return SwitchGroup::None;
    }
}

// Rows of list A1 (group A, Asian style).
enum RowA1 {
    A1AxleFront, A1AxleRear, A1SupplyPressure, A1Stop, A1NormalLevel, A1NormalLevel4,
    A1NormalLevelOneTwo, A1Lifting, A1Lowering, A1Brake, A1Door, A1AutomaticKneeling, A1Rows
};

// Rows of lists A2 and B.
enum RowA2 {
    AxleFront, AxleRear, Kneeling1, Kneeling2, Stop, NormalLevel, NormalLevelOneTwo, Lifting,
    Lowering, SupplyPressure, Brake, Door, Sidewalk, A2Rows
};

bool bit(uint8_t value, unsigned n) { return ((value >> n) & 1u) != 0; }

_SwitchBasis contact(std::string name, int closedText = IdContactToEarth) {
    _SwitchBasis entry;
    entry.name = std::move(name);
    entry.stateTexts[0] = LoadStr(IdContactOpen);
    entry.stateTexts[1] = LoadStr(closedText);
    return entry;
}

// A name with the parameter setting it depends on.
std::string withNote(int nameId, int noteId) { return LoadStr(nameId) + "   " + LoadStr(noteId); }

// Writes the row when the list has it.
void setRow(SwitchList& list, int row, bool closed) {
    if (row < list.count) list.entries[static_cast<std::size_t>(row)].state = closed ? 1 : 0;
}

_MesswerteListe measuredValue(MeasuredValue source, int nameId, const char* unit, float scale,
                              ValueFormat format) {
    _MesswerteListe entry;
    entry.source = source;
    entry.name = LoadStr(nameId);
    entry.unit = unit;
    entry.scale = scale;
    entry.format = format;
    return entry;
}

// The entry showing `source`, or null when the list does not hold it.
_MesswerteListe* entryOf(daMesswerteListe& list, MeasuredValue source) {
    for (_MesswerteListe& entry : list)
        if (entry.source == source) return &entry;
    return nullptr;
}

void showInteger(daMesswerteListe& list, MeasuredValue source, uint8_t raw) {
    if (_MesswerteListe* entry = entryOf(list, source)) entry->value = entry->format.apply(raw);
}

void showScaled(daMesswerteListe& list, MeasuredValue source, uint8_t raw) {
    // The scale is kept as the ECU's documents give it, a float; the product is taken in double.
    if (_MesswerteListe* entry = entryOf(list, source))
        entry->value = entry->format.apply(static_cast<double>(entry->scale) * raw);
}

}  // namespace

int SwitchImageIndex(uint8_t kind, uint8_t state) {
    constexpr int kUndefined = 5;
    if (kind == 0) return state <= 1 ? state : kUndefined;
    if (kind == 1) {
        switch (state) {
            case 0: return 3;
            case 1: return 4;
            case 2: return 2;
            default: return kUndefined;
        }
    }
    return kUndefined;
}

std::string ValueFormat::apply(double value) const {
    switch (kind) {
        case Kind::Fixed:
            return numbers::formatFixed(value, decimals, width);
        case Kind::Integer:
            return numbers::formatInt(static_cast<int64_t>(value), width);
        case Kind::Empty:
            break;
    }
    return {};
}

int32_t KELTInterface::readStatusBytes(uint8_t service, int lastByteUsed, StatusBytes& bytes) {
    EcuMessage message = EcuMessage::request({service});
    // Each value sits at a fixed reply byte; a reply that does not reach it is an error, not 0.
    const int32_t code = exchange(message, static_cast<uint16_t>(3 + lastByteUsed));
    if (code == 0) bytes = {message[2], message[3]};
    return code;
}

// --- switch positions ---------------------------------------------------------------------------

void KELTInterface::BuildSwitchList(SwitchList& list) {
    const SwitchGroup group = switchGroupOf(EcuTyp);
    if (group == SwitchGroup::None) {
        LetzterFehlercode = KELT_ERR_NOT_SUPPORTED;
        return;
    }
    const bool toUbatt = CfgDoorContactUbatt != 0;
    const int doorName = toUbatt ? IdDoorToUbatt : IdDoorTo0V;
    // The ECU type 0x107001 reports its door contact as to earth whatever it is wired to.
    const bool doorTextToUbatt = toUbatt && EcuTyp != kTypeDoorAlwaysToEarth;
    const _SwitchBasis door = contact(withNote(IdDoorContact, doorName),
                                      doorTextToUbatt ? IdContactToUbatt : IdContactToEarth);
    const _SwitchBasis brake = contact(LoadStr(IdBrake), IdContactToUbatt);

    list = SwitchList{};
    auto& e = list.entries;
    if (group == SwitchGroup::A && AsianStyle == 1) {
        list.count = A1Rows;
        e[A1AxleFront] = contact(LoadStr(IdAxleFront));
        e[A1AxleRear] = contact(LoadStr(IdAxleRear));
        e[A1SupplyPressure] = contact(LoadStr(IdSupplyPressure));
        e[A1Stop] = contact(LoadStr(IdStop));
        e[A1NormalLevel] = contact(LoadStr(IdNormalLevel));
        e[A1NormalLevel4] = contact(LoadStr(IdNormalLevel4));
        e[A1NormalLevelOneTwo] = contact(LoadStr(IdNormalLevelOneTwoAsian));
        e[A1Lifting] = contact(LoadStr(IdLifting));
        e[A1Lowering] = contact(LoadStr(IdLowering));
        e[A1Brake] = brake;
        e[A1Door] = door;
        e[A1AutomaticKneeling] = contact(LoadStr(IdAutomaticKneeling));
        return;
    }
    const bool autoManual = CfgKneelingAutoManual != 0;
    list.count = A2Rows;
    e[AxleFront] = contact(LoadStr(IdAxleFront));
    e[AxleRear] = contact(LoadStr(IdAxleRear));
    e[Kneeling1] = contact(LoadStr(autoManual ? IdAutomaticKneeling : IdKneelingChangeover));
    e[Kneeling2] = contact(LoadStr(autoManual ? IdManualKneeling : IdKneeling));
    e[Stop] = contact(LoadStr(IdStop));
    e[NormalLevel] = contact(LoadStr(IdNormalLevel));
    e[NormalLevelOneTwo] = contact(LoadStr(IdNormalLevelOneTwo));
    e[Lifting] = contact(LoadStr(IdLifting));
    e[Lowering] = contact(LoadStr(IdLowering));
    e[SupplyPressure] = contact(LoadStr(IdSupplyPressure));
    e[Brake] = brake;
    e[Door] = door;
    e[Sidewalk] = contact(
        withNote(IdSidewalkDetector, CfgSidewalkMakeContact ? IdSidewalkMake : IdSidewalkBreak));
}

int KELTInterface::ReadSwitchStates(SwitchList& list) {
    if (demo()) {
        showDemoSwitchPattern(list);
        return 0;
    }
    const SwitchGroup group = switchGroupOf(EcuTyp);
    if (group == SwitchGroup::None) return report(KELT_ERR_NOT_SUPPORTED);

    StatusBytes s;
    if (group == SwitchGroup::B1 || group == SwitchGroup::B2) {
        // The axle preselection comes in as two analog inputs.
        if (int32_t code = readStatusBytes(kServiceTilt, 1, s); code != 0) return report(code);
        setRow(list, AxleFront, s.d0 < kAxleInputClosedBelow);
        setRow(list, AxleRear, s.d1 < kAxleInputClosedBelow);
    }

    if (int32_t code = readStatusBytes(kServiceSwitches, 1, s); code != 0) return report(code);
    if (group == SwitchGroup::A) {
        bool front = bit(s.d0, 0);
        bool rear = bit(s.d0, 1);
        if (CfgAxleInputsSwapped) std::swap(front, rear);
        // Both axles preselected at once is no valid choice: neither counts.
        if (front && rear) front = rear = false;
        setRow(list, AxleFront, front);
        setRow(list, AxleRear, rear);
    }

    if (group == SwitchGroup::A && AsianStyle == 1) {
        setRow(list, A1Stop, bit(s.d0, 2));
        setRow(list, A1NormalLevel, bit(s.d0, 3));
        setRow(list, A1AutomaticKneeling, bit(s.d0, 4));
        setRow(list, A1Lifting, bit(s.d0, 6));
        setRow(list, A1Lowering, bit(s.d0, 7));
        setRow(list, A1NormalLevelOneTwo, bit(s.d1, 0));
        setRow(list, A1Brake, bit(s.d1, 1));
        setRow(list, A1Door, bit(s.d1, 2));
        if (int32_t code = readStatusBytes(kServiceTerminal15Voltage, 1, s); code != 0)
            return report(code);
        setRow(list, A1SupplyPressure, s.d1 < kLowPressureBelow);
        if (int32_t code = readStatusBytes(kServicePressure, 0, s); code != 0) return report(code);
        setRow(list, A1NormalLevel4, s.d0 < kAnalogSwitchClosedBelow);
        return report(LetzterFehlercode);
    }

    const bool stop = bit(s.d0, 2);
    setRow(list, Stop, stop);
    setRow(list, NormalLevel, bit(s.d0, 3));
    // B1 ECUs wire the sidewalk detector as a break contact, whatever the parameters say.
    const bool makeContact = group != SwitchGroup::B1 && CfgSidewalkMakeContact != 0;
    setRow(list, Sidewalk, bit(s.d0, 5) == makeContact);
    setRow(list, Lifting, bit(s.d0, 6));
    setRow(list, Lowering, bit(s.d0, 7));
    setRow(list, NormalLevelOneTwo, bit(s.d1, 0));
    setRow(list, Brake, bit(s.d1, 1));
    if (group == SwitchGroup::B1) {
        const bool invert = EcuTyp == kTypeDoorAlwaysToEarth && CfgDoorContactUbatt != 0;
        setRow(list, Door, bit(s.d1, 2) != invert);
    }

    if (int32_t code = readStatusBytes(kServiceRelayValveVoltage, 0, s); code != 0)
        return report(code);
    setRow(list, Kneeling1, !bit(s.d0, 3) && !stop);
    if (int32_t code = readStatusBytes(kServiceLevelFront, 0, s); code != 0) return report(code);
    setRow(list, Kneeling2, s.d0 < kAnalogSwitchClosedBelow && !stop);
    if (group != SwitchGroup::B1) {
        if (int32_t code = readStatusBytes(kServicePressure, 1, s); code != 0) return report(code);
        setRow(list, Door,
               CfgDoorContactUbatt ? s.d1 >= kDoorToUbattFrom : s.d1 < kLowPressureBelow);
    }
    if (int32_t code = readStatusBytes(kServiceTerminal15Voltage, 1, s); code != 0)
        return report(code);
    setRow(list, SupplyPressure, s.d1 < kLowPressureBelow);
    return report(LetzterFehlercode);
}

void KELTInterface::showDemoSwitchPattern(SwitchList& list) {
    const uint64_t now = clock_->nowMs();
    if (!demoSwitchChangedAt_ || now - *demoSwitchChangedAt_ > kDemoSwitchPeriodMs) {
        demoSwitchPattern_ ^= 0xFF;
        demoSwitchChangedAt_ = now;
    }
    // Between changes the rows keep the pattern; a window opened meanwhile shows it at once.
    // Rows 0..6 show bits 0..6, rows 7..11 bits 0..4 again; row 12 is left alone.
    for (int row = 0; row <= 6; ++row) setRow(list, row, bit(demoSwitchPattern_, row));
    for (int row = 7; row <= 11; ++row) setRow(list, row, bit(demoSwitchPattern_, row - 7));
}

// --- measured values ----------------------------------------------------------------------------

bool KELTInterface::BuildMeasuredValueList(daMesswerteListe& list) {
    list.clear();
    if (!isStandardEcuType(EcuTyp)) return true;
    using M = MeasuredValue;
    constexpr float kVoltsPerCount = 0.1351f;
    const ValueFormat volts{ValueFormat::Kind::Fixed, 0, 1};
    const ValueFormat speed{ValueFormat::Kind::Integer, 3, 0};
    const ValueFormat counts{ValueFormat::Kind::Integer, 0, 0};
    list.push_back(measuredValue(M::Terminal15Voltage, IdSupplyVoltage, "V", kVoltsPerCount, volts));
    list.push_back(measuredValue(M::RelayValveVoltage, IdRelayValveVoltage, "V", kVoltsPerCount, volts));
    list.push_back(measuredValue(M::VehicleSpeed, IdVehicleSpeed, "km/h", 1.0f, speed));
    list.push_back(measuredValue(M::LevelFront, IdLevelFront, "counts", 1.0f, counts));
    list.push_back(measuredValue(M::LevelRearLeft, IdLevelRearLeft, "counts", 1.0f, counts));
    list.push_back(measuredValue(M::LevelRearRight, IdLevelRearRight, "counts", 1.0f, counts));
    if (CfgPressureSensor)
        list.push_back(measuredValue(M::Pressure, IdPressureSensor, "counts", 1.0f, counts));
    if (CfgTiltSensor) {
        list.push_back(measuredValue(M::Tilt, IdTilt, "counts", 1.0f, counts));
        list.push_back(measuredValue(M::TiltArrested, IdTiltArrested, "counts", 1.0f, counts));
    }
    return true;
}

int KELTInterface::ReadMeasuredValues(daMesswerteListe& list) {
    using M = MeasuredValue;
    if (demo()) {
        // One text per value, in the order of MeasuredValue; no scale, no format.
        static const char* const kDemoTexts[] = {"22", "24", "0", "104", "120", "122", "87", "100", "103"};
        static_assert(std::size(kDemoTexts) == static_cast<std::size_t>(M::TiltArrested) + 1);
        for (_MesswerteListe& entry : list) entry.value = kDemoTexts[static_cast<int>(entry.source)];
        return 0;
    }
    if (!isStandardEcuType(EcuTyp)) return errors_.FehlerAnzeigen(LetzterFehlercode);

    StatusBytes s;
    if (int32_t code = readStatusBytes(kServiceTerminal15Voltage, 0, s); code != 0) return report(code);
    showScaled(list, M::Terminal15Voltage, s.d0);
    if (int32_t code = readStatusBytes(kServiceRelayValveVoltage, 1, s); code != 0) return report(code);
    showScaled(list, M::RelayValveVoltage, s.d1);
    if (int32_t code = readStatusBytes(kServiceVehicleSpeed, 0, s); code != 0) return report(code);
    showInteger(list, M::VehicleSpeed, s.d0);
    if (int32_t code = readStatusBytes(kServiceLevelFront, 1, s); code != 0) return report(code);
    showInteger(list, M::LevelFront, s.d1);
    if (int32_t code = readStatusBytes(kServiceLevelsRear, 1, s); code != 0) return report(code);
    showInteger(list, M::LevelRearLeft, s.d0);
    showInteger(list, M::LevelRearRight, s.d1);
    if (CfgPressureSensor) {
        if (int32_t code = readStatusBytes(kServicePressure, 0, s); code != 0) return report(code);
        showInteger(list, M::Pressure, s.d0);
    }
    if (CfgTiltSensor) {
        if (int32_t code = readStatusBytes(kServiceTilt, 1, s); code != 0) return report(code);
        showInteger(list, M::Tilt, s.d0);
        showInteger(list, M::TiltArrested, s.d1);
    }
    return report(LetzterFehlercode);
}

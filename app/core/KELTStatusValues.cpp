// The operations of the main window's once-a-second poll: the current fault and the three
// status values beside the identification.
#include "KELTInterface.h"
#include "Numbers.h"
#include "SessionView.h"

namespace {

constexpr uint8_t kServiceTerminal15Voltage = 0x48;
constexpr uint8_t kServiceVehicleSpeed = 0x42;
constexpr uint8_t kServiceRelayValveVoltage = 0x47;
// One count of a voltage byte in volts.
constexpr double kVoltsPerCount = 0.135;

// "24.3 V" whatever the user's locale.
std::string voltageText(uint8_t raw) { return numbers::formatFixed(raw * kVoltsPerCount, 1, 2) + " V"; }

std::string speedText(uint8_t raw) { return numbers::formatInt(raw, 3) + " km/h"; }

}  // namespace

int KELTInterface::GetCurrentFault(uint16_t& component, uint16_t& mode) const {
    component = CurrentComponent;
    mode = CurrentMode;
    return 0;
}

int KELTInterface::ReadStatusValues(DisplayTexts& texts) {
    if (demo()) {
        texts.SpeedText = "17 km/h";
        texts.Terminal15VoltageText = "24.3 V";
        texts.RelayValveVoltageText = "0.0 V";
        return 0;
    }
    if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);

    StatusBytes s;
    if (int32_t code = readStatusBytes(kServiceTerminal15Voltage, 0, s); code != 0) return report(code);
    texts.Terminal15VoltageText = voltageText(s.d0);
    if (int32_t code = readStatusBytes(kServiceVehicleSpeed, 0, s); code != 0) return report(code);
    texts.SpeedText = speedText(s.d0);
    if (int32_t code = readStatusBytes(kServiceRelayValveVoltage, 1, s); code != 0) return report(code);
    texts.RelayValveVoltageText = voltageText(s.d1);

    return report(LetzterFehlercode);
}

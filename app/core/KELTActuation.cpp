// The operations behind the actuator tests: the lamp outputs, the throttles, the switchable
// outputs and the load-sensing valve. Each drives with one actuation request.
#include <algorithm>

#include "KELTInterface.h"
#include "StringTable.h"

namespace {

// The second byte of the lamp and throttle actuation.
constexpr uint8_t kLampBits = 0x09;
constexpr uint8_t kMainThrottleBit = 0x02;
// The first byte of the outputs' actuation.
constexpr uint8_t kFirstOutputBit = 0x40;
constexpr uint8_t kSecondOutputBit = 0x20;

constexpr uint32_t kTypeOldest = 0x107001;
constexpr uint32_t kTypeAsian = 0x107420;

enum StringId {
    IdWarningLamp = 20022,
    IdSafetyLamp = 20023,
    IdKneelingLamp = 20082,
    IdNormalLevel4 = 20099,
    IdDoorEnabling = 20269,
    IdImmobilizer = 20270,
    IdBuzzer = 20300,
};

// The throttle bits a type lets through; 0 for a type without throttles.
uint8_t throttleBitsOf(uint32_t type) {
    switch (type) {
    case 0x107001: case 0x107002: case 0x107004: case 0x107102:
    case 0x107103: case 0x107600: case 0x107801:
        return kMainThrottleBit | kCrossThrottleBit;
    case 0x107405: case 0x107406: case 0x107420: case 0x107800:
        return kCrossThrottleBit;
    default:
        return 0;
    }
}

}  // namespace

int KELTInterface::actuate(std::initializer_list<uint8_t> message) {
    EcuMessage request = EcuMessage::request(message);
    return report(SendRequest(request));
}

int KELTInterface::DriveWarningLamp(bool on) {
    if (demo()) return 0;
    if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    return actuate({0x83, kServiceActuation, 0x00, on ? kLampBits : uint8_t{0}});
}

std::string KELTInterface::GetLampOutputNames() {
    if (!isStandardEcuType(EcuTyp)) {
        LetzterFehlercode = KELT_ERR_NOT_SUPPORTED;
        return {};
    }
    int first = IdKneelingLamp;
    if (EcuTyp == kTypeOldest) first = 0;
    if (EcuTyp == kTypeAsian && AsianStyle == 1) first = IdNormalLevel4;
    std::string caption;
    for (int id : {first, int{IdWarningLamp}, int{IdSafetyLamp}}) {
        if (id == 0) continue;
        if (!caption.empty()) caption += "\n";
        caption += " - " + LoadStr(id);
    }
    return caption;
}

int KELTInterface::DriveThrottles(uint8_t main, uint8_t cross) {
    if (demo()) return 0;
    const uint8_t allowed = throttleBitsOf(EcuTyp);
    if (allowed == 0) {
        LetzterFehlercode = 0;
        return 0;
    }
    uint8_t b = 0;
    if (main != 0 && CfgMainThrottle) b |= kMainThrottleBit;
    if (cross != 0 && CfgCrossThrottle) b |= kCrossThrottleBit;
    return actuate({0x83, kServiceActuation, 0x00, static_cast<uint8_t>(b & allowed)});
}

void KELTInterface::GetOutputList(OutputList& list) {
    list = OutputList{};
    auto add = [&list](int id) {
        _Ausgang& entry = list.entries[list.count++];
        entry.name = LoadStr(id);
        entry.on = 0;
        entry.visible = 1;
    };
    if (EcuTyp == kTypeAsian) {
        if (AsianStyle == 1) add(IdBuzzer);
    } else if (isStandardEcuType(EcuTyp)) {
        add(IdDoorEnabling);
        add(IdImmobilizer);
    }
}

int KELTInterface::DriveOutputs(OutputList& list) {
    if (demo()) return 0;
    const bool first = list.count > 0 && list.entries[0].on != 0;
    const bool second = list.count > 1 && list.entries[1].on != 0;
    uint8_t b = 0;
    if (EcuTyp == kTypeAsian) {
        if (AsianStyle != 1) return 0;
        if (first) b = kFirstOutputBit;
    } else if (isStandardEcuType(EcuTyp)) {
        if (first) b |= kFirstOutputBit;
        if (second) b |= kSecondOutputBit;
    } else {
        list.count = 0;
        return 0;
    }
    return actuate({0x83, kServiceActuation, b, 0x00});
}

int KELTInterface::DriveAlbValve(bool on) {
    if (demo()) return 0;
    switch (EcuTyp) {
    case 0x101001: case 0x101002: case 0x101003:
        return actuate({0x82, kServiceActuation, on ? uint8_t{0x40} : uint8_t{0x00}});
    case 0x101300: case 0x108103: case 0x108203: case 0x108400: case 0x108401:
    case 0x108402: case 0x108502: case 0x108504: case 0x108520: case 0x128001:
    case 0x128002: case 0x128101: case 0x128102:
        return actuate({0x83, kServiceActuation, on ? uint8_t{0x20} : uint8_t{0x00}, 0x00});
    default:
        // The KELT types among them: this program's ECUs have no such valve.
        return report(KELT_ERR_NOT_SUPPORTED);
    }
}

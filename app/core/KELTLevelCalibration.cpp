// The operations behind raising and lowering the vehicle and the sensor calibrations: the level
// valves, the level, pressure and tilt sensors, and the calibration values in the ECU.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "BusyCursor.h"
#include "CheckByte.h"
#include "DiagDr32.h"
#include "KELTInterface.h"
#include "LevelCalibration.h"
#include "MessageBox.h"
#include "Numbers.h"
#include "ParameterBlock.h"
#include "StringTable.h"

namespace {

constexpr uint8_t kServiceLeadRequest = 0x26;
constexpr uint8_t kServiceCalibrationPoint = 0x20;
constexpr uint8_t kServiceStore = 0x25;
constexpr uint8_t kServicePressureZero = 0x27;
constexpr uint8_t kServiceFrontLevel = 0x43;
constexpr uint8_t kServicePressure = 0x44;
constexpr uint8_t kServiceRearLevels = 0x46;
constexpr uint8_t kServiceTilt = 0x4B;

constexpr uint8_t kLocalIdFrontTolerance = 0xD6;
constexpr uint8_t kLocalIdRearTolerance = 0xD7;
constexpr uint8_t kLocalIdCalibrationType = 0xD1;
constexpr uint8_t kLocalIdPressureOffset = 0xCD;
constexpr uint8_t kLocalIdTiltArrested = 0xE8;  // data byte 1
constexpr uint8_t kLocalIdTilt = 0xE9;           // data byte 0

// Valve bits of the actuation's first byte.
constexpr uint8_t kValveBitCharge = 0x01;
constexpr std::array<uint8_t, 4> kValveBits = {0x08, 0x10, 0x02, 0x04};  // by LevelValve

// Level values must lie in 5..253.
constexpr int kLowestLevel = 5;
constexpr int kHighestLevel = 253;

enum StringId {
    IdCalibrationSaved = 20000,
    IdFrontRange = 20090,
    IdRearRange = 20091,
    IdRearLower = 20092,
    IdRearUpper = 20093,
    IdFrontLower = 20094,
    IdFrontUpper = 20095,
    IdLeftRightDifference = 20096,
};

constexpr const char* kUnitCounts = "counts";

void showCalibrationSaved(const std::string& caption) {
    MsgBox(LoadStr(IdCalibrationSaved), caption, MB_ICONINFORMATION | MB_OK);
}

// The rules for one axle's normal, upper and lower level with its tolerance: the message of
// the first rule broken, or 0.
int axleRuleBroken(int normal, int upper, int lower, int tolerance, int rangeMessage,
                   int lowerMessage, int upperMessage) {
    for (int level : {normal, upper, lower})
        if (level < kLowestLevel || level > kHighestLevel) return rangeMessage;
    if (lower + 2 * tolerance > normal) return lowerMessage;
    if (upper - 3 * tolerance - 3 < normal) return upperMessage;
    return 0;
}

}  // namespace

// --- the values -------------------------------------------------------------------------------

bool isPressureEcuType(uint32_t type) { return isStandardEcuType(type) && type != 0x107420; }

bool isTiltEcuType(uint32_t type) { return type == 0x107800 || type == 0x107801; }

namespace {

uint8_t levelCheckByte(const LevelBlock& block) { return checkByteOf(std::span(block).subspan(1)); }

}  // namespace

LevelBlock levelBlockOf(const LevelValues& v) {
    const uint16_t values[] = {v.NormalRear, v.NormalFront, v.UpperRear, v.UpperFront,
                               v.LowerRear,  v.LowerFront,  v.LeftRightDifference};
    LevelBlock block{};
    for (std::size_t i = 0; i < std::size(values); ++i) block[1 + i] = static_cast<uint8_t>(values[i]);
    block[0] = levelCheckByte(block);
    return block;
}

LevelValues levelValuesOf(std::span<const uint8_t, 8> b) {
    return {b[1], b[2], b[3], b[4], b[5], b[6], b[7]};
}

bool levelBlockValid(const LevelBlock& block) { return block[0] == levelCheckByte(block); }

// --- helpers ----------------------------------------------------------------------------------

int32_t KELTInterface::readLocalIdRecords(std::initializer_list<uint8_t> ids,
                                          std::span<uint8_t> out) {
    if (out.size() < 2 * ids.size()) {
        LetzterFehlercode = DIAG_ERR_BUFFER_TOO_SMALL;
        return LetzterFehlercode;
    }
    std::vector<uint8_t> read;
    for (uint8_t id : ids) {
        LocalIdRecord record{};
        if (int32_t code = ReadLocalIdRecord(id, record); code != 0) return code;
        read.insert(read.end(), record.begin(), record.end());
    }
    std::copy(read.begin(), read.end(), out.begin());
    return 0;
}

template <class Work>
int32_t KELTInterface::whileBusy(Work work) {
    BusyCursorScope busy(busyCursor_);
    return work();
}

int32_t KELTInterface::sendService(uint8_t service) {
    EcuMessage message = EcuMessage::request({service});
    return SendRequest(message);
}

// --- the level valves -------------------------------------------------------------------------

int KELTInterface::DriveLevelValves(uint8_t mode, const std::array<uint8_t, 4>& valves,
                                    const std::array<uint8_t, 2>& extra) {
    if (demo()) return 0;
    // Checked before anything goes out: the lead request is an actuation too.
    if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    if (extra[LeadRequest] != 0)
        if (const int answer = actuate({0x83, kServiceLeadRequest, 0x01, 0x00}); answer != NoErrorShown)
            return answer;
    uint8_t b1 = 0;
    if (mode == LevelCharge || mode == LevelVent) {
        for (std::size_t i = 0; i < valves.size(); ++i)
            if (valves[i] != 0) b1 = static_cast<uint8_t>(b1 | kValveBits[i]);
        if (mode == LevelCharge) b1 = static_cast<uint8_t>(b1 + kValveBitCharge);
    }
    const uint8_t b2 = extra[CrossThrottle] != 0 ? kCrossThrottleBit : 0;
    return actuate({0x83, kServiceActuation, b1, b2});
}

// --- level calibration values -----------------------------------------------------------------

LevelCheckResult KELTInterface::CheckLevelValues(const LevelValues& v) {
    int frontTolerance = kDemoLevelTolerance;
    int rearTolerance = kDemoLevelTolerance;
    int maxDifference = kDemoMaxLeftRightDifference;
    if (!demo()) {
        // Unchecked values must never be written: without tolerances there is no check.
        std::array<uint8_t, 4> tolerances{};
        const int answer = repeatWhileAsked([&] {
            if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
            return report(
                readLocalIdRecords({kLocalIdFrontTolerance, kLocalIdRearTolerance}, tolerances));
        });
        if (answer != 0) return LevelCheckResult::GaveUp;
        frontTolerance = tolerances[0];
        rearTolerance = tolerances[2];
        maxDifference = tolerances[3];
    }

    int message = 0;
    if (CfgFrontAxle)
        message = axleRuleBroken(v.NormalFront, v.UpperFront, v.LowerFront, frontTolerance,
                                 IdFrontRange, IdFrontLower, IdFrontUpper);
    if (message == 0 && (CfgRearSensorLeft || CfgRearSensorRight))
        message = axleRuleBroken(v.NormalRear, v.UpperRear, v.LowerRear, rearTolerance,
                                 IdRearRange, IdRearLower, IdRearUpper);
    if (message == 0 && CfgRearSensorLeft && CfgRearSensorRight) {
        const int difference = static_cast<int8_t>(static_cast<uint8_t>(v.LeftRightDifference));
        if (std::abs(difference) > maxDifference) message = IdLeftRightDifference;
    }
    if (message == 0) return LevelCheckResult::Acceptable;
    MsgBox(LoadStr(message), attr_.Anwendungstitel, MB_ICONWARNING | MB_OK);
    return LevelCheckResult::Refused;
}

int KELTInterface::WriteLevelValues(const LevelValues& values) {
    if (demo()) return 0;
    if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    return report(whileBusy([&] {
        const LevelBlock block = levelBlockOf(values);
        uint16_t position = 0;
        for (uint8_t id = 0xC7; id <= 0xCC; ++id)
            if (int32_t code = WriteLocalId(id, 2, position, block); code != 0) return code;
        return sendService(kServiceStore);
    }));
}

int KELTInterface::ReadLevelValues(LevelValues& values) {
    if (demo()) {
        values = kDemoLevelValues;
        return 0;
    }
    if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    std::array<uint8_t, 8> block{};
    if (int32_t code = whileBusy([&] { return readLocalIdRecords({0xC7, 0xC8, 0xC9, 0xCA}, block); });
        code != 0)
        return report(code);
    values = levelValuesOf(block);
    return report(0);
}

// --- distance-sensor calibration --------------------------------------------------------------

int KELTInterface::CalibrationStep(uint8_t& step, uint8_t type) {
    if (demo()) {
        step = 5;
        return 0;
    }
    if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    if (int32_t code = sendService(kServiceCalibrationPoint); code != 0) return report(code);

    const bool normalLevelOnly = type == 1;
    if (!normalLevelOnly && step != 3) {
        if (step == 1 || step == 2) ++step;
        return report(0);
    }
    // The result counts only when the store and the read of what was stored both went through.
    if (int32_t code = sendService(kServiceStore); code != 0) return report(code);
    LevelBlock block{};
    if (int32_t code = readLocalIdRecords({0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC}, block); code != 0)
        return report(code);
    step = levelBlockValid(block) ? 5 : 0;
    return report(0);
}

bool KELTInterface::CheckCalibrationResult() {
    if (demo()) return true;
    if (!isStandardEcuType(EcuTyp)) {
        LetzterFehlercode = KELT_ERR_NOT_SUPPORTED;
        return false;
    }
    LevelBlock block{};
    if (readLocalIdRecords({0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC}, block) != 0) return false;
    return levelBlockValid(block);
}

int KELTInterface::ReadCalibrationType(uint8_t& type) {
    if (demo()) {
        type = 1;
        return 0;
    }
    if (!isStandardEcuType(EcuTyp)) {
        LetzterFehlercode = KELT_ERR_NOT_SUPPORTED;
        return 0;
    }
    LocalIdRecord record{};
    if (int32_t code = ReadLocalIdRecord(kLocalIdCalibrationType, record); code != 0)
        return report(code);
    type = (record[0] & 0x40) ? 1 : 0;
    return report(0);
}

int KELTInterface::ReadLevelSensors(std::array<std::string, 5>& texts) {
    if (demo()) {
        texts[0] = "100";
        texts[3] = "102";
        texts[4] = "101";
        return 0;
    }
    if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    // The texts change only when both replies came: a failure leaves the caller's texts whole.
    EcuMessage front = EcuMessage::request({kServiceFrontLevel});
    if (int32_t code = exchange(front, 4); code != 0) return report(code);
    EcuMessage rear = EcuMessage::request({kServiceRearLevels});
    if (int32_t code = exchange(rear, 4); code != 0) return report(code);
    texts[0] = numbers::formatInt(front[3]);
    texts[3] = numbers::formatInt(rear[2]);
    texts[4] = numbers::formatInt(rear[3]);
    return report(0);
}

// --- pressure and tilt sensors ----------------------------------------------------------------

int KELTInterface::limitedRead(LimitedRead& read, uint8_t service, std::array<uint8_t, 2>& value) {
    const uint64_t now = clock_->nowMs();
    if (read.sentAtMs && now <= *read.sentAtMs + kSensorReadIntervalMs) {
        value = read.lastValue;
        return 0;
    }
    read.sentAtMs = now;
    EcuMessage message = EcuMessage::request({service});
    if (int32_t code = exchange(message, 4); code != 0) {
        // A repeat asks the ECU again rather than taking an old value for the new one.
        read.sentAtMs.reset();
        return report(code);
    }
    read.lastValue = {message[2], message[3]};
    value = read.lastValue;
    return report(0);
}

int KELTInterface::ReadPressure(uint16_t& pressure) {
    if (demo()) {
        pressure = kDemoPressure;
        return 0;
    }
    if (!isPressureEcuType(EcuTyp)) {
        pressure = 0;
        return 0;
    }
    std::array<uint8_t, 2> value{};
    const int answer = limitedRead(pressureRead_, kServicePressure, value);
    if (answer == 0) pressure = value[0];
    return answer;
}

int KELTInterface::ReadTiltSensors(TiltValues& values) {
    if (demo()) {
        values = kDemoTiltValues;
        return 0;
    }
    if (!isTiltEcuType(EcuTyp)) {
        values = {};
        return 0;
    }
    std::array<uint8_t, 2> value{};
    const int answer = limitedRead(tiltRead_, kServiceTilt, value);
    if (answer == 0) values = {value[0], value[1]};
    return answer;
}

int KELTInterface::ReadPressureOffset(uint16_t& offset) {
    if (demo()) {
        offset = kDemoPressureOffset;
        return 0;
    }
    if (!isPressureEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    LocalIdRecord record{};
    if (int32_t code = ReadLocalIdRecord(kLocalIdPressureOffset, record); code != 0)
        return report(code);
    offset = record[1];
    return report(0);
}

int KELTInterface::WritePressureOffset(uint8_t offset) {
    if (demo()) return 0;
    if (!isPressureEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    return report(whileBusy([&] {
        std::array<uint8_t, 6> block = {0, offset, 0, 0, 0, 0};
        block[0] = checkByteOf(std::span(block).subspan(1));
        uint16_t position = 0;
        for (uint8_t id = 0xCD; id <= 0xCF; ++id)
            if (int32_t code = WriteLocalId(id, 2, position, block); code != 0) return code;
        return sendService(kServiceStore);
    }));
}

int KELTInterface::CalibratePressureZero() {
    if (demo()) return 0;
    if (!isPressureEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    if (int32_t code = sendService(kServicePressureZero); code != 0) return report(code);
    if (int32_t code = sendService(kServiceStore); code != 0) return report(code);
    showCalibrationSaved(attr_.Anwendungstitel);
    return report(0);
}

int KELTInterface::WriteTiltValues(const TiltValues& values) {
    if (demo()) return 0;
    if (!isTiltEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    if (!tiltSave_) {
        TiltSave before;
        if (int32_t code = ReadLocalIdRecord(kParameterCheckId, before.d0); code != 0)
            return report(code);
        if (int32_t code = readLocalIdRecords({kLocalIdTiltArrested, kLocalIdTilt}, before.e8e9);
            code != 0)
            return report(code);
        tiltSave_ = before;
    }
    // The check byte moves by what the two bytes move from the values read before the first
    // write: a repeat after a partial write must not take its own new bytes for the old ones.
    const TiltSave& before = *tiltSave_;
    std::array<uint8_t, 4> e8e9 = before.e8e9;
    e8e9[1] = static_cast<uint8_t>(values.TiltArrested);
    e8e9[2] = static_cast<uint8_t>(values.Tilt);
    const LocalIdRecord d0 = {
        checkByteAfterChange(before.d0[0], std::array{before.e8e9[1], before.e8e9[2]},
                             std::array{e8e9[1], e8e9[2]}),
        before.d0[1]};
    uint16_t position = 0;
    for (uint8_t id : {kLocalIdTiltArrested, kLocalIdTilt})
        if (int32_t code = WriteLocalId(id, 2, position, e8e9); code != 0) return report(code);
    if (int32_t code = WriteLocalIdRecord(kParameterCheckId, d0); code != 0)
        return report(code);
    tiltSave_.reset();

    if (int32_t code = sendService(kServiceStore); code != 0) return report(code);
    showCalibrationSaved(attr_.Anwendungstitel);
    return report(0);
}

std::string KELTInterface::LevelUnitText() const { return kUnitCounts; }

std::string KELTInterface::PressureUnitText() const { return kUnitCounts; }

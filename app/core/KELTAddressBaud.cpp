// The ECU's diagnosis address (local id 0xD0) and its baud code (0xAF).
#include "AddressAndBaud.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "StringTable.h"

namespace {

constexpr int kNotStoredText = 20101;

}  // namespace

int KELTInterface::readSetting(uint8_t id, bool served, uint8_t& value) {
    // Outside its types the operation only answers for what went before.
    if (!served) return report(LetzterFehlercode);
    LocalIdRecord record{};
    if (int32_t code = ReadLocalIdRecord(id, record)) return report(code);
    value = record[1];
    return report(0);
}

int KELTInterface::writeSetting(uint8_t id, const LocalIdRecord& record, bool wholeRecord,
                                bool& stored) {
    stored = false;
    if (int32_t code = WriteLocalIdRecord(id, record)) return report(code);
    LocalIdRecord readBack{};
    if (int32_t code = ReadLocalIdRecord(id, readBack)) return report(code);
    stored = wholeRecord ? readBack == record : readBack[1] == record[1];
    // The ECU acknowledged a write it did not keep: the caller must not report success.
    if (!stored) MsgBox(LoadStr(kNotStoredText), attr_.Anwendungstitel, MB_ICONWARNING | MB_OK);
    return report(0);
}

int KELTInterface::ReadEcuAddress(uint8_t& address) {
    if (demo()) {
        address = kDemoEcuAddress;
        return 0;
    }
    return readSetting(kEcuAddressId, isStandardEcuType(EcuTyp), address);
}

int KELTInterface::WriteEcuAddress(uint8_t address, bool& stored) {
    stored = demo();
    if (demo()) return 0;
    if (!isStandardEcuType(EcuTyp)) return report(LetzterFehlercode);
    LocalIdRecord now{};
    // A record that cannot be read leaves nothing to compute the companion byte from.
    if (int32_t code = ReadLocalIdRecord(kEcuAddressId, now)) return report(code);
    const LocalIdRecord record = {static_cast<uint8_t>(now[0] - now[1] + address), address};
    return writeSetting(kEcuAddressId, record, true, stored);
}

int KELTInterface::ReadBaudCode(uint8_t& code) {
    if (demo()) {
        code = kDemoBaudCode;
        return 0;
    }
    return readSetting(kBaudCodeId, isStandardEcuType(EcuTyp) && hasBaudCode(EcuTyp), code);
}

int KELTInterface::WriteBaudCode(uint8_t code, bool& stored) {
    stored = demo();
    if (demo()) return 0;
    if (!isStandardEcuType(EcuTyp) || !hasBaudCode(EcuTyp)) return report(LetzterFehlercode);
    return writeSetting(kBaudCodeId, {static_cast<uint8_t>(code + 1), code}, false, stored);
}

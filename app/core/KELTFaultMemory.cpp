// The fault-memory operations of the ECU layer: reading and decoding the status bytes, clearing,
// and the new ECU session that follows a clear.
#include <algorithm>
#include <stdexcept>

#include "DiagDr32.h"
#include "KELTInterface.h"

namespace {

constexpr uint8_t kServiceReadFaults = 0x11;
constexpr uint8_t kServiceClearFaults = 0x10;
// Header, service byte, then the status bytes.
constexpr uint16_t kFaultReplyLength = 2 + kFaultStatusBytes;

}  // namespace

int KELTInterface::ReadFaultMemory(FaultEntryTable& entries) {
    for (FehlerEintrag& entry : entries) {
        entry.Status = 0;
        entry.Zaehler = 255;
    }
    if (demo()) {
        auto demoEntry = [](FehlerEintrag& e, int32_t mode, int32_t status) {
            e.KomponentenCode = 50;
            e.FehlerartCode = mode;
            e.Prioritaet = 5;
            e.Status = status;
            e.Zaehler = 17;
            e.Timer = 0;
            e.ZaehlerArt = 0;
        };
        demoEntry(entries[0], 41, 1);
        demoEntry(entries[1], 92, 0);
        return 0;
    }

    {
        BusyCursorScope busy(busyCursor_);
        if (!isStandardEcuType(EcuTyp)) {
            LetzterFehlercode = KELT_ERR_NOT_SUPPORTED;
        } else {
            EcuMessage message = EcuMessage::request({kServiceReadFaults});
            // A reply without all 40 status bytes would read as "no faults"; it is an error instead.
            if (exchange(message, kFaultReplyLength) == 0) {
                FaultStatusBytes status{};
                std::copy_n(message.bytes.begin() + 2, kFaultStatusBytes, status.begin());
                DecodeFaultMemory(status, entries);
            }
        }
    }
    return report(LetzterFehlercode);
}

void KELTInterface::DecodeFaultMemory(const FaultStatusBytes& status,
                                      FaultEntryTable& entries) const {
    FaultDecodingTable table;
    ClearFaultTable(table);
    if (isStandardEcuType(EcuTyp)) table = keltFaultDecodingTable();
    ApplyFaultTable(table, status, entries, 1);
}

int KELTInterface::UpdateCurrentFault() {
    if (demo()) {
        CurrentComponent = 50;
        CurrentMode = 41;
        return 0;
    }
    CurrentComponent = kNoCurrentComponent;
    CurrentMode = 0;
    if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);

    FaultEntryTable entries{};
    const int answer = ReadFaultMemory(entries);
    if (answer != GiveUp) {
        for (const FehlerEintrag& entry : entries) {
            if (entry.Status == 0) continue;
            CurrentComponent = static_cast<uint16_t>(entry.KomponentenCode);
            CurrentMode = static_cast<uint16_t>(entry.FehlerartCode);
            break;
        }
    }
    return answer;
}

int KELTInterface::ClearFaultMemory() {
    if (demo()) return 0;
    if (!isStandardEcuType(EcuTyp)) return report(KELT_ERR_NOT_SUPPORTED);
    EcuMessage message = EcuMessage::request({kServiceClearFaults});
    if (int32_t code = SendRequest(message); code != 0) return report(code);
    return RestartEcuSession();
}

int KELTInterface::RestartEcuSession() {
    if (!waitDialog_ || !opener_)
        throw std::logic_error("RestartEcuSession: no wait dialog or interface opener set");
    if (demo()) {
        waitDialog_->Execute(kRestartWaitMs);
        return 0;
    }
    int answer = UpdateCurrentFault();
    if (answer != 0) return answer;

    {
        BusyCursorScope busy(busyCursor_);
        answer = DisconnectEcu();
        if (answer != 0) return answer;
        waitDialog_->Execute(kRestartWaitMs);
        if (!opener_->InitDiagnosticInterface()) return GiveUp;
        answer = repeatWhileAsked([this] {
            const ConnectResult result = ConnectEcu();
            // A failed start of communication has not been shown yet; every other failure has.
            return result.startFailure != 0 ? errors_.FehlerAnzeigen(result.startFailure) : result.answer;
        });
        if (answer != 0) return answer;
    }
    return UpdateCurrentFault();
}

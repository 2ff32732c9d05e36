#include "ParameterTransfer.h"

#include "ErrorReporter.h"

namespace {

void clearDiagnoseAktiv(const structParameter& record) {
    if (record.pDiagnoseAktiv) *record.pDiagnoseAktiv = 0;
}

}  // namespace

ParameterReadOutcome readParameterBlockFor(const structParameter& record, std::size_t expectedBytes) {
    std::vector<uint8_t> buffer(kParameterBufferSize);
    uint16_t count = 0;
    const int answer = repeatWhileAsked([&] {
        count = 0;
        return record.ParameterLesen(count, buffer);
    });
    ParameterReadOutcome outcome;
    if (answer != NoErrorShown)
        outcome.messageId = kReadFailedText;
    else if (count != expectedBytes)
        outcome.messageId = kLengthMismatchText;
    if (!outcome.read()) {
        clearDiagnoseAktiv(record);
        return outcome;
    }
    buffer.resize(count);
    outcome.block = std::move(buffer);
    return outcome;
}

int writeParameterBlockFor(const structParameter& record, std::span<const uint8_t> block,
                           const std::function<int()>& clearFaultMemory) {
    const auto count = static_cast<uint16_t>(block.size());
    if (repeatWhileAsked([&] { return record.ParameterSchreiben(count, block); }) != NoErrorShown)
        return kWriteFailedText;
    // A give-up ends the connection as every give-up does; the parameters are written all the same.
    if (repeatWhileAsked(clearFaultMemory) != NoErrorShown) clearDiagnoseAktiv(record);
    return kWrittenText;
}

#pragma once
// The parameter editor's transfers with the ECU, without windows: reading the block for the
// description's rows and writing the packed block back. The editor shows the popup, the
// hourglass and the message these answer with.
//
// Every transfer follows the retry protocol: the callbacks have shown their error dialog already;
// its answer 1 repeats the transfer at once, only 2 (give up) ends it as a failure.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "ParameterBlock.h"

// String-table ids of the transfers' messages.
inline constexpr int kReadFailedText = 11647;      // "Error when reading from the ECU"
inline constexpr int kLengthMismatchText = 11651;  // "Number of ECU parameters does not match ..."
inline constexpr int kWriteFailedText = 11652;     // "Parameters could not be written ..."
inline constexpr int kWrittenText = 11653;         // "Parameters have been written to the ECU!"

struct ParameterReadOutcome {
    int messageId = 0;           // 0 read; else kReadFailedText or kLengthMismatchText
    std::vector<uint8_t> block;  // the block read, when read
    bool read() const { return messageId == 0; }
};

// Reads through the record's ParameterLesen into a buffer of kParameterBufferSize bytes. A failed
// read or a block whose length is not expectedBytes clears *pDiagnoseAktiv (the main window then
// shows the connection as lost).
ParameterReadOutcome readParameterBlockFor(const structParameter& record, std::size_t expectedBytes);

// Writes the block through the record's ParameterSchreiben. Written: the ECU's fault memory is
// cleared (clearFaultMemory answers as the layer does; a give-up there clears *pDiagnoseAktiv)
// and the answer is kWrittenText; else kWriteFailedText.
int writeParameterBlockFor(const structParameter& record, std::span<const uint8_t> block,
                           const std::function<int()>& clearFaultMemory);

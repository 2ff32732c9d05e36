#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "SystemErrorText.h"

namespace {

struct Known {
    uint32_t code;
    const char* text;
};

// What a user of a serial port, a USB interface or a data file gets to read.
const Known kKnown[] = {
    {0, "The operation completed successfully."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {21, "The device is not ready."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {121, "The semaphore timeout period has expired."},
    {433, "A device which does not exist was specified."},
    {995,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request."},
    {1117, "The request could not be performed because of an I/O device error."},
    {1121,
     "A serial I/O operation completed because the timeout period expired.\n(The "
     "IOCTL_SERIAL_XOFF_COUNTER did not reach zero.)"},
    {1167, "The device is not connected."},
    {1460, "This operation returned because the timeout period expired."},
    {1784, "The supplied user buffer is not valid for the requested operation."},
};

TEST(SystemErrorText, KnownCodesGiveTheSystemMessage) {
    for (const auto& k : kKnown) {
        SCOPED_TRACE(k.code);
        EXPECT_EQ(SystemErrorText(k.code), k.text);
        auto message = systemErrorMessage(k.code);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(*message, k.text);
    }
}

TEST(SystemErrorText, CodesWithoutAMessageGiveQuestionMarks) {
    // Gaps between known numbers, numbers past the table, and codes of the program's own range
    // that do not belong to the driver.
    for (uint32_t code : {7u, 9u, 35u, 1000u, 1116u, 1785u, 65535u, 0x10008002u, 0x1fffffffu,
                          0x40000000u, 0xffffffffu}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(SystemErrorText(code), "???");
        EXPECT_FALSE(systemErrorMessage(code).has_value());
    }
}

TEST(SystemErrorText, EveryNamedErrorHasAMessage) {
    const WindowsError named[] = {
        kErrorSuccess,         kErrorFileNotFound,     kErrorPathNotFound,   kErrorAccessDenied,
        kErrorInvalidHandle,   kErrorNotEnoughMemory,  kErrorBadUnit,        kErrorNotReady,
        kErrorWriteFault,      kErrorReadFault,        kErrorGenFailure,     kErrorSharingViolation,
        kErrorNotSupported,    kErrorInvalidParameter, kErrorOpenFailed,     kErrorDiskFull,
        kErrorSemTimeout,      kErrorModNotFound,      kErrorProcNotFound,   kErrorBusy,
        kErrorNoSuchDevice,    kErrorOperationAborted, kErrorIoDevice,       kErrorCounterTimeout,
        kErrorDeviceNotConnected, kErrorTimeout,       kErrorDeviceRemoved,
    };
    for (WindowsError code : named) {
        SCOPED_TRACE(static_cast<uint32_t>(code));
        auto message = systemErrorMessage(code);
        ASSERT_TRUE(message.has_value());
        EXPECT_FALSE(message->empty());
        EXPECT_NE(SystemErrorText(code), "???");
    }
}

}  // namespace

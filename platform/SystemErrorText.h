#pragma once
// Texts of the Windows error numbers the program can meet (file, device, serial and USB errors),
// as the Windows system message table gives them in English. An error code that is not a
// diagnostic-driver code is shown with this text; a number the table does not know is shown
// as "???", the text for an error the system has no message for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Windows error numbers the platform layers report (names as in the Windows headers).
enum WindowsError : uint32_t {
    kErrorSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    kErrorNotEnoughMemory = 8,
    kErrorBadUnit = 20,
    kErrorNotReady = 21,
    kErrorWriteFault = 29,
    kErrorReadFault = 30,
    kErrorGenFailure = 31,
    kErrorSharingViolation = 32,
    kErrorNotSupported = 50,
    kErrorInvalidParameter = 87,
    kErrorOpenFailed = 110,
    kErrorDiskFull = 112,
    kErrorSemTimeout = 121,
    kErrorModNotFound = 126,
    kErrorProcNotFound = 127,
    kErrorBusy = 170,
    kErrorNoSuchDevice = 433,
    kErrorOperationAborted = 995,
    kErrorIoDevice = 1117,
    kErrorCounterTimeout = 1121,
    kErrorDeviceNotConnected = 1167,
    kErrorTimeout = 1460,
    kErrorDeviceRemoved = 1617,
};

// The system's message for a Windows error number; nothing when it has none.
std::optional<std::string_view> systemErrorMessage(uint32_t code);

// The text shown for a Windows error number: the system's message, or "???".
std::string SystemErrorText(uint32_t code);

#include "SystemErrorText.h"

#include <algorithm>
#include <iterator>

namespace {

struct Message {
    uint32_t code;
    std::string_view text;
};

// Sorted by code. Two-line system messages keep their line break.
constexpr Message kMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {12, "The access code is invalid."},
    {13, "The data is invalid."},
    {14, "Not enough memory resources are available to complete this operation."},
    {15, "The system cannot find the drive specified."},
    {19, "The media is write protected."},
    {20, "The system cannot find the device specified."},
    {21, "The device is not ready."},
    {22, "The device does not recognize the command."},
    {23, "Data error (cyclic redundancy check)."},
    {24, "The program issued a command but the command length is incorrect."},
    {25, "The drive cannot locate a specific area or track on the disk."},
    {29, "The system cannot write to the specified device."},
    {30, "The system cannot read from the specified device."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33,
     "The process cannot access the file because another process has locked a portion of the "
     "file."},
    {38, "Reached the end of the file."},
    {39, "The disk is full."},
    {50, "The request is not supported."},
    {53, "The network path was not found."},
    {55, "The specified network resource or device is no longer available."},
    {64, "The specified network name is no longer available."},
    {67, "The network name cannot be found."},
    {80, "The file exists."},
    {82, "The directory or file cannot be created."},
    {87, "The parameter is incorrect."},
    {109, "The pipe has been ended."},
    {110, "The system cannot open the device or file specified."},
    {111, "The file name is too long."},
    {112, "There is not enough space on the disk."},
    {117, "The IOCTL call made by the application program is not correct."},
    {120, "This function is not supported on this system."},
    {121, "The semaphore timeout period has expired."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {126, "The specified module could not be found."},
    {127, "The specified procedure could not be found."},
    {145, "The directory is not empty."},
    {148, "The path specified cannot be used at this time."},
    {161, "The specified path is invalid."},
    {170, "The requested resource is in use."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {223, "The file size exceeds the limit allowed and cannot be saved."},
    {232, "The pipe is being closed."},
    {234, "More data is available."},
    {258, "The wait operation timed out."},
    {259, "No more data is available."},
    {267, "The directory name is invalid."},
    {433, "A device which does not exist was specified."},
    {995,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request."},
    {996, "Overlapped I/O event is not in a signaled state."},
    {997, "Overlapped I/O operation is in progress."},
    {998, "Invalid access to memory location."},
    {1006,
     "The volume for a file has been externally altered so that the opened file is no longer "
     "valid."},
    {1110, "The media in the drive may have changed."},
    {1111, "The I/O bus was reset."},
    {1112, "No media in drive."},
    {1114, "A dynamic link library (DLL) initialization routine failed."},
    {1117, "The request could not be performed because of an I/O device error."},
    {1118, "No serial device was successfully initialized. The serial driver will unload."},
    {1119,
     "Unable to open a device that was sharing an interrupt request (IRQ) with other devices. At "
     "least one other device that uses that IRQ was already opened."},
    {1120,
     "A serial I/O operation was completed by another write to the serial port.\n(The "
     "IOCTL_SERIAL_XOFF_COUNTER reached zero.)"},
    {1121,
     "A serial I/O operation completed because the timeout period expired.\n(The "
     "IOCTL_SERIAL_XOFF_COUNTER did not reach zero.)"},
    {1157, "One of the library files needed to run this application cannot be found."},
    {1164, "The indicated device requires reinitialization due to hardware errors."},
    {1167, "The device is not connected."},
    {1168, "Element not found."},
    {1200, "The specified device name is invalid."},
    {1223, "The operation was canceled by the user."},
    {1235, "The request was aborted."},
    {1237, "The operation could not be completed. A retry should be performed."},
    {1450, "Insufficient system resources exist to complete the requested service."},
    {1460, "This operation returned because the timeout period expired."},
    {1617, "The device has been removed."},
    {1784, "The supplied user buffer is not valid for the requested operation."},
};

constexpr bool sortedAndUnique() {
    for (std::size_t i = 1; i < std::size(kMessages); ++i)
        if (kMessages[i - 1].code >= kMessages[i].code) return false;
    return true;
}
static_assert(sortedAndUnique(), "kMessages must be sorted by code, each code once");

}  // namespace

std::optional<std::string_view> systemErrorMessage(uint32_t code) {
    auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), code,
                               [](const Message& m, uint32_t c) { return m.code < c; });
    if (it == std::end(kMessages) || it->code != code) return std::nullopt;
    return it->text;
}

std::string SystemErrorText(uint32_t code) {
    auto message = systemErrorMessage(code);
    return message ? std::string(*message) : std::string("???");
}

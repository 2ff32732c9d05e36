#pragma once
/*
 * The diagnostic interface driver, libdiagdr32.so: the flat exported interface.
 *
 * Status codes. Every function returns a 32-bit status code; 0 is success.
 *   0x20000000 + b   the interface answered with a status frame whose status byte is b
 *                    (0x02 frame error, 0x03 not supported, 0x04 flash write error,
 *                    0x07 parameter out of range, 0x11 faulty function, ...)
 *   0x2001xxxx       a fault of the driver or of the link (DIAG_ERR_... below)
 *   0x2002xxxx       the JED677 layer: an interface status carried over with its tag, or its own code
 *   0x2009xxxx       the SAE J1587 / KWP layer
 *   -1               the serial port does not exist
 *   -2               the serial port is in use
 *   other values     a Windows-style system error code, passed on unchanged
 * Bit 29 marks the driver family; bits 16..19 name the layer (0 interface status, 1 driver and
 * link, 2 JED677, 9 SAE / KWP). The words for the codes belong to the error dialogs.
 *
 * Threading: one connection per process, module-wide state; call from one thread only. Every
 * call blocks until the reply or the time-out.
 *
 * Buffers: a function that fills a caller's buffer never writes past the capacity it is given;
 * a reply that does not fit gives DIAG_ERR_BUFFER_TOO_SMALL.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The library is built with hidden visibility: what stands here is what it exports. */
#pragma GCC visibility push(default)

/* Driver and link codes. */
#define DIAG_OK                       0
#define DIAG_ERR_STATUS_NO_DATA       0x20010001 /* status frame without data: command unknown */
#define DIAG_ERR_NOT_OPEN             0x20010016 /* no port open */
#define DIAG_ERR_NO_MEMORY            0x2001001e /* no memory for a download buffer */
#define DIAG_ERR_BUFFER_TOO_SMALL     0x2001001f /* the caller's buffer is too small for the reply */
#define DIAG_ERR_NO_PROBE_ANSWER      0x20010029 /* the interface on the serial port does not answer */
#define DIAG_ERR_TIMEOUT              0x2001002a /* a read ended with bytes missing */
#define DIAG_ERR_NO_INTERFACE         0x2001002b /* no interface on the serial port */
#define DIAG_ERR_CHECKSUM             0x2001002c /* checksum or length of a reply frame wrong */
#define DIAG_ERR_WRONG_COMMAND        0x2001002d /* reply to another command */
#define DIAG_ERR_BLOCK_START          0x2001002e /* block transfer start not accepted */
#define DIAG_ERR_BLOCK_ACK            0x2001002f /* block not acknowledged */
#define DIAG_ERR_NO_APPLICATION       0x20010033 /* no interface application file */
#define DIAG_ERR_BAD_APPLICATION      0x20010034 /* application file malformed */
#define DIAG_ERR_USB_SHORT_WRITE      0x2001003d /* a write did not write the whole frame */
#define DIAG_ERR_USB_LIBRARY          0x20010040 /* the USB library or an entry point is missing */
#define DIAG_ERR_USB_UNAVAILABLE      0x20010041 /* the system offers no USB */
#define DIAG_ERR_REQUEST_TOO_LONG     0x20010042 /* the request does not fit the frame or block layout */
#define DIAG_ERR_PORT_NO_PERMISSION   0x20010043 /* no permission to open the serial port (dialout group) */
#define DIAG_ERR_BAD_REPLY            0x20010044 /* a reply too short or malformed for what it must carry */

#define DIAG_STATUS_FRAME             0x20000000 /* + the interface's status byte */
#define DIAG_TAG_JED677               0x20020000
#define DIAG_TAG_SAE                  0x20090100

#define DIAG_TRACE_BYTES 20
#define DIAG_FUNCTION_TEXT 255

/* The last request or reply as the error dialogs show it: a count (0..20) and the first bytes. */
#pragma pack(push, 1)
typedef struct DiagTrace {
    uint16_t count;
    uint8_t bytes[DIAG_TRACE_BYTES];
} DiagTrace;

typedef struct CanObjEntry {
    uint32_t identifier;
    uint32_t flags;
} CanObjEntry;
#pragma pack(pop)

/* The trace of the last request and of the last reply frame read while collecting a reply. */
extern DiagTrace _msgRequest;
extern DiagTrace _msgResponse;
/* A function text for the error dialogs; the driver exports it and never writes it. */
extern char _cFunction[DIAG_FUNCTION_TEXT];
/* Exported for programs that import it; nothing in the driver reads or writes it. */
extern CanObjEntry _CANObj[15];

/* Sends a request and collects the reply.
 * command: in the request command, out the reply's command (0 for a status frame with data).
 * length:  in the request data length, out the reply data length.
 * data:    in the request data, out the reply data; treated as DIAG_MAX_FRAME_DATA bytes of room.
 * noBlock: 1 never uses a block transfer. reserved: not used. mode: 2 collects a multi-frame reply
 * until a frame [0x00], anything else takes one reply. */
int32_t PCRequest(uint16_t* command, uint16_t* length, uint8_t* data, uint8_t noBlock,
                  uint32_t reserved, uint8_t mode);
/* PCRequest with the room of data stated by the caller. */
int32_t PCRequestBuf(uint16_t* command, uint16_t* length, uint8_t* data, uint32_t capacity,
                     uint8_t noBlock, uint32_t reserved, uint8_t mode);
/* Reads one reply frame; command in: the expected command, out: the reply's; the data are moved
 * to the start of buffer, which is treated as DIAG_MAX_FRAME_DATA bytes of room. */
int32_t PCResponse(uint16_t* command, uint16_t* length, uint8_t* buffer);

#define DIAG_MAX_FRAME_DATA 4096

/* The layer tag rule: the code unchanged when 0, outside the driver family, a 0x2001xxxx code or
 * with a low byte below 0x0C; otherwise code | tag. */
int32_t SetErrorBit(int32_t code, int32_t tag);
/* Windows error 2 gives -1, 5 gives -2, 1121 gives DIAG_ERR_TIMEOUT; others pass unchanged. */
int32_t MapWin32Error(int32_t code);

/* --- the connection --------------------------------------------------------------------
 * One connection per process. Port names: "COM1".."COM32" (serial, generation 1; see the README
 * for how they map to devices), "USBn" (the n-th device of the USB scan), "Diagnostic Interface..."
 * and "Diagnostic-Interface-2..." (a USB device by name). */

/* Opens the connection; a second call with the same name keeps it, another name closes the
 * old connection first. -1 / -2 / DIAG_ERR_PORT_NO_PERMISSION for a serial port that is missing,
 * in use or not permitted; DIAG_ERR_NO_INTERFACE (also for a device without modem lines, which
 * is no serial port an interface can sit on), DIAG_ERR_NO_PROBE_ANSWER; DIAG_ERR_USB_LIBRARY
 * or the USB library's own code. */
int32_t OpenDiagDriver(const char* portName);
/* mode 1 leaves the interface idle before closing, 2 closes without sending anything. */
int32_t CloseDiagDriver(uint8_t mode);
/* Starts the interface application (selector 3 JED677, 4 SAE) or returns to the basic firmware.
 * A generation-2 interface restarts on the change; the driver reopens it after 5 s. */
int32_t AppStart(uint8_t selector);
int32_t BiosStart(void);
/* Changes the baud rate of a serial interface (nothing happens on other links). */
int32_t SetBaudrate(uint32_t baud, uint8_t parameter);
uint32_t GetBaudrate(void);
/* A non-zero *pcBlockSize replaces the PC's block size, which comes back in it; the interface's
 * answer to *interfaceBlockSize comes back in it (128 when it does not answer). Returns 0. */
int32_t SetTransferblockSize(uint16_t* pcBlockSize, uint16_t* interfaceBlockSize);
/* Swaps the serial read time-out constant (ms) with *timeout. Returns 0. */
int32_t SetComTimeout(uint32_t* timeout);
/* Serial: as SetComTimeout. USB: sets the library's request time-out; its result comes back in
 * *timeout. Returns 0. */
int32_t SetResponseTimeout(uint32_t* timeout);
/* The interface's basic-firmware and application version texts, zero-terminated; zero-filled
 * on failure; DIAG_ERR_BUFFER_TOO_SMALL when the text and its zero do not fit. */
int32_t BIOSVersion(char* buffer, uint32_t size);
int32_t AppVersion(char* buffer, uint32_t size);
/* "DiagLib V3.41" and "DiagDr32 V2.85", cut to size - 1 characters. Return 0. */
int32_t DiagLibVersion(char* buffer, uint32_t size);
int32_t DiagDriverVersion(char* buffer, uint32_t size);
const char* Diagdr32DiagDriverVer(void);
/* Fills a USB scan list (USB_SCAN_LIST_SIZE bytes, see UsbLibrary.h); count at most 10. */
int32_t ScanUsbInterfaces(uint8_t* scanList);
/* The USB library's version text; 0, or DIAG_ERR_USB_LIBRARY when it cannot be loaded. */
int32_t GetUsbDllVersion(char* buffer, uint32_t size);
/* The interface's debug service: sub-functions 1 and 2 switch (value != 0), 3 sends value,
 * 4 sets value to 1 when the interface reports any debug flag, else 0. */
int32_t DebugTest(uint8_t subFunction, uint32_t* value);

/* --- the interface application -----------------------------------------------------------
 * "*.app" files: an INI header (section "Diagnostic Interface Application", keys "Version",
 * "Checksum", "EndAddress"), the line "[Data]", then Intel HEX records (generation 1) or Motorola
 * S-records (generation 2). A generation-2 ".MHX" file holds S-records only. Every record's
 * byte count and checksum must be right. S-records are S0, S2 (data within the first 64 KiB
 * from the base), S3 (the first sets the base) and S7/S8 (end). Names and extensions match in
 * any case; lines may end in CRLF or LF. The driver carries no built-in interface application
 * of its own. */

/* Finds the newest application whose version begins with prefix among the interface's own (not
 * with fileOnly 1), the "*.app" files in folder and a built-in image, and brings the interface to
 * it. *flag 0 only asks: set to 1 when a download is due; non-zero performs it. compare 1 flashes
 * only something newer than the interface holds; 0 flashes the built-in image. With fileOnly 1 the
 * best of the files and the built-in image is flashed whenever it differs from the interface's.
 * DIAG_ERR_NO_APPLICATION when there is no candidate at all. */
int32_t Download(const char* folder, const char* prefix, uint8_t* flag, uint8_t compare,
                 uint8_t fileOnly);
/* Flashes the interface from an application file. DIAG_ERR_NO_APPLICATION: missing file or (not
 * generation 1) an extension other than ".app"/".MHX"; DIAG_ERR_BAD_APPLICATION: malformed
 * records, a record's count or checksum wrong, the header's checksum or end address wrong, data
 * outside the image; the interface is left as it
 * was in both cases. */
int32_t AppDownload(const char* path);
/* Flashes the interface from memory (loadAddress: generation 2 only). An empty image gives
 * DIAG_ERR_NO_APPLICATION; one too large for the interface DIAG_ERR_BAD_APPLICATION. */
int32_t AppDownloadFromBuf(const uint8_t* image, uint32_t length, uint32_t loadAddress);
/* The path of the application file whose reading stopped the last Download or AppDownload
 * (DIAG_ERR_NO_APPLICATION, DIAG_ERR_BAD_APPLICATION), so a message can name it; "" when that
 * call read its file or read none. Cut to size - 1 bytes and NUL-terminated; returns 0. */
int32_t UnreadableApplicationFile(char* buffer, uint32_t size);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif

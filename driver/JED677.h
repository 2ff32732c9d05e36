#pragma once
/*
 * The JED677 layer of libdiagdr32.so: the program's way to the ECU. It opens the interface with
 * its JED677 application (downloading a newer one from "*.app" files when there is one),
 * configures and starts the ECU communication, carries JED677 messages to the ECU and back and
 * reads the ECU identification.
 *
 * Every result passes through the layer tag rule (SetErrorBit with DIAG_TAG_JED677): interface
 * status codes of 0x0C and above come back as 0x200200xx, driver codes 0x2001xxxx and the low
 * status codes unchanged. Status codes are documented in DiagDr32.h.
 *
 * A JED677 message starts with a header byte: bit 7 clear, the message is that one byte; bit 7
 * set, the low 7 bits count the bytes that follow. A reply whose first byte is 0x05 is a
 * negative answer.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The library is built with hidden visibility: what stands here is what it exports. */
#pragma GCC visibility push(default)

#define JED677_NEGATIVE_ANSWER 0x20020500 /* the ECU answered the message negatively */

#define JED677_IDENT_PART_NUMBER 20
#define JED677_IDENT_FURTHER 256

/* The ECU identification from the replies to the messages [0x02] and [0x08]. Texts are
 * zero-terminated. The part number and the further identification have room for every value
 * the ECU can send.
 *
 * Layout: the part number is 20 bytes wide, not 14 as in the interface's first layout (its
 * longest text, "xxx 1023 1023 15", did not fit), so every later field sits 6 bytes further
 * on: identification7 at offset 26, production at 27, identification10 at 37,
 * identification11 at 38, furtherIdentification at 39. A caller built for the 14-byte layout
 * must be rebuilt with this header. */
#pragma pack(push, 1)
typedef struct JED677IdentData {
    char diagnosticIdentifier[6];               /* reply bytes 2 and 3 as "%2X %2X" */
    char partNumber[JED677_IDENT_PART_NUMBER];  /* prefix, then " %03d %03d %01d" */
    uint8_t identification7;                    /* reply byte 7 */
    char production[10];                        /* "%2d / %4d": week and year */
    uint8_t identification10;                   /* reply byte 10 */
    uint8_t identification11;                   /* reply byte 11 */
    char furtherIdentification[JED677_IDENT_FURTHER]; /* reply bytes 12 to the end */
} JED677IdentData;
#pragma pack(pop)

/* Opens the interface on the port, brings its application up to date from the "*.app" files in
 * folder (compare 1: only when a newer one exists) and starts the JED677 application. */
int32_t JED677OpenDiagDriver(const char* portName, const char* folder, uint8_t compare);
/* Opens and checks whether a download is due (*flag 0 in: set to 1 when due), or performs it
 * (*flag non-zero); closes again after success. */
int32_t JED677CheckIfDownload(const char* portName, const char* folder, uint8_t* flag,
                              uint8_t compare);
int32_t JED677CloseDiagDriver(void);
/* The interface application's version text (zero-terminated). */
int32_t JED677AppVersion(char* buffer, uint32_t size);
/* Starts the communication with the ECU at ecuAddress. *baud = 10000000 / the interface's
 * divisor; *word = the second reply word. `unused` is not used (callers pass 255). */
int32_t JED677StartCommunication(uint32_t unused, uint8_t ecuAddress, uint16_t* baud,
                                 uint16_t* word);
int32_t JED677StopCommunication(void);
/* Sends the message in `message` (length from its header byte); the reply replaces it and
 * *length gets the reply's length from its header byte. The buffer is taken to hold
 * JED677_MAX_MESSAGE bytes; JED677SendDataBuf states its room. JED677_NEGATIVE_ANSWER for a
 * reply starting with 0x05. */
#define JED677_MAX_MESSAGE 129
int32_t JED677SendData(uint16_t* length, uint8_t* message);
int32_t JED677SendDataBuf(uint16_t* length, uint8_t* message, uint32_t capacity);
int32_t JED677BIOSStart(void);
int32_t JED677Config(uint16_t value1, uint16_t value2, uint16_t value3);
/* Reply data of the free-running request into buffer (room DIAG_MAX_FRAME_DATA bytes). */
int32_t JED677FreeRunning(uint16_t* length, uint8_t* buffer);
int32_t JED677ReizImpuls(uint16_t value, uint8_t byte);
/* Reads the identification; words get reply bytes 2..5 of [0x08] (four zeros when the ECU
 * answers that message negatively). */
int32_t JED677Ident(JED677IdentData* ident, int32_t words[4]);
/* "JED677 V3.22" */
const char* JED677DiagDriverVer(void);
/* The interface application versions this layer knows: "JED-677 V2.04/DI2_DiagApp_V1.06   " */
const char* JED677AppVer(void);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif

#pragma once
/*
 * The SAE J1587 / KWP layer of libdiagdr32.so, for other programs (this program does not use it).
 * It runs the interface's SAE application, which sends and receives SAE J1587 messages on the
 * J1708 line, or ISO 15765 messages. On the PC side it adds the maker's KWP variant on J1708:
 * three address bytes in front of every message, negative responses with response codes and a
 * tester-present service.
 *
 * Protocol variants: SAE_VARIANT_STANDARD (after opening), SAE_VARIANT_NORVA (the maker's KWP
 * variant, with three 16-bit address words of which the low bytes travel in frames) and
 * SAE_VARIANT_ISO15765.
 *
 * Reply filter: the interface picks the message it hands back by a filter of 8 bytes:
 *   filter word 1 (2 bytes, high first), filter word 2, filter word 3, a flags byte and the
 *   time-out in units of 50 ms (the time-out in milliseconds / 50, at most 255: 12750 ms).
 *   The word 0x0100 matches any value. The flags byte is 16 x n + 1, n being the number of
 *   page-escape bytes 0xFF in front of the message's PID. The interface compares word 1 with the
 *   message's first byte (its MID, or the first address byte), word 2 with the byte after the n
 *   page escapes (the PID) and word 3 with the byte after that.
 *
 * Results. Every call starts from a clear driver status and a clear layer error, so an earlier
 * failure neither blocks a request nor comes back in its place. A failure is recorded as the
 * layer error (SAEJ1587GetErrCode) and returned through the layer tag rule (SetErrorBit with
 * DIAG_TAG_SAE): an interface status of 0x0C and above comes back as 0x200901xx, the layer's own
 * codes of 0x0C and above as 0x200903xx (0x2009020F is returned as 0x2009030F while
 * SAEJ1587GetErrCode gives 0x2009020F), driver codes 0x2001xxxx and low status codes unchanged.
 * The open returns its result untagged. Status codes are documented in DiagDr32.h.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The library is built with hidden visibility: what stands here is what it exports. */
#pragma GCC visibility push(default)

/* Protocol variants (SAEJ1587GetProtocolVariant). */
#define SAE_VARIANT_STANDARD 0x20
#define SAE_VARIANT_NORVA    0x10
#define SAE_VARIANT_ISO15765 0x30

/* The layer's own codes, as SAEJ1587GetErrCode gives them. */
#define SAE_ERR_ARGUMENT        0x2009020A /* an argument out of range */
#define SAE_ERR_SEND_TOO_LONG   0x2009020F /* raw send of more than SAE_MAX_SEND bytes */
#define SAE_ERR_NOT_IN_STANDARD 0x20090217 /* KWP or tester present asked for in the standard variant */
#define SAE_ERR_REPLY_TOO_LONG  0x2009021A /* the reply does not fit the caller's buffer */
#define SAE_ERR_REQUEST_SHORT   0x2009021B /* the request is too short for its header or filter */
#define SAE_ERR_NEGATIVE        0x20090300 /* + response code: a KWP negative response */
#define SAE_ERR_NOT_IN_ISO15765 0x20090701 /* raw send or receive asked for in ISO 15765 */

#define SAE_MAX_SEND 20
/* The longest message a receive hands back; SAEJ1587Receive's buffer holds it and a zero. */
#define SAE_MAX_RECEIVE 255

/* Opens the interface on the port, brings its application up to date from the "*.app" files in
 * folder (versions "SAE1587 V2..." on generation 1, "DI2_DiagApp_V1..." on generation 2;
 * compare 1: only when a newer one exists; fileOnly 1: the interface's own application is no
 * candidate) and starts the SAE application. The variant is standard and the cut-off flag off
 * afterwards. Returns the result untagged; the connection stays open after a failure of the
 * download or the start. */
int32_t SAEJ1587OpenDiagDriver(const char* portName, const char* folder, uint8_t compare,
                               uint8_t fileOnly);
/* Sets the standard variant, then closes the connection leaving the interface idle. */
int32_t SAEJ1587CloseDiagDriver(void);
/* The interface application's version text (zero-terminated). */
int32_t SAEJ1587AppVersion(char* buffer, uint32_t size);

/* Sends a raw message of 1 to SAE_MAX_SEND bytes on the line. SAE_ERR_NOT_IN_ISO15765 in the
 * ISO 15765 variant; SAE_ERR_SEND_TOO_LONG above 20 bytes; SAE_ERR_ARGUMENT for no message. */
int32_t SAEJ1587Send(const uint8_t* message, uint32_t length);
/* Receives the next message of any sender within timeoutMs (all three filter words 0x0100). The
 * message and a terminating zero go to buffer, its length to *length. The buffer is taken to
 * hold SAE_MAX_RECEIVE + 1 bytes; SAEJ1587ReceiveBuf states its room. A message that does not
 * fit with its zero (or is longer than SAE_MAX_RECEIVE) gives SAE_ERR_REPLY_TOO_LONG; on any
 * failure *length is 0, buffer[0] is 0 and nothing else is written. `unused` is not used.
 * SAE_ERR_NOT_IN_ISO15765 in the ISO 15765 variant. */
int32_t SAEJ1587Receive(uint8_t* buffer, uint16_t* length, uint32_t timeoutMs, uint32_t unused);
int32_t SAEJ1587ReceiveBuf(uint8_t* buffer, uint32_t capacity, uint16_t* length,
                           uint32_t timeoutMs, uint32_t unused);
/* The transmit priority, 1 to 8 (SAE_ERR_ARGUMENT otherwise; nothing is sent). */
int32_t SAEJ1587ChangePriority(uint8_t priority);

/* The protocol variants. Standard: cut-off off. Norva: the three address words, cut-off on.
 * ISO 15765: five parameter bytes for the interface, cut-off off. The variant and the cut-off
 * flag change only when the interface took the options. */
int32_t SAEJ1587SetProtocolVariantStandard(void);
int32_t SAEJ1587SetProtocolVariantNorva(uint16_t word1, uint16_t word2, uint16_t word3);
int32_t SAEJ1587SetProtocolVariantIso15765(uint8_t parameter1, uint8_t parameter2,
                                           uint8_t parameter3, uint8_t parameter4,
                                           uint8_t parameter5);
uint8_t SAEJ1587GetProtocolVariant(void);
/* Non-zero: replies are handed back without the request header. Returns 0. */
int32_t SAEJ1587SetCutOffReceivedHeader(uint8_t flag);
/* The layer error of the last call (0 after success); untagged for the layer's own codes. */
int32_t SAEJ1587GetErrCode(void);

/* Sends a request and returns the matching reply (command 0x18), repeating on busy and pending
 * answers.
 *   buffer   in: the request, *length bytes; out: the reply (failure: its first 20 bytes, at most
 *            size, are zeroed).
 *   length   in: the request's length (at most size, else SAE_ERR_ARGUMENT); out: the reply's
 *            length, 0 on failure.
 *   size     the room of buffer; a reply that does not fit gives SAE_ERR_REPLY_TOO_LONG.
 *   timeoutMs  the reply filter's time-out.
 *   source   the expected sender (0x0100: any) for the standard variant's filter.
 *
 * The request as the interface gets it:
 *   ISO 15765: the message unchanged, no filter.
 *   A message whose first two bytes are 0 brings its own filter: the two bytes are dropped and
 *   the rest is [message, filter word 1 (2 bytes), n pairs (x, 0xFF), filter word 2, filter
 *   word 3]. The pairs are counted from the end backwards, from the byte before filter word 2,
 *   for as long as the second byte of a pair is 0xFF; at least 2n + 8 bytes must remain. The
 *   interface gets [header, message, words 1-3, 16 x n + 1, time-out / 50], the header being the
 *   three address bytes in the maker's variant and nothing otherwise.
 *   Maker's variant: [word 1 low, word 2 low, word 3 low, message, 0, word 3 low, 0, word 2 low,
 *   0, word 1 low, 1, time-out / 50]; header length 3.
 *   Standard: the message is [MID, n page escapes 0xFF, PID, data]; header length n + 2; the
 *   filter by PID: 0 [source, 0, requested PID, 1, 0, flags, t] (n + 3 bytes needed); 128 [0,
 *   destination MID, 0, requested PID, 1, 0, flags, t] (n + 4); 195 [0, destination MID, 0, 196,
 *   1, 0, flags, t] (n + 4); any other [source, 0, PID, 1, 0, flags, t] (n + 2); the requested
 *   PID is the byte after the PID, the destination MID the second byte after it.
 *   A request too short for its header or filter: SAE_ERR_REQUEST_SHORT, returned untagged,
 *   nothing sent. Longer than SAE_MAX_REQUEST with header and filter: DIAG_ERR_REQUEST_TOO_LONG.
 *
 * Replies (maker's variant and ISO 15765): the byte after the header 0x7F is a negative answer
 * with the response code two bytes further on. 0x21 (busy): wait 1200 ms and repeat. 0x78
 * (pending): wait for the final reply with command 0x17 (filter [word 3, word 2, word 1], 5000
 * ms; with word 2 0xFE a further pending answer is waited out too). Any other code ends the call
 * with SAE_ERR_NEGATIVE + code. Up to 3 attempts; 5 once the interface answered status 0xA3,
 * after 1200 ms. An exchange the interface refuses with a status frame counts as an attempt; a
 * fault of the link ends the call at once. Still busy after the last attempt: SAE_ERR_NEGATIVE +
 * 0x21. A call waits at most 60 s in all (DIAG_ERR_TIMEOUT). A reply too short for its header
 * or response code: DIAG_ERR_BAD_REPLY. With the cut-off flag the reply comes back without its
 * header. */
#define SAE_MAX_REQUEST 512
int32_t SAEJ1587SendData(uint8_t* buffer, uint16_t* length, uint32_t size, uint32_t timeoutMs,
                         uint16_t source);
/* The KWP communication of the maker's variant: [0x81] then tester present; tester present off
 * then [0x82]. ISO 15765: tester present only. Standard: nothing is sent, 0 is returned and
 * SAE_ERR_NOT_IN_STANDARD left for SAEJ1587GetErrCode. */
int32_t SAEJ1587StartKwpCommunication(void);
int32_t SAEJ1587StopKwpCommunication(void);

/* Tester present on and off. In the standard variant the start sends nothing, returns 0 and
 * leaves SAE_ERR_NOT_IN_STANDARD for SAEJ1587GetErrCode. */
int32_t SAEJ1587StartTesterPresent(void);
int32_t SAEJ1587StopTesterPresent(void);

/* "SaeJ1587 V1.82" */
const char* SAEJ1587DiagDriverVer(void);
/* The interface application versions this layer knows: "SAE1587 V2.03/DI2_DiagApp_V1.06   " */
const char* SAEJ1587AppVer(void);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif

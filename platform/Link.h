#pragma once
// The transport under the driver: a serial port (a byte stream) or the USB library (whole frames).
// The driver talks to the interface only through this, so tests can put a scripted peer or the
// simulator underneath.

#include <cstddef>
#include <cstdint>

class Link {
public:
    virtual ~Link() = default;

    // True when every read delivers exactly one whole frame (USB); false for a byte stream.
    virtual bool isFramed() const = 0;

    // Writes the bytes. Returns 0 or a status code of the driver's scheme; *written gets the
    // number of bytes the transport reports written.
    virtual int32_t write(const uint8_t* data, size_t length, size_t* written) = 0;

    // Byte stream: waits for up to `capacity` bytes within the read time-outs and returns 0 with
    // *got set to what arrived (0 bytes: the time-out passed). Framed: reads one frame into
    // the buffer (at most `capacity` bytes) and sets *got to its length. A failure returns its
    // status code.
    virtual int32_t read(uint8_t* buffer, size_t capacity, size_t* got) = 0;

    // Discards whatever has been received and not yet read (byte streams only).
    virtual void purgeReceive() = 0;
};

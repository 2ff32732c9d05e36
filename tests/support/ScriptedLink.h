#pragma once
// A Link whose far end is a script: what the tests queue is what the driver reads, and every
// write is recorded. Optionally a reaction per written frame stands in for a simple peer.

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "Clock.h"
#include "Link.h"

using Bytes = std::vector<uint8_t>;

// Frames in the two layouts, with their checksum.
Bytes frame8(uint8_t command, const Bytes& data);
Bytes frame16(uint8_t command, const Bytes& data);

class ScriptedLink : public Link {
public:
    // framed: every read delivers one queued frame whole (USB); else a byte stream (serial).
    // Each read that finds nothing to deliver advances the fake clock by `silenceMs`, as a real
    // read would wait out its time-out.
    explicit ScriptedLink(bool framed, FakeClock* clock = nullptr, uint64_t silenceMs = 10000);

    // Byte stream: bytes that become readable (a read may take them in parts); framed: one frame.
    void queue(const Bytes& bytes);
    // Bytes that had arrived before the request: a purge removes them.
    void queueStale(const Bytes& bytes);
    // One read that returns no byte (stream) or no frame.
    void queueSilence();
    // One read that fails with this status code.
    void queueReadError(int32_t status);
    // The next write fails with this status, or reports only `count` bytes written.
    void failNextWrite(int32_t status);
    void shortenNextWrite(size_t count);
    // Called after every write with the bytes written; may queue replies.
    std::function<void(const Bytes& written, ScriptedLink& link)> onWrite;
    // Limits each stream read to this many bytes, to exercise reassembly of a frame.
    size_t maxChunk = SIZE_MAX;
    // Time every read takes on the fake clock, whatever it delivers.
    uint64_t readDelayMs = 0;

    const std::vector<Bytes>& writes() const { return writes_; }
    int purges() const { return purges_; }
    int reads() const { return reads_; }
    bool drained() const { return events_.empty(); }

    bool isFramed() const override { return framed_; }
    int32_t write(const uint8_t* data, size_t length, size_t* written) override;
    int32_t read(uint8_t* buffer, size_t capacity, size_t* got) override;
    void purgeReceive() override;

private:
    enum class Kind { Data, Stale, Silence, Error };
    struct Event {
        Kind kind;
        Bytes bytes;
        int32_t status = 0;
    };

    bool framed_;
    FakeClock* clock_;
    uint64_t silenceMs_;
    std::deque<Event> events_;
    std::vector<Bytes> writes_;
    int32_t nextWriteStatus_ = 0;
    size_t nextWriteCount_ = SIZE_MAX;
    int purges_ = 0;
    int reads_ = 0;
};

#pragma once
// The simulated diagnostic interface: the far end of the driver's link. It takes the PC's frames
// (whole, or as a byte stream) and queues its replies, in the layout of its generation. Later it
// learns firmware download and the ECU applications; for now it answers the interface's own
// commands. Fault injection replaces or delays the next reply.
//
// Every call is thread-safe (one mutex per interface), so a pseudo-terminal server thread and
// the test thread may share one interface.
//
// What the interface does with what it receives:
//   - A frame with a wrong checksum, or a length beyond 4096, is answered with status 0x02
//     (frame error) and dropped.
//   - A request that a fault injection answers with a status frame, or with silence, is not
//     carried out (the interface refused or never saw it).
//   - Command 5 with no application loaded (empty appVersion) answers status 0x11.
//   - Malformed data of a known command answers status 0x07 (parameter out of range).
//   - Close sequence (command 0x12, generation 1): the reply carries 65 data bytes; byte 0 is
//     the step (1 first, 2 second), bytes 4 and 5 are both 0x12 on the first request; a second
//     request that echoes those 65 bytes gets byte 5 = 0x13 (done); any other second request
//     gets byte 5 = 0x00, so the PC sends the final 0x12.
//   - While a generation-2 interface restarts it answers nothing until opened() again.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

using SimBytes = std::vector<uint8_t>;

struct SimConfig {
    uint8_t generation = 1;                 // 1 or 2: the frame layout and the start rules
    std::string biosVersion = "DI BIOS V1.20";
    std::string appVersion = "DI JED677 V2.05";  // empty: no application loaded
    bool applicationRunning = false;        // true: the application runs, not the boot loader
    uint16_t maxBlockSize = 1024;           // the block size the interface answers at most
    uint8_t debugValue[4] = {0, 0, 0, 0};   // reply bytes 1..4 of debug sub-function 4
};

// How a serial interface answers on its modem lines.
enum class SimHandshake {
    DsrEchoesDtr,  // an interface: DSR follows DTR
    CarrierOnly,   // a line with carrier detect only
    None,          // nothing connected
};

// One request as the interface carried it out (a block transfer counts as one request).
struct SimRequest {
    uint8_t command = 0;
    SimBytes data;
};

class SimInterface {
public:
    static constexpr uint32_t kDefaultBaudrate = 19200;
    static constexpr uint16_t kDefaultBlockSize = 256;
    static constexpr size_t kMaxFrameData = 4096;
    static constexpr size_t kCloseReplySize = 65;

    // Interface status bytes the simulator answers with.
    static constexpr uint8_t kStatusFrameError = 0x02;
    static constexpr uint8_t kStatusNotSupported = 0x03;
    static constexpr uint8_t kStatusOutOfRange = 0x07;
    static constexpr uint8_t kStatusFaultyFunction = 0x11;

    explicit SimInterface(SimConfig config = {});
    SimInterface(const SimInterface&) = delete;
    SimInterface& operator=(const SimInterface&) = delete;

    // --- the PC's side ---
    // A whole frame (USB) or any bytes of a stream (serial); complete frames are answered.
    void receive(const uint8_t* data, size_t length);
    void receive(const SimBytes& bytes) { receive(bytes.data(), bytes.size()); }
    // Whether a reply is ready.
    bool hasOutput() const;
    // The next whole reply frame (USB); empty when none. When a stream read took part of the
    // frame already, the rest of it.
    SimBytes takeFrame();
    // Up to `max` bytes of the replies as a stream (serial).
    SimBytes takeBytes(size_t max);
    // The PC discarded its receive buffer: replies held back for it become ready (the answer
    // to a baud change comes only after the PC switched its rate and purged).
    void purged();
    // Drops every reply that is ready (what a purge of the PC's receive buffer loses).
    void discardOutput();
    // A reply is held back until purged() (the answer to a baud change).
    bool hasHeldReply() const;
    // The modem lines as a serial interface of this kind shows them.
    void setDtr(bool on);
    bool dtr() const;
    bool dsr() const;
    bool carrier() const;
    SimHandshake handshake = SimHandshake::DsrEchoesDtr;

    // --- USB device life: a generation-2 interface restarts after a firmware change ---
    bool restarting() const;  // true from the restart until the next open
    void opened();            // the PC opened the device again
    int restartCount() const;

    // --- fault injection, each for the next reply only ---
    void injectStatus(uint8_t status);    // a status frame in place of the reply
    void injectPending(int count);        // `count` pending frames before the reply
    void injectBadChecksum();             // the reply with a wrong checksum
    void injectWrongCommand();            // the reply with another command byte (command ^ 0x40)
    void injectSilence();                 // no reply at all
    void setSilent(bool silent);          // answer nothing until told otherwise

    // --- what happened ---
    const SimConfig& config() const;
    std::vector<SimBytes> receivedFrames() const;  // every whole frame received, in order
    std::vector<SimRequest> requests() const;      // every request carried out, in order
    uint32_t baudrate() const;                     // after command 6; 19200 at start
    uint16_t blockSize() const;                    // after command 7; 256 (or less) at start
    uint8_t startedSelector() const;               // selector of the last command 5 (gen. 2)
    bool applicationRunning() const;

private:
    struct Reply {
        SimBytes frame;
        bool held = false;  // waits for purged()
    };

    // All below run with mutex_ held.
    void parseInput();
    void handleFrame(uint8_t command, const uint8_t* data, size_t length, bool goodChecksum);
    void handleRequest(uint8_t command, const SimBytes& data);
    void handleBlockFrame(uint8_t command, const uint8_t* data, size_t length);
    void reply(uint8_t command, const SimBytes& data, bool held = false);
    void replyStatus(uint8_t status);
    void replyUnknown();
    SimBytes buildFrame(uint8_t command, const SimBytes& data) const;
    bool takeRefusal();
    void restart();
    uint16_t initialBlockSize() const;

    mutable std::mutex mutex_;
    const SimConfig config_;

    SimBytes input_;
    std::deque<SimBytes> output_;
    size_t outputOffset_ = 0;  // bytes of output_.front() already taken as a stream
    std::vector<SimBytes> held_;
    std::vector<SimBytes> received_;
    std::vector<SimRequest> requests_;

    bool dtr_ = false;
    bool restarting_ = false;
    int restarts_ = 0;
    bool applicationRunning_;
    uint32_t baudrate_ = kDefaultBaudrate;
    uint16_t blockSize_;
    uint8_t startedSelector_ = 0;
    bool closeStarted_ = false;
    SimBytes closeReply_;

    // A generation-1 block transfer in progress.
    bool inBlock_ = false;
    uint8_t blockCommand_ = 0;
    size_t blockTotal_ = 0;
    SimBytes blockData_;
    uint8_t blocksReceived_ = 0;

    // Fault injection for the next reply.
    int injectedStatus_ = -1;
    int injectedPending_ = 0;
    bool injectedBadChecksum_ = false;
    bool injectedWrongCommand_ = false;
    bool injectedSilence_ = false;
    bool silent_ = false;
};

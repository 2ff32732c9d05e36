#pragma once
// The simulated diagnostic interface: the far end of the driver's link. It takes the PC's frames
// (whole, or as a byte stream) and queues its replies, in the layout of its generation. It
// answers the interface's own commands, takes firmware downloads, and runs the JED677
// application with an ECU (SimEcu) behind it. Fault injection replaces or delays the next reply.
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
//
// Firmware download (in the basic firmware / boot loader only; while the application runs the
// commands answer status 0x03):
//   - Generation 1: command 3 [block number high, low, 64 bytes] writes block n - 0x80 of the
//     0x6000-byte flash at 0xA000 (load address reported as 0xA000); the first block after
//     command 1 or 8 [0] erases the old application. Blocks between 8 [0] and 8 [1] become the
//     application only at 8 [1] (a download broken off leaves none); blocks without 8 [0]
//     take effect at once. A block outside the flash or of another size answers 0x07.
//   - Generation 2: 0x10 [0x10 0x85] opens the programming session ([0x50 0x85]); 0x34 [address,
//     length, 24 bits each] erases the application and announces the image ([0x74]); 0x36 [up
//     to 128 bytes] carries it ([0x76]); 0x37 ends the transfer ([0x77]; status 0x04 when bytes
//     are missing); 0x10 [0x31 0xFA selector] activates it: [0x71 0xFA result], result
//     SimConfig::flashCheckResult (0: the new application is in place). Steps out of order
//     answer 0x03. Command 6 [0x80 0x00 0x45 0x01] answers [versionCheckAnswer].
//   - The version the new application reports (command 4): SimConfig::flashedAppVersion when set,
//     else the text at the start of the image, up to the first byte 0x00 or 0xFF (31 at most).
//     An interface without an application answers command 4 with an empty text.
//
// The JED677 application (generation 1 running any application but the SAE one; generation 2
// running any application but the SAE one, selector 4):
//   - 0x14 [6 bytes] configuration, answered empty; 0x13 [3 bytes] answered empty; 0x12 free
//     running, answered with SimConfig::freeRunningData.
//   - 0x10 [address] starts the communication: with an attached ECU that answersAt(address) the
//     reply is [divisor high, low, word high, low] (SimConfig::ecuBaudDivisor, ecuWord); else
//     status 0x0E (no synchronisation byte) and no communication.
//   - 0x11 [message] hands a message (its length as its header byte says, else 0x07) to the
//     ECU and answers with the ECU's answer; status 0x12 (not active) while no communication
//     is started, status 0x0F when the ECU stays silent (an empty answer goes back as a reply
//     without data). The message [0x0F] ends the communication whatever the ECU answers.
//   The ECU is called with the interface's lock held: it must not call back into the interface.
//
// The SAE application (generation 1: the loaded application's version starts "SAE1587" and
// command 5 started it; generation 2: selector 4). Each command's data are checked (else status
// 0x07) and recorded in sae():
//   - 7 [0] (J1708) or [1, 5 parameter bytes] (ISO 15765): the protocol options.
//   - 0x12 [1 to 20 bytes]: a raw message on the line.
//   - 0x15 ["1" to "8"]: the transmit priority.
//   - 0x19: tester present on, [2 bytes] under J1708 options, no data under ISO 15765;
//     0x1A (no data): off.
//   - 0x17 [filter: word 1, word 2, word 3 (2 bytes each, high first), flags, time-out / 50]:
//     answers with the first message queued on the line (queueSaeMessage) that matches the
//     filter, and takes it off the line. Word 1 is compared with the message's byte 0, word 2
//     with byte 1 + n and word 3 with byte 2 + n, n being the flags' high nibble (the page
//     escapes in front of the PID); 0x0100 matches anything, a message too short for a compared
//     byte does not match. Messages that do not match stay queued. No match: after the filter's
//     time-out (a clock set with setSaeClock moves on by it) status 0x0F, as for a silent ECU.
//   - 0x18 [request, filter (8 bytes, as for 0x17)] under J1708 options, [request] under ISO
//     15765: sends the request and answers with the next item of the script the test queued
//     (queueSaeReply, queueSaeStatus, queueSaeSilence); with no script, as 0x17 answers (the
//     filter is the request's last 8 bytes; under ISO 15765 the first message on the line, else
//     status 0x0F at once). Every request is recorded whole in sae().requests.
//   Generation 1 carries at most 255 bytes in a reply (an 8-bit length); generation 2 any length.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Clock.h"
#include "SimEcu.h"

struct SimConfig {
    uint8_t generation = 1;                 // 1 or 2: the frame layout and the start rules
    std::string biosVersion = "DI BIOS V1.20";
    std::string appVersion = "JED-677 V2.04";  // empty: no application loaded
    bool applicationRunning = false;        // true: the application runs, not the boot loader
    uint16_t maxBlockSize = 1024;           // the block size the interface answers at most
    uint8_t debugValue[4] = {0, 0, 0, 0};   // reply bytes 1..4 of debug sub-function 4

    // Firmware download (see above).
    std::string flashedAppVersion;          // empty: the text at the start of the image
    uint8_t versionCheckAnswer = 'Z';       // generation 2, command 6
    uint8_t flashCheckResult = 0;           // generation 2, byte 2 of the final answer

    // The JED677 application.
    uint16_t ecuBaudDivisor = 1042;         // 10000000 / 1042: 9596 baud
    uint16_t ecuWord = 0;
    SimBytes freeRunningData = {0x00, 0x00};
};

// What the SAE application was asked to do.
struct SimSae {
    SimBytes options;                     // the data of the last command 7; empty: none yet
    uint8_t priority = 0;                 // the digit of the last 0x15; 0: none yet
    bool testerPresent = false;           // on after 0x19, off after 0x1A
    SimBytes testerPresentData;           // the data of the last 0x19
    std::vector<SimBytes> sent;           // every raw message (0x12), in order
    std::vector<SimBytes> receiveFilters; // the filter of every 0x17, in order
    std::vector<SimBytes> requests;       // the data of every 0x18 (request and filter), in order
};

// One answer of the SAE application to a request with reply (0x18).
struct SimSaeAnswer {
    enum class Kind { Reply, Status, Silence };
    Kind kind = Kind::Reply;
    SimBytes reply;      // Kind::Reply: the ECU's message
    uint8_t status = 0;  // Kind::Status: the interface's status byte
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
    static constexpr uint8_t kStatusFlashWrite = 0x04;
    static constexpr uint8_t kStatusNoSynchroByte = 0x0E;  // no ECU answered the start
    static constexpr uint8_t kStatusEcuSilent = 0x0F;      // the ECU did not answer a message
    static constexpr uint8_t kStatusNotActive = 0x12;      // no ECU communication started

    static constexpr uint32_t kGen1FlashBase = 0xA000;
    static constexpr size_t kGen1FlashSize = 0x6000;
    static constexpr size_t kGen2FlashSize = 0xFFFFF;

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
    // The request with this command after `skip` others of it gets a status frame in place of
    // its reply and is not carried out (a block transfer counts as one request).
    void injectStatusFor(uint8_t command, uint8_t status, int skip = 0);

    // --- the ECU on the diagnostic line (nullptr: none) ---
    void attachEcu(std::shared_ptr<SimEcu> ecu);
    std::shared_ptr<SimEcu> ecu() const;

    // --- the SAE application's line ---
    // A message some ECU sends on the line, for the next 0x17 whose filter matches it.
    void queueSaeMessage(const SimBytes& message);
    size_t queuedSaeMessages() const;
    // The next answers to 0x18, in order.
    void queueSaeReply(const SimBytes& reply);
    void queueSaeStatus(uint8_t status);
    void queueSaeSilence();
    size_t queuedSaeAnswers() const;
    // A fake clock that moves on by the time the application waits for a message in vain.
    void setSaeClock(FakeClock* clock);
    SimSae sae() const;
    bool saeRunning() const;

    // --- what happened ---
    const SimConfig& config() const;
    std::vector<SimBytes> receivedFrames() const;  // every whole frame received, in order
    // The ECU messages among them (the data of command 0x11), also those a silent or refusing
    // interface never carried out: proof that a message went out over a dead link.
    std::vector<SimBytes> messagesForEcu() const;
    std::vector<SimRequest> requests() const;      // every request carried out, in order
    uint32_t baudrate() const;                     // after command 6; 19200 at start
    uint16_t blockSize() const;                    // after command 7; 256 (or less) at start
    uint8_t startedSelector() const;               // selector of the last command 5 (gen. 2)
    bool applicationRunning() const;

    // Firmware and the JED677 application.
    std::string appVersion() const;         // what command 4 answers now
    SimBytes flashedImage() const;          // the bytes of the last download; empty: none
    uint32_t flashedLoadAddress() const;    // generation 2: from 0x34; generation 1: 0xA000
    uint8_t flashSelector() const;          // generation 2: of the final 0x10 [0x31 0xFA sel]
    int completedDownloads() const;         // gen. 1: 8 [1] after blocks; gen. 2: activations
    bool communicating() const;             // an ECU communication is started
    uint8_t ecuAddress() const;             // the address of the last start of communication
    SimBytes jed677Config() const;          // the data of the last 0x14
    SimBytes reizImpuls() const;            // the data of the last 0x13

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
    bool handleDownload(uint8_t command, const SimBytes& data);
    bool handleJed677(uint8_t command, const SimBytes& data);
    bool isSaeRunning() const;
    bool handleSae(uint8_t command, const SimBytes& data);
    void saeReceive(uint8_t command, const SimBytes& filter);
    void saeSendData(const SimBytes& data);
    std::string versionOfImage(const SimBytes& image) const;

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
    int injectedForCommand_ = -1;
    uint8_t injectedForStatus_ = 0;
    int injectedForSkip_ = 0;

    // Firmware.
    std::string appVersion_;
    bool gen1Open_ = false;          // between 8 [0] and 8 [1]
    bool gen1Downloading_ = false;   // the flash was erased for a new application
    SimBytes gen1Flash_;
    size_t gen1FlashEnd_ = 0;
    bool gen2Session_ = false;
    bool gen2Transfer_ = false;
    bool gen2TransferDone_ = false;
    uint32_t gen2Length_ = 0;
    SimBytes flashed_;
    uint32_t flashedLoad_ = 0;
    uint8_t flashSelector_ = 0;
    int completedDownloads_ = 0;

    // The JED677 application.
    std::shared_ptr<SimEcu> ecu_;
    bool communicating_ = false;
    uint8_t ecuAddress_ = 0;
    SimBytes jed677Config_;
    SimBytes reizImpuls_;

    // The SAE application.
    SimSae sae_;
    std::deque<SimBytes> saeLine_;
    std::deque<SimSaeAnswer> saeScript_;
    FakeClock* saeClock_ = nullptr;
};

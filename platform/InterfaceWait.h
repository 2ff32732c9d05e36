#pragma once
// Waits on the diagnostic interface that last long enough for the technician to notice them.
// The driver runs on the user-interface thread, so while it blocks no window can answer: the wait
// itself tells the one listener (the main window) once it has lasted kNoticeMs, and the listener
// shows the hourglass and what the program waits for before the wait goes on; when the wait is
// over the listener is told again.
//
// A blocking call opens an InterfaceWait for its duration and blocks in pieces of at most
// sliceMs(), calling check() between them. Waits nest: an inner wait (one read) belongs to the
// outer one (one reply with its pending frames), so the notice comes once the outer wait has
// lasted kNoticeMs, and its end when the outer wait ends.
//
// Only the thread that installed the listener tells it (a wait on another thread never reaches a
// window); with no listener nothing is measured and slices are what the caller asked for.

#include <cstdint>

enum class WaitKind : uint8_t {
    InterfaceReply,    // an answer of the interface (or of the ECU behind it)
    InterfaceRestart,  // the interface restarts into its new firmware
};

class LongWaitListener {
public:
    virtual ~LongWaitListener() = default;
    // The program has been waiting kNoticeMs (or is about to wait long); shown when it returns.
    virtual void longWaitBegins(WaitKind kind) = 0;
    // The wait told by longWaitBegins is over.
    virtual void longWaitEnds() = 0;
};

// Installs the listener on the calling thread; nullptr removes it.
void setLongWaitListener(LongWaitListener* listener);
LongWaitListener* longWaitListener();

class InterfaceWait {
public:
    static constexpr int kNoticeMs = 500;

    explicit InterfaceWait(WaitKind kind = WaitKind::InterfaceReply);
    ~InterfaceWait();  // the end of the outermost wait, when its notice went out
    InterfaceWait(const InterfaceWait&) = delete;
    InterfaceWait& operator=(const InterfaceWait&) = delete;

    // How long the caller may block before calling check(): wantedMs, or less when a notice is
    // still to come (never below 1 ms; a negative wantedMs, "for ever", is bounded the same way).
    static int sliceMs(int wantedMs);
    // Tells the listener once the outermost wait has lasted kNoticeMs.
    static void check();
    // A wait known to be long: tells the listener now.
    static void announce();
};

#pragma once
// The automation client's state, the notifications sent to it, the stack of modal dialogs that
// keeps them in front of the embedded main window, and the one way the application ends.
//
// The hub holds no server and no window machinery: the D-Bus automation object implements
// AutomationEventSink and attaches itself when a client calls comInit; the Qt layer implements
// ApplicationWindows. Until a client is attached every notification does nothing and closing
// the application quits it directly.
//
// Threading: user-interface thread only, no locking.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A window as the hub knows it: an opaque handle (the toolkit's window id).
using WindowHandle = std::uintptr_t;

// Outcome of delivering one event to one sink.
struct SinkResult {
    int error = 0;        // 0 delivered, else the sink's own error number
    std::string message;  // why it failed; empty on success
    bool ok() const { return error == 0; }
};

// One event connection of the automation client. A sink that fails (returns an error or throws)
// is skipped; the other sinks still get the event and the hub's state is not affected.
class AutomationEventSink {
public:
    virtual ~AutomationEventSink() = default;
    virtual SinkResult comModalWindowActivated(WindowHandle window) = 0;
    virtual SinkResult comModalWindowDeactivated() = 0;
    virtual SinkResult comMenuStateHasChanged(int32_t state) = 0;
    // Part of the event interface; the program never fires it.
    virtual SinkResult comApplicationInitialized() = 0;
    virtual SinkResult comCloseApplication() = 0;
};

// What the hub needs from the window toolkit.
class ApplicationWindows {
public:
    virtual ~ApplicationWindows() = default;
    virtual void setMainWindowEnabled(bool enabled) = 0;
    // Brings the window to the foreground.
    virtual void raiseWindow(WindowHandle window) = 0;
    // Ends the application's event loop. May be called before the loop runs; start-up code must
    // then also look at AutomationHub::closeRequested().
    virtual void quitApplication() = 0;
};

// Outcome of attaching a sink.
struct AttachResult {
    enum Status { Attached, AlreadyAttached, NoFreeSlot, NoSink };
    Status status = Attached;
    bool ok() const { return status == Attached || status == AlreadyAttached; }
};

class AutomationHub {
public:
    // Event connections one automation object keeps.
    static constexpr std::size_t MaxSinks = 5;

    explicit AutomationHub(ApplicationWindows* windows = nullptr);
    AutomationHub(const AutomationHub&) = delete;
    AutomationHub& operator=(const AutomationHub&) = delete;

    // The window side; may be set after construction (start-up may request a close earlier).
    void setWindows(ApplicationWindows* windows) { windows_ = windows; }

    // comInit: a client is connected and gave its window. From now on events are fired.
    void connectClient(WindowHandle clientWindow);
    // The automation object is gone: no client, no sinks.
    void disconnectClient();
    bool hasClient() const { return hasClient_; }
    WindowHandle clientWindow() const { return clientWindow_; }

    // Event connections of the automation object, fired in slot order. At most MaxSinks.
    AttachResult attachSink(AutomationEventSink* sink);
    void detachSink(AutomationEventSink* sink);
    std::size_t sinkCount() const;

    // Ends the application: with a client, first tells it (comCloseApplication) and releases
    // the automation object. Always marks the close as requested and asks the window side to
    // quit. Safe at any moment, also during start-up before the event loop runs.
    void RequestCloseApplication();
    // True once a close was requested; start-up code stops at the next step when it is set.
    bool closeRequested() const { return closeRequested_; }

    void FireMenuStateHasChanged(int32_t state);
    void FireModalWindowActivated(WindowHandle window);
    void FireModalWindowDeactivated();

    // A modal dialog was shown: disables the main window, stacks the dialog, tells the client,
    // raises the stack. A dialog already on the stack is not stacked or announced again.
    void RegisterModalWindow(WindowHandle window);
    // A modal dialog was really hidden: removes that dialog (by handle, wherever it stands),
    // tells the client, enables the main window when no dialog is left, raises the rest.
    // A handle that is not on the stack changes nothing and is not announced.
    void UnregisterModalWindow(WindowHandle window);

    // Appends the handle unless it is already stacked; returns the number of stacked dialogs.
    std::size_t PushModalWindow(WindowHandle window);
    // Removes the handle; returns the number of stacked dialogs left.
    std::size_t PopModalWindow(WindowHandle window);
    // Raises every stacked dialog, oldest first, so the newest ends on top.
    void BringModalWindowsToTop();

    // The stacked dialogs, oldest first.
    const std::vector<WindowHandle>& ModalWindows() const { return modalWindows_; }
    bool isStacked(WindowHandle window) const;

private:
    template <typename Event>
    void fire(Event event);

    ApplicationWindows* windows_;
    bool hasClient_ = false;
    WindowHandle clientWindow_ = 0;
    AutomationEventSink* sinks_[MaxSinks] = {};
    std::vector<WindowHandle> modalWindows_;
    bool closeRequested_ = false;
};

// The application's one hub. The free functions below act on it; the Qt layer sets
// its window side once at start-up, tests make their own AutomationHub objects.
AutomationHub& applicationHub();

void RequestCloseApplication();
void FireMenuStateHasChanged(int32_t state);
void FireModalWindowActivated(WindowHandle window);
void FireModalWindowDeactivated();
void RegisterModalWindow(WindowHandle window);
void UnregisterModalWindow(WindowHandle window);
void BringModalWindowsToTop();

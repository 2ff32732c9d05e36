#include "AutomationHub.h"

#include <algorithm>

AutomationHub::AutomationHub(ApplicationWindows* windows) : windows_(windows) {}

void AutomationHub::connectClient(WindowHandle clientWindow) {
    hasClient_ = true;
    clientWindow_ = clientWindow;
}

void AutomationHub::disconnectClient() {
    hasClient_ = false;
    clientWindow_ = 0;
    std::fill(std::begin(sinks_), std::end(sinks_), nullptr);
}

AttachResult AutomationHub::attachSink(AutomationEventSink* sink) {
    if (!sink) return {AttachResult::NoSink};
    if (std::find(std::begin(sinks_), std::end(sinks_), sink) != std::end(sinks_))
        return {AttachResult::AlreadyAttached};
    auto slot = std::find(std::begin(sinks_), std::end(sinks_), nullptr);
    if (slot == std::end(sinks_)) return {AttachResult::NoFreeSlot};
    *slot = sink;
    return {AttachResult::Attached};
}

void AutomationHub::detachSink(AutomationEventSink* sink) {
    if (!sink) return;
    std::replace(std::begin(sinks_), std::end(sinks_), sink, static_cast<AutomationEventSink*>(nullptr));
}

std::size_t AutomationHub::sinkCount() const {
    return static_cast<std::size_t>(
        std::count_if(std::begin(sinks_), std::end(sinks_), [](auto* s) { return s != nullptr; }));
}

// Slots are read one at a time, so a sink that detaches another during an event is respected.
// A failing sink must not stop the others nor the caller: the client is only being informed.
template <typename Event>
void AutomationHub::fire(Event event) {
    for (std::size_t i = 0; i < MaxSinks; ++i) {
        AutomationEventSink* sink = sinks_[i];
        if (!sink) continue;
        try {
            SinkResult result = event(*sink);
            (void)result;
        } catch (...) {
        }
    }
}

void AutomationHub::RequestCloseApplication() {
    closeRequested_ = true;
    if (hasClient_) {
        // Drop the client first, so a sink that asks to close again from its handler does not
        // get the event twice.
        hasClient_ = false;
        fire([](AutomationEventSink& s) { return s.comCloseApplication(); });
        disconnectClient();
    }
    if (windows_) windows_->quitApplication();
}

void AutomationHub::FireMenuStateHasChanged(int32_t state) {
    if (!hasClient_) return;
    fire([state](AutomationEventSink& s) { return s.comMenuStateHasChanged(state); });
}

void AutomationHub::FireModalWindowActivated(WindowHandle window) {
    if (!hasClient_) return;
    fire([window](AutomationEventSink& s) { return s.comModalWindowActivated(window); });
}

void AutomationHub::FireModalWindowDeactivated() {
    if (!hasClient_) return;
    fire([](AutomationEventSink& s) { return s.comModalWindowDeactivated(); });
}

void AutomationHub::RegisterModalWindow(WindowHandle window) {
    if (isStacked(window)) {
        // Shown again without a hide in between: one entry and one announcement are enough.
        BringModalWindowsToTop();
        return;
    }
    if (windows_) windows_->setMainWindowEnabled(false);
    PushModalWindow(window);
    FireModalWindowActivated(window);
    BringModalWindowsToTop();
}

void AutomationHub::UnregisterModalWindow(WindowHandle window) {
    if (!isStacked(window)) {
        // Nothing of ours to undo; but never leave the main window disabled with no dialog open.
        if (modalWindows_.empty() && windows_) windows_->setMainWindowEnabled(true);
        return;
    }
    FireModalWindowDeactivated();
    if (PopModalWindow(window) == 0 && windows_) windows_->setMainWindowEnabled(true);
    BringModalWindowsToTop();
}

std::size_t AutomationHub::PushModalWindow(WindowHandle window) {
    if (!isStacked(window)) modalWindows_.push_back(window);
    return modalWindows_.size();
}

std::size_t AutomationHub::PopModalWindow(WindowHandle window) {
    auto it = std::find(modalWindows_.rbegin(), modalWindows_.rend(), window);
    if (it != modalWindows_.rend()) modalWindows_.erase(std::next(it).base());
    return modalWindows_.size();
}

void AutomationHub::BringModalWindowsToTop() {
    if (!windows_) return;
    // Copy: raising a window may run toolkit code that shows or hides another dialog.
    const std::vector<WindowHandle> stack = modalWindows_;
    for (WindowHandle window : stack) windows_->raiseWindow(window);
}

bool AutomationHub::isStacked(WindowHandle window) const {
    return std::find(modalWindows_.begin(), modalWindows_.end(), window) != modalWindows_.end();
}

AutomationHub& applicationHub() {
    static AutomationHub hub;
    return hub;
}

void RequestCloseApplication() { applicationHub().RequestCloseApplication(); }
void FireMenuStateHasChanged(int32_t state) { applicationHub().FireMenuStateHasChanged(state); }
void FireModalWindowActivated(WindowHandle window) { applicationHub().FireModalWindowActivated(window); }
void FireModalWindowDeactivated() { applicationHub().FireModalWindowDeactivated(); }
void RegisterModalWindow(WindowHandle window) { applicationHub().RegisterModalWindow(window); }
void UnregisterModalWindow(WindowHandle window) { applicationHub().UnregisterModalWindow(window); }
void BringModalWindowsToTop() { applicationHub().BringModalWindowsToTop(); }

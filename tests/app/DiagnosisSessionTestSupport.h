#pragma once
// Test doubles for the diagnosis session: a view that records what it is told, an ECU start
// dialog that can run code while it is "open" (a nested event loop), an automation sink, and a
// JED677 table wrapper that logs every call with its arguments. Header-only.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AutomationHub.h"
#include "Clock.h"
#include "DiagnosisSession.h"
#include "KeltTestSupport.h"
#include "SessionView.h"

// Records every call, in order, as a short line; keeps the last menu state and timer state.
class RecordingView : public SessionView {
public:
    void setProgressText(const std::string& text) override {
        progress.push_back(text);
        events.push_back("progress");
    }
    void ShowValues() override {
        ++showValues;
        events.push_back("ShowValues");
    }
    void applyMenuState(const MenuState& state) override {
        menus = state;
        ++menuUpdates;
        events.push_back("menus");
    }
    void setPollTimer(bool enabled) override {
        timer = enabled;
        events.push_back(enabled ? "timer on" : "timer off");
    }
    void repaintStatusBar() override {
        ++statusBarRepaints;
        events.push_back("statusbar");
    }
    void repaint() override {
        ++repaints;
        events.push_back("repaint");
    }

    bool enabled(MenuCommand command) const {
        auto it = menus.find(command);
        return it != menus.end() && it->second;
    }

    std::vector<std::string> events;
    std::vector<std::string> progress;
    MenuState menus;
    bool timer = false;
    int showValues = 0;
    int menuUpdates = 0;
    int statusBarRepaints = 0;
    int repaints = 0;
};

// The ECU start dialog: scripted answers (Cancel when the script is used up) and code run while
// it is shown, as the window's own event loop would run queued work.
class NestedLoopStartDialog : public EcuStartErrorDialog {
public:
    int Execute(int32_t code) override {
        shown.push_back(code);
        if (whileShown) whileShown();
        if (answers.empty()) return GiveUp;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<int> answers;
    std::vector<int32_t> shown;
    std::function<void()> whileShown;
};

class RecordingSink : public AutomationEventSink {
public:
    SinkResult comModalWindowActivated(WindowHandle) override { return {}; }
    SinkResult comModalWindowDeactivated() override { return {}; }
    SinkResult comMenuStateHasChanged(int32_t state) override {
        menuStates.push_back(state);
        return {};
    }
    SinkResult comApplicationInitialized() override { return {}; }
    SinkResult comCloseApplication() override { return {}; }
    std::vector<int32_t> menuStates;
};

// Wraps a JED677 table: every call is logged as one line ("Config 100 10 500", "Send 82 14 D1",
// ...) before it goes on. `intercept` sees each line first; a non-zero code it returns is the
// call's result and the call does not go on.
class LoggedJed677 {
public:
    std::vector<std::string> log;
    std::function<int32_t(const std::string& line)> intercept;

    Jed677Calls wrap(Jed677Calls inner) {
        Jed677Calls c;
        c.JED677OpenDiagDriver = [this, inner](const char* port, const char* folder, uint8_t compare) {
            if (int32_t code = note("Open " + std::string(port))) return code;
            return inner.JED677OpenDiagDriver(port, folder, compare);
        };
        c.JED677Config = [this, inner](uint16_t a, uint16_t b, uint16_t d) {
            if (int32_t code = note("Config " + std::to_string(a) + " " + std::to_string(b) + " " +
                                   std::to_string(d)))
                return code;
            return inner.JED677Config(a, b, d);
        };
        c.JED677AppVersion = [this, inner](char* buffer, uint32_t size) {
            if (int32_t code = note("AppVersion")) return code;
            return inner.JED677AppVersion(buffer, size);
        };
        c.JED677StartCommunication = [this, inner](uint32_t unused, uint8_t address, uint16_t* baud,
                                                   uint16_t* word) {
            if (int32_t code = note("Start " + std::to_string(unused) + " " + std::to_string(address)))
                return code;
            return inner.JED677StartCommunication(unused, address, baud, word);
        };
        c.JED677Ident = [this, inner](JED677IdentData* ident, int32_t words[4]) {
            if (int32_t code = note("Ident")) return code;
            return inner.JED677Ident(ident, words);
        };
        c.JED677SendData = [this, inner](uint16_t* length, uint8_t* message, uint32_t capacity) {
            // The bytes the first byte announces: the message as it goes out.
            const std::size_t n = (message[0] & 0x80) ? (message[0] & 0x7F) + 1u : 1u;
            std::string line = "Send";
            for (std::size_t i = 0; i < n && i < capacity; ++i) {
                char hex[4];
                std::snprintf(hex, sizeof hex, " %02X", message[i]);
                line += hex;
            }
            if (int32_t code = note(line)) return code;
            return inner.JED677SendData(length, message, capacity);
        };
        c.JED677StopCommunication = [this, inner] {
            if (int32_t code = note("Stop")) return code;
            return inner.JED677StopCommunication();
        };
        c.JED677CloseDiagDriver = [this, inner] {
            if (int32_t code = note("Close")) return code;
            return inner.JED677CloseDiagDriver();
        };
        return c;
    }

    int count(const std::string& line) const {
        return static_cast<int>(std::count(log.begin(), log.end(), line));
    }
    // The lines after the last occurrence of `line` (all of them when it does not occur).
    std::vector<std::string> after(const std::string& line) const {
        auto it = std::find(log.rbegin(), log.rend(), line);
        return std::vector<std::string>(it.base(), log.end());
    }

private:
    int32_t note(const std::string& line) {
        log.push_back(line);
        return intercept ? intercept(line) : 0;
    }
};

// The fault-text file stand-in: a text that names the code.
inline FaultTextLookup namingFaultTexts() {
    FaultTextLookup lookup;
    lookup.KomponentenText = [](int32_t code) { return "Component " + std::to_string(code); };
    lookup.FehlerartText = [](int32_t code) { return "Mode " + std::to_string(code); };
    return lookup;
}

// A KeltFixture with a session over it; an automation client is connected, so every menu update
// reaches the sink.
class SessionFixture : public KeltFixture {
public:
    RecordingView view;
    NestedLoopStartDialog startDialog;
    FakeClock clock;
    AutomationHub hub;
    RecordingSink sink;
    LoggedJed677 jedLog;
    std::unique_ptr<DiagnosisSession> session;
    int idleRequests = 0;

    void SetUp() override {
        KeltFixture::SetUp();
        hub.connectClient(1);
        hub.attachSink(&sink);
    }
    // A session over the current kelt, initialised as the window's construction does.
    void makeSession(std::set<MenuCommand> available = allMenuCommands()) {
        session = std::make_unique<DiagnosisSession>(*kelt, view, startDialog, opener, cursor,
                                                     clock, hub);
        session->setAvailableCommands(std::move(available));
        session->setFaultTexts(namingFaultTexts());
        session->setIdleRequest([this] { ++idleRequests; });
        session->Initialise();
    }
    // Forgets what the view, the sink and the log saw so far.
    void clearRecords() {
        view = RecordingView{};
        sink.menuStates.clear();
        jedLog.log.clear();
        idleRequests = 0;
    }
};

// Commands that are enabled in a state.
inline std::set<MenuCommand> enabledIn(const MenuState& state) {
    std::set<MenuCommand> on;
    for (const auto& [command, enabled] : state)
        if (enabled) on.insert(command);
    return on;
}

inline const std::set<MenuCommand> kNeverSwitched = {
    MenuCommand::Parameter, MenuCommand::Einstellungen, MenuCommand::Fehlerspeicherprotokolldrucken,
    MenuCommand::Beenden, MenuCommand::UnterstuetzteEcus,
};

inline std::set<MenuCommand> withNeverSwitched(std::set<MenuCommand> commands) {
    commands.insert(kNeverSwitched.begin(), kNeverSwitched.end());
    return commands;
}

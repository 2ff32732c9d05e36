#pragma once
// Test doubles for the ECU layer: a JED677 table that plays the driver's JED677 layer over a
// simulated KELT ECU (fast, no interface), scripted stand-ins for the windows the layer opens,
// the fixture over them (also in demo mode) and helpers for tables of failure points.
// Header-only: the test folder compiles only its *_test.cpp files.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "DiagDr32.h"
#include "EcuSessionWindows.h"
#include "ErrorReporter.h"
#include "JED677.h"
#include "Jed677Calls.h"
#include "KELTInterface.h"
#include "MessageBox.h"
#include "ProgramModes.h"
#include "ScriptedErrorReporter.h"
#include "ScriptedMessageBoxes.h"
#include "SimKeltEcu.h"
#include "TempDir.h"

// The JED677 layer as the driver has it, answered by a SimKeltEcu. Every call is logged; a
// scripted code makes the next call of that name fail without reaching the ECU.
class FakeJed677 {
public:
    static constexpr int32_t kNoEcuAtAddress = 0x20020012;  // an interface status, tagged
    static constexpr int32_t kEcuSilent = DIAG_ERR_TIMEOUT;
    static constexpr const char* kAppVersion = "JED-677 V2.04";

    explicit FakeJed677(std::shared_ptr<SimKeltEcu> ecu) : ecu_(std::move(ecu)) {}

    Jed677Calls table() {
        Jed677Calls c;
        c.JED677OpenDiagDriver = [this](const char* port, const char* folder, uint8_t compare) {
            log("JED677OpenDiagDriver");
            openPort = port;
            openFolder = folder;
            openCompare = compare;
            return scripted("JED677OpenDiagDriver");
        };
        c.JED677Config = [this](uint16_t a, uint16_t b, uint16_t d) {
            log("JED677Config");
            config = {a, b, d};
            return scripted("JED677Config");
        };
        c.JED677AppVersion = [this](char* buffer, uint32_t size) {
            log("JED677AppVersion");
            if (int32_t code = scripted("JED677AppVersion")) return code;
            std::snprintf(buffer, size, "%s", kAppVersion);
            return 0;
        };
        c.JED677StartCommunication = [this](uint32_t unused, uint8_t address, uint16_t* baud,
                                            uint16_t* word) {
            log("JED677StartCommunication");
            startUnused = unused;
            startAddress = address;
            *baud = 9600;
            *word = 0;
            if (int32_t code = scripted("JED677StartCommunication")) return code;
            return ecu_->answersAt(address) ? 0 : kNoEcuAtAddress;
        };
        c.JED677Ident = [this](JED677IdentData* ident, int32_t words[4]) {
            log("JED677Ident");
            if (int32_t code = scripted("JED677Ident")) return code;
            std::memset(ident, 0, sizeof *ident);
            std::optional<SimBytes> a = ecu_->answer({0x02});
            if (!a) return kEcuSilent;
            std::optional<SimBytes> b = ecu_->answer({0x08});
            if (!b) return kEcuSilent;
            const SimBytes& r = *b;
            const bool negative = !r.empty() && (r[0] == 0x05 || (r[0] >= 0x80 && r.size() > 1 && r[1] == 0x05));
            for (int i = 0; i < 4; ++i)
                words[i] = negative || r.size() < 6 ? 0 : r[2 + i];
            return 0;
        };
        c.JED677SendData = [this](uint16_t* length, uint8_t* message, uint32_t capacity) {
            log("JED677SendData");
            if (int32_t code = scripted("JED677SendData")) return code;
            const std::size_t n = (message[0] & 0x80) ? (message[0] & 0x7F) + 1u : 1u;
            std::optional<SimBytes> reply = ecu_->answer(SimBytes(message, message + n));
            if (!reply) return kEcuSilent;
            if (reply->size() > capacity) return DIAG_ERR_BUFFER_TOO_SMALL;
            std::memcpy(message, reply->data(), reply->size());
            *length = static_cast<uint16_t>(reply->size());
            return (*reply)[0] == 0x05 ? JED677_NEGATIVE_ANSWER : 0;
        };
        c.JED677StopCommunication = [this] {
            log("JED677StopCommunication");
            ecu_->answer({0x0F});
            return scripted("JED677StopCommunication");
        };
        c.JED677CloseDiagDriver = [this] {
            log("JED677CloseDiagDriver");
            return scripted("JED677CloseDiagDriver");
        };
        return c;
    }

    // The next call of `function` returns `code` without reaching the ECU.
    void fail(const std::string& function, int32_t code) { failures_[function].push_back(code); }
    const std::vector<std::string>& calls() const { return calls_; }
    int count(const std::string& function) const {
        int n = 0;
        for (const std::string& c : calls_) n += c == function;
        return n;
    }

    std::string openPort;
    std::string openFolder;
    uint8_t openCompare = 0;
    std::vector<uint16_t> config;
    uint32_t startUnused = 0;
    int startAddress = -1;

private:
    void log(const char* name) { calls_.push_back(name); }
    int32_t scripted(const std::string& name) {
        auto it = failures_.find(name);
        if (it == failures_.end() || it->second.empty()) return 0;
        int32_t code = it->second.front();
        it->second.pop_front();
        return code;
    }

    std::shared_ptr<SimKeltEcu> ecu_;
    std::vector<std::string> calls_;
    std::map<std::string, std::deque<int32_t>> failures_;
};

// A JED677 table that fails the test at any call: demo mode must not reach the driver.
inline Jed677Calls forbiddenJed677Calls(int& calls) {
    Jed677Calls c;
    auto hit = [&calls](const char* name) {
        ++calls;
        ADD_FAILURE() << name << " called";
        return DIAG_ERR_NOT_OPEN;
    };
    c.JED677OpenDiagDriver = [hit](const char*, const char*, uint8_t) { return hit("OpenDiagDriver"); };
    c.JED677Config = [hit](uint16_t, uint16_t, uint16_t) { return hit("Config"); };
    c.JED677AppVersion = [hit](char*, uint32_t) { return hit("AppVersion"); };
    c.JED677StartCommunication = [hit](uint32_t, uint8_t, uint16_t*, uint16_t*) {
        return hit("StartCommunication");
    };
    c.JED677Ident = [hit](JED677IdentData*, int32_t*) { return hit("Ident"); };
    c.JED677SendData = [hit](uint16_t*, uint8_t*, uint32_t) { return hit("SendData"); };
    c.JED677StopCommunication = [hit] { return hit("StopCommunication"); };
    c.JED677CloseDiagDriver = [hit] { return hit("CloseDiagDriver"); };
    return c;
}

// The ECU start dialog with scripted answers.
class ScriptedStartDialog : public EcuStartErrorDialog {
public:
    explicit ScriptedStartDialog(std::initializer_list<int> answers = {}) : answers_(answers) {}
    int Execute(int32_t code) override {
        shown.push_back(code);
        if (answers_.empty()) return GiveUp;
        int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    std::vector<int32_t> shown;

private:
    std::deque<int> answers_;
};

class RecordingWaitDialog : public WaitDialog {
public:
    void Execute(int32_t milliseconds) override {
        waits.push_back(milliseconds);
        if (during) during();
    }
    std::vector<int32_t> waits;
    std::function<void()> during;  // runs inside each wait
};

// The port selection's retry loop: scripted results; by default it reopens through the layer.
class ScriptedOpener : public InterfaceOpener {
public:
    bool InitDiagnosticInterface() override {
        ++calls;
        if (!results.empty()) {
            bool r = results.front();
            results.pop_front();
            return r;
        }
        return OpenDiagInterface("") == 0;
    }
    std::deque<bool> results;
    int calls = 0;
};

// An hourglass that must be put back as often as it was shown.
class CountingCursor : public BusyCursor {
public:
    void push() override { ++depth; ++pushes; }
    void pop() override {
        --depth;
        EXPECT_GE(depth, 0) << "cursor restored more often than set";
    }
    int depth = 0;
    int pushes = 0;
};

// Status values the live-value tests read, whatever the simulator's defaults: no switch pressed,
// kneeling inputs open, supply pressure and door contact open, levels 104 (front), 120 and 122
// (rear), pressure 150, tilt 100 and 103.
inline void setQuietStatusValues(SimKeltEcu& ecu) {
    ecu.setStatusValue(0x41, 0x00, 0x00);
    ecu.setStatusValue(0x43, 200, 104);
    ecu.setStatusValue(0x44, 150, 200);
    ecu.setStatusValue(0x46, 120, 122);
    ecu.setStatusValue(0x47, 0x08, 0);
    ecu.setStatusValue(0x48, 180, 48);
    ecu.setStatusValue(0x4B, 100, 103);
}

// A KELTInterface over the fake layer and a simulated ECU, with an INI file, a demo switch and a
// chassis number of its own and every window scripted. Demo mode is off unless a test switches
// it on. The layer is the program's KELTInterfaceObj (OpenDiagInterface reaches it) while the
// fixture lives.
// Members are public so that tables of cases can arrange them.
class KeltFixture : public ::testing::Test {
public:
    std::shared_ptr<SimKeltEcu> ecu = std::make_shared<SimKeltEcu>();
    FakeJed677 jed{ecu};
    ScriptedErrorReporter errors;
    TempDir dir;
    DiagAttrStruct attr;
    ScriptedMessageBoxes boxes;
    RecordingWaitDialog waitDialog;
    ScriptedOpener opener;
    CountingCursor cursor;
    std::unique_ptr<KELTInterface> kelt;
    // The error handler the layer is made with; a fixture may put another in front of `errors`.
    ErrorReporter* errorHandler = &errors;
    uint8_t demoMode = 0;     // the layer's DemoModus
    std::string vehicleVIN;   // the layer's VehicleVIN

    void SetUp() override {
        attr.AppIni = (dir / "KELT.INI").string();
        attr.Schnittstellenname = "COM1";
        attr.Anwendungstitel = "KELT Diagnostic";
        makeKelt(jed.table());
    }
    void TearDown() override {
        EXPECT_EQ(cursor.depth, 0) << "hourglass left on";
        if (KELTInterfaceObj == kelt.get()) KELTInterfaceObj = nullptr;
    }
    void makeKelt(Jed677Calls calls) {
        kelt = std::make_unique<KELTInterface>(std::move(calls), *errorHandler, attr, demoMode, vehicleVIN);
        kelt->setWaitDialog(&waitDialog);
        kelt->setInterfaceOpener(&opener);
        kelt->setBusyCursor(&cursor);
        kelt->setProgramFolder(dir.path().string());
        KELTInterfaceObj = kelt.get();
    }
    // Connected to an ECU of the given identifier, as the start of the diagnosis leaves it.
    void connectTo(std::array<uint8_t, 4> identifier) {
        ecu->setIdentifier(identifier);
        ASSERT_TRUE(kelt->ConnectEcu().connected());
        kelt->DeriveEcuType();
        ecu->clearLog();
    }
    // As connectTo, for any type: the type is set without asking the ECU.
    void useType(uint32_t type) {
        kelt->EcuTyp = type;
        ecu->clearLog();
    }
};

// A KeltFixture, or a fixture built on one, in demo mode: the ECU layer answers with the sample
// data, and every call that would reach the driver fails the test and is counted.
template <class Base>
class InDemoMode : public Base {
public:
    int driverCalls = 0;

    void SetUp() override {
        Base::SetUp();
        this->demoMode = 1;
        this->makeKelt(forbiddenJed677Calls(driverCalls));
    }
};

// --- tables of failure points ------------------------------------------------------------------

// Each failure point of a table once with each answer of the error dialog: Repeat and give up.
template <class Case, std::size_t N>
auto withEachAnswer(const Case (&cases)[N]) {
    return ::testing::Combine(::testing::ValuesIn(cases),
                              ::testing::Values(RepeatOperation, GiveUp));
}

// The test name of such a case: the point's name, then "Repeat" or `giveUpName`.
inline auto pointAndAnswerName(std::string giveUpName = "GiveUp") {
    return [giveUpName](const auto& info) {
        return std::get<0>(info.param).name +
               (std::get<1>(info.param) == RepeatOperation ? "Repeat" : giveUpName);
    };
}

// A failure point of the connection at the start of the diagnosis.
template <class Fixture>
struct ConnectFailureCase {
    std::string name;
    std::function<void(Fixture&)> arrange;
    int32_t code;
    bool inStartDialog;  // else in the error handler
};

// The connection at the start of the diagnosis fails as arranged: exactly one dialog, in the
// right window, and the user's answer back.
inline void expectConnectFailureShownOnce(KeltFixture& f, int32_t code, bool inStartDialog,
                                          int answer) {
    f.errors.script(answer);
    ScriptedStartDialog start{answer};
    EXPECT_EQ(f.kelt->ConnectEcuAtStart(start), answer);
    if (inStartDialog) {
        EXPECT_EQ(start.shown, std::vector<int32_t>{code});
        EXPECT_TRUE(f.errors.shownCodes().empty());
    } else {
        EXPECT_EQ(f.errors.shownCodes(), std::vector<int32_t>{code});
        EXPECT_TRUE(start.shown.empty());
    }
}

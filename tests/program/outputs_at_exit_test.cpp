// The program file ended from outside while it drives outputs, against the simulated interface
// and KELT ECU through the test build of the USB library: a signal (a logout, a shutdown,
// Ctrl+C, a closed terminal) and the display connection lost. A preloaded library plays the
// technician's hands (TechnicianHands.cpp); the ECU keeps a journal of every actuation and every
// close of the interface in a file, which the test reads once the program has ended.
#include "ServerProcess.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSwitchedOff = "actuation 21 00 00";

struct Journal {
    std::vector<std::string> lines;

    bool contains(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // The last actuation line, "" when there is none.
    std::string lastActuation() const {
        for (auto it = lines.rbegin(); it != lines.rend(); ++it)
            if (it->rfind("actuation ", 0) == 0) return *it;
        return "";
    }
    // The interface was closed after the last actuation.
    bool closedAfterTheLastActuation() const {
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            if (*it == "closed") return true;
            if (it->rfind("actuation ", 0) == 0) return false;
        }
        return false;
    }
    std::string text() const {
        std::string all;
        for (const std::string& line : lines) all += line + "\n";
        return all;
    }
};

class OutputsAtExit : public ::testing::Test {
protected:
    OutputsAtExit() {
        const fs::path ini = dir.path() / "share" / "NORVA Diagnostic Software" / "Tarvik" / "V1.32 (GB)" / "Tarvik.INI";
        fs::create_directories(ini.parent_path());
        TempDir::writeFile(ini, "[SelectPort]\r\nInterfacePort=Diagnostic Interface #1\r\n");
    }
    ~OutputsAtExit() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(10000);
        }
    }

    fs::path journalFile() const { return dir.path() / "journal.txt"; }

    Journal journal() const {
        Journal read;
        // Nothing yet before the ECU's first actuation.
        if (!fs::exists(journalFile())) return read;
        std::istringstream lines(TempDir::readFile(journalFile()));
        for (std::string line; std::getline(lines, line);) read.lines.push_back(line);
        return read;
    }

    // The program with its folders in the test's folder, no session bus, the simulated generation-1
    // interface with the KELT ECU and its journal, and the hands doing `task`.
    void launch(const std::string& task, const QString& platform, const QString& display = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString folder = QString::fromStdString(dir.path().string());
        environment.insert(QStringLiteral("HOME"), folder);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/share"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + folder +
                                                                          QStringLiteral("/no-bus"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        if (!display.isEmpty()) environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("KELT_SIM_USB"), QStringLiteral("1"));
        environment.insert(QStringLiteral("KELT_SIM_ECU"),
                           QString::fromStdString("kelt journal=" + journalFile().string()));
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
                           QString::fromStdString(fs::path(KELT_SIM_USB_LIBRARY).parent_path().string()));
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(KELT_TECHNICIAN_HANDS));
        // In the sanitizer build the preloaded library comes before the sanitizer's runtime.
        QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
        if (!sanitizer.isEmpty()) sanitizer += QLatin1Char(':');
        environment.insert(QStringLiteral("ASAN_OPTIONS"), sanitizer + QStringLiteral("verify_asan_link_order=0"));
        environment.insert(QStringLiteral("KELT_TEST_HANDS"), QString::fromStdString(task));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        program.start(QStringLiteral(KELT_PROGRAM_FILE), {});
        ASSERT_TRUE(program.waitForStarted(10000)) << program.errorString().toStdString();
    }

    // Waits until the ECU carries out `drive`, the outputs the hands switched on.
    void waitForDrive(const std::string& drive) {
        ASSERT_TRUE(processEventsUntil(
            [&] { return journal().lastActuation() == drive || program.state() == QProcess::NotRunning; }, 60000))
            << journal().text();
        ASSERT_EQ(journal().lastActuation(), drive) << journal().text();
        ASSERT_EQ(program.state(), QProcess::Running);
    }

    // Waits for the program to end; false when it did not.
    bool ended() {
        return processEventsUntil([&] { return program.state() == QProcess::NotRunning; }, 30000);
    }

    TempDir dir;
    QProcess program;
};

struct SignalCase {
    std::string name;
    int signal;
    std::string task;
    std::string drive;  // what the ECU carries out while the hands hold the outputs on
};

void PrintTo(const SignalCase& c, std::ostream* os) { *os << c.name; }

class EndedBySignal : public OutputsAtExit, public ::testing::WithParamInterface<SignalCase> {};

TEST_P(EndedBySignal, LeavesTheOutputsOffAndTheInterfaceClosed) {
    const SignalCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(launch(c.task, QStringLiteral("offscreen")));
    ASSERT_NO_FATAL_FAILURE(waitForDrive(c.drive));

    ::kill(static_cast<pid_t>(program.processId()), c.signal);
    ASSERT_TRUE(ended()) << "the program went on after the signal";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "the signal killed the program";
    EXPECT_EQ(program.exitCode(), 0);
    const Journal after = journal();
    EXPECT_EQ(after.lastActuation(), kSwitchedOff) << after.text();
    EXPECT_TRUE(after.closedAfterTheLastActuation()) << after.text();
}

INSTANTIATE_TEST_SUITE_P(
    Signals, EndedBySignal,
    ::testing::Values(SignalCase{"TermWhileTheThrottlesAreOn", SIGTERM, "throttles", "actuation 21 00 06"},
                      SignalCase{"TermWhileChargeIsHeld", SIGTERM, "charge", "actuation 21 07 00"},
                      SignalCase{"IntWhileTheThrottlesAreOn", SIGINT, "throttles", "actuation 21 00 06"},
                      SignalCase{"HupWhileChargeIsHeld", SIGHUP, "charge", "actuation 21 07 00"}),
    [](const auto& info) { return info.param.name; });

TEST_F(OutputsAtExit, LosingTheDisplayLeavesTheOutputsOffAndTheInterfaceClosed) {
    std::string why;
    std::unique_ptr<ServerProcess> xServer =
        ServerProcess::start({"Xvfb", "-displayfd", "{fd}", "-nolisten", "tcp", "-noreset", "-screen", "0", "1280x1024x24"}, why);
    if (!xServer) GTEST_SKIP() << "no X server: " << why;
    ASSERT_NO_FATAL_FAILURE(
        launch("outputs", QStringLiteral("xcb"), QStringLiteral(":") + QString::fromStdString(xServer->announcement())));
    ASSERT_NO_FATAL_FAILURE(waitForDrive("actuation 21 60 00"));

    xServer.reset();
    ASSERT_TRUE(ended()) << "the program went on without its display";
    const Journal after = journal();
    EXPECT_EQ(after.lastActuation(), kSwitchedOff) << after.text();
    EXPECT_TRUE(after.closedAfterTheLastActuation()) << after.text();
}

}  // namespace

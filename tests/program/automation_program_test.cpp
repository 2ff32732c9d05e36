// The program itself, started as a process in demo mode, as a host program meets it on a session
// bus: a D-Bus daemon of the test's own that starts programs through the activation files of the
// test's data folder, the program's folders in a temporary folder with a stored interface port,
// and clients on connections of their own.
#include "AutomationClient.h"
#include "AutomationRequests.h"
#include "AutomationServer.h"
#include "PrivateDbusDaemon.h"
#include "ReadOnlyFile.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QMap>
#include <QProcess>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const QString BusName = QString::fromLatin1(automation::BusName);

class AutomationProgramTest : public ::testing::Test {
protected:
    AutomationProgramTest() {
        // No documents folder under this home: the settings live under the data folder.
        const fs::path ini = dataHome() / "NORVA Diagnostic Software" / "Tarvik" / "V1.32 (GB)" / "Tarvik.INI";
        fs::create_directories(ini.parent_path());
        TempDir::writeFile(ini, "[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n");
    }
    ~AutomationProgramTest() override {
        client.reset();
        for (QProcess* process : {&program, &second}) {
            if (process->state() == QProcess::NotRunning) continue;
            process->kill();
            process->waitForFinished(10000);
        }
        // A program the bus started is the daemon's child, not ours.
        if (activated > 0) ::kill(static_cast<pid_t>(activated), SIGKILL);
    }

    fs::path dataHome() const { return dir.path() / "share"; }
    fs::path activationFile() const { return automation::activationFilePath(dataHome()); }
    std::vector<std::string> servicesFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(activationFile().parent_path()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    // The program's folders under the test's folder, the test's bus, no screen.
    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString folder = QString::fromStdString(dir.path().string());
        environment.insert(QStringLiteral("HOME"), folder);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(dataHome().string()));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(daemon.address()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return environment;
    }

    std::unique_ptr<AutomationClient> connectClient() {
        auto connected = std::make_unique<AutomationClient>(daemon.address());
        EXPECT_TRUE(connected->connected());
        return connected;
    }

    void launch(QProcess& process, const QStringList& arguments) {
        process.setProcessEnvironment(environment());
        process.setProcessChannelMode(QProcess::ForwardedOutputChannel);  // stderr to the test's log
        process.start(QStringLiteral(KELT_PROGRAM), arguments);
        ASSERT_TRUE(process.waitForStarted(10000)) << process.errorString().toStdString();
    }

    bool nameOwned() { return client->bus().interface()->isServiceRegistered(BusName).value(); }

    // Starts the program and waits until it owns its name on the test's bus.
    void start(const QStringList& arguments) {
        ASSERT_TRUE(daemon.ok()) << daemon.error();
        client = connectClient();
        ASSERT_NO_FATAL_FAILURE(launch(program, arguments));

        bool owned = false;
        QDBusServiceWatcher watcher(BusName, client->bus(), QDBusServiceWatcher::WatchForRegistration);
        QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, [&] { owned = true; });
        owned = owned || nameOwned();
        ASSERT_TRUE(processEventsUntil([&] { return owned || program.state() == QProcess::NotRunning; }, 60000));
        ASSERT_TRUE(owned) << "the program ended (exit code " << program.exitCode() << ") before it owned "
                           << automation::BusName;
    }

    // Waits for the process to end by itself; its exit code, or -1 when it did not end or crashed.
    static int ended(QProcess& process) {
        if (!processEventsUntil([&] { return process.state() == QProcess::NotRunning; }, 30000)) return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    int ended() { return ended(program); }

    // Runs the program with nothing to show on: no display and no platform chosen.
    struct Run {
        int exitCode;
        std::string standardError;
    };
    Run runWithoutDisplay(const QStringList& arguments) {
        QProcessEnvironment headless = environment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) headless.remove(QLatin1String(name));
        QProcess process;
        process.setProcessEnvironment(headless);
        process.start(QStringLiteral(KELT_PROGRAM), arguments);
        if (!process.waitForFinished(30000)) return {-1, "did not end"};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardError().toStdString()};
    }

    TempDir dir;
    PrivateDbusDaemon daemon{automation::activationFilePath(dir.path() / "share").parent_path()};
    std::unique_ptr<AutomationClient> client;
    QProcess program;
    QProcess second;
    uint activated = 0;  // the process the bus started
};

// The text the bus reads to start the program for a host.
std::string activationText() {
    return "# COM Outproc Server Tarvik\n"
           "[D-BUS Service]\n"
           "Name=Tarvik.NCOM_DiagnosticSoftware\n"
           "Exec=" + fs::canonical(KELT_PROGRAM).string() + " /Automation\n";
}

TEST_F(AutomationProgramTest, RegistersAndUnregistersWithoutADisplay) {
    struct Case {
        const char* argument;
        bool fileBefore;
        bool readOnly;
        int exitCode;
        bool fileAfter;
    } const cases[] = {
        {"/REGSERVER", false, false, 0, true},
        {"-regserver", true, false, 0, true},
        {"/UnRegServer", true, false, 0, false},
        {"-UNREGSERVER", false, false, 0, false},
        {"/RegServer", false, true, 1, false},
        {"/unregserver", true, true, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        fs::remove(activationFile());
        // An old registration from another place is replaced, not kept.
        if (c.fileBefore) TempDir::writeFile(activationFile(), "[D-BUS Service]\nName=old\nExec=/old/Tarvik\n");
        const std::string before = c.fileBefore ? TempDir::readFile(activationFile()) : std::string();
        std::unique_ptr<ReadOnlyFile> readOnly;
        if (c.readOnly) {
            readOnly = std::make_unique<ReadOnlyFile>(activationFile().parent_path());
            if (!readOnly->active()) continue;  // the file system cannot make the folder read-only
        }

        const Run run = runWithoutDisplay({QString::fromLatin1(c.argument)});
        readOnly.reset();
        EXPECT_EQ(run.exitCode, c.exitCode) << run.standardError;
        EXPECT_EQ(!run.standardError.empty(), c.exitCode != 0) << run.standardError;
        if (c.exitCode != 0) {
            EXPECT_NE(run.standardError.find(activationFile().parent_path().string()), std::string::npos)
                << run.standardError;
        }
        ASSERT_EQ(fs::exists(activationFile()), c.fileAfter);
        // Never a part of a file, and no temporary file left beside it.
        EXPECT_EQ(servicesFolder().size(), c.fileAfter ? 1u : 0u);
        if (c.fileAfter) {
            EXPECT_EQ(TempDir::readFile(activationFile()), c.exitCode == 0 ? activationText() : before);
        }
    }
}

// Under a file-size limit the write fails and says so; the program is not killed by the limit's
// signal halfway through writing.
TEST_F(AutomationProgramTest, RegisteringUnderAFileSizeLimitReportsTheFailedWrite) {
    QProcess process;
    QProcessEnvironment headless = environment();
    headless.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(headless);
    process.setChildProcessModifier([] {
        // What a shell's "ulimit -f" gives a program: the limit and the signal's default action.
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(QStringLiteral(KELT_PROGRAM), {QStringLiteral("/RegServer")});
    ASSERT_TRUE(process.waitForFinished(30000));
    const std::string said = process.readAllStandardError().toStdString();
    ASSERT_EQ(process.exitStatus(), QProcess::NormalExit) << "ended by a signal: " << said;
    EXPECT_EQ(process.exitCode(), 1) << said;
    EXPECT_NE(said.find("File too large"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(activationFile()));
    EXPECT_TRUE(servicesFolder().empty());
}

TEST_F(AutomationProgramTest, AStartByHandRegistersAgainAndAStartByTheBusDoesNot) {
    ASSERT_TRUE(daemon.ok()) << daemon.error();
    ASSERT_NO_FATAL_FAILURE(launch(program, {QStringLiteral("demo")}));
    EXPECT_TRUE(processEventsUntil([&] { return fs::exists(activationFile()); }, 30000));
    program.kill();
    program.waitForFinished(10000);
    ASSERT_EQ(TempDir::readFile(activationFile()), activationText());

    fs::remove(activationFile());
    ASSERT_NO_FATAL_FAILURE(start({QStringLiteral("demo"), QStringLiteral("/Automation")}));
    EXPECT_TRUE(servicesFolder().empty());
}

// A host calls the program while none runs: the bus starts it through the activation file.
TEST_F(AutomationProgramTest, TheBusStartsTheProgramForAHostThatCallsIt) {
    ASSERT_TRUE(daemon.ok()) << daemon.error();
    ASSERT_EQ(runWithoutDisplay({QStringLiteral("/RegServer")}).exitCode, 0);
    client = connectClient();
    // The program the bus starts gets the test's folders and bus, as it would get the session's.
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QMap<QString, QString> variables;
    const QProcessEnvironment wanted = environment();
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM"})
        variables.insert(QLatin1String(name), wanted.value(QLatin1String(name)));
    QDBusMessage update = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
    update.setArguments({QVariant::fromValue(variables)});
    ASSERT_EQ(errorNameOf(client->bus().call(update)), "");
    ASSERT_FALSE(nameOwned());

    const QDBusPendingCall init = client->callAsync(QStringLiteral("comInit"), {0});
    ASSERT_TRUE(processEventsUntil([&] { return init.isFinished(); }, 60000));
    const QDBusMessage reply = init.reply();
    ASSERT_EQ(errorNameOf(reply), "") << reply.errorMessage().toStdString();
    activated = client->bus().interface()->servicePid(BusName).value();
    ASSERT_EQ(reply.arguments().size(), 2);
    EXPECT_NE(reply.arguments()[0].toInt(), 0);
    EXPECT_EQ(client->call(QStringLiteral("comGetMenuItemInfo"), {QStringLiteral("0")}).arguments(),
              QVariantList({QStringLiteral("&Diagnosis"), 2}));
}

// A host connects, reads the menu, starts the diagnosis and ends the program through the exit
// command: it hears the close before the program is gone, and the program ends normally.
TEST_F(AutomationProgramTest, AHostDrivesTheRunningProgramOnTheSessionBus) {
    ASSERT_NO_FATAL_FAILURE(start({QStringLiteral("demo"), QStringLiteral("/Automation")}));

    const QDBusMessage init = client->call(QStringLiteral("comInit"), {0});
    ASSERT_EQ(errorNameOf(init), "") << init.errorMessage().toStdString();
    ASSERT_EQ(init.arguments().size(), 2);
    EXPECT_NE(init.arguments()[0].toInt(), 0);
    EXPECT_EQ(init.arguments()[1].toInt(), automation::MainMenuHandle);

    const struct {
        const char* item;
        const char* text;
        int state;
    } before[] = {{"0", "&Diagnosis", 2}, {"0#1", "&Interrupt", 1}}, after[] = {{"0#1", "&Interrupt", 2}};
    auto expectItems = [&](const auto& items) {
        for (const auto& c : items)
            EXPECT_EQ(client->call(QStringLiteral("comGetMenuItemInfo"), {QString::fromLatin1(c.item)}).arguments(),
                      QVariantList({QString::fromLatin1(c.text), c.state}))
                << c.item;
    };
    expectItems(before);

    // The demo diagnosis starts after the reply; the menu update is heard.
    ASSERT_EQ(errorNameOf(client->call(QStringLiteral("comStartMenuItem"), {1})), "");
    ASSERT_TRUE(client->waitFor(QStringLiteral("comMenuStateHasChanged")));
    EXPECT_EQ(client->heard().back().arguments, QVariantList({1}));
    expectItems(after);

    ASSERT_EQ(errorNameOf(client->call(QStringLiteral("comStartMenuItem"), {5})), "");
    ASSERT_TRUE(client->waitFor(QStringLiteral("comCloseApplication")));
    EXPECT_EQ(ended(), 0);
    EXPECT_EQ(errorNameOf(client->call(QStringLiteral("comGetMenuItemInfo"), {QStringLiteral("0")})),
              "org.freedesktop.DBus.Error.ServiceUnknown");
}

// A placement the main window cannot take is refused with its limit, at once, and the program
// serves on; one it can take shows the window.
TEST_F(AutomationProgramTest, APlacementBelowTheMinimumOrBeyondTheScreensIsRefused) {
    ASSERT_NO_FATAL_FAILURE(start({QStringLiteral("demo"), QStringLiteral("/Automation")}));
    ASSERT_EQ(errorNameOf(client->call(QStringLiteral("comInit"), {0})), "");

    const int most = std::numeric_limits<int>::max();
    const struct {
        int width, height;
        const char* says;
    } refused[] = {
        {1, 1, "the main window needs at least "},
        {most, most, "larger than the screens"},
        {most, 500, "larger than the screens"},
    };
    for (const auto& c : refused) {
        const QDBusMessage reply = client->call(QStringLiteral("comSetPosition"), {0, 0, c.width, c.height});
        EXPECT_EQ(errorNameOf(reply), "org.freedesktop.DBus.Error.InvalidArgs") << c.width << "x" << c.height;
        EXPECT_TRUE(reply.errorMessage().contains(QLatin1String(c.says))) << reply.errorMessage().toStdString();
    }
    const QDBusMessage placed = client->call(QStringLiteral("comSetPosition"), {0, 0, 790, 590});
    EXPECT_EQ(errorNameOf(placed), "") << placed.errorMessage().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
}

// Started for hosts, the program serves as long as one of those that called comInit is on the bus.
TEST_F(AutomationProgramTest, AProgramStartedForHostsEndsWhenTheLastOfThemHasLeft) {
    ASSERT_NO_FATAL_FAILURE(start({QStringLiteral("demo"), QStringLiteral("/Automation")}));
    std::unique_ptr<AutomationClient> other = connectClient();
    for (AutomationClient* host : {client.get(), other.get()})
        ASSERT_EQ(errorNameOf(host->call(QStringLiteral("comInit"), {0})), "");

    client.reset();
    const QDBusMessage still = other->call(QStringLiteral("comGetMenuItemInfo"), {QStringLiteral("0")});
    EXPECT_EQ(errorNameOf(still), "") << still.errorMessage().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);

    other.reset();
    EXPECT_EQ(ended(), 0);
}

// Only one program serves the name: a second one started for a host says why and ends.
TEST_F(AutomationProgramTest, ASecondServerEndsWithAnErrorAndTheFirstServesOn) {
    ASSERT_NO_FATAL_FAILURE(start({QStringLiteral("demo"), QStringLiteral("/Automation")}));
    second.setProcessEnvironment(environment());
    second.start(QStringLiteral(KELT_PROGRAM), {QStringLiteral("demo"), QStringLiteral("/Automation")});
    ASSERT_TRUE(second.waitForStarted(10000));
    EXPECT_EQ(ended(second), 1);
    const std::string said = second.readAllStandardError().toStdString();
    EXPECT_NE(said.find("The automation server cannot serve"), std::string::npos) << said;
    EXPECT_NE(said.find(automation::BusName), std::string::npos) << said;
    // The reason follows the colon: the first program holds the name.
    EXPECT_NE(said.find("could not be owned: another program owns it (bus connection :"), std::string::npos) << said;

    EXPECT_EQ(errorNameOf(client->call(QStringLiteral("comInit"), {0})), "");
    EXPECT_EQ(program.state(), QProcess::Running);
}

// Without a session bus a program started for a host has no one to serve: it says why and ends.
TEST_F(AutomationProgramTest, AProgramStartedForAHostWithoutABusEndsWithAnError) {
    QProcessEnvironment noBus = environment();
    noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                 QStringLiteral("unix:path=") + QString::fromStdString((dir.path() / "no-bus").string()));
    program.setProcessEnvironment(noBus);
    program.start(QStringLiteral(KELT_PROGRAM), {QStringLiteral("demo"), QStringLiteral("/Automation")});
    ASSERT_TRUE(program.waitForStarted(10000));
    EXPECT_EQ(ended(), 1);
    const std::string said = program.readAllStandardError().toStdString();
    EXPECT_NE(said.find("The automation server cannot serve: no bus connection"), std::string::npos) << said;
}

}  // namespace

// The program itself, started as a process in demo mode, as a host program meets it on a session
// bus: a D-Bus daemon of the test's own, the program's folders in a temporary folder with a stored
// interface port, and a client on a connection of its own.
#include "AutomationClient.h"
#include "AutomationRequests.h"
#include "PrivateDbusDaemon.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

class AutomationProgramTest : public ::testing::Test {
protected:
    AutomationProgramTest() {
        // No documents folder under this home: the settings live under the data folder.
        const std::filesystem::path ini =
            dir / "share" / "NORVA Diagnostic Software" / "Tarvik" / "V1.32 (GB)" / "Tarvik.INI";
        std::filesystem::create_directories(ini.parent_path());
        TempDir::writeFile(ini, "[SelectPort]\r\nInterfacePort=COM1\r\n[Optionen]\r\nAutoStart=0\r\n");
    }
    ~AutomationProgramTest() override {
        client.reset();
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(10000);
        }
    }

    // Starts the program and waits until it owns its name on the test's bus.
    void start(const QStringList& arguments) {
        ASSERT_TRUE(daemon.ok()) << daemon.error();
        client = std::make_unique<AutomationClient>(daemon.address());
        ASSERT_TRUE(client->connected());

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString folder = QString::fromStdString(dir.path().string());
        environment.insert(QStringLiteral("HOME"), folder);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/share"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(daemon.address()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedOutputChannel);  // stderr to the test's log
        program.start(QStringLiteral(KELT_PROGRAM), arguments);
        ASSERT_TRUE(program.waitForStarted(10000)) << program.errorString().toStdString();

        const QString name = QString::fromLatin1(automation::BusName);
        bool owned = false;
        QDBusServiceWatcher watcher(name, client->bus(), QDBusServiceWatcher::WatchForRegistration);
        QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, [&] { owned = true; });
        owned = owned || client->bus().interface()->isServiceRegistered(name).value();
        ASSERT_TRUE(processEventsUntil([&] { return owned || program.state() == QProcess::NotRunning; }, 60000));
        ASSERT_TRUE(owned) << "the program ended (exit code " << program.exitCode() << ") before it owned "
                           << automation::BusName;
    }

    // Waits for the program to end by itself; its exit code, or -1 when it did not end or crashed.
    int ended() {
        if (!processEventsUntil([&] { return program.state() == QProcess::NotRunning; }, 30000)) return -1;
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    TempDir dir;
    PrivateDbusDaemon daemon;
    std::unique_ptr<AutomationClient> client;
    QProcess program;
};

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

}  // namespace

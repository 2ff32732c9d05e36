// The server switches, the activation file that registers the program with the bus, and when a
// server started by the bus ends.
#include "AutomationServer.h"

#include "ReadOnlyFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace automation;

namespace {

TEST(ServerSwitches, AreFoundAfterADashOrASlashInAnyCase) {
    struct Case {
        std::vector<std::string> arguments;
        bool reg, unreg, automation, embedding;
    } const cases[] = {
        {{"/opt/Tarvik", "/REGSERVER"}, true, false, false, false},
        {{"/opt/Tarvik", "-regserver"}, true, false, false, false},
        {{"/opt/Tarvik", "/UnRegServer"}, false, true, false, false},
        {{"/opt/Tarvik", "demo", "/Automation"}, false, false, true, false},
        {{"/opt/Tarvik", "-Embedding"}, false, false, false, true},
        {{"/opt/Tarvik", "-automation", "/embedding"}, false, false, true, true},
        // Not switches: no sign, two dashes, another word, the program itself.
        {{"/opt/Tarvik", "regserver", "--regserver", "/regservers", "/d"}, false, false, false, false},
        {{"/regserver"}, false, false, false, false},
        {{}, false, false, false, false},
    };
    for (const Case& c : cases) {
        const ServerSwitches found = parseServerSwitches(c.arguments);
        const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.back();
        EXPECT_EQ(found.regServer, c.reg) << shown;
        EXPECT_EQ(found.unregServer, c.unreg) << shown;
        EXPECT_EQ(found.automation, c.automation) << shown;
        EXPECT_EQ(found.embedding, c.embedding) << shown;
        EXPECT_EQ(found.startedByBus(), c.automation || c.embedding) << shown;
        EXPECT_EQ(found.registersAtStart(), !(c.automation || c.embedding)) << shown;
    }
}

TEST(ActivationFile, NamesTheBusNameAndStartsTheProgramFileWithAutomation) {
    EXPECT_EQ(activationFilePath("/home/tech/.local/share"),
              fs::path("/home/tech/.local/share/dbus-1/services/Tarvik.NCOM_DiagnosticSoftware.service"));

    const std::string head = "# COM Outproc Server Tarvik\n"
                             "[D-BUS Service]\n"
                             "Name=Tarvik.NCOM_DiagnosticSoftware\n";
    struct Case {
        const char* programFile;
        std::optional<std::string> exec;  // the Exec value; nothing when there is no file
    } const cases[] = {
        {"/opt/tarvik/bin/Tarvik", "/opt/tarvik/bin/Tarvik /Automation"},
        {"/home/tech/Diagnose Programme/Tarvik", "\"/home/tech/Diagnose Programme/Tarvik\" /Automation"},
        {"/home/tech/it's/Tarvik", "\"/home/tech/it's/Tarvik\" /Automation"},
        {"/home/tech/\"q\"/$x`y\\z", "\"/home/tech/\\\"q\\\"/\\$x\\`y\\\\z\" /Automation"},
        {"Tarvik", std::nullopt},
        {"", std::nullopt},
        {"/home/tech/two\nlines/Tarvik", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> text = activationFileText(c.programFile);
        if (!c.exec) {
            EXPECT_FALSE(text) << c.programFile;
            continue;
        }
        ASSERT_TRUE(text) << c.programFile;
        EXPECT_EQ(*text, head + "Exec=" + *c.exec + "\n");
    }
}

class Registration : public ::testing::Test {
protected:
    fs::path dataHome() const { return dir / "share"; }
    fs::path file() const { return activationFilePath(dataHome()); }
    // Every entry of the services folder, temporary files included.
    std::vector<std::string> servicesFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(file().parent_path()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    TempDir dir;
};

TEST_F(Registration, WritesTheFileWithItsFoldersAndReplacesAnOldOne) {
    ASSERT_TRUE(registerServer(dataHome(), "/old/place/Tarvik").ok());
    const ProfileWriteResult written = registerServer(dataHome(), "/opt/tarvik/Tarvik");
    ASSERT_TRUE(written.ok()) << written.message;
    EXPECT_EQ(TempDir::readFile(file()), *activationFileText("/opt/tarvik/Tarvik"));
    EXPECT_EQ(servicesFolder(), std::vector<std::string>{"Tarvik.NCOM_DiagnosticSoftware.service"});

    ASSERT_TRUE(unregisterServer(dataHome()).ok());
    EXPECT_FALSE(fs::exists(file()));
    // Unregistered already: nothing to do, no error.
    EXPECT_TRUE(unregisterServer(dataHome()).ok());
    EXPECT_TRUE(unregisterServer(dir / "nowhere").ok());
}

TEST_F(Registration, AReadOnlyServicesFolderIsAnErrorAndLeavesNothingBehind) {
    fs::create_directories(file().parent_path());
    ReadOnlyFile readOnly(file().parent_path());
    if (!readOnly.active()) GTEST_SKIP() << "the file system cannot make the folder read-only";

    const ProfileWriteResult written = registerServer(dataHome(), "/opt/tarvik/Tarvik");
    EXPECT_FALSE(written.ok());
    EXPECT_NE(written.message.find(file().parent_path().string()), std::string::npos) << written.message;
    EXPECT_TRUE(servicesFolder().empty());
}

TEST_F(Registration, AFileThatCannotBeRemovedIsAnErrorAndStays) {
    ASSERT_TRUE(registerServer(dataHome(), "/opt/tarvik/Tarvik").ok());
    ReadOnlyFile readOnly(file().parent_path());
    if (!readOnly.active()) GTEST_SKIP() << "the file system cannot make the folder read-only";

    const ProfileWriteResult removed = unregisterServer(dataHome());
    EXPECT_FALSE(removed.ok());
    EXPECT_NE(removed.message.find(file().string()), std::string::npos) << removed.message;
    EXPECT_TRUE(fs::exists(file()));
}

TEST_F(Registration, WithoutADataFolderNothingIsWritten) {
    for (const ProfileWriteResult& result : {registerServer({}, "/opt/tarvik/Tarvik"), unregisterServer({})}) {
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.message.find("XDG_DATA_HOME"), std::string::npos) << result.message;
    }
    EXPECT_FALSE(registerServer(dataHome(), "Tarvik").ok());
    EXPECT_FALSE(fs::exists(file()));
}

TEST(ServerLifetime, AServerStartedByTheBusEndsWhenTheLastClientThatCalledInitLeaves) {
    enum Step { Init, Leave };
    struct Event {
        Step step;
        const char* client;
        bool ends;  // what the rule says after this event
    };
    struct Case {
        const char* name;
        bool startedByBus;
        std::vector<Event> events;
    } const cases[] = {
        {"one client", true, {{Init, ":1.5", false}, {Leave, ":1.5", true}}},
        {"init called twice", true, {{Init, ":1.5", false}, {Init, ":1.5", false}, {Leave, ":1.5", true}}},
        {"two clients", true,
         {{Init, ":1.5", false}, {Init, ":1.6", false}, {Leave, ":1.6", false}, {Leave, ":1.5", true}}},
        {"a client without init leaves", true,
         {{Leave, ":1.4", false}, {Init, ":1.5", false}, {Leave, ":1.4", false}, {Leave, ":1.5", true}}},
        {"a client joins after another left", true,
         {{Init, ":1.5", false}, {Init, ":1.6", false}, {Leave, ":1.5", false}, {Init, ":1.7", false},
          {Leave, ":1.6", false}, {Leave, ":1.7", true}}},
        {"started by hand", false, {{Init, ":1.5", false}, {Init, ":1.6", false}, {Leave, ":1.5", false},
                                    {Leave, ":1.6", false}}},
    };
    for (const Case& c : cases) {
        ServerLifetime lifetime(c.startedByBus);
        for (std::size_t i = 0; i < c.events.size(); ++i) {
            const Event& e = c.events[i];
            bool ends = false;
            if (e.step == Init)
                lifetime.clientInitialized(e.client);
            else
                ends = lifetime.clientLeft(e.client);
            EXPECT_EQ(ends, e.ends) << c.name << ", event " << i;
        }
        EXPECT_EQ(lifetime.clientCount(), 0u) << c.name;
    }
}

}  // namespace

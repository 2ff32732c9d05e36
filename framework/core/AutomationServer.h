#pragma once
// How the program becomes an automation server: the server switches of the command line, the
// D-Bus activation file through which the bus starts the program for a host (our registration),
// and when a server started that way ends. main() acts on these; the Qt side only reports which
// callers have come and gone.
//
// The activation file stands in for the class registration: the bus name is the ProgID, the
// description a comment, Exec the program file with " /Automation". The class and interface ids
// and the threading model have nothing to stand for on the bus.

#include "ProfileFile.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace automation {

// "REGSERVER", "UNREGSERVER", "AUTOMATION", "EMBEDDING", each after "-" or "/", in any case.
// The program itself (index 0) is no switch.
struct ServerSwitches {
    bool regServer = false;
    bool unregServer = false;
    bool automation = false;
    bool embedding = false;
    // The bus (a host) started the program: it serves its clients and ends after them.
    bool startedByBus() const { return automation || embedding; }
    // A start by hand registers the program again, so the file names this program file.
    bool registersAtStart() const { return !startedByBus(); }
};

ServerSwitches parseServerSwitches(const std::vector<std::string>& arguments);

// <data home>/dbus-1/services/Tarvik.NCOM_DiagnosticSoftware.service; the data home is
// $XDG_DATA_HOME, else ~/.local/share (ShellFolders::data()).
std::filesystem::path activationFilePath(const std::filesystem::path& dataHome);

// The activation file for this program file; nothing when the path cannot stand in the file
// (empty, relative, or with a line break).
std::optional<std::string> activationFileText(const std::filesystem::path& programFile);

// REGSERVER: writes the activation file whole (its folders created as needed). A failure says
// why, and leaves no part of a file behind.
ProfileWriteResult registerServer(const std::filesystem::path& dataHome, const std::filesystem::path& programFile);
// UNREGSERVER: removes the activation file; a file that is not there is no error.
ProfileWriteResult unregisterServer(const std::filesystem::path& dataHome);

// When a server ends. A program started by the bus ends when the last client that called comInit
// has left the bus, as a server started for its clients ends when the last one lets go; before
// any client called comInit it waits for one. A program started by hand runs until the technician
// or a client closes it.
class ServerLifetime {
public:
    explicit ServerLifetime(bool startedByBus) : startedByBus_(startedByBus) {}

    // A client (its unique bus name) called comInit; a second call changes nothing.
    void clientInitialized(const std::string& client);
    // A client left the bus. True when the program must end now: started by the bus and the
    // last client that called comInit has gone. A client that never called comInit changes
    // nothing.
    bool clientLeft(const std::string& client);

    std::size_t clientCount() const { return clients_.size(); }

private:
    bool startedByBus_;
    std::set<std::string> clients_;
};

}  // namespace automation

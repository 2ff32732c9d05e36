#pragma once
// A D-Bus daemon of the test's own, with its own configuration and socket in a temporary
// folder: tests own bus names there without touching the session bus, and CTest can run them
// side by side. Given a services folder, the daemon starts programs through the activation
// files there when a call names a bus name nobody owns.

#include "ServerProcess.h"
#include "TempDir.h"

#include <filesystem>
#include <memory>
#include <string>

class PrivateDbusDaemon {
public:
    // Starts dbus-daemon; check ok() (error() says why it did not start). The services folder is
    // created when it is missing.
    explicit PrivateDbusDaemon(const std::filesystem::path& servicesFolder = {});

    bool ok() const { return server_ != nullptr; }
    const std::string& error() const { return error_; }
    // The address clients connect to ("unix:path=...,guid=...").
    const std::string& address() const;

private:
    TempDir dir_;
    std::string error_;
    std::unique_ptr<ServerProcess> server_;
};

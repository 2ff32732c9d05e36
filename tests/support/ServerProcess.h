#pragma once
// A server program a test starts for itself (a D-Bus daemon, an X server) that tells on a pipe
// where it listens: "{fd}" in an argument is replaced by the number of the pipe's writing end, and
// the first line written there is the announcement. The server ends (SIGTERM, then waited for)
// with the object.

#include "TempDir.h"

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

class ServerProcess {
public:
    // Starts the program (searched in PATH) and waits, at most `limitMs`, for its announcement.
    // Null when it could not start or ended without one; `error` then says why (with the end of
    // what the program wrote to stderr).
    static std::unique_ptr<ServerProcess> start(const std::vector<std::string>& arguments, std::string& error,
                                                int limitMs = 30000);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // The first line the server wrote to the pipe, without its line end.
    const std::string& announcement() const { return announcement_; }

private:
    ServerProcess() = default;
    void stop();

    pid_t pid_ = -1;
    std::string announcement_;
    TempDir dir_;  // the server's stderr
};

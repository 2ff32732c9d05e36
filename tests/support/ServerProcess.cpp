#include "ServerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

std::string tail(const std::filesystem::path& file) {
    std::string text;
    try {
        text = TempDir::readFile(file);
    } catch (...) {
        return {};
    }
    constexpr std::size_t keep = 600;
    return text.size() > keep ? "..." + text.substr(text.size() - keep) : text;
}

}  // namespace

std::unique_ptr<ServerProcess> ServerProcess::start(const std::vector<std::string>& arguments, std::string& error,
                                                    int limitMs) {
    std::unique_ptr<ServerProcess> server(new ServerProcess);
    const std::filesystem::path errors = server->dir_ / "stderr";
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return nullptr;
    }
    // The writing end, inherited by the server under this number.
    const int serverFd = 3;
    std::vector<std::string> argv = arguments;
    for (std::string& argument : argv)
        if (const std::size_t at = argument.find("{fd}"); at != std::string::npos)
            argument.replace(at, 4, std::to_string(serverFd));
    std::vector<char*> raw;
    for (std::string& argument : argv) raw.push_back(argument.data());
    raw.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        close(pipeFds[0]);
        close(pipeFds[1]);
        return nullptr;
    }
    if (pid == 0) {
        // Child: only async-signal-safe calls until exec.
        dup2(pipeFds[1], serverFd);  // dup2 clears close-on-exec on the copy
        const int errFd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (errFd >= 0) dup2(errFd, STDERR_FILENO);
        const int nullFd = open("/dev/null", O_RDWR);
        if (nullFd >= 0) {
            dup2(nullFd, STDIN_FILENO);
            dup2(nullFd, STDOUT_FILENO);
        }
        setpgid(0, 0);
        // A test that dies (an abort, a fatal signal) takes its server with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        execvp(raw[0], raw.data());
        _exit(127);
    }
    server->pid_ = pid;
    close(pipeFds[1]);

    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error = arguments[0] + " did not announce itself in time";
            break;
        }
        pollfd fd{pipeFds[0], POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        char buffer[256];
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            int status = 0;
            const bool ended = waitpid(pid, &status, 0) == pid;
            server->pid_ = ended ? -1 : pid;
            error = arguments[0] + " ended without announcing itself";
            if (ended && WIFEXITED(status)) {
                const int code = WEXITSTATUS(status);
                error += " (exit code " + std::to_string(code) + (code == 127 ? ": is it installed?)" : ")");
            }
            break;
        }
        line.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    if (line.find('\n') == std::string::npos) {
        const std::string written = tail(errors);
        if (!written.empty()) error += ": " + written;
        return nullptr;
    }
    server->announcement_ = line.substr(0, line.find('\n'));
    return server;
}

ServerProcess::~ServerProcess() { stop(); }

void ServerProcess::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

#include "ShellFolders.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

extern char** environ;

namespace {

bool isDirectory(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::is_directory(p, ec);
}

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

// Waits for the child to end, killing it once the deadline has passed.
int reap(pid_t pid, bool kill) {
    if (kill) ::kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}

}  // namespace

ShellFolders::ShellFolders(Environment environment, UserDirQuery userDir)
    : environment_(std::move(environment)), userDir_(std::move(userDir)) {}

ShellFolders ShellFolders::system() {
    return ShellFolders(Environment::process(), [](const std::string& name) {
        // The tool is a process of its own, asked at every start for the same answer: ask it once
        // per run for each configuration it reads (tests change HOME and XDG_CONFIG_HOME).
        static std::mutex mutex;
        static std::map<std::string, std::optional<std::string>> answers;
        const Environment environment = Environment::process();
        const std::string key = name + '\n' + environment.nonEmpty("HOME").value_or("") + '\n' +
                                environment.nonEmpty("XDG_CONFIG_HOME").value_or("");
        std::lock_guard lock(mutex);
        const auto known = answers.find(key);
        if (known != answers.end()) return known->second;
        return answers[key] = firstOutputLine("xdg-user-dir", {name});
    });
}

std::optional<fs::path> ShellFolders::home() const {
    auto value = environment_.nonEmpty("HOME");
    if (!value) return std::nullopt;
    return fs::path(*value);
}

fs::path ShellFolders::xdgBase(const char* variable, const char* homeRelative) const {
    if (auto value = environment_.nonEmpty(variable)) {
        fs::path p(*value);
        if (p.is_absolute()) return p;
    }
    if (auto h = home()) return *h / homeRelative;
    return {};
}

fs::path ShellFolders::documents() const {
    auto h = home();
    if (userDir_) {
        if (auto answer = userDir_("DOCUMENTS")) {
            fs::path p(*answer);
            // The tool answers the home folder for an entry that is not set up.
            bool isHome = h && sameFolder(p, *h);
            if (p.is_absolute() && isDirectory(p) && !isHome) return p;
        }
    }
    if (h) {
        fs::path p = *h / "Documents";
        if (isDirectory(p)) return p;
    }
    return {};
}

fs::path ShellFolders::data() const { return xdgBase("XDG_DATA_HOME", ".local/share"); }

fs::path ShellFolders::config() const { return xdgBase("XDG_CONFIG_HOME", ".config"); }

fs::path ShellFolders::commonDocuments() const {
    fs::path d = documents();
    return d.empty() ? data() : d;
}

std::optional<std::string> firstOutputLine(const std::string& program,
                                           const std::vector<std::string>& arguments,
                                           std::chrono::milliseconds timeLimit) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    int spawnError = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawnError != 0) {
        close(pipeFds[0]);
        return std::nullopt;
    }

    // Read until end of output; only the first line is kept, but the rest is drained so the
    // child never blocks on a full pipe.
    std::string output;
    bool timedOut = false;
    auto deadline = std::chrono::steady_clock::now() + timeLimit;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd pfd{pipeFds[0], POLLIN, 0};
        int ready = poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0) {
            if (errno == EINTR) continue;
            timedOut = true;
            break;
        }
        if (ready == 0) continue;
        char buffer[4096];
        ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            break;
        }
        if (n == 0) break;
        if (output.size() < 64 * 1024) output.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);

    int status = reap(pid, timedOut);
    if (timedOut || status < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;

    std::string line = output.substr(0, output.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

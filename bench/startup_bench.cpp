// The program's start in demo mode against a bare Qt main window with a menu, a tool bar and a
// status bar (startup_bare beside this program: it links Qt alone, so none of the program's
// libraries load in it): each run is a process of its own that ends at the window's first paint.
// The two kinds alternate, each first in every other round, so a busy machine slows both alike.
// Printed: the medians, the ratio with the spread of the middle half of the rounds, and the ratio
// of the processor times (user and system), which a busy machine disturbs less than the wall time.
//
//   startup_bench [rounds]     (default 15; QT_QPA_PLATFORM=offscreen unless set otherwise)
#include "FirstPaintExit.h"
#include "WindowBench.h"

#include <QApplication>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

int runProgram(int argc, char** argv) {
    QApplication application(argc, argv);
    bench::DemoMainWindow demo(argv[0]);
    if (!demo.window().initialize()) return 1;
    FirstPaintExit exit;
    demo.window().installEventFilter(&exit);
    demo.window().show();
    return application.exec();
}

// One start: its wall time and the processor time it used (user and system), in milliseconds.
struct RunTime {
    double wall = -1;
    double cpu = -1;
};

double milliseconds(const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; }

// Runs `file` once with the argument `kind` (none when null); a failed start has a negative wall
// time.
RunTime timeOneRun(const char* file, const char* kind) {
    char* args[] = {const_cast<char*>(file), const_cast<char*>(kind), nullptr};
    const auto start = std::chrono::steady_clock::now();
    // The children's own messages (about the offscreen platform) would bury the figures.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, file, &quiet, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) return {};
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime)};
}

// The value below which the given share of the values lie (linear between neighbours).
double quantile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const double position = share * static_cast<double>(values.size() - 1);
    const size_t below = static_cast<size_t>(position);
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (values[above] - values[below]) * (position - static_cast<double>(below));
}

double median(const std::vector<double>& values) { return quantile(values, 0.5); }

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--program") return runProgram(argc, argv);

    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    // The children keep their settings in a folder of their own, never the user's.
    const fs::path home = fs::temp_directory_path() / ("startup_bench." + std::to_string(getpid()));
    fs::create_directories(home / "Documents");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string self = fs::canonical("/proc/self/exe").string();
    const std::string bareProgram = (fs::path(self).parent_path() / "startup_bare").string();

    // One of each first: the settings file is made by the first start.
    if (timeOneRun(self.c_str(), "--program").wall < 0 || timeOneRun(bareProgram.c_str(), nullptr).wall < 0) {
        std::fprintf(stderr, "startup_bench: a start failed\n");
        return 1;
    }
    std::vector<double> program, bare, ratios, programCpu, bareCpu, cpuRatios;
    for (int i = 0; i < rounds; ++i) {
        // Each kind goes first in every other round: neither always meets the other's traces.
        RunTime b, p;
        if (i % 2 == 0) {
            b = timeOneRun(bareProgram.c_str(), nullptr);
            p = timeOneRun(self.c_str(), "--program");
        } else {
            p = timeOneRun(self.c_str(), "--program");
            b = timeOneRun(bareProgram.c_str(), nullptr);
        }
        if (b.wall <= 0 || p.wall <= 0) {
            std::fprintf(stderr, "startup_bench: a start failed\n");
            return 1;
        }
        bare.push_back(b.wall);
        program.push_back(p.wall);
        ratios.push_back(p.wall / b.wall);
        bareCpu.push_back(b.cpu);
        programCpu.push_back(p.cpu);
        if (b.cpu > 0) cpuRatios.push_back(p.cpu / b.cpu);
    }
    std::error_code ec;
    fs::remove_all(home, ec);
    std::printf("platform %s, %d rounds\n", std::getenv("QT_QPA_PLATFORM"), rounds);
    std::printf("bare Qt main window to first paint: median %.1f ms (processor %.1f ms)\n", median(bare),
                median(bareCpu));
    std::printf("program (demo) to first paint:      median %.1f ms (processor %.1f ms)\n", median(program),
                median(programCpu));
    std::printf("program / bare window: %.3f (median of the rounds' ratios; middle half %.3f-%.3f)\n",
                median(ratios), quantile(ratios, 0.25), quantile(ratios, 0.75));
    if (!cpuRatios.empty())
        std::printf("program / bare window, processor time: %.3f (median)\n", median(cpuRatios));
    return 0;
}

#pragma once
// What the file benchmarks share: a folder of their own, files written byte for byte, the
// baselines that read a profile file in one pass, and a reporter that keeps each benchmark's
// median so the program's figure can be printed beside its baseline's.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bench {

// A folder of its own, removed at the end.
struct Folder {
    std::filesystem::path path;
    explicit Folder(const char* prefix = "kelt_bench") {
        std::string name = (std::filesystem::temp_directory_path() / (std::string(prefix) + "_XXXXXX")).string();
        if (!::mkdtemp(name.data())) std::abort();
        path = name;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
};

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) std::abort();
}

// Files beside a program are old: the file (or folder) gets a time stamp a day back, as a
// delivered file has.
inline void age(const std::filesystem::path& path) {
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24));
}

// The whole file, read as a reader must: open, read, close.
inline void readWhole(const std::filesystem::path& path, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) std::abort();
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, std::size_t(n));
    ::close(fd);
}

// Splits profile-file text in one pass: `section(name)` for each section line, `key(name,
// value)` for each key = value line (names and values trimmed, CRLF or LF; comments and other
// lines skipped).
template <class OnSection, class OnKey>
void splitOnce(std::string_view text, OnSection section, OnKey key) {
    auto trim = [](std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    };
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trim(line);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos) section(trim(line.substr(1, close - 1)));
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) continue;
        key(trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
    }
}

// One section of the file as the baseline hands it over: its name and its key = value lines.
struct SplitSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
};

// The baseline of a reader: the whole file read and split once into its sections and keys, each
// name and value a text of its own (what a reader hands over and its caller keeps). No look-up,
// no check.
inline std::vector<SplitSection> onePassRead(const std::filesystem::path& path, std::string& bytes) {
    readWhole(path, bytes);
    std::vector<SplitSection> sections;
    splitOnce(
        bytes, [&](std::string_view name) { sections.push_back({std::string(name), {}}); },
        [&](std::string_view name, std::string_view value) {
            if (!sections.empty()) sections.back().keys.emplace_back(name, value);
        });
    return sections;
}

// The floor below it: read and split once, texts left where they are in the file's bytes.
inline std::size_t bareSplit(const std::filesystem::path& path, std::string& bytes) {
    readWhole(path, bytes);
    std::size_t lines = 0;
    splitOnce(
        bytes, [&](std::string_view name) { lines += !name.empty(); },
        [&](std::string_view name, std::string_view value) {
            benchmark::DoNotOptimize(value);
            lines += !name.empty();
        });
    return lines;
}

// Keeps the median real time of every benchmark run, by its name and arguments ("BM_Read/10").
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.args.empty() ? run.run_name.function_name
                                                  : run.run_name.function_name + "/" + run.run_name.args] =
                    run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    double operator[](const std::string& name) const {
        const auto it = medians.find(name);
        return it == medians.end() ? 0.0 : it->second;
    }
    std::map<std::string, double> medians;
};

// "what: program <p> baseline <b> ratio <r>" with the reporter's time unit.
inline void printRatio(const char* what, double program, double baseline) {
    if (program <= 0 || baseline <= 0) {
        std::printf("%-58s (not measured)\n", what);
        return;
    }
    std::printf("%-58s program %10.4f  baseline %10.4f  ratio %6.2f\n", what, program, baseline,
                program / baseline);
}

// The same beside two baselines: the one-pass read (the goal's measure) and the bare split.
inline void printRatios(const char* what, double program, double read, double split) {
    if (program <= 0 || read <= 0 || split <= 0) {
        std::printf("%-44s (not measured)\n", what);
        return;
    }
    std::printf("%-44s program %8.4f  one-pass read %8.4f  ratio %5.2f  bare split %8.4f  ratio %5.2f\n",
                what, program, read, program / read, split, program / split);
}

// Runs the benchmarks asked for with these defaults before the command line's own flags (which
// win): 9 repetitions of each, in random interleaving, so a busy machine disturbs program and
// baseline alike; only the aggregates are printed.
inline void runInterleaved(int argc, char** argv, MedianReporter& reporter) {
    static char repetitions[] = "--benchmark_repetitions=9";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    static char aggregates[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> args{argv[0], repetitions, interleaving, aggregates};
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks(&reporter);
}

}  // namespace bench

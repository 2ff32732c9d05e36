// The fault-memory window and the main window's poll against the fault-text file (".FKD"),
// with fault-text files of 10 KB, 100 KB and 10 MB written by the benchmark:
// - a row change (the row's hint and details shown, as a click does) with 1, 10 and 100 entries,
//   against one entry with a 10 KB file (goal: at most 2 whatever the entries and the size);
// - opening the window (built, read, list filled) with 100 entries, 10 MB against 10 KB;
// - one poll tick's texts (component and fault type of the current fault) with sections of
//   300 000 keys, and with no fault-text file in a folder of 2000 files, against a 10 KB file.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QSignalBlocker>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "DiagnosisSession.h"
#include "Fehlerspeicher.h"
#include "KELTInterface.h"
#include "NData.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFaultTypes = 50;

const bench::Folder& root() {
    static const bench::Folder f("fkd_bench");
    return f;
}

// A fault-text file of about `bytes` bytes: components 1..K with their texts, 50 fault types,
// and a hint for each component with fault type (component % 50) + 1. Returns K.
int writeFaultTexts(const fs::path& file, std::size_t bytes) {
    std::string komponente = "[Komponente]\r\n";
    std::string fehlerart = "[Fehlerart]\r\n";
    std::string hinweis = "[Hinweis]\r\n";
    for (int f = 1; f <= kFaultTypes; ++f) fehlerart += std::to_string(f) + "=Fault type " + std::to_string(f) + "\r\n";
    int k = 0;
    while (komponente.size() + fehlerart.size() + hinweis.size() < bytes) {
        ++k;
        komponente += std::to_string(k) + "=Component number " + std::to_string(k) + " of the suspension\r\n";
        hinweis += std::to_string(int64_t(k) * 100 + k % kFaultTypes + 1) + "=Check the cable and the plug of component " +
                   std::to_string(k) + ", then read the memory again.\r\n";
    }
    bench::writeFile(file, komponente + fehlerart + hinweis);
    bench::age(file);
    return k;
}

// A program folder holding TARVIK.FKD of the given size (in KB); the number of components.
struct TextFolder {
    fs::path path;
    int components = 0;
};

const TextFolder& textFolder(int kilobytes) {
    static std::map<int, TextFolder> folders;
    auto [it, fresh] = folders.try_emplace(kilobytes);
    if (fresh) {
        it->second.path = root().path / ("fkd" + std::to_string(kilobytes));
        fs::create_directory(it->second.path);
        it->second.components =
            writeFaultTexts(it->second.path / (std::string(KELTInterface::kSystemName) + ".FKD"),
                            std::size_t(kilobytes) * 1024);
        bench::age(it->second.path);
    }
    return it->second;
}

std::vector<FehlerEintrag> entries(int count, int components) {
    std::vector<FehlerEintrag> list;
    for (int i = 0; i < count; ++i) {
        FehlerEintrag e;
        e.KomponentenCode = 1 + int32_t(int64_t(i) * components / count);
        e.FehlerartCode = e.KomponentenCode % kFaultTypes + 1;
        e.Status = i % 2;
        e.Zaehler = 3;
        e.Timer = 9;
        e.Nummer = i;
        list.push_back(e);
    }
    return list;
}

// A system's window whose "ECU" holds a list of entries.
class BenchFsp final : public TNFehlerspeicher {
public:
    BenchFsp(const fs::path& folder, std::vector<FehlerEintrag> memory)
        : TNFehlerspeicher(nullptr, KELTInterface::kSystemName, false, false, folder), memory_(std::move(memory)) {
        initialize();
    }
    bool FehlerspeicherLesen() override {
        FehlerTabelleLoeschen();
        for (std::size_t i = 0; i < memory_.size() && i < Fehlertabelle.size(); ++i) Fehlertabelle[i] = memory_[i];
        return true;
    }

private:
    std::vector<FehlerEintrag> memory_;
};

// The window as FormShow leaves it: read and the list filled.
std::unique_ptr<BenchFsp> openedWindow(int count, int kilobytes) {
    const TextFolder& folder = textFolder(kilobytes);
    auto window = std::make_unique<BenchFsp>(folder.path, entries(count, folder.components));
    window->FehlerspeicherLesen();
    window->FehlerListeFuellen(false);
    return window;
}

void BM_RowChange(benchmark::State& state) {
    const int count = int(state.range(0));
    const auto window = openedWindow(count, int(state.range(1)));
    int row = 0;
    for (auto _ : state) {
        row = (row + 1) % count;
        {
            const QSignalBlocker quiet(window->lbFehlerpfad);
            window->lbFehlerpfad->setCurrentRow(row);
        }
        window->lbFehlerpfadClick();
    }
}
BENCHMARK(BM_RowChange)
    ->Args({1, 10})
    ->Args({10, 100})
    ->Args({100, 10})
    ->Args({100, 10240})
    ->Unit(benchmark::kMicrosecond);

void BM_OpenWindow(benchmark::State& state) {
    const int count = int(state.range(0));
    const int kilobytes = int(state.range(1));
    textFolder(kilobytes);
    for (auto _ : state) benchmark::DoNotOptimize(openedWindow(count, kilobytes));
}
BENCHMARK(BM_OpenWindow)->Args({100, 10})->Args({100, 10240})->Unit(benchmark::kMillisecond);

// Poll folders: 0 a 10 KB file, 1 sections of 300 000 keys, 2 no file among 2000 others.
struct PollCase {
    fs::path folder;
    int32_t component = 0;
    int32_t mode = 0;
};

const PollCase& pollCase(int which) {
    static std::map<int, PollCase> cases;
    auto [it, fresh] = cases.try_emplace(which);
    if (!fresh) return it->second;
    PollCase& c = it->second;
    c.folder = root().path / ("poll" + std::to_string(which));
    fs::create_directory(c.folder);
    const fs::path file = c.folder / (std::string(KELTInterface::kSystemName) + ".FKD");
    if (which == 0) {
        const int components = writeFaultTexts(file, 10 * 1024);
        c.component = components;
        c.mode = kFaultTypes;
    } else if (which == 1) {
        constexpr int kKeys = 300000;
        std::string text = "[Komponente]\r\n";
        for (int k = 1; k <= kKeys; ++k) text += std::to_string(k) + "=Component " + std::to_string(k) + "\r\n";
        text += "[Fehlerart]\r\n";
        for (int f = 1; f <= kKeys; ++f) text += std::to_string(f) + "=Fault type " + std::to_string(f) + "\r\n";
        bench::writeFile(file, text);
        bench::age(file);
        c.component = kKeys - 1;
        c.mode = kKeys - 2;
    } else {
        for (int i = 0; i < 2000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "file%04d.dat", i);
            bench::writeFile(c.folder / name, "");
        }
        c.component = 3;
        c.mode = 7;
    }
    bench::age(c.folder);
    return c;
}

void BM_PollTick(benchmark::State& state) {
    const PollCase& c = pollCase(int(state.range(0)));
    const FaultTextLookup texts = programFaultTexts(c.folder);
    for (auto _ : state) {
        std::string line = texts.KomponentenText(c.component) + "\n" + texts.FehlerartText(c.mode);
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_PollTick)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    DiagAttr.AppIni = (root().path / "bench.ini").string();

    bench::MedianReporter reporter;
    bench::runInterleaved(argc, argv, reporter);
    const double oneEntry = reporter["BM_RowChange/1/10"];
    std::printf("row change against one entry with a 10 KB file (us):\n");
    bench::printRatio("  10 entries, 100 KB file", reporter["BM_RowChange/10/100"], oneEntry);
    bench::printRatio("  100 entries, 10 KB file", reporter["BM_RowChange/100/10"], oneEntry);
    bench::printRatio("  100 entries, 10 MB file", reporter["BM_RowChange/100/10240"], oneEntry);
    std::printf("opening with 100 entries against a 10 KB file (ms):\n");
    bench::printRatio("  10 MB file", reporter["BM_OpenWindow/100/10240"], reporter["BM_OpenWindow/100/10"]);
    std::printf("poll tick's texts against a 10 KB file (us):\n");
    bench::printRatio("  sections of 300 000 keys", reporter["BM_PollTick/1"], reporter["BM_PollTick/0"]);
    bench::printRatio("  no fault-text file, 2000 files in the folder", reporter["BM_PollTick/2"],
                      reporter["BM_PollTick/0"]);
    benchmark::Shutdown();
    return 0;
}

// Reading a parameter description of the largest size the editor takes (500 parameters, with
// description lines and bit captions) against its baseline: the same file read and split once
// into its sections and keys, each name and value a text of its own. Prints the ratio of the
// medians (goal: at most 2), and the ratio to the bare split (the texts left in the file's bytes)
// as the floor below that.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "ParameterDescription.h"

namespace {

std::filesystem::path largestDescription() {
    static const bench::Folder folder("pkd_bench");
    static const std::filesystem::path file = [] {
        const std::filesystem::path path = folder.path / "10780100.PKD";
        std::string out = "[Hinweise]\r\n1=Example data\r\n[ECUListe]\r\n1=841 302 117 0\r\n";
        for (int i = 1; i <= 500; ++i) {
            out += "[" + std::to_string(i) + "]\r\n";
            if (i % 5 == 0) {
                out += "Bit=1\r\n";
                for (int b = 0; b < 8; ++b)
                    out += "Text" + std::to_string(b) + "l=off\r\nText" + std::to_string(b) + "h=on\r\n";
            } else {
                out += "WORD=1\r\nFaktor=0.5\r\nOffset=10\r\nEinheit=mm\r\n";
                out += "Text=Parameter " + std::to_string(i) + "\r\nText1=second line\r\nText2=----\r\n";
            }
        }
        bench::writeFile(path, out);
        return path;
    }();
    return file;
}

void BM_ReadLargestDescription(benchmark::State& state) {
    const std::filesystem::path file = largestDescription();
    for (auto _ : state) {
        auto description = readParameterDescription(file);
        if (!description || description->ParaKonf.AnzahlParameter() != 500) std::abort();
        benchmark::DoNotOptimize(description);
    }
}
BENCHMARK(BM_ReadLargestDescription)->Unit(benchmark::kMillisecond);

void BM_OnePassReadOfTheDescription(benchmark::State& state) {
    const std::filesystem::path file = largestDescription();
    std::string bytes;
    for (auto _ : state) {
        auto sections = bench::onePassRead(file, bytes);
        if (sections.size() != 502) std::abort();
        benchmark::DoNotOptimize(sections);
    }
}
BENCHMARK(BM_OnePassReadOfTheDescription)->Unit(benchmark::kMillisecond);

void BM_BareSplitOfTheDescription(benchmark::State& state) {
    const std::filesystem::path file = largestDescription();
    std::string bytes;
    for (auto _ : state) benchmark::DoNotOptimize(bench::bareSplit(file, bytes));
}
BENCHMARK(BM_BareSplitOfTheDescription)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    bench::MedianReporter reporter;
    bench::runInterleaved(argc, argv, reporter);
    bench::printRatios("description of 500 parameters (ms):", reporter["BM_ReadLargestDescription"],
                       reporter["BM_OnePassReadOfTheDescription"], reporter["BM_BareSplitOfTheDescription"]);
    benchmark::Shutdown();
    return 0;
}

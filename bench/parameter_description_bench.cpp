// Reading a parameter description of the largest size the editor takes (500 parameters, with
// description lines and bit captions): one reading of the file for its thousands of keys.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ParameterDescription.h"

namespace {

// A folder of its own, removed at the end.
struct BenchFolder {
    std::filesystem::path path;
    BenchFolder() {
        std::string name = (std::filesystem::temp_directory_path() / "pkd_bench_XXXXXX").string();
        if (!::mkdtemp(name.data())) std::abort();
        path = name;
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

std::filesystem::path largestDescription() {
    static const BenchFolder folder;
    static const std::filesystem::path file = [] {
        const std::filesystem::path path = folder.path / "10780100.PKD";
        std::ofstream out(path, std::ios::binary);
        out << "[Hinweise]\r\n1=Example data\r\n[ECUListe]\r\n1=841 302 117 0\r\n";
        for (int i = 1; i <= 500; ++i) {
            out << "[" << i << "]\r\n";
            if (i % 5 == 0) {
                out << "Bit=1\r\n";
                for (int b = 0; b < 8; ++b) out << "Text" << b << "l=off\r\nText" << b << "h=on\r\n";
            } else {
                out << "WORD=1\r\nFaktor=0.5\r\nOffset=10\r\nEinheit=mm\r\n";
                out << "Text=Parameter " << i << "\r\nText1=second line\r\nText2=----\r\n";
            }
        }
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

}  // namespace

BENCHMARK_MAIN();

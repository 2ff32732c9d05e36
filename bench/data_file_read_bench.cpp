// Reading the data files the editor and the print command load, each against its baseline (the
// same file read and split once into its sections and keys, each name and value a text of its
// own) and the bare split below it (the texts left in the file's bytes):
// - a parameter data file with the values of 500 parameters, loaded for their description;
// - a saved fault protocol of 10 and of 100 entries (seven keys each).
// Prints each ratio (goal: at most 2) and how the protocol read grows from 10 to 100 entries
// beside its baseline's growth (goal: linear, the same growth).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "FaultProtocol.h"
#include "ParameterDataFile.h"
#include "ParameterDescription.h"

namespace {

constexpr int kParameters = 500;
constexpr const char* kSystem = "TARVIK";
constexpr const char* kProtocolSection = "TARVIK ERROR RECORD";

const bench::Folder& folder() {
    static const bench::Folder f("data_file_bench");
    return f;
}

// 500 parameters: every fifth bit-coded, the others WORD parameters with texts.
const ParameterDescription& description() {
    static const ParameterDescription d = [] {
        const std::filesystem::path path = folder().path / "10780100.PKD";
        std::string out = "[Hinweise]\r\n1=Example data\r\n[ECUListe]\r\n1=841 302 117 0\r\n";
        for (int i = 1; i <= kParameters; ++i) {
            out += "[" + std::to_string(i) + "]\r\n";
            if (i % 5 == 0)
                out += "Bit=1\r\n";
            else
                out += "WORD=1\r\nFaktor=0.5\r\nEinheit=mm\r\nText=Parameter " + std::to_string(i) + "\r\n";
        }
        bench::writeFile(path, out);
        std::optional<ParameterDescription> read = readParameterDescription(path);
        if (!read) std::abort();
        return *read;
    }();
    return d;
}

// A data file as the editor saves it: header, [FileInfo], then the parameter section with the
// identification block, one "P_" key per parameter and the checksum.
const std::filesystem::path& parameterFile() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path p = folder().path / "values.dat";
        std::string out = "[VERSION]\r\nCREATEDBY=Tarvik Diagnostic Software / 2009-12-04 / 14:05:33\r\n";
        out += "[FileInfo]\r\nFileType=NORVA Data File\r\nVIN=WDB1234567\r\nManufacturer=Coach works\r\n"
               "TypeOfVehicle=City bus\r\n";
        out += std::string("[") + kSystem + " Parameter]\r\n";
        out += "Date=2009-12-04\r\nTestername=\r\nProductNumber=841 302 117 0\r\nDateOfProduction=12/08\r\n"
               "SerialNumberECU=---\r\nDiagnosticIdentification=10780100\r\nSoftwareVersionECU=3.2\r\n"
               "SerialNumberDiag=162000010132\r\n";
        unsigned sum = 1;
        for (int i = 1; i <= kParameters; ++i) {
            const unsigned value = unsigned(i * 7 % 256);
            sum += value;
            out += "P_" + std::to_string(i) + "=" + std::to_string(value) + "\r\n";
        }
        out += "Checksum=" + std::to_string(sum % 65536) + "\r\n";
        bench::writeFile(p, out);
        return p;
    }();
    return path;
}

// A saved protocol of `entries` entries: the header keys, then seven keys per entry.
std::filesystem::path protocolFile(int entries) {
    const std::filesystem::path p = folder().path / ("protocol" + std::to_string(entries) + ".FSP");
    if (std::filesystem::exists(p)) return p;
    std::string out = std::string("[") + kProtocolSection + "]\r\n";
    out += "Date of error record=2009-12-04\r\nTime of error record=14:05:33\r\nSystem=TARVIK\r\n"
           "Part number=841 302 117 0\r\nProduction date=12/08\r\nSerial number (ecu)=---\r\n"
           "Manufacturer=Coach works\r\nChassis number=WDB1234567\r\nVehicle type=City bus\r\n"
           "Odometer reading=123456\r\nTester=A. Tester\r\n";
    for (int i = 0; i < entries; ++i) {
        const std::string e = "Error " + std::to_string(i) + " ";
        out += e + "Component=Level sensor rear (" + std::to_string(i + 1) + ")\r\n";
        out += e + "Mode=Short circuit (7)\r\n";
        out += e + "Priority=0\r\n" + e + "Status=" + std::to_string(i % 2) + "\r\n";
        out += e + "Counter=" + std::to_string(i % 200) + "\r\n" + e + "Timer=9\r\n";
        out += e + "Number=" + std::to_string(i) + "\r\n";
    }
    bench::writeFile(p, out);
    return p;
}

void BM_LoadParameterFile(benchmark::State& state) {
    const ParameterDescription& d = description();
    const std::filesystem::path& file = parameterFile();
    for (auto _ : state) {
        ParameterFileLoad load = loadParameterFile(file, kSystem, d);
        if (!load.loaded()) std::abort();
        benchmark::DoNotOptimize(load);
    }
}
BENCHMARK(BM_LoadParameterFile)->Unit(benchmark::kMillisecond);

void BM_OnePassReadOfTheParameterFile(benchmark::State& state) {
    const std::filesystem::path& file = parameterFile();
    std::string bytes;
    for (auto _ : state) benchmark::DoNotOptimize(bench::onePassRead(file, bytes));
}
BENCHMARK(BM_OnePassReadOfTheParameterFile)->Unit(benchmark::kMillisecond);

void BM_BareSplitOfTheParameterFile(benchmark::State& state) {
    const std::filesystem::path& file = parameterFile();
    std::string bytes;
    for (auto _ : state) benchmark::DoNotOptimize(bench::bareSplit(file, bytes));
}
BENCHMARK(BM_BareSplitOfTheParameterFile)->Unit(benchmark::kMillisecond);

void BM_ReadProtocol(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    const std::filesystem::path file = protocolFile(entries);
    for (auto _ : state) {
        ProtocolRead read = readProtocol(file, kProtocolSection);
        if (!read.record || read.record->Anzahl != entries) std::abort();
        benchmark::DoNotOptimize(read);
    }
}
BENCHMARK(BM_ReadProtocol)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_OnePassReadOfTheProtocol(benchmark::State& state) {
    const std::filesystem::path file = protocolFile(static_cast<int>(state.range(0)));
    std::string bytes;
    for (auto _ : state) benchmark::DoNotOptimize(bench::onePassRead(file, bytes));
}
BENCHMARK(BM_OnePassReadOfTheProtocol)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_BareSplitOfTheProtocol(benchmark::State& state) {
    const std::filesystem::path file = protocolFile(static_cast<int>(state.range(0)));
    std::string bytes;
    for (auto _ : state) benchmark::DoNotOptimize(bench::bareSplit(file, bytes));
}
BENCHMARK(BM_BareSplitOfTheProtocol)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    bench::MedianReporter reporter;
    bench::runInterleaved(argc, argv, reporter);
    bench::printRatios("parameter data file, 500 parameters (ms):", reporter["BM_LoadParameterFile"],
                       reporter["BM_OnePassReadOfTheParameterFile"], reporter["BM_BareSplitOfTheParameterFile"]);
    bench::printRatios("fault protocol, 10 entries (ms):", reporter["BM_ReadProtocol/10"],
                       reporter["BM_OnePassReadOfTheProtocol/10"], reporter["BM_BareSplitOfTheProtocol/10"]);
    bench::printRatios("fault protocol, 100 entries (ms):", reporter["BM_ReadProtocol/100"],
                       reporter["BM_OnePassReadOfTheProtocol/100"], reporter["BM_BareSplitOfTheProtocol/100"]);
    const auto growth = [&](const char* name) { return reporter[std::string(name) + "/100"] / reporter[std::string(name) + "/10"]; };
    bench::printRatios("fault protocol, growth from 10 to 100 entries:", growth("BM_ReadProtocol"),
                       growth("BM_OnePassReadOfTheProtocol"), growth("BM_BareSplitOfTheProtocol"));
    benchmark::Shutdown();
    return 0;
}

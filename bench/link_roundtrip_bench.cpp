// One request/reply round trip through PCRequest over a pseudo-terminal against the simulated
// interface, beside two baselines over the same pseudo-terminal:
// - the least a correct driver must do: purge what arrived before, write the request, read the
//   reply's header and then the body and checksum its header announces;
// - the raw bytes alone: write, then read a reply whose length is known in advance (no purge, no
//   header), the floor of the link itself.
// Each is repeated and its median taken; the driver's ratio to both is printed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "DiagDriver.h"
#include "SerialLink.h"
#include "SimPty.h"

namespace {

constexpr int kRepetitions = 9;

struct Fixture {
    SimInterface sim;
    std::unique_ptr<SimPty> pty;
    std::unique_ptr<SerialLink> port;
    Fixture() {
        pty = SimPty::start(sim);
        int32_t status = 0;
        port = SerialLink::open(pty->slavePath(), status, pty->modemLines());
        if (!port || port->configure(19200) != 0) std::abort();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// The request for the basic-firmware version text: command 0x02, no data, checksum 0x02.
const uint8_t kRequest[] = {0x02, 0x00, 0x02};

bool readExact(SerialLink& port, uint8_t* buffer, size_t count) {
    size_t have = 0;
    while (have < count) {
        size_t got = 0;
        if (port.read(buffer + have, count - have, &got) != 0 || got == 0) return false;
        have += got;
    }
    return true;
}

void BM_DriverRoundTrip(benchmark::State& state) {
    Fixture& f = fixture();
    DiagDriver driver(SteadyClock::instance());
    // The port is opened exclusively: lend the fixture's to the driver for this run.
    driver.attachLink(std::move(f.port));
    driver.setGeneration(1);
    for (auto _ : state) {
        if (driver.workRequest(0x02) != 0) state.SkipWithError("request failed");
        benchmark::DoNotOptimize(driver.workLength());
    }
    f.port.reset(static_cast<SerialLink*>(driver.detachLink().release()));
}

void BM_MinimalDriverRoundTrip(benchmark::State& state) {
    Fixture& f = fixture();
    uint8_t reply[2 + 255 + 1];
    for (auto _ : state) {
        f.port->purgeReceive();
        size_t written = 0;
        f.port->write(kRequest, sizeof kRequest, &written);
        // Header: command and data length; then the data and the checksum.
        if (!readExact(*f.port, reply, 2) || !readExact(*f.port, reply + 2, reply[1] + 1u)) {
            state.SkipWithError("no reply");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
}

void BM_RawRoundTrip(benchmark::State& state) {
    Fixture& f = fixture();
    const size_t replySize = 2 + f.sim.config().biosVersion.size() + 1;
    uint8_t reply[512];
    for (auto _ : state) {
        size_t written = 0;
        f.port->write(kRequest, sizeof kRequest, &written);
        if (!readExact(*f.port, reply, replySize)) {
            state.SkipWithError("no reply");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
}

BENCHMARK(BM_RawRoundTrip)->UseRealTime()->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_MinimalDriverRoundTrip)->UseRealTime()->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_DriverRoundTrip)->UseRealTime()->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

// Keeps the median of each benchmark.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double raw = reporter.medians["BM_RawRoundTrip"];
    const double minimal = reporter.medians["BM_MinimalDriverRoundTrip"];
    const double driver = reporter.medians["BM_DriverRoundTrip"];
    if (minimal > 0 && driver > 0)
        std::printf("driver / least a correct driver does (purge, header, body): %.3f\n", driver / minimal);
    if (raw > 0 && driver > 0)
        std::printf("driver / raw bytes of a known length (no purge):            %.3f\n", driver / raw);
    benchmark::Shutdown();
    return 0;
}

// One request/reply round trip through PCRequest over a pseudo-terminal against the simulated
// interface, beside the raw round trip of the same bytes over the same pseudo-terminal. The
// ratio of the two is the driver's own overhead.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "DiagDriver.h"
#include "SerialLink.h"
#include "SimPty.h"

namespace {

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

// The request for the basic-firmware version text.
const uint8_t kRequest[] = {0x02, 0x00, 0x02};

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

void BM_RawRoundTrip(benchmark::State& state) {
    Fixture& f = fixture();
    const size_t replySize = 2 + f.sim.config().biosVersion.size() + 1;
    uint8_t reply[512];
    for (auto _ : state) {
        size_t written = 0;
        f.port->write(kRequest, sizeof kRequest, &written);
        size_t have = 0;
        while (have < replySize) {
            size_t got = 0;
            if (f.port->read(reply + have, replySize - have, &got) != 0 || got == 0) {
                state.SkipWithError("no reply");
                break;
            }
            have += got;
        }
        benchmark::DoNotOptimize(reply);
    }
}

BENCHMARK(BM_RawRoundTrip)->UseRealTime();
BENCHMARK(BM_DriverRoundTrip)->UseRealTime();

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double raw = reporter.times["BM_RawRoundTrip/real_time"];
    const double driver = reporter.times["BM_DriverRoundTrip/real_time"];
    if (raw > 0 && driver > 0)
        std::printf("driver round trip / raw round trip: %.3f\n", driver / raw);
    benchmark::Shutdown();
    return 0;
}

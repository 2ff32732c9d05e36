// Interface application files (".app" with Intel HEX or S-records, ".MHX") as the driver's
// download reads them from a folder, flashed into the simulated interface. A refused file
// flashes nothing and leaves the interface's application in place; an accepted one flashes an
// image that fits the interface's flash; the file itself is never changed.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <string>

#include "DiagDr32.h"
#include "DiagDriver.h"
#include "FuzzSupport.h"
#include "SimInterface.h"
#include "SimLink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int kind = in.ConsumeIntegralInRange<int>(0, 2);
    const std::string text = in.ConsumeRemainingBytesAsString();

    static const char* const names[] = {"JED677.app", "DIAPP.APP", "DIAPP.MHX"};
    const std::filesystem::path file = fuzz::freshFolder() / names[kind];
    TempDir::writeFile(file, text);

    SimConfig config;
    config.generation = kind == 0 ? 1 : 2;
    config.appVersion = "OLD APP V1.00";
    SimInterface sim(config);
    FakeClock clock;
    DiagDriver driver(clock);
    driver.attachLink(std::make_unique<SimLink>(sim, config.generation == 2, &clock));
    driver.setGeneration(config.generation);

    const int32_t status = driver.AppDownload(file);
    driver.attachLink(nullptr);

    FUZZ_CHECK(TempDir::readFile(file) == text);
    if (status == DIAG_ERR_BAD_APPLICATION || status == DIAG_ERR_NO_APPLICATION) {
        FUZZ_CHECK(sim.flashedImage().empty());
        FUZZ_CHECK(sim.appVersion() == config.appVersion);
        for (const SimRequest& request : sim.requests())
            FUZZ_CHECK(request.command != 0x03 && request.command != 0x34 && request.command != 0x36);
    }
    if (status == 0) {
        const SimBytes image = sim.flashedImage();
        FUZZ_CHECK(!image.empty());
        if (config.generation == 1)
            FUZZ_CHECK(image.size() <= SimInterface::kGen1FlashSize);
        else
            FUZZ_CHECK(sim.flashedLoadAddress() + image.size() - 1 <= 0xFFFFFFu);
    }
    return 0;
}

// The driver's reply path: whatever an interface answers, through a scripted link, into a
// caller's buffer of any room. Whatever the outcome, the length handed back never exceeds the
// buffer (ASan sees any byte written beyond it), and the traces stay within their bounds.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <memory>

#include "DiagDriver.h"
#include "FuzzSupport.h"
#include "ScriptedLink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const bool framed = in.ConsumeBool();
    const uint8_t generation = in.ConsumeBool() ? 2 : 1;
    const bool jed677 = in.ConsumeBool();
    const size_t capacity = in.ConsumeIntegralInRange<size_t>(0, DiagDriver::kWorkFrameSize + 8);
    const uint8_t mode = in.ConsumeIntegralInRange<uint8_t>(0, 2);
    const uint8_t noBlock = in.ConsumeBool() ? 1 : 0;
    const uint16_t blockSize = in.ConsumeIntegralInRange<uint16_t>(0, 1100);
    uint16_t command = in.ConsumeIntegral<uint8_t>();
    uint16_t length = in.ConsumeIntegralInRange<uint16_t>(0, static_cast<uint16_t>(std::min<size_t>(capacity, 300)));
    const size_t chunk = in.ConsumeIntegralInRange<size_t>(1, 64);

    FakeClock clock;
    auto owned = std::make_unique<ScriptedLink>(framed, &clock);
    ScriptedLink& link = *owned;
    link.maxChunk = chunk;
    // Frames (or stream pieces) of any length; a read with nothing queued times out.
    while (in.remaining_bytes() > 0)
        link.queue(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 600)));

    DiagDriver driver(clock);
    driver.attachLink(std::move(owned));
    driver.setGeneration(generation);
    driver.setBlockSize(blockSize);

    // The caller's buffer exactly as large as stated.
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
    std::fill_n(buffer.get(), capacity, uint8_t{0x11});
    if (jed677) {
        // A JED677 message carries its length in its header byte.
        if (capacity > 0) buffer[0] = static_cast<uint8_t>(length);
        driver.jed677SendData(length, buffer.get(), capacity);
    } else {
        driver.PCRequest(command, length, buffer.get(), capacity, noBlock, mode);
    }
    FUZZ_CHECK(length <= capacity);
    FUZZ_CHECK(driver.requestTrace().count <= DIAG_TRACE_BYTES);
    FUZZ_CHECK(driver.responseTrace().count <= DIAG_TRACE_BYTES);
    return 0;
}

// Replies through the SAE layer's request with reply (SAEJ1587SendData): whatever the interface
// answers to each frame (replies of any content, status and pending frames, silence), in every
// variant. The reply handed over fits the caller's room (ASan sees any byte beyond it), a failure
// hands over nothing, and no call outlasts the layer's limit.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <memory>

#include "DiagDriver.h"
#include "FuzzSupport.h"
#include "SaeJ1587.h"
#include "ScriptedLink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int variant = in.ConsumeIntegralInRange<int>(0, 2);
    const bool cutOff = in.ConsumeBool();
    const size_t room = in.ConsumeIntegralInRange<size_t>(0, 300);
    const uint32_t timeoutMs = in.ConsumeIntegralInRange<uint32_t>(0, 20000);
    const uint16_t source = in.ConsumeIntegral<uint16_t>();
    const Bytes message = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, std::min<size_t>(room, 40)));

    FakeClock clock;
    auto owned = std::make_unique<ScriptedLink>(true, &clock);
    // Each frame the driver writes gets the next answer the input describes.
    owned->onWrite = [&in](const Bytes& written, ScriptedLink& link) {
        if (in.remaining_bytes() == 0 || written.empty()) return;
        const uint8_t how = in.ConsumeIntegral<uint8_t>();
        switch (how % 8) {
            case 0: link.queue(frame16(0, {in.ConsumeIntegral<uint8_t>()})); break;  // status
            case 1: link.queueSilence(); break;
            default:
                link.queue(frame16(written[0], in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 300))));
        }
    };
    DiagDriver driver(clock);
    driver.attachLink(std::move(owned));
    driver.setGeneration(2);
    if (variant == 1) driver.saeSetVariantNorva(0x0011, 0x0022, 0x0033);
    if (variant == 2) {
        const uint8_t parameters[5] = {1, 2, 3, 4, 5};
        driver.saeSetVariantIso15765(parameters);
    }
    driver.saeSetCutOff(cutOff);

    std::unique_ptr<uint8_t[]> buffer(new uint8_t[room]);
    std::copy(message.begin(), message.end(), buffer.get());
    uint16_t length = static_cast<uint16_t>(message.size());
    const uint64_t start = clock.nowMs();
    const int32_t status = driver.saeSendData(buffer.get(), length, room, timeoutMs, source);
    FUZZ_CHECK(length <= room);
    if (status != 0) FUZZ_CHECK(length == 0);
    FUZZ_CHECK(clock.nowMs() - start <= DiagDriver::kSaeMaxCallMs + 2 * DiagDriver::kReadTimeoutMs);
    driver.attachLink(nullptr);
    return 0;
}

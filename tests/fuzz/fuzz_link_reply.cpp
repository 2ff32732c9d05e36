// The driver's reply path: whatever an interface answers, through a scripted link, into a
// caller's buffer of any room. Whatever the outcome, the length handed back never exceeds the
// buffer (ASan sees any byte written beyond it), and the traces stay within their bounds. A
// success was never given a frame whose checksum or length is wrong: the target judges every
// frame the driver read by the frame format itself.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

#include "DiagDriver.h"
#include "FuzzSupport.h"
#include "ScriptedLink.h"

namespace {

// The scripted link as the driver sees it: the bytes of every read are kept.
class RecordingLink final : public Link {
public:
    explicit RecordingLink(ScriptedLink& inner) : inner_(inner) {}
    bool isFramed() const override { return inner_.isFramed(); }
    int32_t write(const uint8_t* data, size_t length, size_t* written) override {
        return inner_.write(data, length, written);
    }
    int32_t read(uint8_t* buffer, size_t capacity, size_t* got) override {
        const int32_t status = inner_.read(buffer, capacity, got);
        if (status == 0) delivered.emplace_back(buffer, buffer + *got);
        return status;
    }
    void purgeReceive() override { inner_.purgeReceive(); }
    std::vector<Bytes> delivered;

private:
    ScriptedLink& inner_;
};

uint8_t sum(Bytes::const_iterator begin, Bytes::const_iterator end) {
    return static_cast<uint8_t>(std::accumulate(begin, end, 0u));
}

// Whether every frame read is whole and correct: a command, the length of the data (16 bits,
// high byte first, from an interface of generation 2 over USB; 8 bits otherwise), that many
// data bytes (at most 4096) and the sum of all bytes before it. Over USB each read is one
// frame; a serial line is one stream of frames.
bool framesCorrect(const std::vector<Bytes>& delivered, bool framed, uint8_t generation) {
    if (framed) {
        const size_t header = generation == 2 ? 3 : 2;
        for (const Bytes& f : delivered) {
            if (f.size() < header + 1) return false;
            const size_t n = header == 3 ? (size_t{f[1]} << 8) | f[2] : f[1];
            if (n > 4096 || f.size() != header + n + 1) return false;
            if (sum(f.begin(), f.end() - 1) != f.back()) return false;
        }
        return true;
    }
    Bytes stream;
    for (const Bytes& piece : delivered) stream.insert(stream.end(), piece.begin(), piece.end());
    for (size_t i = 0; i < stream.size();) {
        if (stream.size() - i < 3 || stream.size() - i < 3u + stream[i + 1]) return false;
        const size_t end = i + 2 + stream[i + 1];
        if (sum(stream.begin() + static_cast<long>(i), stream.begin() + static_cast<long>(end)) != stream[end])
            return false;
        i = end + 1;
    }
    return true;
}

}  // namespace

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
    ScriptedLink link(framed, &clock);
    link.maxChunk = chunk;
    // Frames (or stream pieces) of any length; a read with nothing queued times out.
    while (in.remaining_bytes() > 0)
        link.queue(in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 600)));

    DiagDriver driver(clock);
    auto owned = std::make_unique<RecordingLink>(link);
    RecordingLink& recording = *owned;
    driver.attachLink(std::move(owned));
    driver.setGeneration(generation);
    driver.setBlockSize(blockSize);

    // The caller's buffer exactly as large as stated.
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
    std::fill_n(buffer.get(), capacity, uint8_t{0x11});
    int32_t status;
    if (jed677) {
        // A JED677 message carries its length in its header byte.
        if (capacity > 0) buffer[0] = static_cast<uint8_t>(length);
        status = driver.jed677SendData(length, buffer.get(), capacity);
    } else {
        status = driver.PCRequest(command, length, buffer.get(), capacity, noBlock, mode);
    }
    FUZZ_CHECK(length <= capacity);
    FUZZ_CHECK(driver.requestTrace().count <= DIAG_TRACE_BYTES);
    FUZZ_CHECK(driver.responseTrace().count <= DIAG_TRACE_BYTES);
    if (status == 0) FUZZ_CHECK(framesCorrect(recording.delivered, framed, generation));
    driver.attachLink(nullptr);
    return 0;
}

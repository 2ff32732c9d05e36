#include "SimLink.h"

#include <algorithm>
#include <cstring>

SimLink::SimLink(SimInterface& sim, bool framed, FakeClock* clock, uint64_t timeoutMs)
    : sim_(sim), framed_(framed), clock_(clock), timeoutMs_(timeoutMs) {}

int32_t SimLink::write(const uint8_t* data, size_t length, size_t* written) {
    ++writes_;
    sim_.receive(data, length);
    *written = length;
    return 0;
}

int32_t SimLink::read(uint8_t* buffer, size_t capacity, size_t* got) {
    *got = 0;
    if (framed_) {
        if (!sim_.hasOutput()) {
            if (clock_) clock_->advance(timeoutMs_);
            return sim_.restarting() ? kReadError : kReadTimeout;
        }
        const SimBytes frame = sim_.takeFrame();
        // A frame larger than the reader's buffer is cut, as the USB library would.
        const size_t n = std::min(capacity, frame.size());
        if (n != 0) std::memcpy(buffer, frame.data(), n);
        *got = n;
        return 0;
    }
    const SimBytes bytes = sim_.takeBytes(capacity);
    if (bytes.empty()) {
        if (clock_) clock_->advance(timeoutMs_);
        return 0;
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    *got = bytes.size();
    return 0;
}

void SimLink::purgeReceive() {
    ++purges_;
    sim_.discardOutput();
    sim_.purged();
}

int32_t SimModemLines::read(ModemState& state) {
    state.dsr = sim_.dsr();
    state.cd = sim_.carrier();
    state.cts = sim_.handshake != SimHandshake::None;
    return 0;
}

int32_t SimModemLines::setDtr(bool on) {
    sim_.setDtr(on);
    return 0;
}
